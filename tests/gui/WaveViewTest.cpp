// The waveform view inside the real window: what it draws into its cached image, and how a
// click, the position slider and the scroll bar move the position and the visible window.
// Marker labels in the views keep to the room before the next marker, so a long title never
// covers the labels after it, and a label with no room is left out.

#include "gui/view/ViewMarker.h"
#include "gui/view/WaveViewCtrl.h"
#include "support/Window.h"

#include "core/view/WaveTraces.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QSlider>

using sundrel::gui::DrawMarker;
using sundrel::gui::LabelRooms;
using sundrel::gui::ViewMarker;
using sundrel::test::Window;

namespace ids = sundrel::gui::ids;
using namespace sundrel::test;

namespace {

const QColor kGreen(0, 150, 0);
const QColor kWhite(Qt::white);
const QColor kBlack(Qt::black);

// Loads 3 s of a constant frame (channel c holds values[c]) and waits for its image.
QImage Rendered(Window& w, const std::vector<std::int16_t>& values) {
    fixture::Format f;
    f.channels = static_cast<std::uint16_t>(values.size());
    fixture::Bytes audio;
    for (std::size_t i = 0; i < 3 * f.rate; ++i) {
        for (const std::int16_t v : values) {
            fixture::Put16(audio, static_cast<std::uint16_t>(v));
        }
    }
    fixture::WriteFile(w.dir / "constant.wav", fixture::CanonicalWav(f, audio));
    w.dlg.show();
    if (!w.dlg.LoadWaveFile(w.dir / "constant.wav") || !w.dlg.WaveView()->WaitRendered(5000)) {
        return {};
    }
    return w.dlg.WaveView()->CachedImage();
}

void SetWindow(CSundrelDlg& dlg, float from, float to) {
    dlg.ApplyTimeView({from, to});
}

// Widget coordinates of a point given in the view's client coordinates.
QPoint At(const CWaveViewCtrl* view, int x, int y) {
    return view->contentsRect().topLeft() + QPoint(x, y);
}

// Lets go of the scroll-bar thumb at n.
void ReleaseThumb(QScrollBar* bar, int n) {
    bar->setSliderDown(true);
    bar->setSliderPosition(n);
    bar->setSliderDown(false);
}

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

class WaveViewTest : public QObject {
    Q_OBJECT
  private slots:
    void silenceLiesOnTheZeroLinesInsideTheFrame() {
        Window w;
        const QImage image = Rendered(w, {0, 0});
        CWaveViewCtrl* view = w.dlg.WaveView();
        QCOMPARE(image.size(), view->ClientRect().size());
        const int width = image.width();
        const int h = image.height();
        const int quarter = h / 4;
        const int base2 = quarter / 2 + 2 * quarter;
        for (int x : {width / 8, 3 * width / 4}) {
            QCOMPARE(image.pixelColor(x, quarter), kGreen);
            QCOMPARE(image.pixelColor(x, base2), kGreen);
            QCOMPARE(image.pixelColor(x, quarter - 3), kWhite);
            QCOMPARE(image.pixelColor(x, base2 + 3), kWhite);
        }
        // The one-pixel black frame and the black centre column.
        for (const QPoint p : {QPoint(0, h / 3), QPoint(width - 1, h / 3), QPoint(width / 2, 1),
                               QPoint(width / 3, 0), QPoint(width / 3, h - 1)}) {
            QCOMPARE(image.pixelColor(p), kBlack);
        }
        // On screen: the image 25 rows down, the ruler's ticks above it.
        const QImage shown = view->grab().toImage();
        const QPoint origin = view->contentsRect().topLeft();
        QCOMPARE(shown.pixelColor(origin + QPoint(width / 4, 25 + quarter)), kGreen);
        const auto ticks = sundrel::view::RulerTicks(0.0f, 2.0f, width);
        QCOMPARE(shown.pixelColor(origin + QPoint(ticks[1].x, 23)), QColor(0, 51, 0));
        QCOMPARE(shown.pixelColor(origin + QPoint(ticks[5].x, 21)), QColor(0, 51, 0));
    }

