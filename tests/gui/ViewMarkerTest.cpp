// Marker labels in the views: each keeps to the room before the next marker, so a long title
// never covers the labels after it, and a label with no room is left out.

#include "gui/view/ViewMarker.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

using sundrel::gui::DrawMarker;
using sundrel::gui::LabelRooms;
using sundrel::gui::ViewMarker;

namespace {

// Whether any pixel of row `y` right of the line at `x` has the marker colour.
bool LabelAt(const QImage& image, int x, int y) {
    for (int i = x + 2; i < image.width(); ++i) {
        if (image.pixelColor(i, y) == sundrel::gui::kMarkerColour) {
            return true;
        }
    }
    return false;
}

} // namespace

class ViewMarkerTest : public QObject {
    Q_OBJECT
  private slots:
    void roomsReachTheNextMarker() {
        struct Case {
            std::vector<int> xs;
            int width;
            std::vector<int> rooms;
        };
        const Case cases[] = {
            {{10, 50, 30}, 100, {18, 48, 18}}, // any order; the last one up to the edge
            {{10, 90}, 100, {78, 78}},         // the last one near the edge: back to the one before
            {{95}, 100, {93}},                 // alone near the edge: the whole width before it
            {{20, 20}, 100, {-2, 78}},         // on the same pixel: the first has no room
            {{}, 100, {}},
        };
        for (const Case& c : cases) {
            QCOMPARE(LabelRooms(c.xs, c.width), c.rooms);
        }
    }

    void aLabelIsCutToItsRoomOrLeftOut() {
        const ViewMarker marker{1, 0.0, QStringLiteral("12 A Rather Long Title Indeed"), false,
                                false};
        const auto draw = [&marker](int room) {
            QImage image(400, 30, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter p(&image);
            DrawMarker(p, marker, 10, 0, 29, 2, image.width(), room);
            return image;
        };
        const int y = 8;
        const QImage full = draw(1000);
        const QImage cut = draw(40);
        const QImage none = draw(2);
        QVERIFY(LabelAt(full, 10, y));
        QVERIFY(LabelAt(full, 80, y)); // the whole title runs on
        QVERIFY(LabelAt(cut, 10, y));
        QVERIFY(!LabelAt(cut, 52, y)); // stops within its 40 pixels
        QVERIFY(!LabelAt(none, 10, y));
    }
};

QTEST_MAIN(ViewMarkerTest)
#include "ViewMarkerTest.moc"
