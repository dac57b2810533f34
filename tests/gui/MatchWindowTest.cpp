// File > Match Tracks from Folder or Playlist...: the DJ's files found in the mix through the
// menu, answered by the scripted prompt; the boundaries as named markers in one undo step,
// the plays and the unknown stretch in the overview, the files in the track table; refusals
// and Cancel leave the markers alone.

#include "support/Window.h"

#include "core/match/SynthMusic.h"
#include "gui/view/OverviewCtrl.h"
#include "gui/view/TrackTable.h"

#include <QProgressDialog>
#include <QSettings>
#include <cmath>

namespace ids = sundrel::gui::ids;
using namespace sundrel::test;

namespace {

constexpr std::uint32_t kRate = 8000;

// Runs File > Match Tracks... to its end; false when it did not finish in time.
bool Matched(Window& w) {
    OpenMenu(Menu(w.dlg, "menuFile")); // its update rules enable the command with a mix
    QAction* command = w.dlg.Command(ids::kCmdMatchTracks);
    if (command == nullptr || !command->isEnabled()) {
        return false;
    }
    command->trigger();
    return QTest::qWaitFor([&] { return !w.dlg.IsMatching(); }, 120000) &&
           QTest::qWaitFor(
               [&] {
                   return w.dlg.findChild<QProgressDialog*>(QStringLiteral("matchProgress")) ==
                          nullptr;
               },
               5000);
}

std::vector<std::string> Titles(const Window& w) {
    std::vector<std::string> titles;
    for (const std::size_t i : w.dlg.Session().Markers().TimeOrder()) {
        titles.push_back(w.dlg.Session().Markers().At(i)->title);
    }
    return titles;
}

} // namespace

class MatchWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { QSettings(QStringLiteral("Sundrel"), QStringLiteral("Sundrel")).clear(); }

    // The chooser opens beside the mix the first time, then where the track files were last
    // taken from (a playlist's folder for a playlist), whichever mix is open; a remembered
    // folder that is gone gives way to the mix's again.
    void theChooserOpensWhereTheTrackFilesWere() {
        Window w;
        QVERIFY(w.Shown());
        const std::filesystem::path mixes = w.dir / "mixes";
        std::filesystem::create_directories(mixes);
        std::filesystem::create_directories(w.dir / "library/house");
        std::filesystem::create_directories(w.dir / "lists");
        QVERIFY(w.dlg.LoadWaveFile(WriteMix(mixes / "set.wav", 30.0, kSmall)));
        w.dlg.Session().AddAtFrame(10 * kRate, "typed");
        const auto folder = [](const std::filesystem::path& p) {
            return QString::fromStdString(p.string());
        };
        const auto ask = [&](int kind) {
            w.prompt.choices.enqueue(kind);
            w.prompt.answers.enqueue(sundrel::gui::Prompt::Answer::No); // keep the markers
            OpenMenu(Menu(w.dlg, "menuFile"));
            w.dlg.Command(ids::kCmdMatchTracks)->trigger();
        };

        w.prompt.folders.enqueue(folder(w.dir / "library/house"));
        ask(0);
        QCOMPARE(w.prompt.offeredFolders.last(), folder(mixes));
        QVERIFY(!w.dlg.IsMatching());

        w.Pick(w.dir / "lists/friday.m3u8");
        ask(1);
        QCOMPARE(w.prompt.startFolders.last(), folder(w.dir / "library/house"));

        QVERIFY(w.dlg.LoadWaveFile(WriteMix(w.dir / "other.wav", 30.0, kSmall)));
        w.dlg.Session().AddAtFrame(10 * kRate, "typed");
        w.prompt.folders.enqueue(folder(w.dir / "library/house"));
        ask(0);
        QCOMPARE(w.prompt.offeredFolders.last(), folder(w.dir / "lists"));

        std::filesystem::remove_all(w.dir / "library");
        w.prompt.folders.enqueue(QString());
        ask(0);
        QCOMPARE(w.prompt.offeredFolders.last(), folder(w.dir.Path()));
    }

    void folderNamesTheTracksInTheTableAndTheOverview() {
        Window w;
        QVERIFY(w.Shown());
        const matchtest::PlayedSet set(w.dir.Path(), true); // unknown music from 85 s
        QVERIFY(w.dlg.LoadWaveFile(set.mix));
        w.dlg.Session().AddAtFrame(20 * kRate, "typed");
        QVERIFY(w.dlg.TrackTable()->isColumnHidden(CTrackTable::kFile));

        w.prompt.choices.enqueue(0); // a folder
        w.prompt.folders.enqueue(QString::fromStdString(set.tracks.string()));
        QVERIFY(Matched(w));
        // The replace question came first (answered Yes), then no message: every file could
        // be read.
        QCOMPARE(w.prompt.messages.size(), 1);
        QVERIFY(w.prompt.messages[0].text.contains(QStringLiteral("replace the 1 marker")));

        // Alpha from the start, Bravo from the cut at 40 s, an unnamed track where no file
        // plays (where the cuts lie, and the one undo step: the match and session tests).
        QCOMPARE(Titles(w), (std::vector<std::string>{"Alpha", "Bravo", ""}));
        // The classic list keeps its numbered entries; the table and the overview name them.
        QCOMPARE(Entries(MarkerBox(w.dlg)),
                 (QStringList{QStringLiteral("List Marker--"), QStringLiteral("Marker 1"),
                              QStringLiteral("Marker 2")}));
        QCOMPARE(Cell(w.dlg, 1, CTrackTable::kTitle), QStringLiteral("Bravo"));
        QVERIFY(!w.dlg.TrackTable()->isColumnHidden(CTrackTable::kFile));
        QCOMPARE(Cell(w.dlg, 0, CTrackTable::kFile), QStringLiteral("Alpha.wav"));
        QCOMPARE(Cell(w.dlg, 1, CTrackTable::kFile), QStringLiteral("Bravo.wav"));
        QCOMPARE(Cell(w.dlg, 2, CTrackTable::kFile), QStringLiteral("unknown"));
        QVERIFY(w.dlg.TrackTable()
                    ->item(1, CTrackTable::kFile)
                    ->toolTip()
                    .endsWith(QStringLiteral("more/Bravo.wav")));
        const COverviewCtrl* overview = w.dlg.Overview();
        QCOMPARE(overview->Plays().size(), std::size_t{2});
        QCOMPARE(overview->Plays()[0].title, QStringLiteral("Alpha"));
        QCOMPARE(overview->Plays()[1].title, QStringLiteral("Bravo"));
        QCOMPARE(overview->Unknown().size(), std::size_t{1});
        QVERIFY(std::abs(overview->Unknown()[0].to - 100.0) < 0.1);
        QVERIFY(overview->Markers()[0].label.endsWith(QStringLiteral("Bravo")));
        // Bravo's bar lies under its stretch of the mix, inside the strip.
        const QRect bravo = overview->PlayRect(1);
        QVERIFY(overview->rect().contains(bravo));
        QVERIFY(std::abs(overview->SecondsAt(bravo.left()) - 40.0) < 2.0);

        w.dlg.Session().SaveProject(w.dir / "matched.sdr");

        // Another mix forgets the match: no bars, no file column.
        QVERIFY(w.dlg.LoadWaveFile(WriteMix(w.dir / "other.wav", 30.0, kSmall)));
        QVERIFY(overview->Plays().empty());
        QVERIFY(w.dlg.TrackTable()->isColumnHidden(CTrackTable::kFile));

        // The project kept the match: reopened, the bars, the stretch and the files are back.
        QVERIFY(w.dlg.Session().OpenProject(w.dir / "matched.sdr"));
        QCOMPARE(overview->Plays().size(), std::size_t{2});
        QCOMPARE(overview->Plays()[1].title, QStringLiteral("Bravo"));
        QCOMPARE(overview->Unknown().size(), std::size_t{1});
        QVERIFY(!w.dlg.TrackTable()->isColumnHidden(CTrackTable::kFile));
        QCOMPARE(Cell(w.dlg, 1, CTrackTable::kFile), QStringLiteral("Bravo.wav"));
        QCOMPARE(Cell(w.dlg, 2, CTrackTable::kFile), QStringLiteral("unknown"));
    }

    void refusalsAndCancelKeepTheMarkers() {
        Window w;
        QVERIFY(w.Shown());
        const matchtest::PlayedSet set(w.dir.Path(), true); // unknown music from 85 s
        QVERIFY(w.dlg.LoadWaveFile(set.mix));
        w.dlg.Session().AddAtFrame(20 * kRate, "typed");
        const auto kept = std::vector<std::string>{"", "typed"};

        // The question cancelled: nothing asked further.
        w.prompt.choices.enqueue(2);
        QVERIFY(Matched(w));
        QVERIFY(w.prompt.offeredFolders.isEmpty());
        QCOMPARE(Titles(w), kept);

        // A playlist whose only entry is missing: named, nothing changed.
        fixture::WriteText(w.dir / "set.m3u8", "gone.mp3\n");
        w.prompt.choices.enqueue(1);
        w.Pick(w.dir / "set.m3u8");
        QVERIFY(Matched(w));
        QVERIFY(w.prompt.filters.last().contains(QStringLiteral("*.m3u8")));
        QVERIFY2(w.prompt.LastText().contains(QStringLiteral("set.m3u8: none of the playlist")),
                 qPrintable(w.prompt.LastText()));
        QCOMPARE(w.prompt.messages.last().icon, sundrel::gui::Prompt::Icon::Stop);
        QCOMPARE(Titles(w), kept);
        QVERIFY(!w.dlg.Session().Match());

        // A folder of files that do not play, and one that is not audio: both said.
        std::filesystem::create_directories(w.dir / "unplayed");
        std::filesystem::copy_file(set.tracks / "Charlie.wav", w.dir / "unplayed/Charlie.wav");
        fixture::WriteFile(w.dir / "unplayed/notes.mp3", fixture::Bytes(100, std::byte{'n'}));
        w.prompt.choices.enqueue(0);
        w.prompt.folders.enqueue(QString::fromStdString((w.dir / "unplayed").string()));
        QVERIFY(Matched(w));
        QVERIFY2(w.prompt.LastText().startsWith(QStringLiteral("None of the 2 files plays")),
                 qPrintable(w.prompt.LastText()));
        QVERIFY(w.prompt.LastText().contains(QStringLiteral("notes.mp3")));
        QCOMPARE(Titles(w), kept);

        // Cancel on the progress bar: the markers stay as they were.
        w.prompt.choices.enqueue(0);
        w.prompt.folders.enqueue(QString::fromStdString(set.tracks.string()));
        OpenMenu(Menu(w.dlg, "menuFile"));
        w.dlg.Command(ids::kCmdMatchTracks)->trigger();
        auto* progress = w.dlg.findChild<QProgressDialog*>(QStringLiteral("matchProgress"));
        QVERIFY(progress != nullptr);
        // As a click on its button does.
        QPushButton* cancel = progress->findChild<QPushButton*>();
        QVERIFY(cancel != nullptr);
        cancel->click();
        QVERIFY(QTest::qWaitFor([&] { return !w.dlg.IsMatching(); }, 120000));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return w.dlg.findChild<QProgressDialog*>(QStringLiteral("matchProgress")) ==
                       nullptr;
            },
            5000));
        QCOMPARE(Titles(w), kept);
        QVERIFY(!w.dlg.Session().Match());
    }
};

QTEST_MAIN(MatchWindowTest)
#include "MatchWindowTest.moc"