    void fullScaleReachesTheQuarterAndMonoDrawsOneTrace() {
        Window stereo;
        const QImage full = Rendered(stereo, {32767, -32768}); // left at the top, right bottom
        QVERIFY(!full.isNull());
        const int quarter = full.height() / 4;
        const int base2 = quarter / 2 + 2 * quarter;
        for (int x : {full.width() / 8, full.width() / 3}) {
            QCOMPARE(full.pixelColor(x, 0), kGreen);
            QCOMPARE(full.pixelColor(x, base2 + quarter), kGreen);
            QCOMPARE(full.pixelColor(x, quarter), kWhite); // each trace keeps its channel
            QCOMPARE(full.pixelColor(x, base2 - quarter), kWhite);
        }
        Window mono;
        const QImage one = Rendered(mono, {0});
        QCOMPARE(one.pixelColor(one.width() / 4, quarter), kGreen);
        for (int x = 1; x < one.width() - 1; ++x) {
            if (x != one.width() / 2) {
                QCOMPARE(one.pixelColor(x, base2), kWhite);
            }
        }
    }

    void clickSetsThePositionAndReleaseCentresOnIt() {
        Window w;
        CSundrelDlg& dlg = w.dlg;
        dlg.show();
        QVERIFY(w.Load(60.0));
        SetWindow(dlg, 10.0f, 12.0f);
        CWaveViewCtrl* view = dlg.WaveView();

        QTest::mousePress(view, Qt::LeftButton, {}, At(view, 318, 100));
        const double expected = 10.0 + 2.0 * 318 / dlg.ViewFrameRect().width() + 0.01;
        QVERIFY(std::abs(dlg.Session().Position() - expected) < 1e-4);
        QCOMPARE(view->m_nCursorX, 318);
        QCOMPARE(Label(dlg, ids::kPosition)->text(),
                 QString::asprintf("0:00:%06.3f", std::trunc(expected * 1000) / 1000));
        QCOMPARE(dlg.Session().View().from, 10.0); // the press alone keeps the window
        QTest::mouseRelease(view, Qt::LeftButton, {}, At(view, 318, 100));
        const auto clicked = static_cast<float>(dlg.Session().Position());
        QCOMPARE(dlg.Session().View().from, clicked - 1.0f);
        QCOMPARE(dlg.Session().View().to, clicked + 1.0f);
        QCOMPARE(Slider(dlg)->value(), static_cast<int>(dlg.Session().Position() * 1000 / 60));

        // A press above the band does not move the position; once let go, the line shows the
        // position again.
        view = dlg.WaveView();
        const double position = dlg.Session().Position();
        QTest::mousePress(view, Qt::LeftButton, {}, At(view, 100, 10));
        QCOMPARE(view->m_nCursorX, 100);
        QVERIFY(!view->IsCursorLineShown());
        QTest::mouseRelease(view, Qt::LeftButton, {}, At(view, 100, 10));
        QCOMPARE(dlg.Session().Position(), position);
        QCOMPARE(view->m_nCursorX, static_cast<int>(view->XOf(position)));
        QVERIFY(view->IsCursorLineShown());

        // Within the first second the release leaves the window where it is.
        SetWindow(dlg, 0.0f, 2.0f);
        view = dlg.WaveView();
        QTest::mouseClick(view, Qt::LeftButton, {}, At(view, 20, 100));
        QVERIFY(dlg.Session().Position() < 1.0);
        QCOMPARE(dlg.Session().View().from, 0.0);

        // While playing, clicks are the transport's business.
        dlg.OnPlay(); // the null device plays in real time
        const double playing = dlg.Session().Position();
        QTest::mouseClick(view, Qt::LeftButton, {}, At(view, 300, 100));
        QCOMPARE(dlg.Session().Position(), playing);
    }

