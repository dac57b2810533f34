#include "gui/app/ButtonFaces.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPolygon>
#include <functional>

namespace sundrel::gui {

namespace {

const QColor kInk(0, 0, 0);
const QColor kShadow(255, 255, 255);
const QColor kGrey(128, 128, 128);

// A face of the given size with `draw` called once for the white shadow (offset by one
// pixel down and right) and once for the picture itself.
QPixmap Face(int width, int height, const QColor& ink, const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(width, height);
    pixmap.fill(QApplication::palette().color(QPalette::Button));
    QPainter p(&pixmap);
    p.setPen(Qt::NoPen);
    p.translate(1, 1);
    p.setBrush(kShadow);
    draw(p);
    p.translate(-1, -1);
    p.setBrush(ink);
    draw(p);
    return pixmap;
}

QPixmap Triangle(int width, int height, const QColor& ink, QPolygon shape) {
    return Face(width, height, ink, [shape](QPainter& p) { p.drawPolygon(shape); });
}

} // namespace

QPixmap PlayFace() {
    return Triangle(20, 17, kInk, QPolygon({{7, 3}, {7, 13}, {13, 8}}));
}

QPixmap PlayFaceDisabled() {
    return Triangle(15, 14, kGrey, QPolygon({{5, 2}, {5, 11}, {10, 6}}));
}

QPixmap StopFace() {
    return Face(17, 14, kInk, [](QPainter& p) { p.drawRect(4, 3, 8, 8); });
}

QPixmap StopFaceDisabled() {
    return Face(15, 14, kGrey, [](QPainter& p) { p.drawRect(3, 3, 8, 8); });
}

QPixmap PauseFace() {
    return Face(15, 17, kInk, [](QPainter& p) {
        p.drawRect(3, 4, 3, 9);
        p.drawRect(8, 4, 3, 9);
    });
}

QPixmap PauseFaceDisabled() {
    return Face(15, 17, kGrey, [](QPainter& p) {
        p.drawRect(3, 4, 3, 9);
        p.drawRect(8, 4, 3, 9);
    });
}

QIcon SundrelIcon() {
    // The picture shipped in res/icons/sundrel.svg, also installed for the desktop. Without
    // an SVG reader the window simply has no icon.
    QIcon icon(QStringLiteral(":/icons/sundrel.svg"));
    return icon.availableSizes().isEmpty() && icon.pixmap(64).isNull() ? QIcon() : icon;
}

} // namespace sundrel::gui
