// The main window as a user meets it: its state at start, the menu rules, ending the
// program, the manual, and loading mixes good, bad and short.

#include "gui/app/BitmapButton.h"
#include "gui/view/WaveViewCtrl.h"
#include "support/Window.h"

#include <QAction>
#include <QScrollBar>

namespace ids = sundrel::gui::ids;
using sundrel::test::ScriptedPrompt;
using sundrel::test::Window;

using namespace sundrel::test;

namespace {
// Every control with an id, in template order.
const std::initializer_list<int> kAll = {
    ids::kSplit,    ids::kSlider,    ids::kPlay,      ids::kAddMarker, ids::kZeroLabel,
    ids::kDuration, ids::kPosition,  ids::kStop,      ids::kPause,     ids::kSplitStatus,
    ids::kMarkers,  ids::kViewFrame, ids::kScrollBar, ids::kAnp};
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void startsEmpty() {
        Window w;
        CSundrelDlg& dlg = w.dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Sundrel"));
        QCOMPARE(dlg.size(), dlg.minimumSize()); // opens at its smallest, resizable
        QVERIFY(dlg.maximumSize().width() > dlg.minimumSize().width());
        QCOMPARE(dlg.ClientArea()->size(), QSize(dlg.Units().X(469), dlg.Units().Y(297)));
        QCOMPARE(dlg.WaveView()->geometry(), dlg.ViewFrameRect());
        QCOMPARE(w.Enabled(kAll), QStringLiteral("00001110010110"));
        QCOMPARE(Button(dlg, ids::kSplit)->nextInFocusChain(), static_cast<QWidget*>(Slider(dlg)));
        QCOMPARE(MarkerBox(dlg)->currentText(), QStringLiteral("List Marker.."));
        QCOMPARE(ScrollBar(dlg)->value(), 10);
        QVERIFY(Timer(dlg)->isActive());
        QCOMPARE(Percents(dlg), std::vector<float>{0.0f});
    }

    void menuStatesFollowTheLoadedMixAndAutoJump() {
        Window w;
        QAction* saveAs = w.dlg.Command(ids::kCmdSaveAs);
        QAction* jumpTo = w.dlg.Command(ids::kCmdJumpToTime);
        QAction* autoJump = w.dlg.Command(ids::kCmdAutoJump);
        for (QMenu* menu :
             {Menu(w.dlg, "menuFile"), Menu(w.dlg, "menuTool"), Menu(w.dlg, "menuJump")}) {
            sundrel::test::OpenMenu(menu);
        }
        QVERIFY(!saveAs->isEnabled());
        QVERIFY(!jumpTo->isEnabled());
        QVERIFY(autoJump->isChecked());
        for (int id : {ids::kCmdOpen, ids::kCmdLoadWave, ids::kCmdExit, ids::kCmdManual,
                       ids::kCmdAbout, ids::kCmdAutoJump}) {
            QVERIFY(w.dlg.Command(id)->isEnabled());
        }

        QVERIFY(w.Load(3.0));
        QVERIFY(!saveAs->isEnabled()); // the rules run when a drop-down opens, not before
        sundrel::test::OpenMenu(Menu(w.dlg, "menuFile"));
        sundrel::test::OpenMenu(Menu(w.dlg, "menuJump"));
        QVERIFY(saveAs->isEnabled());
        QVERIFY(jumpTo->isEnabled());

        autoJump->trigger();
        QVERIFY(!w.dlg.Session().AutoJump());
        sundrel::test::OpenMenu(Menu(w.dlg, "menuJump"));
        QVERIFY(!autoJump->isChecked());
        autoJump->trigger();
        QVERIFY(w.dlg.Session().AutoJump());
    }

    void manualOpensTheInstalledOrBuiltCopy() {
        Window w;
        // A manual in the current folder (the mix's) is no longer looked for.
        std::filesystem::current_path(w.dir.Path());
        fixture::WriteFile(w.dir / "Manual.txt", {});
        w.dlg.Command(ids::kCmdManual)->trigger();
        QCOMPARE(w.prompt.urls.size(), 1);
        const QString opened = w.prompt.urls[0].toLocalFile();
        QVERIFY(opened == QFileInfo(QStringLiteral(SUNDREL_MANUAL_INSTALLED)).canonicalFilePath() ||
                opened == QFileInfo(QStringLiteral(SUNDREL_MANUAL_BUILT)).canonicalFilePath());
        QVERIFY(opened.endsWith(QStringLiteral("/manual.md")));
        QVERIFY(w.dlg.findChildren<QDialog*>(QStringLiteral("manualWindow")).isEmpty());
    }

