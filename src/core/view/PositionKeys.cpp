#include "core/view/PositionKeys.h"

namespace sundrel::view {

double NudgeSeconds(bool ctrl, bool alt, bool shift) {
    if (shift) {
        return 10.0;
    }
    if (alt) {
        return 0.01;
    }
    return ctrl ? 0.1 : 1.0;
}

std::optional<std::size_t> StepTo(std::span<const double> times, double position, int direction,
                                  double tolerance) {
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < times.size(); ++i) {
        const double t = times[i];
        const bool beyond = direction < 0 ? t < position - tolerance : t > position + tolerance;
        if (beyond && (!best || (direction < 0 ? t > times[*best] : t < times[*best]))) {
            best = i;
        }
    }
    return best;
}

} // namespace sundrel::view
