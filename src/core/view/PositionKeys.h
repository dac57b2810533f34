#pragma once

#include <cstdint>

// How far the position keys move, and the stretch a marker preview plays.
namespace sundrel::view {

// Seconds Left/Right move the position: 1 s, ten times less for each of Ctrl and Alt, ten
// times more with Shift. So plain 1 s, Ctrl 100 ms, Alt 100 ms, Ctrl+Alt 10 ms, Shift 10 s,
// Shift+Ctrl 1 s, Shift+Ctrl+Alt 100 ms.
double NudgeSeconds(bool ctrl, bool alt, bool shift);

// Frames first..end (end exclusive).
struct FrameSpan {
    std::int64_t first = 0;
    std::int64_t end = 0;
    friend bool operator==(const FrameSpan&, const FrameSpan&) = default;
};

// The frames from `before` seconds before a marker to `after` seconds after it, held within
// the mix's 0..frames. Negative or non-finite lengths count as 0.
FrameSpan PreviewSpan(std::int64_t markerFrame, double before, double after, std::uint32_t rate,
                      std::int64_t frames);

} // namespace sundrel::view