    void loadingAMix() {
        Window w;
        CSundrelDlg& dlg = w.dlg;
        const auto mix = w.Mix(60.0);
        dlg.Command(ids::kCmdLoadWave)->trigger(); // cancelled: nothing changes
        QCOMPARE(w.prompt.filters, QList<QString>{QStringLiteral("Windows PCM (*.wav)")});
        QVERIFY(!dlg.Session().IsLoaded());

        w.RunWith(ids::kCmdLoadWave, mix);
        QVERIFY(w.prompt.messages.isEmpty());
        QCOMPARE(dlg.Session().WavePath(), mix);
        QCOMPARE(Label(dlg, ids::kDuration)->text(), QStringLiteral("0:01:00.000"));
        QCOMPARE(Label(dlg, ids::kPosition)->text(), QStringLiteral("0:00:00.000"));
        QCOMPARE(w.Enabled(kAll), QStringLiteral("01111110011110"));
        // Tracks are written beside the mix: its folder is now the current one.
        QCOMPARE(std::filesystem::current_path(), std::filesystem::canonical(w.dir.Path()));
        // The first two seconds, as element indices of the 16-bit stereo data.
        QCOMPARE(dlg.Session().View().to, 2.0f);
        QCOMPARE(dlg.WaveView()->m_nFirstSample, std::int64_t{0});
        QCOMPARE(dlg.WaveView()->m_nLastSample, std::int64_t{176402});
        QVERIFY(!dlg.WaveView()->IsCursorLineShown()); // no line before a position is chosen

        // Markers and the position carry over to the next mix.
        AddMarkerAt(dlg, 15.0f);          // 25 %
        dlg.Session().SetPosition(90.0f); // beyond the next mix: the slider stays at its end
        QVERIFY(dlg.LoadWaveFile(w.Mix(30.0, {}, "second.wav")));
        QCOMPARE(Percents(dlg), (std::vector<float>{0.0f, 25.0f}));
        QCOMPARE(Slider(dlg)->value(), 1000);
        QCOMPARE(Label(dlg, ids::kDuration)->text(), QStringLiteral("0:00:30.000"));
    }

    void aRefusedFileChangesNothing() {
        Window w;
        QVERIFY(w.Load(3.0));
        const auto file = w.dlg.Session().Wave();
        CWaveViewCtrl* view = w.dlg.WaveView();
        std::filesystem::create_directory(w.dir / "elsewhere");
        const auto bad = w.dir / "elsewhere" / "bad.wav";
        fixture::WriteFile(bad, fixture::Bytes(100, std::byte{'x'}));

        for (const auto& path : {bad, w.dir / "missing.wav"}) {
            w.RunWith(ids::kCmdLoadWave, path);
            QCOMPARE(w.prompt.messages.size(), 1);
            QVERIFY(w.prompt.LastText().contains(QString::fromStdString(path.string())));
            QCOMPARE(w.prompt.messages[0].icon, ScriptedPrompt::Icon::Stop);
            w.prompt.messages.clear();
            QCOMPARE(w.dlg.Session().Wave(), file);
            QCOMPARE(w.dlg.WaveView(), view);
            QVERIFY(view->m_bMapped);
            QCOMPARE(std::filesystem::current_path(), std::filesystem::canonical(w.dir.Path()));
        }
    }

    void aMixShorterThanTwoSecondsWarns() {
        Window w;
        w.dlg.show();
        QVERIFY(w.Load(1.5));
        QCOMPARE(w.prompt.messages.size(), 1);
        QCOMPARE(w.prompt.LastText(),
                 QStringLiteral("The period of time view chosen is not valid"));
        QCOMPARE(w.prompt.messages[0].caption, QStringLiteral("Warning"));
        QVERIFY(!w.dlg.WaveView()->m_bMapped); // blank
        QVERIFY(w.dlg.Session().IsLoaded());
        QCOMPARE(w.Enabled({ids::kPlay, ids::kSlider}), QStringLiteral("11"));
        QCOMPARE(Label(w.dlg, ids::kDuration)->text(), QStringLiteral("0:00:01.500"));
        // A press on the blank view does nothing.
        QTest::mouseClick(w.dlg.WaveView(), Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(w.dlg.Session().Position(), 0.0f);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
