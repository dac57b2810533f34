#include "gui/app/DialogUnits.h"

#include <QFontMetrics>

namespace sundrel::gui {

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    m_nBaseX = metrics.averageCharWidth();
    m_nBaseY = metrics.height();
}

// Rounded to the nearest pixel, as the template's units are scaled.
int DialogUnits::X(int units) const {
    return (units * m_nBaseX + 2) / 4;
}
int DialogUnits::Y(int units) const {
    return (units * m_nBaseY + 4) / 8;
}

} // namespace sundrel::gui
