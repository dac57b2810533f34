// The main window as a user meets it: its state at start, the menu rules, loading mixes good,
// bad and short; the marker commands (Add Marker with its limits and questions, selecting
// entries of the marker list, "ANP"; the list's limit: MarkerTest) and what keeps the user's
// work: the title's unsaved mark, the save question on every way out, Remove/Rename with undo
// and redo, Enter away from Split, the questions before a split replaces or leaves track
// files, and keep-or-fresh on loading another mix.

#include "core/audio/WaveFile.h"
#include "core/project/ProjectFile.h"
#include "gui/app/BitmapButton.h"
#include "gui/view/WaveViewCtrl.h"
#include "support/Window.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

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

enum class WayOut { Escape, Close, Exit };

void Leave(CSundrelDlg& dlg, WayOut way) {
    switch (way) {
    case WayOut::Escape:
        QTest::keyClick(&dlg, Qt::Key_Escape);
        break;
    case WayOut::Close:
        dlg.close();
        break;
    case WayOut::Exit:
        dlg.Command(ids::kCmdExit)->trigger();
        break;
    }
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void startsEmptyAndTheMenusFollowTheLoadedMix() {
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

        // The menus follow the loaded mix and Auto Jump.
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

    void loadingAMixOrAFileThatIsNone() {
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

        // A file that cannot be loaded changes nothing.
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

        // Markers and the position carry over to the next mix.
        AddMarkerAt(dlg, 15.0f);          // 25 %
        dlg.Session().SetPosition(90.0f); // beyond the next mix: the slider stays at its end
        QVERIFY(dlg.LoadWaveFile(w.Mix(30.0, {}, "second.wav")));
        QCOMPARE(Percents(dlg), (std::vector<float>{0.0f, 25.0f}));
        QCOMPARE(Slider(dlg)->value(), 1000);
        QCOMPARE(Label(dlg, ids::kDuration)->text(), QStringLiteral("0:00:30.000"));
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

    void addMarkerKeepsASecondFromEitherEnd() {
        Window w;
        QVERIFY(w.Load(100.0, kSmall));
        for (const auto& [at, text] : {std::pair{0.5f, "You can't set Marker at the begin point"},
                                       std::pair{99.5f, "You can't set Marker at the end point"}}) {
            w.AddAt(at);
            QCOMPARE(w.prompt.messages.size(), 1);
            QCOMPARE(w.prompt.LastText(), QString::fromLatin1(text));
            QCOMPARE(w.prompt.messages[0].caption, QStringLiteral("Error"));
            w.prompt.messages.clear();
            QCOMPARE(MarkerBox(w.dlg)->count(), 1);
        }
        QCOMPARE(Percents(w.dlg), std::vector<float>{0.0f});

        // Exactly one second from either end is accepted.
        w.AddAt(1.0f);
        QCOMPARE(w.prompt.messages.size(), 2);
        QCOMPARE(w.prompt.messages[0].text, QStringLiteral("Do you really want to add Marker"));
        QCOMPARE(w.prompt.messages[0].caption, QStringLiteral("Change Marker"));
        QCOMPARE(w.prompt.messages[0].buttons, ScriptedPrompt::Buttons::YesNo);
        QCOMPARE(w.prompt.LastText(), QStringLiteral("Added Marker successfully"));
        w.AddAt(99.0f);
        QCOMPARE(Percents(w.dlg), (std::vector<float>{0.0f, 1.0f, 99.0f}));
        QCOMPARE(Entries(MarkerBox(w.dlg)), (QStringList{"List Marker..", "Marker 1", "Marker 2"}));
        // The new entry is selected without moving position or view.
        QCOMPARE(MarkerBox(w.dlg)->currentIndex(), 2);
        QCOMPARE(w.dlg.Session().View().from, 0.0f);
        QVERIFY(Button(w.dlg, ids::kSplit)->isEnabled());
        QVERIFY(Button(w.dlg, ids::kAnp)->isEnabled());
    }

    void noAnswersChangeNothingAndAnpMovesTheSelectedMarker() {
        Window w;
        QVERIFY(w.Load(120.0, kSmall));
        w.AddAt(60.0f);
        w.prompt.messages.clear();
        w.prompt.answers.enqueue(ScriptedPrompt::Answer::No);
        w.AddAt(30.0f);
        w.prompt.answers.enqueue(ScriptedPrompt::Answer::No);
        Button(w.dlg, ids::kAnp)->click();
        QCOMPARE(w.prompt.messages.size(), 2); // the two questions, no success message
        QCOMPARE(w.prompt.LastText(),
                 QStringLiteral("Do you really want to change the selected Marker"));
        QCOMPARE(Percents(w.dlg), (std::vector<float>{0.0f, 50.0f}));

        Button(w.dlg, ids::kAnp)->click(); // Yes moves it, keeping its place and its label
        QCOMPARE(w.prompt.LastText(), QStringLiteral("Changed position of Marker successfully"));
        QCOMPARE(Percents(w.dlg), (std::vector<float>{0.0f, 25.0f}));
        QCOMPARE(Entries(MarkerBox(w.dlg)), (QStringList{"List Marker..", "Marker 1"}));
    }

    void selectingEntriesMovesPositionAndWindow() {
        Window w;
        CSundrelDlg& dlg = w.dlg;
        QVERIFY(w.Load(120.0, kSmall));
        w.AddAt(60.0f);
        w.AddAt(30.0f);
        QCOMPARE(Percents(dlg), (std::vector<float>{0.0f, 50.0f, 25.0f}));
        dlg.Session().SetPosition(7.0f);
        w.prompt.messages.clear();

        w.Choose(1);
        QCOMPARE(w.Where(), QStringLiteral("60 0:01:00.000 500"));
        QCOMPARE(w.View(), QStringLiteral("59 61"));
        QCOMPARE(dlg.WaveView()->m_nFirstSample, std::int64_t{472024}); // 59/120 * 960044
        QVERIFY(w.prompt.messages.isEmpty());

        // The header entry goes back to the start and disables "ANP".
        w.Choose(0);
        QCOMPARE(w.Where(), QStringLiteral("0 0:00:00.000 0"));
        QCOMPARE(w.View(), QStringLiteral("0 2"));
        QVERIFY(!Button(dlg, ids::kAnp)->isEnabled());
        dlg.OnChangeMarker(); // pressed anyway: the start marker stays, nothing is asked
        QCOMPARE(Percents(dlg).front(), 0.0f);
        QVERIFY(w.prompt.messages.isEmpty());

        // Split sorts the markers; the labels stay, so "Marker 1" now selects 25 %.
        Button(dlg, ids::kSplit)->click();
        QCOMPARE(Percents(dlg), (std::vector<float>{0.0f, 25.0f, 50.0f}));
        QCOMPARE(Entries(MarkerBox(dlg)), (QStringList{"List Marker..", "Marker 1", "Marker 2"}));
        w.Choose(1);
        QCOMPARE(w.Where(), QStringLiteral("30 0:00:30.000 250"));
    }

    void everyWayOutAsksToSaveUnsavedMarkers() {
        for (const WayOut way : {WayOut::Escape, WayOut::Close, WayOut::Exit}) {
            // 0 Save (into a file), 1 Discard, 2 Cancel; and nothing to save at all.
            for (int answer = 0; answer <= 3; ++answer) {
                Window w;
                QVERIFY(w.Shown());
                QVERIFY(w.Load(10.0));
                QCOMPARE(w.dlg.windowTitle(), QStringLiteral("mix.wav - Sundrel"));
                if (answer < 3) {
                    w.AddAt(5.0f);
                    QCOMPARE(w.dlg.windowTitle(), QStringLiteral("mix.wav* - Sundrel"));
                    w.prompt.choices.enqueue(answer);
                    w.Pick(w.dir / "kept.sdr");
                }
                Leave(w.dlg, way);
                const QString what = QStringLiteral("way %1 answer %2").arg(int(way)).arg(answer);
                QCOMPARE(w.prompt.questions.size(), answer < 3 ? 1 : 0);
                if (answer < 3) {
                    QCOMPARE(w.prompt.questions[0].text,
                             QStringLiteral("Save changes to the markers?"));
                }
                QVERIFY2(w.dlg.isVisible() == (answer == 2), qPrintable(what));
                // No way out splits; only Exit closes as accepted.
                QVERIFY(!std::filesystem::exists(w.dir / "track01.wav"));
                if (answer != 2) {
                    QCOMPARE(w.dlg.result(),
                             way == WayOut::Exit ? int(QDialog::Accepted) : int(QDialog::Rejected));
                }
                QVERIFY2(std::filesystem::exists(w.dir / "kept.sdr") == (answer == 0),
                         qPrintable(what));
                if (answer == 0) {
                    const sundrel::ProjectFile saved = sundrel::ReadProject(w.dir / "kept.sdr");
                    QCOMPARE(saved.markers.size(), std::size_t{2});
                    QVERIFY(!w.dlg.Session().IsModified());
                }
                if (answer == 2) {
                    QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{2}); // kept
                }
            }
        }
        // Save As names the project; Ctrl+S then saves into it without asking.
        {
            Window w;
            QVERIFY(w.Shown());
            QVERIFY(w.Load(10.0));
            w.AddAt(5.0f);
            w.RunWith(ids::kCmdSaveAs, w.dir / "set.sdr");
            QCOMPARE(w.dlg.windowTitle(), QStringLiteral("set.sdr - Sundrel"));
            w.AddAt(7.5f);
            QCOMPARE(w.dlg.windowTitle(), QStringLiteral("set.sdr* - Sundrel"));
            QTest::keyClick(&w.dlg, Qt::Key_S, Qt::ControlModifier);
            QCOMPARE(w.prompt.filters.size(), 1); // no second file dialog
            QCOMPARE(sundrel::ReadProject(w.dir / "set.sdr").markers.size(), std::size_t{3});
            QCOMPARE(w.dlg.windowTitle(), QStringLiteral("set.sdr - Sundrel"));
        }
        // A save that is cancelled keeps the window open.
        Window w;
        QVERIFY(w.Shown());
        QVERIFY(w.Load(10.0));
        w.AddAt(5.0f);
        w.prompt.choices.enqueue(0); // Save, then no file chosen
        w.dlg.Command(ids::kCmdExit)->trigger();
        QVERIFY(w.dlg.isVisible());
    }

    void removeRenameUndoAndRedo() {
        Window w;
        QVERIFY(w.Shown());
        QVERIFY(w.Load(10.0));
        w.AddAt(2.5f);
        w.AddAt(5.0f);
        QAbstractButton* remove = Button(w.dlg, ids::kRemoveMarker);
        QVERIFY(remove->isEnabled()); // the new marker is selected
        w.Choose(1);

        // Delete removes the selected marker whichever control has the focus.
        Slider(w.dlg)->setFocus();
        QTest::keyClick(Slider(w.dlg), Qt::Key_Delete);
        QCOMPARE(Entries(MarkerBox(w.dlg)), (QStringList{"List Marker..", "Marker 2"}));
        QCOMPARE(Percents(w.dlg), (std::vector<float>{0.0f, 50.0f}));
        QCOMPARE(MarkerBox(w.dlg)->currentIndex(), 0); // the entry before it
        QVERIFY(!remove->isEnabled());                 // the start marker stays

        QTest::keyClick(&w.dlg, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Entries(MarkerBox(w.dlg)), (QStringList{"List Marker..", "Marker 1", "Marker 2"}));
        QCOMPARE(Percents(w.dlg), (std::vector<float>{0.0f, 25.0f, 50.0f}));
        QCOMPARE(MarkerBox(w.dlg)->currentIndex(), 1);
        QVERIFY(Button(w.dlg, ids::kAnp)->isEnabled()); // the restored marker is selected
        QVERIFY(remove->isEnabled());
        QTest::keyClick(&w.dlg, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Percents(w.dlg), (std::vector<float>{0.0f, 50.0f}));
        QTest::keyClick(&w.dlg, Qt::Key_Y, Qt::ControlModifier); // nothing left to redo
        QCOMPARE(Percents(w.dlg), (std::vector<float>{0.0f, 50.0f}));

        // The button does the same; a new marker gets a new number.
        w.Choose(1);
        remove->click();
        QCOMPARE(Entries(MarkerBox(w.dlg)), QStringList{"List Marker.."});
        w.AddAt(7.5f);
        QCOMPARE(Entries(MarkerBox(w.dlg)), (QStringList{"List Marker..", "Marker 3"}));

        // Rename: a cancelled form changes nothing; a filled one is one undo step.
        w.dlg.Command(ids::kCmdRenameMarker)->trigger();
        QCOMPARE(w.prompt.editedValues.size(), 1);
        w.prompt.texts.enqueue({QStringLiteral(" Strobe "), QStringLiteral("deadmau5")});
        w.dlg.Command(ids::kCmdRenameMarker)->trigger();
        const sundrel::Marker* renamed = w.dlg.Session().Markers().At(1);
        QCOMPARE(renamed->title, std::string("Strobe"));
        QCOMPARE(renamed->artist, std::string("deadmau5"));
        w.dlg.Command(ids::kCmdUndo)->trigger();
        QVERIFY(w.dlg.Session().Markers().At(1)->title.empty());
    }

    void enterSplitsOnlyFromTheSplitButton() {
        Window w;
        QVERIFY(w.Shown());
        QVERIFY(w.Load(10.0));
        w.AddAt(5.0f);
        Slider(w.dlg)->setFocus();
        QTest::keyClick(Slider(w.dlg), Qt::Key_Return);
        QTest::keyClick(MarkerBox(w.dlg), Qt::Key_Enter);
        QVERIFY(w.prompt.offeredFolders.isEmpty());
        QVERIFY(!std::filesystem::exists(w.dir / "track01.wav"));

        Button(w.dlg, ids::kSplit)->setFocus();
        QTest::keyClick(Button(w.dlg, ids::kSplit), Qt::Key_Return);
        QCOMPARE(w.prompt.offeredFolders.size(), 1);
        QVERIFY(std::filesystem::exists(w.dir / "track02.wav"));
    }

    void splitAsksBeforeReplacingAndReportsLeftoverTracks() {
        Window w;
        QVERIFY(w.Load(10.0));
        w.AddAt(5.0f);
        const auto out = w.dir / "out";
        std::filesystem::create_directory(out);
        // The four tracks of an earlier split: the folder's record knows them.
        const float quarters[] = {0, 25, 50, 75, 100};
        CWaveFile(w.dlg.Session().WavePath()).Split(quarters, 5, out);
        const auto oldSize = std::filesystem::file_size(out / "track01.wav");
        const QString folder = QString::fromStdString(out.string());

        // Cancelling the replace question writes nothing.
        w.prompt.folders.enqueue(folder);
        w.prompt.choices.enqueue(1);
        Button(w.dlg, ids::kSplit)->click();
        QCOMPARE(w.prompt.questions.size(), 1);
        QVERIFY(w.prompt.questions[0].text.startsWith(QStringLiteral("2 track files in")));
        QCOMPARE(std::filesystem::file_size(out / "track01.wav"), oldSize);

        // Replace, then keep the leftovers; then again, removing them.
        for (const int leftover : {1, 0}) {
            w.prompt.questions.clear();
            w.prompt.folders.enqueue(folder);
            w.prompt.choices.enqueue(0);
            w.prompt.choices.enqueue(leftover);
            Button(w.dlg, ids::kSplit)->click();
            QCOMPARE(w.prompt.questions.size(), 2);
            QVERIFY(w.prompt.questions[1].text.startsWith(QStringLiteral("Wrote 2 tracks")));
            QVERIFY(w.prompt.questions[1].text.contains(
                QStringLiteral("2 track files of an earlier split remain there (track03.wav, "
                               "track04.wav)")));
            QVERIFY(std::filesystem::file_size(out / "track01.wav") > oldSize);
            QCOMPARE(std::filesystem::exists(out / "track03.wav"), leftover == 1);
            QCOMPARE(std::filesystem::exists(out / "track04.wav"), leftover == 1);
        }
        // A cancelled folder choice does nothing at all.
        w.prompt.questions.clear();
        w.prompt.folders.enqueue(std::nullopt);
        Button(w.dlg, ids::kSplit)->click();
        QVERIFY(w.prompt.questions.isEmpty());
    }

    void loadingAnotherMixAsksAboutTheMarkers() {
        Window w;
        QVERIFY(w.Load(10.0));
        w.AddAt(5.0f);
        const auto second = w.Mix(20.0, {}, "second.wav");
        const auto third = w.Mix(30.0, {}, "third.wav");

        w.prompt.choices.enqueue(2); // Cancel: the first mix and its marker stay
        QVERIFY(!w.dlg.LoadWaveFile(second));
        QCOMPARE(w.dlg.Session().WavePath().filename(), std::filesystem::path("mix.wav"));
        QVERIFY(w.prompt.questions[0].text.contains(QStringLiteral("holds 1 marker.")));

        w.prompt.choices.enqueue(0); // Keep: the markers move with the mix, still unsaved
        QVERIFY(w.dlg.LoadWaveFile(second));
        QCOMPARE(Percents(w.dlg), (std::vector<float>{0.0f, 50.0f}));
        QCOMPARE(w.dlg.windowTitle(), QStringLiteral("second.wav* - Sundrel"));

        w.prompt.choices.enqueue(1); // Start fresh, then discard the unsaved marker
        w.prompt.choices.enqueue(1);
        QVERIFY(w.dlg.LoadWaveFile(third));
        QCOMPARE(Percents(w.dlg), std::vector<float>{0.0f});
        QCOMPARE(Entries(MarkerBox(w.dlg)), QStringList{"List Marker.."});
        QCOMPARE(w.dlg.windowTitle(), QStringLiteral("third.wav - Sundrel"));
        QVERIFY(!Button(w.dlg, ids::kAnp)->isEnabled());

        // With nothing but the start marker there is nothing to ask.
        w.prompt.questions.clear();
        QVERIFY(w.dlg.LoadWaveFile(second));
        QVERIFY(w.prompt.questions.isEmpty());

        // A marker added and removed again is still unsaved work: only the save question.
        w.AddAt(5.0f);
        w.dlg.Session().Remove(1);
        w.prompt.choices.enqueue(2); // Cancel
        QVERIFY(!w.dlg.LoadWaveFile(third));
        QCOMPARE(w.prompt.questions.size(), 1);
        QCOMPARE(w.prompt.questions[0].text, QStringLiteral("Save changes to the markers?"));
        QCOMPARE(w.dlg.Session().WavePath().filename(), std::filesystem::path("second.wav"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
