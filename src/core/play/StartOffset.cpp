#include "core/play/StartOffset.h"

#include <cmath>
#include <limits>

namespace sundrel {

std::uint64_t PlayStartOffset(const WaveFormatEx& format, float startSecond) {
    const std::uint64_t frame = format.nBlockAlign > 0 ? format.nBlockAlign : 1;
    const std::uint64_t step = 4 % frame == 0 ? 4 : frame;
    const double seconds = std::isnan(startSecond) || startSecond < 0.0f ? 0.0 : startSecond;
    // The 44 header bytes are a multiple of 4, so counting from the data start gives the
    // same alignment as counting file bytes of the canonical file.
    const double bytes = std::trunc(static_cast<double>(format.nAvgBytesPerSec) * seconds);
    constexpr double kLimit = static_cast<double>(std::numeric_limits<std::uint64_t>::max() / 2);
    const std::uint64_t b =
        bytes >= kLimit ? static_cast<std::uint64_t>(kLimit) : static_cast<std::uint64_t>(bytes);
    return b - b % step + step;
}

} // namespace sundrel