    void theSliderAppliesOnlyWhenLetGo() {
        Window w;
        QVERIFY(w.Load(60.0));
        CSundrelDlg& dlg = w.dlg;
        QSlider* slider = Slider(dlg);

        slider->setSliderDown(true);
        slider->setSliderPosition(500); // dragging: TB_THUMBTRACK
        QCOMPARE(w.Where(), QStringLiteral("30 0:00:30.000 500"));
        QCOMPARE(w.View(), QStringLiteral("0 2")); // the window waits for the let-go
        slider->setSliderDown(false);              // let go
        QCOMPARE(w.View(), QStringLiteral("29 31"));

        // A page step applies at once.
        slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(dlg.Session().Position(),
                 double(static_cast<float>(60.0 * slider->value() * 0.001f)));
        QCOMPARE(dlg.Session().View().from,
                 double(static_cast<float>(dlg.Session().Position()) - 1.0f));
        QVERIFY(w.prompt.messages.isEmpty());

        // Within the first second the window is refused: one warning for the gesture.
        slider->setSliderDown(true);
        slider->setSliderPosition(5);
        slider->setSliderDown(false);
        QCOMPARE(w.prompt.messages.size(), 1);
        QVERIFY(!dlg.WaveView()->m_bMapped);
    }

    void theScrollBarMovesTheWindowByWholeSeconds() {
        Window w;
        QVERIFY(w.Load(60.0));
        CSundrelDlg& dlg = w.dlg;
        QScrollBar* bar = ScrollBar(dlg);

        SetWindow(dlg, 10.0f, 12.0f);
        ReleaseThumb(bar, 20);
        QCOMPARE(w.View(), QStringLiteral("12 14"));
        QCOMPARE(w.Where(), QStringLiteral("13 0:00:13.000 216"));
        QCOMPARE(bar->value(), 10); // the thumb springs back (each move: the core's ScrollMove)

        SetWindow(dlg, 1.0f, 3.0f);
        ReleaseThumb(bar, 0);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd); // arrows and pages: nothing
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(dlg.Session().View().from, 1.0);
        QCOMPARE(dlg.WaveView()->m_fFrom, 1.0);
        QVERIFY(w.prompt.messages.isEmpty());

        // While playing only the window values move.
        dlg.OnPlay(); // the null device plays in real time
        ReleaseThumb(bar, 20);
        QCOMPARE(dlg.Session().View().from, 3.0);
        QCOMPARE(dlg.WaveView()->m_fFrom, 1.0); // the view follows the play head instead
    }

    void overtakenRenderingsEndWithoutWaitingForAPaint() {
        Window w;
        w.dlg.show();
        QVERIFY(w.Load(60.0));
        // Each window starts its rendering and is replaced while it may still run.
        for (int i = 0; i < 40; ++i) {
            w.dlg.WaveView()->StartRender();
            SetWindow(w.dlg, static_cast<float>(i), static_cast<float>(i + 2));
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(w.dlg.findChildren<CWaveViewCtrl*>().size(), 1);
        QVERIFY(w.dlg.WaveView()->WaitRendered(5000));
    }

    void aMixCutShortOnDiskIsDrawnAsFarAsItGoes() {
        Window w;
        w.dlg.show();
        QVERIFY(w.Load(10.0));
        // The mix changes under the program: cut short, then almost empty. The view reads only
        // the window's bytes of the loaded mix and draws what the file still holds.
        std::filesystem::resize_file(w.dir / "mix.wav", 44 + 5 * 44100 * 4);
        SetWindow(w.dlg, 4.0f, 6.0f);
        QVERIFY(w.dlg.WaveView()->WaitRendered(5000));
        const QImage half = w.dlg.WaveView()->CachedImage();
        // Left of the middle there is sound; right of it, where the file ends, flat silence.
        const int quarter = half.height() / 4;
        int drawnLeft = 0;
        int drawnRight = 0;
        for (int y = 1; y < half.height() - 1; ++y) {
            drawnLeft += half.pixelColor(half.width() / 4, y) != Qt::white;
            drawnRight += y != quarter && half.pixelColor(half.width() * 3 / 4, y) != Qt::white;
        }
        QVERIFY(drawnLeft > 2);
        QCOMPARE(drawnRight, 0);
        fixture::WriteFile(w.dir / "mix.wav", fixture::Bytes(64, std::byte{0}));
        SetWindow(w.dlg, 2.0f, 4.0f);
        QVERIFY(w.dlg.WaveView()->WaitRendered(5000));
        QVERIFY(w.prompt.messages.isEmpty());
        w.dlg.WaveView()->repaint();
    }

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

QTEST_MAIN(WaveViewTest)
#include "WaveViewTest.moc"
