#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace sundrel::gui {

// Converts dialog-template units to pixels for a dialog's font: one horizontal unit is a
// quarter of the font's average character width, one vertical unit an eighth of its height.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int X(int units) const;
    int Y(int units) const;
    QSize Size(int width, int height) const { return {X(width), Y(height)}; }
    QRect Rect(int x, int y, int width, int height) const {
        return {X(x), Y(y), X(width), Y(height)};
    }

  private:
    int m_nBaseX;
    int m_nBaseY;
};

} // namespace sundrel::gui
