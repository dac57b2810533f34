// The waveform view inside the real window: what it draws into its cached image, and how a
// click, the position slider and the scroll bar move the position and the visible window.

#include "gui/app/ControlIds.h"
#include "gui/app/SundrelDlg.h"
#include "gui/view/WaveViewCtrl.h"
#include "support/ScriptedPrompt.h"
#include "support/WavFixture.h"

#include "core/view/WaveTraces.h"

#include <QLabel>
#include <QScrollBar>
#include <QSlider>
#include <QtTest>

using sundrel::test::ScriptedPrompt;

namespace {

const QColor kGreen(0, 150, 0);

// `seconds` of a constant frame: every element of channel c holds values[c].
std::filesystem::path WriteConstant(const fixture::TempDir& dir, const std::string& name,
                                    double seconds, std::vector<std::int16_t> values) {
    fixture::Format f;
    f.channels = static_cast<std::uint16_t>(values.size());
    fixture::Bytes audio;
    const auto frames = static_cast<std::size_t>(seconds * f.rate);
    for (std::size_t i = 0; i < frames; ++i) {
        for (const std::int16_t v : values) {
            fixture::Put16(audio, static_cast<std::uint16_t>(v));
        }
    }
    const auto path = dir / name;
    fixture::WriteFile(path, fixture::CanonicalWav(f, audio));
    return path;
}

std::filesystem::path WriteSignal(const fixture::TempDir& dir, double seconds) {
    fixture::Format f;
    const auto path = dir / "mix.wav";
    fixture::WriteFile(path,
                       fixture::CanonicalWav(
                           f, fixture::TestSignal(f, static_cast<std::size_t>(seconds * f.rate))));
    return path;
}

void SetWindow(CSundrelDlg& dlg, float from, float to) {
    dlg.m_fViewFrom = from;
    dlg.m_fViewTo = to;
    dlg.ApplyTimeView();
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

} // namespace

class WaveViewTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { m_cwd = std::filesystem::current_path(); }
    void cleanup() { std::filesystem::current_path(m_cwd); }

    void silenceLiesOnTheZeroLines() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(dlg.LoadWaveFile(WriteConstant(dir, "silence.wav", 3.0, {0, 0})));
        CWaveViewCtrl* view = dlg.m_pWaveView;
        QVERIFY(view->WaitRendered(5000));
        const QImage image = view->CachedImage();
        QCOMPARE(image.size(), view->ClientRect().size());
        const int w = image.width();
        const int h = image.height();
        const int quarter = h / 4;
        const int base2 = quarter / 2 + 2 * quarter;
        for (int x : {w / 8, w / 4, 3 * w / 4}) {
            QCOMPARE(image.pixelColor(x, quarter), kGreen);
            QCOMPARE(image.pixelColor(x, base2), kGreen);
            QCOMPARE(image.pixelColor(x, quarter - 3), QColor(Qt::white));
            QCOMPARE(image.pixelColor(x, base2 + 3), QColor(Qt::white));
        }
        // The one-pixel black frame and the black centre column.
        for (int y : {1, h / 3, h - 2}) {
            QCOMPARE(image.pixelColor(0, y), QColor(Qt::black));
            QCOMPARE(image.pixelColor(w - 1, y), QColor(Qt::black));
            QCOMPARE(image.pixelColor(w / 2, y), QColor(Qt::black));
        }
        QCOMPARE(image.pixelColor(w / 3, 0), QColor(Qt::black));
        QCOMPARE(image.pixelColor(w / 3, h - 1), QColor(Qt::black));

