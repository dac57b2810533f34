// What keeps the user's work in the main window: the title's unsaved mark, the save question
// on every way out, Remove/Rename with undo and redo, Enter away from Split, the questions
// before a split replaces or leaves track files, and keep-or-fresh on loading another mix.

#include "core/audio/WaveFile.h"
#include "core/project/ProjectFile.h"
#include "support/Window.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace ids = sundrel::gui::ids;
using namespace sundrel::test;

namespace {

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

class SessionWindowTest : public QObject {
    Q_OBJECT
  private slots:
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

QTEST_MAIN(SessionWindowTest)
#include "SessionWindowTest.moc"
