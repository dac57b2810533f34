#include "core/view/MarkerHit.h"

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

} // namespace sundrel::view
