#include "core/view/PositionKeys.h"

#include "core/markers/Marker.h"

#include <algorithm>
#include <array>

namespace sundrel::view {

double NudgeSeconds(bool ctrl, bool alt, bool shift) {
    // Indexed by the power of ten plus 2; written out so every step is the exact decimal.
    static constexpr std::array<double, 4> kSteps{0.01, 0.1, 1.0, 10.0};
    const int power = (shift ? 1 : 0) - (ctrl ? 1 : 0) - (alt ? 1 : 0);
    return kSteps[static_cast<std::size_t>(power + 2)];
}

FrameSpan PreviewSpan(std::int64_t markerFrame, double before, double after, std::uint32_t rate,
                      std::int64_t frames) {
    const std::int64_t total = std::max<std::int64_t>(0, frames);
    const std::int64_t marker = std::clamp<std::int64_t>(markerFrame, 0, total);
    // FrameAtSeconds holds each length within 0..frames, so the sums cannot overflow.
    const std::int64_t back = FrameAtSeconds(before, rate, total);
    const std::int64_t ahead = FrameAtSeconds(after, rate, total);
    return {std::max<std::int64_t>(0, marker - back), std::min(total, marker + ahead)};
}

} // namespace sundrel::view
