// View > Colours by Frequency and View > Dark: what they start as, what they change in the
// overview, the zoomed view and the classic trace, and that the next start remembers them.

#include "gui/app/AppSettings.h"
#include "gui/view/OverviewCtrl.h"
#include "gui/view/WaveViewCtrl.h"
#include "support/Window.h"

#include <QPalette>
#include <cmath>
#include <numbers>

namespace ids = sundrel::gui::ids;

using namespace sundrel::test;

namespace {

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
    if (!w.Shown() || !w.dlg.LoadWaveFile(BassThenHats(w.dir / "bass-hats.wav", seconds))) {
        return false;
    }
    return QTest::qWaitFor([&] { return !w.dlg.IsSummarising(); }, 10000);
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

class WaveLookTest : public QObject {
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
};

QTEST_MAIN(WaveLookTest)
#include "WaveLookTest.moc"
