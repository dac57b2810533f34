#include "core/view/MarkerHit.h"

#include "core/markers/Marker.h"
#include "core/view/ZoomMath.h"

#include <cmath>

namespace sundrel::view {

std::optional<std::size_t> HitMarker(std::span<const double> markerX, double x,
                                     double tolerancePx) {
    std::optional<std::size_t> best;
    double bestDistance = tolerancePx;
    for (std::size_t i = 0; i < markerX.size(); ++i) {
        const double distance = std::abs(markerX[i] - x);
        if (distance <= bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

std::int64_t FrameAtX(TimeWindow w, double x, int width, std::uint32_t rate, std::int64_t frames) {
    return FrameAtSeconds(SecondsAtX(w, x, width), rate, frames);
}

} // namespace sundrel::view
