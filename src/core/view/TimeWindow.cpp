#include "core/view/TimeWindow.h"

#include "core/audio/DataAlignment.h"

#include <cmath>
#include <limits>

namespace sundrel {

TimeWindow WindowAround(float position) {
    return {position - 1.0f, position + 1.0f};
}

} // namespace sundrel

namespace sundrel::view {

std::uint32_t IndexAlignment(const WaveFormat& format) {
    return AlignmentUnit(format.FrameSize());
}

std::int64_t SampleIndex(double seconds, double duration, std::uint64_t length,
                         const WaveFormat& format) {
    const std::uint32_t bytesPerElement = format.bitsPerSample / 8u;
    if (!(duration > 0.0) || !(seconds > 0.0) || bytesPerElement == 0) {
        return 0;
    }
    const double offset = seconds / duration * static_cast<double>(length);
    // Held below 2^62 so the alignment below cannot overflow.
    constexpr double kLimit = 4611686018427387904.0;
    if (!std::isfinite(offset) || offset >= kLimit) {
        return static_cast<std::int64_t>(kLimit) / bytesPerElement;
    }
    auto k = static_cast<std::int64_t>(offset);
    const std::int64_t align = IndexAlignment(format);
    if (k % align != 0) {
        k = k + align - k % align;
    }
    return k / bytesPerElement;
}

bool IsValidWindow(double from, double to, double duration) {
    return from >= 0.0 && duration >= to;
}

} // namespace sundrel::view
