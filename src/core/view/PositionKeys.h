#pragma once

// How far the position keys move, and where the keys that step between markers go.
#include <cstddef>
#include <optional>
#include <span>

namespace sundrel::view {

// Seconds Left/Right move the position: plain 1 s, Ctrl 100 ms, Alt 10 ms (Alt wins over
// Ctrl, since Ctrl+Alt+arrows switch workspaces on most desktops), Shift 10 s (Shift wins).
double NudgeSeconds(bool ctrl, bool alt, bool shift);

// The index of the time in `times` nearest `position` before it (direction < 0) or after it
// (direction > 0). A time within `tolerance` seconds of the position counts as the one the
// position is at, not as a step. Nothing when there is none that way.
std::optional<std::size_t> StepTo(std::span<const double> times, double position, int direction,
                                  double tolerance = 0.001);

} // namespace sundrel::view
