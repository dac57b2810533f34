#include "gui/app/ButtonFaces.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <array>
#include <functional>

namespace sundrel::gui {

namespace {

const QColor kFace(192, 192, 192);
const QColor kInk(0, 0, 0);
const QColor kShadow(255, 255, 255);
const QColor kGrey(128, 128, 128);

// A face of the given size with `draw` called once for the white shadow (offset by one
// pixel down and right) and once for the picture itself.
QPixmap Face(int width, int height, const QColor& ink, const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(width, height);
    pixmap.fill(kFace);
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
    // A dark tile with a green waveform cut by an orange marker line, as in sundrel.svg
    // (drawn on a 64-unit grid).
    QIcon icon;
    for (const int size : std::array{96, 72, 64, 48, 32, 16}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1d, 0x27, 0x33));
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
        QPainterPath wave;
        const std::array<QPointF, 13> points{{{8, 32},
                                              {12, 22},
                                              {16, 40},
                                              {20, 14},
                                              {24, 48},
                                              {28, 26},
                                              {32, 36},
                                              {36, 18},
                                              {40, 44},
                                              {44, 24},
                                              {48, 38},
                                              {52, 28},
                                              {56, 32}}};
        wave.moveTo(points[0]);
        for (std::size_t i = 1; i < points.size(); ++i) {
            wave.lineTo(points[i]);
        }
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x3c, 0xd0, 0x5a), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(wave);
        p.setPen(QPen(QColor(0xff, 0x9a, 0x1f), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(34, 8), QPointF(34, 56));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace sundrel::gui
