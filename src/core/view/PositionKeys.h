#pragma once

// How far the position keys move.
namespace sundrel::view {

// Seconds Left/Right move the position: plain 1 s, Ctrl 100 ms, Alt 10 ms (Alt wins over
// Ctrl, since Ctrl+Alt+arrows switch workspaces on most desktops), Shift 10 s (Shift wins).
double NudgeSeconds(bool ctrl, bool alt, bool shift);

} // namespace sundrel::view