        // On screen: the image 25 rows down, the ruler's ticks above it.
        const QImage shown = view->grab().toImage();
        const QPoint origin = view->contentsRect().topLeft();
        QCOMPARE(shown.pixelColor(origin + QPoint(w / 4, 25 + quarter)), kGreen);
        const auto ticks = sundrel::view::RulerTicks(0.0f, 2.0f, w);
        QCOMPARE(shown.pixelColor(origin + QPoint(ticks[1].x, 23)), QColor(0, 51, 0));
        QCOMPARE(shown.pixelColor(origin + QPoint(ticks[5].x, 21)), QColor(0, 51, 0));
        // The cursor line that loading puts at x = 400.
        QVERIFY(view->IsCursorLineShown());
        QCOMPARE(view->m_nCursorX, 400);
    }

    void fullScaleReachesTheQuarterAndEachTraceKeepsItsChannel() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.show();
        // Left at the top of the range, right at the bottom.
        QVERIFY(dlg.LoadWaveFile(WriteConstant(dir, "full.wav", 3.0, {32767, -32768})));
        QVERIFY(dlg.m_pWaveView->WaitRendered(5000));
        const QImage image = dlg.m_pWaveView->CachedImage();
        const int quarter = image.height() / 4;
        const int base2 = quarter / 2 + 2 * quarter;
        for (int x : {image.width() / 8, image.width() / 3}) {
            QCOMPARE(image.pixelColor(x, 0), kGreen);               // quarter - quarter
            QCOMPARE(image.pixelColor(x, base2 + quarter), kGreen); // base2 + quarter
            QCOMPARE(image.pixelColor(x, quarter),
                     QColor(Qt::white)); // no point of the right channel up here
            QCOMPARE(image.pixelColor(x, base2 - quarter), QColor(Qt::white));
        }
    }

    void aMonoMixDrawsOneTrace() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.show();
        QVERIFY(dlg.LoadWaveFile(WriteConstant(dir, "mono.wav", 3.0, {0})));
        QVERIFY(dlg.m_pWaveView->WaitRendered(5000));
        const QImage image = dlg.m_pWaveView->CachedImage();
        const int quarter = image.height() / 4;
        const int base2 = quarter / 2 + 2 * quarter;
        QCOMPARE(image.pixelColor(image.width() / 4, quarter), kGreen);
        for (int x = 1; x < image.width() - 1; ++x) {
            if (x != image.width() / 2) {
                QCOMPARE(image.pixelColor(x, base2), QColor(Qt::white));
            }
        }
    }

    void clickSetsThePositionAndReleaseCentresOnIt() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.show();
        QVERIFY(dlg.LoadWaveFile(WriteSignal(dir, 60.0)));
        SetWindow(dlg, 10.0f, 12.0f);
        CWaveViewCtrl* view = dlg.m_pWaveView;
        const int wf = dlg.ViewFrameRect().width();

        QTest::mousePress(view, Qt::LeftButton, {}, At(view, 318, 100));
        const double expected = 10.0 + 2.0 * 318 / wf + 0.01;
        QVERIFY(std::abs(dlg.m_fPosition - expected) < 1e-4);
        QCOMPARE(view->m_nCursorX, 318);
        QVERIFY(view->IsCursorLineShown());
        QCOMPARE(dlg.m_stPosition->text(),
                 QString::asprintf("0:00:%06.3f", std::trunc(expected * 1000) / 1000));
        QCOMPARE(dlg.m_pWaveView, view); // the press alone keeps the window
        QTest::mouseRelease(view, Qt::LeftButton, {}, At(view, 318, 100));
        QVERIFY(dlg.m_pWaveView != view);
        QCOMPARE(dlg.m_fViewFrom, dlg.m_fPosition - 1.0f);
        QCOMPARE(dlg.m_fViewTo, dlg.m_fPosition + 1.0f);
        QCOMPARE(dlg.m_slider->value(), static_cast<int>(dlg.m_fPosition * 1000 / 60));

        // A press above the band moves the cursor but not the position; its release still
        // re-centres the window on the position.
        view = dlg.m_pWaveView;
        const float position = dlg.m_fPosition;
        QTest::mousePress(view, Qt::LeftButton, {}, At(view, 100, 10));
        QCOMPARE(dlg.m_fPosition, position);
        QCOMPARE(view->m_nCursorX, 100);
        QVERIFY(!view->IsCursorLineShown());
        QTest::mouseRelease(view, Qt::LeftButton, {}, At(view, 100, 10));
        QVERIFY(dlg.m_pWaveView != view);

        // Within the first second the press sets the position and the release leaves the
        // window where it is.
        SetWindow(dlg, 0.0f, 2.0f);
        view = dlg.m_pWaveView;
        QTest::mouseClick(view, Qt::LeftButton, {}, At(view, 20, 100));
        QVERIFY(dlg.m_fPosition < 1.0f);
        QCOMPARE(dlg.m_pWaveView, view);

        // While playing, clicks are the transport's business.
        dlg.m_bPlaying = true;
        const float playing = dlg.m_fPosition;
        QTest::mouseClick(view, Qt::LeftButton, {}, At(view, 300, 100));
        QCOMPARE(dlg.m_fPosition, playing);
        QCOMPARE(dlg.m_pWaveView, view);
    }

    void theSliderAppliesOnlyWhenLetGo() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.show();
        QVERIFY(dlg.LoadWaveFile(WriteSignal(dir, 60.0)));
        CWaveViewCtrl* view = dlg.m_pWaveView;
        QSlider* slider = dlg.m_slider;

        slider->setSliderDown(true);
        slider->setSliderPosition(500); // dragging: TB_THUMBTRACK
        QCOMPARE(dlg.m_fPosition, 30.0f);
        QCOMPARE(dlg.m_stPosition->text(), QStringLiteral("0:00:30.000"));
        QCOMPARE(dlg.m_pWaveView, view);
        slider->setSliderDown(false); // let go
        QVERIFY(dlg.m_pWaveView != view);
        QCOMPARE(dlg.m_fViewFrom, 29.0f);
        QCOMPARE(dlg.m_fViewTo, 31.0f);
        QVERIFY(prompt.messages.isEmpty());

        // A page step applies at once.
        view = dlg.m_pWaveView;
        slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QVERIFY(dlg.m_pWaveView != view);
        QCOMPARE(dlg.m_fPosition, static_cast<float>(60.0 * slider->value() * 0.001f));

        // Within the first second the window is refused: one warning for the gesture.
        slider->setSliderDown(true);
        slider->setSliderPosition(5);
        slider->setSliderDown(false);
        QCOMPARE(prompt.messages.size(), 1);
        QCOMPARE(prompt.LastText(), QStringLiteral("The period of time view chosen is not valid"));
        QVERIFY(!dlg.m_pWaveView->m_bMapped);
    }

    void theScrollBarMovesTheWindowByWholeSeconds() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.show();
        QVERIFY(dlg.LoadWaveFile(WriteSignal(dir, 60.0)));
        QScrollBar* bar = dlg.m_scrollBar;

        SetWindow(dlg, 10.0f, 12.0f);
        ReleaseThumb(bar, 20);
        QCOMPARE(dlg.m_fViewFrom, 12.0f);
        QCOMPARE(dlg.m_fViewTo, 14.0f);
        QCOMPARE(dlg.m_fPosition, 13.0f);
        QCOMPARE(dlg.m_stPosition->text(), QStringLiteral("0:00:13.000"));
        // 12 / 60 * (data + 44) = 2116808.8 bytes, on a multiple of 4, halved.
        QCOMPARE(dlg.m_pWaveView->m_nFirstSample, std::int64_t{1058404});
        QCOMPARE(bar->value(), 10); // the thumb springs back

        SetWindow(dlg, 1.5f, 3.5f);
        ReleaseThumb(bar, 0);
        QCOMPARE(dlg.m_fViewFrom, 0.5f);
        QCOMPARE(dlg.m_fViewTo, 2.5f);

        SetWindow(dlg, 1.0f, 3.0f);
        CWaveViewCtrl* view = dlg.m_pWaveView;
        ReleaseThumb(bar, 0);
        QCOMPARE(dlg.m_fViewFrom, 1.0f);
        QCOMPARE(dlg.m_pWaveView, view);

        // Arrows and page clicks do nothing, and the thumb stays in the middle.
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(dlg.m_fViewFrom, 1.0f);
        QCOMPARE(bar->value(), 10);
        QVERIFY(prompt.messages.isEmpty());

        // While playing only the window values move.
        dlg.m_bPlaying = true;
        ReleaseThumb(bar, 20);
        QCOMPARE(dlg.m_fViewFrom, 3.0f);
        QCOMPARE(dlg.m_pWaveView, view);
    }

    void replacedViewsGoAwayWithoutWaitingForAPaint() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.show();
        QVERIFY(dlg.LoadWaveFile(WriteSignal(dir, 60.0)));
        // Each view starts its rendering and is replaced while it may still run.
        for (int i = 0; i < 40; ++i) {
            dlg.m_pWaveView->StartRender();
            SetWindow(dlg, static_cast<float>(i), static_cast<float>(i + 2));
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(dlg.findChildren<CWaveViewCtrl*>().size(), 1);
        QVERIFY(dlg.m_pWaveView->WaitRendered(5000));
    }

    void aFileTheViewCannotUseLeavesItBlank() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.show();
        const auto path = WriteSignal(dir, 10.0);
        QVERIFY(dlg.LoadWaveFile(path));
        // The mix changes under the program: cut short, then no longer a WAV file.
        std::filesystem::resize_file(path, 44 + 4 * 44100);
        SetWindow(dlg, 4.0f, 6.0f); // past the data now: bounded, drawn as far as it goes
        QVERIFY(dlg.m_pWaveView->m_bMapped);
        QVERIFY(dlg.m_pWaveView->WaitRendered(5000));
        fixture::WriteFile(path, fixture::Bytes(64, std::byte{0}));
        SetWindow(dlg, 2.0f, 4.0f);
        QVERIFY(!dlg.m_pWaveView->m_bMapped);
        QVERIFY(!dlg.m_pWaveView->WaitRendered(50));
        QVERIFY(prompt.messages.isEmpty());
        dlg.m_pWaveView->repaint();
    }

  private:
    std::filesystem::path m_cwd;
};

QTEST_MAIN(WaveViewTest)
#include "WaveViewTest.moc"
