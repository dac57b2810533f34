#include "core/view/ScrollMath.h"

#include "core/view/ZoomMath.h"

#include <algorithm>
#include <cmath>

namespace sundrel::view {

namespace {

// Seconds per scroll-bar unit for a window of `span` over a mix of `duration`.
double ScrollUnit(double span, double duration) {
    return std::max({span / 1000.0, duration / 1e9, 1e-9});
}

int UnitsOf(double seconds, double unit) {
    return static_cast<int>(std::clamp(std::round(seconds / unit), 0.0, 1e9));
}

} // namespace

TimeWindow ScrollBy(TimeWindow w, double pages, double duration) {
    const double span = w.to - w.from;
    const double by = std::isfinite(pages) ? pages * span : 0.0;
    return ClampWindow(w.from + by, span, duration);
}

ScrollBarState ScrollBarFor(TimeWindow w, double duration) {
    const TimeWindow inside = ClampWindow(w.from, w.to - w.from, duration);
    const double span = inside.to - inside.from;
    if (!(span > 0.0)) {
        return {};
    }
    const double unit = ScrollUnit(span, duration);
    ScrollBarState state;
    state.maximum = UnitsOf(duration - span, unit);
    state.pageStep = std::max(1, UnitsOf(span, unit));
    state.singleStep = std::max(1, UnitsOf(span / 10.0, unit));
    state.value = std::min(state.maximum, UnitsOf(inside.from, unit));
    return state;
}

TimeWindow WindowAtScrollValue(int value, TimeWindow w, double duration) {
    const TimeWindow inside = ClampWindow(w.from, w.to - w.from, duration);
    const double span = inside.to - inside.from;
    if (!(span > 0.0)) {
        return inside;
    }
    const double unit = ScrollUnit(span, duration);
    if (value >= UnitsOf(duration - span, unit)) {
        return ClampWindow(duration, span, duration);
    }
    return ClampWindow(static_cast<double>(value) * unit, span, duration);
}

TimeWindow FollowPosition(TimeWindow w, double position, double duration) {
    if (!std::isfinite(position) || (position >= w.from && position < w.to)) {
        return w;
    }
    return ClampWindow(position, w.to - w.from, duration);
}

} // namespace sundrel::view
