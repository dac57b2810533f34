#pragma once

// How far the position keys move.
namespace sundrel::view {

// Seconds Left/Right move the position: 1 s, ten times less for each of Ctrl and Alt, ten
// times more with Shift. So plain 1 s, Ctrl 100 ms, Alt 100 ms, Ctrl+Alt 10 ms, Shift 10 s,
// Shift+Ctrl 1 s, Shift+Ctrl+Alt 100 ms.
double NudgeSeconds(bool ctrl, bool alt, bool shift);

} // namespace sundrel::view
