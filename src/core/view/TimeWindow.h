#pragma once

#include "core/riff/WaveLayout.h"

#include <cstdint>

// The arithmetic of the visible time window: its span, its validity, and seconds to sample
// elements. D is the mix duration in seconds and L the length of its canonical file (data
// bytes + 44), as CWaveFile reports them. What the controls that move it mean in seconds is
// in InputMath.h.
namespace sundrel {

// A span of the mix in seconds: the visible window of the view. Double precision, so a window
// a few samples wide still has exact ends hours into a mix; the float values of the 2-second
// window rules are held exactly.
struct TimeWindow {
    double from = 0.0;
    double to = 0.0;
    friend bool operator==(const TimeWindow&, const TimeWindow&) = default;
};

// The window one second either side of `position`: where a click, the slider, a jump, a
// selected marker and Pause put the view.
TimeWindow WindowAround(float position);

// The window a mix opens with, and Stop returns to: its first two seconds.
inline constexpr TimeWindow kOpeningWindow{0.0f, 2.0f};

} // namespace sundrel

namespace sundrel::view {

// Bytes that a window bound is aligned to before it becomes an element index: 4, or the
// frame size when the frame does not divide 4 (24-bit, 32-bit stereo, float stereo), so an
// index always starts a frame.
std::uint32_t IndexAlignment(const WaveFormat& format);

// index(t): the byte offset t / D * L (truncated), raised to the alignment, divided by the
// bytes of one element. For 16-bit data that is "raised to a multiple of 4, halved"; 8-bit
// data keeps byte indices. Not bounded to the data: readers bound it. Negative or
// non-finite inputs, and D <= 0, give 0.
std::int64_t SampleIndex(double seconds, double duration, std::uint64_t length,
                         const WaveFormat& format);

// The window must start at 0 or later and end no later than the mix.
// Double precision: the float ends of the classic windows compare exactly as before, and a
// window held to end exactly at the duration is valid.
bool IsValidWindow(double from, double to, double duration);

} // namespace sundrel::view
