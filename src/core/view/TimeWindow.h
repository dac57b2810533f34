#pragma once

#include "core/riff/WaveLayout.h"

#include <cstdint>

// The arithmetic of the visible time window: seconds to sample elements, clicks to seconds,
// the position slider, and the scroll-bar moves. D is the mix duration in seconds and L the
// length of its canonical file (data bytes + 44), as CWaveFile reports them.
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

// The time of a click at view x: ((to - from) * x) / frameWidth + from + 0.01.
// A frame width of 0 or less gives from + 0.01.
float ClickTime(float from, float to, int x, int frameWidth);

// Slider value (0..1000 for positions inside the mix) of a position: trunc(position*1000 / D).
int TrackbarValue(float position, double duration);
// Position of a slider value: D * value * 0.001.
float TrackbarPosition(int value, double duration);

// The window must start at 0 or later and end no later than the mix.
// Double precision: the float ends of the classic windows compare exactly as before, and a
// window held to end exactly at the duration is valid.
bool IsValidWindow(double from, double to, double duration);

// Seconds the window moves when the scroll-bar thumb is let go at `thumb` (0..20, rest 10):
// +2/+1 near the right end, -2/-1 near the left end, only while the moved window stays
// inside the mix (strict comparisons); 0 means no move.
int ScrollMove(int thumb, float from, float to, double duration);

// The band of the view that takes presses: strictly inside horizontally, and strictly
// between 26 pixels from the top and 26 from the bottom.
bool InPressBand(int x, int y, int clientWidth, int clientHeight);

} // namespace sundrel::view
