#pragma once

// What the window's input controls mean in seconds: a click in the view and the band that
// takes presses, the position trackbar, and the classic scroll bar's thumb. D is the mix
// duration in seconds.
namespace sundrel::view {

// The time of a click at view x: ((to - from) * x) / frameWidth + from + 0.01.
// A frame width of 0 or less gives from + 0.01.
float ClickTime(float from, float to, int x, int frameWidth);

// Slider value (0..1000 for positions inside the mix) of a position: trunc(position*1000 / D).
int TrackbarValue(float position, double duration);
// Position of a slider value: D * value * 0.001.
float TrackbarPosition(int value, double duration);

// Seconds the window moves when the scroll-bar thumb is let go at `thumb` (0..20, rest 10):
// +2/+1 near the right end, -2/-1 near the left end, only while the moved window stays
// inside the mix (strict comparisons); 0 means no move.
int ScrollMove(int thumb, float from, float to, double duration);

// The band of the view that takes presses: strictly inside horizontally, and strictly
// between 26 pixels from the top and 26 from the bottom.
bool InPressBand(int x, int y, int clientWidth, int clientHeight);

} // namespace sundrel::view
