#pragma once

#include <QIcon>
#include <QPixmap>

namespace sundrel::gui {

// The pictures of the transport buttons, drawn on the light grey of a button face:
// a right-pointing triangle (Play), a filled square (Stop) and two vertical bars (Pause),
// black with a white drop shadow when enabled, grey when disabled.
QPixmap PlayFace();          // 20 x 17
QPixmap PlayFaceDisabled();  // 15 x 14
QPixmap StopFace();          // 17 x 14
QPixmap StopFaceDisabled();  // 15 x 14
QPixmap PauseFace();         // 15 x 17
QPixmap PauseFaceDisabled(); // 15 x 17

// The program's icon (the same picture as res/icons/sundrel.svg) at 96, 72, 64, 48, 32 and
// 16 pixels square.
QIcon SundrelIcon();

} // namespace sundrel::gui
