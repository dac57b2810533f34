#pragma once

#include <QColor>
#include <QString>
#include <cstddef>
#include <limits>
#include <span>
#include <vector>

class QPainter;

namespace sundrel::gui {

// A marker as the waveform view and the overview draw it.
struct ViewMarker {
    std::size_t index = 0; // the marker's entry in the marker list
    double seconds = 0.0;
    QString label; // the number, and the title when there is one
    bool selected = false;
    bool suggestion = false; // a suggested boundary (index into the suggestions), drawn dimmer
};

// The colours the markers and the play head are drawn in, in both views.
inline const QColor kMarkerColour(200, 40, 40);
inline const QColor kSelectedMarkerColour(20, 80, 220);
inline const QColor kPlayHeadColour(230, 130, 0);
inline const QColor kSuggestionColour(170, 150, 200);
inline const QColor kCurrentSuggestionColour(120, 60, 200);

// Draws one marker: a vertical line at x from `top` to `bottom`, its label in a small box
// at `labelTop` beside the line (to its left when it would leave `width`), shortened with "…"
// to `room` pixels (none when not even that fits).
void DrawMarker(QPainter& p, const ViewMarker& marker, int x, int top, int bottom, int labelTop,
                int width, int room = std::numeric_limits<int>::max());

// The colour `marker` is drawn in.
QColor MarkerColour(const ViewMarker& marker);

// Draws `text` in a small box of the marker's colour with its top left at `left`, `top`.
void DrawMarkerLabel(QPainter& p, const ViewMarker& marker, const QString& text, int left, int top);

// The room the labels of markers drawn at `xs` (any order) have in a view `width` wide, so
// that no label covers another: up to the next marker to the right, and for the rightmost
// one up to the edge, or back to the marker before it when that leaves more room.
std::vector<int> LabelRooms(std::span<const int> xs, int width);

} // namespace sundrel::gui
