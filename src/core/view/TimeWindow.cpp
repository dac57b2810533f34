#include "core/view/TimeWindow.h"

#include "core/audio/DataAlignment.h"

#include "core/time/TimeCode.h"

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

float ClickTime(float from, float to, int x, int frameWidth) {
    if (frameWidth <= 0) {
        return static_cast<float>(from + 0.01);
    }
    const float along = (to - from) * static_cast<float>(x) / static_cast<float>(frameWidth);
    return static_cast<float>(along + from + 0.01);
}

int TrackbarValue(float position, double duration) {
    if (!(duration > 0.0)) {
        return 0;
    }
    const float f = position * 1000.0f;
    return TruncToInt32(static_cast<double>(f) / duration);
}

float TrackbarPosition(int value, double duration) {
    return static_cast<float>(duration * value * static_cast<double>(0.001f));
}

bool IsValidWindow(double from, double to, double duration) {
    return from >= 0.0 && duration >= to;
}

int ScrollMove(int thumb, float from, float to, double duration) {
    const auto fits = [&](float seconds) {
        const float end = to + seconds; // rounded to a float before the comparison
        return duration > static_cast<double>(end);
    };
    const auto startsAfterZero = [&](float seconds) { return from - seconds > 0.0f; };
    if (thumb >= 20) {
        return fits(2.0f) ? 2 : (fits(1.0f) ? 1 : 0);
    }
    if (thumb >= 15) {
        return fits(1.0f) ? 1 : 0;
    }
    if (thumb >= 6) {
        return 0;
    }
    if (thumb >= 2) {
        return startsAfterZero(1.0f) ? -1 : 0;
    }
    return startsAfterZero(2.0f) ? -2 : (startsAfterZero(1.0f) ? -1 : 0);
}

bool InPressBand(int x, int y, int clientWidth, int clientHeight) {
    return x > 0 && x < clientWidth && y > 26 && y < clientHeight - 26;
}

} // namespace sundrel::view
