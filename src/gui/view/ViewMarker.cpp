#include "gui/view/ViewMarker.h"

#include <QFontMetrics>
#include <QPainter>

namespace sundrel::gui {

void DrawMarker(QPainter& p, const ViewMarker& marker, int x, int top, int bottom, int labelTop,
                int width) {
    QColor colour = marker.selected ? kSelectedMarkerColour : kMarkerColour;
    if (marker.suggestion) {
        colour = marker.selected ? kCurrentSuggestionColour : kSuggestionColour;
    }
    // Suggestions are dashed, so they never pass for markers.
    p.setPen(
        QPen(colour, marker.selected ? 2 : 1, marker.suggestion ? Qt::DashLine : Qt::SolidLine));
    p.drawLine(x, top, x, bottom);
    if (marker.label.isEmpty()) {
        return;
    }
    const QFontMetrics metrics(p.font());
    const int textWidth = metrics.horizontalAdvance(marker.label) + 4;
    const int textHeight = metrics.height();
    int left = x + 2;
    if (left + textWidth > width) {
        left = x - 2 - textWidth;
    }
    const QRect box(left, labelTop, textWidth, textHeight);
    p.fillRect(box, colour);
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, marker.label);
}

} // namespace sundrel::gui
