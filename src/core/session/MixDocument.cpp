#include "core/session/MixDocument.h"

namespace sundrel {

std::int64_t MixDocument::Frames() const {
    if (!m_wave || m_wave->m_wfx.nBlockAlign == 0) {
        return 0;
    }
    return static_cast<std::int64_t>(m_wave->m_nDataSize / m_wave->m_wfx.nBlockAlign);
}

void MixDocument::ResolveFrames() {
    if (m_wave) {
        m_markers.ResolveFrames(m_wave->m_nDataSize, m_wave->m_wfx.nBlockAlign);
    }
}

} // namespace sundrel
