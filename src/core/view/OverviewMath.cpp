#include "core/view/OverviewMath.h"

#include <algorithm>
#include <cmath>

namespace sundrel::view {

namespace {

constexpr double kMinBandPx = 2.0;

bool IsStrip(int width, double duration) {
    return width > 0 && duration > 0.0 && std::isfinite(duration);
}

} // namespace

double OverviewSeconds(double x, int width, double duration) {
    if (!IsStrip(width, duration) || !(x > 0.0)) {
        return 0.0;
    }
    return std::min(duration, x / static_cast<double>(width) * duration);
}

std::pair<double, double> OverviewBand(TimeWindow w, int width, double duration) {
    if (!IsStrip(width, duration)) {
        return {0.0, 0.0};
    }
    const double pixels = static_cast<double>(width);
    double left = std::clamp(w.from / duration * pixels, 0.0, pixels);
    double right = std::clamp(w.to / duration * pixels, 0.0, pixels);
    const double minWidth = std::min(kMinBandPx, pixels);
    if (!(right - left >= minWidth)) {
        const double centre =
            std::clamp((left + right) / 2.0, minWidth / 2.0, pixels - minWidth / 2.0);
        left = centre - minWidth / 2.0;
        right = centre + minWidth / 2.0;
    }
    return {left, right};
}

} // namespace sundrel::view
