// Seeing and moving through the whole mix: the overview, zoom by wheel and keys, scrolling,
// markers drawn and dragged in the view, the view following playback, resizing and the keys.
// View > Colours by Frequency and View > Dark: what they start as, what they change in the
// overview, the zoomed view and the classic trace, and that the next start remembers them.

#include "core/overview/SummaryJob.h"
#include "core/time/TimeCode.h"
#include "gui/app/AppSettings.h"
#include "gui/view/MarkedSlider.h"
#include "gui/view/OverviewCtrl.h"
#include "gui/view/WaveViewCtrl.h"
#include "support/Window.h"

#include <QGroupBox>
#include <QPalette>
#include <QWheelEvent>
#include <cmath>
#include <numbers>

namespace ids = sundrel::gui::ids;
using namespace sundrel::test;

namespace {

// Shows the window, loads `mix` (by default `seconds` of the test signal) and waits until its
// summary is complete.
bool LoadedAndSummarised(Window& w, double seconds, std::filesystem::path mix = {}) {
    if (!w.Shown() || !w.dlg.LoadWaveFile(mix.empty() ? w.Mix(seconds) : mix)) {
        return false;
    }
    return QTest::qWaitFor([&] { return !w.dlg.IsSummarising(); }, 10000);
}

void Wheel(QWidget* widget, QPoint at, int delta, Qt::KeyboardModifiers modifiers) {
    QWheelEvent event(QPointF(at), widget->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

// The widget point of client x in the view (its client area starts inside the frame).
QPoint ViewPoint(const CWaveViewCtrl* view, double x, int y = 100) {
    return view->contentsRect().topLeft() + QPoint(static_cast<int>(std::lround(x)), y);
}

// A mouse move with the left button held, as the window system reports one during a drag.
void MoveHeld(QWidget* widget, QPoint at, Qt::MouseButtons held = Qt::LeftButton) {
    QMouseEvent event(QEvent::MouseMove, QPointF(at), widget->mapToGlobal(QPointF(at)),
                      Qt::NoButton, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// The columns inside the image's frame where some pixel is `drawn`.
int DrawnColumns(const QImage& image, const std::function<bool(QColor)>& drawn) {
    int columns = 0;
    for (int x = 1; x < image.width() - 1; ++x) {
        for (int y = 1; y < image.height() - 1; ++y) {
            if (drawn(image.pixelColor(x, y))) {
                ++columns;
                break;
            }
        }
    }
    return columns;
}

// The columns of the waveform's green.
int NonWhiteColumns(const QImage& image) {
    return DrawnColumns(image, [](QColor c) { return c.red() < 200 && c.green() > c.red(); });
}

constexpr std::uint32_t kRate = 44100;

// 16-bit stereo: `seconds` of a 60 Hz tone (a bass line), then as long of a 6 kHz one (hats).
std::filesystem::path BassThenHats(const std::filesystem::path& path, double seconds) {
    const fixture::Format format{1, 2, kRate, 16};
    const auto half = static_cast<std::size_t>(seconds * kRate);
    fixture::Bytes audio;
    for (std::size_t f = 0; f < 2 * half; ++f) {
        const double hz = f < half ? 60.0 : 6000.0;
        const auto v = static_cast<std::int16_t>(
            std::lround(16000.0 * std::sin(2.0 * std::numbers::pi * hz * double(f) / kRate)));
        for (int c = 0; c < 2; ++c) {
            fixture::Put16(audio, static_cast<std::uint16_t>(v));
        }
    }
    fixture::WriteFile(path, fixture::CanonicalWav(format, audio));
    return path;
}

bool Loaded(Window& w, double seconds) {
    return LoadedAndSummarised(w, seconds, BassThenHats(w.dir / "bass-hats.wav", seconds));
}

QAction* Colours(const Window& w) {
    return w.dlg.Command(ids::kCmdColoursByFrequency);
}
QAction* Dark(const Window& w) {
    return w.dlg.Command(ids::kCmdDarkTheme);
}

// The colour drawn most often in columns [from, to) of the image, the background (as at the
// top, a quarter of the way in, where no waveform reaches) left out.
QColor Commonest(const QImage& image, int from, int to) {
    const QRgb ground = image.pixel(image.width() / 4, 2);
    QMap<QRgb, int> counts;
    for (int x = from; x < to; ++x) {
        for (int y = 1; y < image.height() - 1; ++y) {
            if (const QRgb c = image.pixel(x, y); c != ground) {
                ++counts[c];
            }
        }
    }
    QRgb best = ground;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            best = it.key();
            most = it.value();
        }
    }
    return QColor(best);
}

bool Reddish(QColor c) {
    return c.red() > 2 * c.green() && c.red() > 2 * c.blue();
}
bool Bluish(QColor c) {
    return c.blue() > 2 * c.red() && c.blue() > 2 * c.green();
}

} // namespace

class ZoomKeysTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { QSettings(QStringLiteral("Sundrel"), QStringLiteral("Sundrel")).clear(); }

    void firstStartIsColouredOnTheLightTheme() {
        Window w;
        QVERIFY(Loaded(w, 20.0));
        QVERIFY(Colours(w)->isCheckable() && Colours(w)->isChecked());
        QVERIFY(Dark(w)->isCheckable() && !Dark(w)->isChecked());
        QVERIFY(QApplication::palette().color(QPalette::Window).lightness() > 150);
        // The overview: red where the bass plays, blue where the hats do.
        const QImage& overview = w.dlg.Overview()->WaveImage();
        const int width = overview.width();
        QVERIFY(overview.pixelColor(width / 2, 2).lightness() > 200);
        const QColor bass = Commonest(overview, width / 10, width * 4 / 10);
        const QColor hats = Commonest(overview, width * 6 / 10, width * 9 / 10);
        QVERIFY2(Reddish(bass), qPrintable(bass.name()));
        QVERIFY2(Bluish(hats), qPrintable(hats.name()));

        // The view zoomed out to the whole mix, the same.
        w.dlg.Command(ids::kCmdZoomFit)->trigger();
        CWaveViewCtrl* view = w.dlg.WaveView();
        QVERIFY(view->WaitRendered(5000));
        const QImage zoomed = view->CachedImage();
        QVERIFY2(
            Reddish(Commonest(zoomed, zoomed.width() / 10, zoomed.width() * 4 / 10)),
            qPrintable(Commonest(zoomed, zoomed.width() / 10, zoomed.width() * 4 / 10).name()));
        QVERIFY(Bluish(Commonest(zoomed, zoomed.width() * 6 / 10, zoomed.width() * 9 / 10)));
        // Zoomed in to less than a summary block per column: coloured by the blocks.
        w.dlg.Session().SetPosition(30.0f);
        w.dlg.Command(ids::kCmdZoomDefault)->trigger();
        for (int i = 0; i < 3; ++i) {
            w.dlg.Command(ids::kCmdZoomIn)->trigger(); // a quarter of a second
        }
        QVERIFY(view->WaitRendered(5000));
        QVERIFY(Bluish(Commonest(view->CachedImage(), 1, view->CachedImage().width() - 1)));

        // The classic trace keeps its green pen on white whatever the colours.
        w.dlg.Command(ids::kCmdZoomDefault)->trigger();
        QVERIFY(view->WaitRendered(5000));
        const QImage classic = view->CachedImage();
        QCOMPARE(Commonest(classic, 1, classic.width() - 1), QColor(0, 150, 0));
        QCOMPARE(classic.pixelColor(classic.width() / 4, 2), QColor(Qt::white));
    }

    void theTogglesChangeTheViewsAndAreRemembered() {
        {
            Window w;
            QVERIFY(Loaded(w, 20.0));
            w.dlg.Command(ids::kCmdZoomFit)->trigger();
            Colours(w)->trigger(); // off: the plain colours, the same for bass and hats
            QVERIFY(!Colours(w)->isChecked());
            const QImage& overview = w.dlg.Overview()->WaveImage();
            const int width = overview.width();
            QCOMPARE(Commonest(overview, width / 10, width * 4 / 10),
                     Commonest(overview, width * 6 / 10, width * 9 / 10));
            QVERIFY(!Reddish(Commonest(overview, width / 10, width * 4 / 10)));
            CWaveViewCtrl* view = w.dlg.WaveView();
            QVERIFY(view->WaitRendered(5000));
            const QImage plain = view->CachedImage();
            QCOMPARE(Commonest(plain, plain.width() / 10, plain.width() * 4 / 10),
                     Commonest(plain, plain.width() * 6 / 10, plain.width() * 9 / 10));

            Dark(w)->trigger(); // dark: dark grounds, light text
            QVERIFY(Dark(w)->isChecked());
            QVERIFY(QApplication::palette().color(QPalette::Window).lightness() < 80);
            QVERIFY(QApplication::palette().color(QPalette::WindowText).lightness() > 180);
            QVERIFY(w.dlg.Overview()->WaveImage().pixelColor(width / 2, 2).lightness() < 50);
            QVERIFY(view->WaitRendered(5000));
            QVERIFY(view->CachedImage().pixelColor(view->CachedImage().width() / 2, 2).lightness() <
                    50);
            w.dlg.Command(ids::kCmdExit)->trigger();
        }
        {
            const sundrel::gui::AppSettings settings;
            QVERIFY(!settings.ColoursByFrequency());
            QVERIFY(settings.DarkTheme());
        }
        {
            // The next start: as left, before and after a mix is loaded.
            Window w;
            QVERIFY(!Colours(w)->isChecked());
            QVERIFY(Dark(w)->isChecked());
            QVERIFY(QApplication::palette().color(QPalette::Window).lightness() < 80);
            QVERIFY(Loaded(w, 20.0));
            const QImage& overview = w.dlg.Overview()->WaveImage();
            QVERIFY(overview.pixelColor(overview.width() / 2, 2).lightness() < 50);
            // The classic trace on the dark theme: its green on a dark ground (the zoom to fit
            // of the last run was remembered too).
            w.dlg.Command(ids::kCmdZoomDefault)->trigger();
            CWaveViewCtrl* view = w.dlg.WaveView();
            QVERIFY(view->WaitRendered(5000));
            const QImage classic = view->CachedImage();
            QCOMPARE(Commonest(classic, 1, classic.width() - 1), QColor(0, 150, 0));
            QVERIFY(classic.pixelColor(classic.width() / 4, 2).lightness() < 50);
            // Both back: the colours by frequency and the light palette return.
            Colours(w)->trigger();
            Dark(w)->trigger();
            QVERIFY(QApplication::palette().color(QPalette::Window).lightness() > 150);
            const int width = overview.width();
            QVERIFY(Reddish(Commonest(w.dlg.Overview()->WaveImage(), width / 10, width * 4 / 10)));
        }
        const sundrel::gui::AppSettings settings;
        QVERIFY(settings.ColoursByFrequency());
        QVERIFY(!settings.DarkTheme());
    }

    void overviewShowsTheWholeMixAndMovesThePosition() {
        Window w;
        QVERIFY(LoadedAndSummarised(w, 120.0));
        COverviewCtrl* overview = w.dlg.Overview();
        QVERIFY(overview->width() >= w.dlg.ViewFrameRect().width() - 1);
        // Every column of the test signal is drawn.
        const QImage& wave = overview->WaveImage();
        const int drawn =
            DrawnColumns(wave, [&wave](QColor c) { return c != wave.pixelColor(0, 0); });
        QVERIFY2(drawn > wave.width() * 9 / 10, qPrintable(QString::number(drawn)));
        // A click at three quarters: position and (classic) window go there.
        QTest::mouseClick(overview, Qt::LeftButton, {},
                          QPoint(overview->width() * 3 / 4, overview->height() / 2));
        const double expected = overview->SecondsAt(overview->width() * 3 / 4);
        QVERIFY(std::abs(w.dlg.Session().Position() - expected) < 1e-9);
        QVERIFY(std::abs(expected - 90.0) < 0.5);
        QVERIFY(w.dlg.Session().View().from < expected && expected < w.dlg.Session().View().to);
        QCOMPARE(Label(w.dlg, ids::kPosition)->text(),
                 QString::fromStdString(sundrel::FormatTime(static_cast<float>(expected))));
    }

    void wheelZoomKeepsTheTimeUnderThePointer() {
        Window w;
        QVERIFY(LoadedAndSummarised(w, 60.0));
        CWaveViewCtrl* view = w.dlg.WaveView();
        w.dlg.Command(ids::kCmdZoomFit)->trigger();
        QCOMPARE(w.dlg.Session().View().from, 0.0);
        QVERIFY(std::abs(w.dlg.Session().View().to - 60.0) < 1e-9);
        QVERIFY(view->WaitRendered(5000));
        QVERIFY(NonWhiteColumns(view->CachedImage()) > view->ClientRect().width() * 9 / 10);

        // Ctrl + wheel at x = 300 zooms in three notches; the time there stays there.
        const double x = 300.0;
        const double before = view->SecondsAt(x);
        for (int notch = 0; notch < 3; ++notch) {
            Wheel(view, ViewPoint(view, x), 120, Qt::ControlModifier);
        }
        const sundrel::TimeWindow zoomed = w.dlg.Session().View();
        QVERIFY(zoomed.to - zoomed.from < 60.0 / 1.9);
        QVERIFY2(std::abs(view->SecondsAt(x) - before) < 1.0 / 44100.0,
                 qPrintable(QStringLiteral("%1 vs %2").arg(view->SecondsAt(x)).arg(before)));
        // The wheel alone scrolls by a tenth of the window; the span stays.
        Wheel(view, ViewPoint(view, x), -120, Qt::NoModifier);
        const sundrel::TimeWindow scrolled = w.dlg.Session().View();
        QVERIFY(std::abs((scrolled.from - zoomed.from) - (zoomed.to - zoomed.from) / 10) < 1e-6);
        QVERIFY(std::abs((scrolled.to - scrolled.from) - (zoomed.to - zoomed.from)) < 1e-6);

        // Zoomed in all the way (where it stops: ZoomMathTest), single samples are drawn as
        // points and lines; the scroll bar then moves the window by its own width.
        for (int i = 0; i < 40; ++i) {
            w.dlg.Command(ids::kCmdZoomIn)->trigger();
        }
        const sundrel::TimeWindow finest = w.dlg.Session().View();
        QVERIFY((finest.to - finest.from) * 44100.0 < view->ClientRect().width());
        QVERIFY(view->WaitRendered(5000));
        QVERIFY(NonWhiteColumns(view->CachedImage()) > 0);
        QScrollBar* bar = ScrollBar(w.dlg);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        const sundrel::TimeWindow paged = w.dlg.Session().View();
        QVERIFY(std::abs((paged.from - finest.from) - (finest.to - finest.from)) < 2e-3);

        // Zoom to 2 s returns to the classic window around the position.
        w.dlg.Command(ids::kCmdZoomDefault)->trigger();
        QVERIFY(w.dlg.Session().IsDefaultZoom());
        QCOMPARE(bar->maximum(), ids::kScrollMax);
        QCOMPARE(bar->value(), ids::kScrollRest);
    }

    void markersAreDrawnAndDraggedAsOneUndoStep() {
        Window w;
        QVERIFY(LoadedAndSummarised(w, 60.0));
        w.dlg.Command(ids::kCmdZoomFit)->trigger();
        // M adds a marker exactly at the position, without questions.
        w.dlg.Session().SetPosition(30.0);
        QTest::keyClick(&w.dlg, Qt::Key_M);
        QVERIFY(w.prompt.messages.isEmpty());
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{2});
        QCOMPARE(w.dlg.Session().Markers().At(1)->frame, std::int64_t{30 * 44100});
        QCOMPARE(w.dlg.Session().Selected(), std::size_t{1});
        // The slider shows a tick at it.
        auto* slider = qobject_cast<CMarkedSlider*>(Slider(w.dlg));
        QCOMPARE(slider->Marks(), QList<int>({500}));

        CWaveViewCtrl* view = w.dlg.WaveView();
        const double from = view->XOf(30.0);
        const double to = view->XOf(40.0);
        QTest::mousePress(view, Qt::LeftButton, {}, ViewPoint(view, from));
        for (int step = 1; step <= 4; ++step) {
            MoveHeld(view, ViewPoint(view, from + (to - from) * step / 4));
        }
        QTest::mouseRelease(view, Qt::LeftButton, {}, ViewPoint(view, to));
        const std::int64_t dropped = w.dlg.Session().Markers().At(1)->frame;
        QVERIFY2(std::abs(dropped - 40 * 44100) < 44100 / 5, qPrintable(QString::number(dropped)));
        QVERIFY(w.dlg.Session().IsModified());
        // One undo puts it back where M placed it; a second removes it.
        w.dlg.Command(ids::kCmdUndo)->trigger();
        QCOMPARE(w.dlg.Session().Markers().At(1)->frame, std::int64_t{30 * 44100});
        w.dlg.Command(ids::kCmdUndo)->trigger();
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{1});

