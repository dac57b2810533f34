#include "core/view/PositionKeys.h"

#include <array>

namespace sundrel::view {

double NudgeSeconds(bool ctrl, bool alt, bool shift) {
    // Indexed by the power of ten plus 2; written out so every step is the exact decimal.
    static constexpr std::array<double, 4> kSteps{0.01, 0.1, 1.0, 10.0};
    const int power = (shift ? 1 : 0) - (ctrl ? 1 : 0) - (alt ? 1 : 0);
    return kSteps[static_cast<std::size_t>(power + 2)];
}

} // namespace sundrel::view
