#include "core/session/ViewState.h"

#include "core/view/ZoomMath.h"

namespace sundrel {

ViewState::ViewState() : m_zoomSpan(view::kDefaultSpan) {}

void ViewState::SetZoomSpan(double seconds) {
    m_zoomSpan = seconds;
    m_bDefaultZoom = false;
}

void ViewState::SetDefaultZoom() {
    m_zoomSpan = view::kDefaultSpan;
    m_bDefaultZoom = true;
}

TimeWindow ViewState::WindowAt(double position, double duration) const {
    if (m_bDefaultZoom) {
        const TimeWindow classic = WindowAround(static_cast<float>(position));
        if (view::IsValidWindow(classic.from, classic.to, duration)) {
            return classic;
        }
    }
    return view::SpanAround(position, m_zoomSpan, duration);
}

} // namespace sundrel