        // A drag whose release went elsewhere (a dialog opened) ends at the next move without
        // the button: one step, and the marker no longer follows the pointer.
        QTest::keyClick(&w.dlg, Qt::Key_M);
        QTest::mousePress(view, Qt::LeftButton, {}, ViewPoint(view, from));
        MoveHeld(view, ViewPoint(view, to));
        MoveHeld(view, ViewPoint(view, from), Qt::NoButton); // the button is up
        const std::int64_t left = w.dlg.Session().Markers().At(1)->frame;
        MoveHeld(view, ViewPoint(view, (from + to) / 2));
        QCOMPARE(w.dlg.Session().Markers().At(1)->frame, left);
        w.dlg.Command(ids::kCmdUndo)->trigger();
        QCOMPARE(w.dlg.Session().Markers().At(1)->frame, std::int64_t{30 * 44100});
        w.dlg.Command(ids::kCmdUndo)->trigger();
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{1});

        // A press on a marker that does not move is an ordinary click: no edit.
        QTest::keyClick(&w.dlg, Qt::Key_M);
        const std::size_t steps = w.dlg.Session().CanUndo() ? 1 : 0;
        QTest::mouseClick(view, Qt::LeftButton, {}, ViewPoint(view, view->XOf(30.0)));
        QCOMPARE(w.dlg.Session().Markers().At(1)->frame, std::int64_t{30 * 44100});
        w.dlg.Command(ids::kCmdUndo)->trigger();
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{steps});
    }

    void keysMoveThePositionWhicheverControlHasTheFocus() {
        Window w;
        QVERIFY(LoadedAndSummarised(w, 60.0));
        // Markers at 10 s and 40 s, added out of order.
        w.dlg.Session().AddAtFrame(40 * 44100);
        w.dlg.Session().AddAtFrame(10 * 44100);
        for (QWidget* focus :
             {static_cast<QWidget*>(Slider(w.dlg)), static_cast<QWidget*>(MarkerBox(w.dlg)),
              static_cast<QWidget*>(Button(w.dlg, ids::kAddMarker))}) {
            focus->setFocus();
            const QString where = focus->objectName();
            QTest::keyClick(&w.dlg, Qt::Key_Home);
            QCOMPARE(w.dlg.Session().Position(), 0.0);
            QTest::keyClick(&w.dlg, Qt::Key_Right);                                       // 1 s
            QTest::keyClick(&w.dlg, Qt::Key_Right, Qt::ControlModifier);                  // 100 ms
            QTest::keyClick(&w.dlg, Qt::Key_Right, Qt::ShiftModifier);                    // 10 s
            QTest::keyClick(&w.dlg, Qt::Key_Left, Qt::ControlModifier | Qt::AltModifier); // -10 ms
            QVERIFY2(std::abs(w.dlg.Session().Position() - 11.09) < 1e-9, qPrintable(where));
            QCOMPARE(Label(w.dlg, ids::kPosition)->text(), QStringLiteral("0:00:11.090"));
            // ] steps to the next marker in time (40 s), [ back to 10 s; each previews.
            QTest::keyClick(&w.dlg, Qt::Key_BracketRight);
            QCOMPARE(w.dlg.Session().Selected(), std::size_t{1});
            QCOMPARE(w.dlg.Session().Position(), 40.0);
            QVERIFY(w.dlg.IsPlayingRange());
            QTest::keyClick(&w.dlg, Qt::Key_PageUp);
            QCOMPARE(w.dlg.Session().Selected(), std::size_t{2});
            QCOMPARE(w.dlg.Session().Position(), 10.0);
            // A preview shows its boundary with about a minute around it.
            QVERIFY(std::abs(w.dlg.Session().ZoomSpan() - 60.0) < 1e-9);
            // Space pauses the preview; the position stays at the marker.
            QTest::keyClick(&w.dlg, Qt::Key_Space);
            QVERIFY(!w.dlg.Session().IsPlaying());
            QCOMPARE(w.dlg.Session().Position(), 10.0);
            QTest::keyClick(&w.dlg, Qt::Key_End);
            QCOMPARE(w.dlg.Session().Position(), w.dlg.Session().Duration());
        }
        // Delete removes the selected marker; + and - zoom.
        QTest::keyClick(&w.dlg, Qt::Key_Delete);
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{2});
        QTest::keyClick(&w.dlg, Qt::Key_Plus);
        QVERIFY(std::abs(w.dlg.Session().ZoomSpan() - 30.0) < 1e-9);
        QTest::keyClick(&w.dlg, Qt::Key_Minus);
        QVERIFY(std::abs(w.dlg.Session().ZoomSpan() - 60.0) < 1e-9);
        // Help > Keyboard Shortcuts lists the keys with their commands.
        w.dlg.Command(ids::kCmdShortcuts)->trigger();
        QCOMPARE(w.prompt.messages.size(), 1);
        const QString list = w.prompt.messages[0].text;
        for (const char* line :
             {"Space\tPlay / Pause", "M\tAdd Marker at Position", "Del", "Ctrl+G\tJump to time...",
              "P\tPreview Marker", "Z\tZoom to 1 Minute", ".\tLater 1 s"}) {
            QVERIFY2(list.contains(QString::fromLatin1(line)), line);
        }
    }

    void theEndOfAnyMixIsShownWithoutAWarning() {
        // Lengths whose duration rounds up as a float: a window held to end exactly at the
        // duration is still inside the mix.
        for (const int frames : {1234567, 1234569, 1234571, 441001}) {
            Window w;
            QVERIFY(w.Load(frames / 44100.0 + 0.1 / 44100.0));
            QCOMPARE(w.dlg.Session().Frames(), std::int64_t{frames});
            w.dlg.Command(ids::kCmdEnd)->trigger();
            w.dlg.Command(ids::kCmdZoomIn)->trigger();
            w.dlg.Command(ids::kCmdZoomDefault)->trigger();
            QVERIFY2(w.prompt.messages.isEmpty(), qPrintable(QString::number(frames)));
            QVERIFY(w.dlg.WaveView()->m_bMapped);
            QCOMPARE(w.dlg.Session().View().to, w.dlg.Session().Duration());
        }
    }

    void theViewFollowsPlaybackWithoutStoppingIt() {
        Window w;
        QVERIFY(LoadedAndSummarised(w, 20.0));
        // A quarter-second window: the null device plays in real time, so it is left soon.
        w.dlg.Command(ids::kCmdZoomFit)->trigger();
        for (int i = 0; i < 6; ++i) {
            w.dlg.Command(ids::kCmdZoomIn)->trigger();
        }
        w.dlg.Command(ids::kCmdHome)->trigger();
        const sundrel::TimeWindow start = w.dlg.Session().View();
        QCOMPARE(start.from, 0.0);
        Button(w.dlg, ids::kPlay)->click();
        QVERIFY(
            QTest::qWaitFor([&] { return w.dlg.Session().View().from > start.to - 1e-9; }, 5000));
        QVERIFY(w.dlg.Session().IsPlaying());
        // Paged, not scrolled: the window starts at the play head when it moved.
        const sundrel::TimeWindow paged = w.dlg.Session().View();
        QVERIFY(std::abs((paged.to - paged.from) - (start.to - start.from)) < 1e-9);
        QVERIFY(w.dlg.Session().Position() >= paged.from - 0.2);
        Button(w.dlg, ids::kStop)->click();
        // Stopped, the play head is gone and the overview's line shows the position again.
        QVERIFY(!w.dlg.Session().IsPlaying());
        QCOMPARE(w.dlg.Session().Position(), 0.0);
    }

    void resizingGivesTheRoomToTheViews() {
        Window w;
        QVERIFY(LoadedAndSummarised(w, 10.0));
        const QSize minimum = w.dlg.minimumSize();
        QCOMPARE(w.dlg.size(), minimum);
        const QRect view = w.dlg.ViewFrameRect();
        const QRect overview = w.dlg.Overview()->geometry();
        const QPoint split = Button(w.dlg, ids::kSplit)->pos();
        const QPoint play = Button(w.dlg, ids::kPlay)->pos();
        auto* transport = w.dlg.findChild<QGroupBox*>(QStringLiteral("grpPlay"));
        const int transportWidth = transport->width();
        const int sliderWidth = Slider(w.dlg)->width();
        w.dlg.resize(minimum + QSize(300, 200));
        QCOMPARE(w.dlg.ViewFrameRect().width(), view.width() + 300);
        QCOMPARE(w.dlg.Overview()->width(), overview.width() + 300);
        QVERIFY(w.dlg.ViewFrameRect().height() > view.height() + 100);
        QVERIFY(w.dlg.Overview()->height() > overview.height());
        QCOMPARE(w.dlg.WaveView()->geometry(), w.dlg.ViewFrameRect());
        // The controls below keep to the bottom; those on the right to the right edge.
        QCOMPARE(Button(w.dlg, ids::kSplit)->pos(),
                 split + QPoint(300, w.dlg.ViewFrameRect().height() - view.height()));
        QCOMPARE(Button(w.dlg, ids::kPlay)->pos().x(), play.x());
        // The transport's frame and its slider stretch, still holding the position label.
        QCOMPARE(transport->width(), transportWidth + 300);
        QCOMPARE(Slider(w.dlg)->width(), sliderWidth + 300);
        QVERIFY(transport->geometry().contains(Label(w.dlg, ids::kPosition)->geometry()));
        // The view draws its window at the new size.
        QVERIFY(w.dlg.WaveView()->WaitRendered(5000));
        QCOMPARE(w.dlg.WaveView()->CachedImage().width(), w.dlg.WaveView()->ClientRect().width());
        w.dlg.resize(minimum - QSize(100, 100)); // no smaller than the classic layout
        QCOMPARE(w.dlg.size(), minimum);
    }
};

QTEST_MAIN(ZoomKeysTest)
#include "ZoomKeysTest.moc"
