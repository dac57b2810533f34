#include "core/trackinfo/TrackInfoCache.h"

#include <algorithm>
#include <set>

namespace sundrel {

const TrackInfo* TrackInfoCache::Find(const FrameSpan& span) const {
    const auto found = m_infos.find(span);
    return found == m_infos.end() ? nullptr : &found->second;
}

std::vector<FrameSpan> TrackInfoCache::Missing(std::span<const FrameSpan> spans) const {
    std::vector<FrameSpan> missing;
    for (const FrameSpan& s : spans) {
        if (s.frames > 0 && !m_infos.contains(s) &&
            std::find(missing.begin(), missing.end(), s) == missing.end()) {
            missing.push_back(s);
        }
    }
    return missing;
}

void TrackInfoCache::Store(const FrameSpan& span, const TrackInfo& info) {
    m_infos[span] = info;
}

void TrackInfoCache::Keep(std::span<const FrameSpan> spans) {
    const std::set<FrameSpan> keep(spans.begin(), spans.end());
    std::erase_if(m_infos, [&keep](const auto& entry) { return !keep.contains(entry.first); });
}

} // namespace sundrel
