#include "gui/view/ViewMarker.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <numeric>

namespace sundrel::gui {

QColor MarkerColour(const ViewMarker& marker) {
    if (marker.suggestion) {
        return marker.selected ? kCurrentSuggestionColour : kSuggestionColour;
    }
    return marker.selected ? kSelectedMarkerColour : kMarkerColour;
}

void DrawMarkerLabel(QPainter& p, const ViewMarker& marker, const QString& text, int left,
                     int top) {
    const QFontMetrics metrics(p.font());
    const QRect box(left, top, metrics.horizontalAdvance(text) + 4, metrics.height());
    p.fillRect(box, MarkerColour(marker));
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, text);
}

void DrawMarker(QPainter& p, const ViewMarker& marker, int x, int top, int bottom, int labelTop,
                int width, int room) {
    const QColor colour = MarkerColour(marker);
    // Suggestions are dashed, so they never pass for markers.
    p.setPen(
        QPen(colour, marker.selected ? 2 : 1, marker.suggestion ? Qt::DashLine : Qt::SolidLine));
    p.drawLine(x, top, x, bottom);
    if (marker.label.isEmpty()) {
        return;
    }
    const QFontMetrics metrics(p.font());
    const QString label = metrics.elidedText(marker.label, Qt::ElideRight, std::max(room - 4, 0));
    if (label.isEmpty()) {
        return;
    }
    const int textWidth = metrics.horizontalAdvance(label) + 4;
    const int textHeight = metrics.height();
    int left = x + 2;
    if (left + textWidth > width) {
        left = x - 2 - textWidth;
    }
    const QRect box(left, labelTop, textWidth, textHeight);
    p.fillRect(box, colour);
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, label);
}

std::vector<int> LabelRooms(std::span<const int> xs, int width) {
    std::vector<std::size_t> order(xs.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [xs](std::size_t a, std::size_t b) { return xs[a] < xs[b]; });
    std::vector<int> rooms(xs.size(), 0);
    for (std::size_t k = 0; k < order.size(); ++k) {
        const int x = xs[order[k]];
        if (k + 1 < order.size()) {
            rooms[order[k]] = xs[order[k + 1]] - x - 2;
            continue;
        }
        const int before = k > 0 ? x - xs[order[k - 1]] - 2 : x - 2;
        rooms[order[k]] = std::max(width - x - 2, before);
    }
    return rooms;
}

} // namespace sundrel::gui
