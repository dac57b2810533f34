#pragma once

#include <QIcon>
#include <QPixmap>

namespace sundrel::gui {

// The pictures of the transport buttons, drawn on the desktop's button-face colour:
// a right-pointing triangle (Play), a filled square (Stop) and two vertical bars (Pause),
// black with a white drop shadow when enabled, grey when disabled.
QPixmap PlayFace();          // 20 x 17
QPixmap PlayFaceDisabled();  // 15 x 14
QPixmap StopFace();          // 17 x 14
QPixmap StopFaceDisabled();  // 15 x 14
QPixmap PauseFace();         // 15 x 17
QPixmap PauseFaceDisabled(); // 15 x 17

// The program's icon, res/icons/sundrel.svg from the program's resources; null when it
// cannot be read.
QIcon SundrelIcon();

} // namespace sundrel::gui
