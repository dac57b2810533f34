// Boundaries found in the window. Suggested ones: the analysis with its count, stepping to a
// suggestion with its preview, Enter to accept, Delete to dismiss, Accept All as one undo
// step; O moving the suggestion looked at through its other places, and the track table's
// flags on implausible track lengths, dropped once the markers are right. Matched ones (File >
// Match Tracks from Folder or Playlist...): the DJ's files found in the mix, answered by the
// scripted prompt; the boundaries as named markers in one undo step, the plays and the unknown
// stretch in the overview, the files in the track table; refusals and Cancel leave the markers
// alone.

#include "core/match/SynthMusic.h"
#include "gui/view/OverviewCtrl.h"
#include "gui/view/TrackLengthFlags.h"
#include "gui/view/TrackTable.h"
#include "support/Window.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QSettings>
#include <cmath>
#include <random>

namespace ids = sundrel::gui::ids;
using namespace sundrel::test;

namespace {

constexpr std::uint32_t kRate = 22050;
constexpr double kTrack = 65.0; // seconds of each track
constexpr double kGap = 2.0;    // seconds of digital silence between them

// Four tracks of noise at different levels and colours with silence between: the analysis
// puts each boundary in the middle of its silence.
std::filesystem::path WriteSilenceMix(const std::filesystem::path& path) {
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 1.0);
    fixture::Bytes audio;
    for (int track = 0; track < 4; ++track) {
        const double level = 3000.0 * (track + 1);
        double previous = 0.0;
        for (int i = 0; i < static_cast<int>(kTrack * kRate); ++i) {
            // Each track smooths its noise differently, so its spectrum differs too.
            const double smoothing = 0.2 * track;
            previous = smoothing * previous + (1.0 - smoothing) * noise(random);
            fixture::Put16(audio, static_cast<std::uint16_t>(static_cast<std::int16_t>(
                                      std::clamp(previous * level, -32767.0, 32767.0))));
        }
        if (track < 3) {
            audio.resize(audio.size() + static_cast<std::size_t>(kGap * kRate) * 2);
        }
    }
    fixture::WriteFile(path, fixture::CanonicalWav({1, 1, kRate, 16}, audio));
    return path;
}

bool Suggested(Window& w, const QString& count) {
    w.prompt.texts.enqueue({count});
    w.dlg.Command(ids::kCmdSuggest)->trigger();
    return QTest::qWaitFor([&] { return !w.dlg.IsSuggesting(); }, 60000) &&
           QTest::qWaitFor([&] { return !w.dlg.Session().Suggestions().empty(); }, 2000);
}

double SecondsOfSuggestion(const Window& w, std::size_t i) {
    return static_cast<double>(w.dlg.Session().Suggestions()[i].frame) / kRate;
}

constexpr std::int64_t kSmallRate = 8000; // kSmall

sundrel::Suggestion WithAlternatives(double seconds, std::initializer_list<double> others) {
    sundrel::Suggestion s;
    s.frame = static_cast<std::int64_t>(seconds * kSmallRate);
    s.confidence = 0.6;
    for (const double other : others) {
        s.alternatives.push_back({static_cast<std::int64_t>(other * kSmallRate), 0.2});
    }
    return s;
}

// '1' for each row of the table whose length is flagged, '0' for each that is not.
QString Flags(const CTrackTable* table) {
    QString flags;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem* cell = table->item(row, CTrackTable::kLength);
        flags += cell != nullptr && cell->data(kImplausibleLengthRole).toBool() ? '1' : '0';
    }
    return flags;
}

QProgressDialog* Progress(const Window& w) {
    return w.dlg.findChild<QProgressDialog*>(QStringLiteral("matchProgress"));
}

// Waits for the match to end and its progress to close; false when it did not in time.
bool Ended(Window& w) {
    return QTest::qWaitFor([&] { return !w.dlg.IsMatching(); }, 120000) &&
           QTest::qWaitFor([&] { return Progress(w) == nullptr; }, 5000);
}

// Runs File > Match Tracks... to its end; false when it did not finish in time.
bool Matched(Window& w) {
    OpenMenu(Menu(w.dlg, "menuFile")); // its update rules enable the command with a mix
    QAction* command = w.dlg.Command(ids::kCmdMatchTracks);
    if (command == nullptr || !command->isEnabled()) {
        return false;
    }
    command->trigger();
    return Ended(w);
}

std::vector<std::string> Titles(const Window& w) {
    std::vector<std::string> titles;
    for (const std::size_t i : w.dlg.Session().Markers().TimeOrder()) {
        titles.push_back(w.dlg.Session().Markers().At(i)->title);
    }
    return titles;
}

} // namespace

class SuggestionsWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { QSettings(QStringLiteral("Sundrel"), QStringLiteral("Sundrel")).clear(); }

    void suggestStepAcceptDismissAcceptAllAndUndo() {
        Window w;
        QVERIFY(w.Shown());
        QVERIFY(w.dlg.LoadWaveFile(WriteSilenceMix(w.dir / "mix.wav")));
        QVERIFY(Suggested(w, QStringLiteral("4")));
        // Where they lie is the analysis's (SilenceTest, SuggestApiTest).
        QCOMPARE(w.dlg.Session().Suggestions().size(), std::size_t{3});
        QVERIFY(w.prompt.messages.isEmpty());
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{1}); // nothing is a marker yet
        QVERIFY2(StatusText(w.dlg).startsWith(QStringLiteral("3 suggestions to look at")),
                 qPrintable(StatusText(w.dlg)));

        // N steps to the first suggestion and plays around it; the position goes there.
        QVERIFY(w.dlg.Command(ids::kCmdNextSuggestion)->isEnabled());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        w.dlg.activateWindow(); // back from the progress dialog
        QVERIFY(QTest::qWaitForWindowActive(&w.dlg));
        QTest::keyClick(&w.dlg, Qt::Key_N);
        QCOMPARE(w.dlg.Session().CurrentSuggestion(), std::optional<std::size_t>(0));
        QVERIFY(std::abs(w.dlg.Session().Position() - SecondsOfSuggestion(w, 0)) < 1e-6);
        QVERIFY(w.dlg.IsPlayingRange());
        // It is shown in the middle of about a minute.
        const sundrel::TimeWindow shown = w.dlg.Session().View();
        QVERIFY(std::abs(shown.to - shown.from - 60.0) < 1e-6);
        QVERIFY(std::abs((shown.from + shown.to) / 2 - SecondsOfSuggestion(w, 0)) < 1e-3);
        // Enter accepts it: a marker exactly there.
        const std::int64_t first = w.dlg.Session().Suggestions()[0].frame;
        QTest::keyClick(&w.dlg, Qt::Key_Return);
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{2});
        QCOMPARE(w.dlg.Session().Markers().At(1)->frame, first);
        QCOMPARE(w.dlg.Session().Suggestions().size(), std::size_t{2});
        QVERIFY2(StatusText(w.dlg).startsWith(QStringLiteral("2 suggestions to look at")),
                 qPrintable(StatusText(w.dlg)));
        // The next one is dismissed with Delete; the marker stays.
        QTest::keyClick(&w.dlg, Qt::Key_N);
        QCOMPARE(w.dlg.Session().CurrentSuggestion(), std::optional<std::size_t>(0));
        QTest::keyClick(&w.dlg, Qt::Key_Delete);
        QCOMPARE(w.dlg.Session().Suggestions().size(), std::size_t{1});
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{2});
        // Accept All: the rest become markers (in one undo step: MixSessionImportTest).
        w.dlg.Command(ids::kCmdAcceptAllSuggestions)->trigger();
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{3});
        QVERIFY(!w.dlg.Command(ids::kCmdNextSuggestion)->isEnabled());
        // The status says what is true now, not what the analysis found.
        QCOMPARE(StatusText(w.dlg),
                 QStringLiteral("No suggestions left; the markers make 3 tracks."));
    }

    void aBadCountIsRefusedAndCancelEndsTheAnalysis() {
        Window w;
        QVERIFY(w.dlg.LoadWaveFile(WriteSilenceMix(w.dir / "mix.wav")));
        for (const char* bad : {"0", "three", "-2", "9999"}) {
            w.prompt.texts.enqueue({QString::fromLatin1(bad)});
            w.dlg.Command(ids::kCmdSuggest)->trigger();
            QVERIFY(!w.dlg.IsSuggesting());
            QCOMPARE(w.prompt.messages.size(), 1);
            QVERIFY(w.prompt.LastText().contains(QStringLiteral("whole number")));
            w.prompt.messages.clear();
        }
        // Cancel in the progress dialog: no suggestions, no message.
        w.prompt.texts.enqueue({QString()});
        w.dlg.Command(ids::kCmdSuggest)->trigger();
        auto* progress = w.dlg.findChild<QProgressDialog*>(QStringLiteral("suggestProgress"));
        QVERIFY(progress != nullptr);
        progress->findChild<QPushButton*>()->click();
        QVERIFY(QTest::qWaitFor([&] { return !w.dlg.IsSuggesting(); }, 60000));
        QTest::qWait(50);
        QVERIFY(w.dlg.Session().Suggestions().empty());
        QVERIFY(w.prompt.messages.isEmpty());
    }

    void namesWithoutTimesWaitForTheBoundariesFound() {
        Window w;
        QVERIFY(w.dlg.LoadWaveFile(WriteSilenceMix(w.dir / "mix.wav")));
        // A tracklist without times for a mix without markers: the analysis looks for that
        // many tracks, and accepting them all names them in the same undo step.
        w.prompt.choices.enqueue(0); // Find Boundaries
        QGuiApplication::clipboard()->setText(QStringLiteral("A - One\nB - Two\nC - Three\nD\n"));
        w.dlg.Command(ids::kCmdPasteTracklist)->trigger();
        QCOMPARE(w.prompt.questions.size(), 1);
        QVERIFY(w.prompt.questions[0].text.contains(QStringLiteral("boundaries of 4 tracks")));
        QVERIFY(w.prompt.messages.isEmpty());
        QVERIFY(QTest::qWaitFor([&] { return !w.dlg.IsSuggesting(); }, 60000));
        // The outcome reaches the window through its event loop, a moment after the worker.
        QVERIFY(QTest::qWaitFor([&] { return !w.dlg.Session().Suggestions().empty(); }, 5000));
        const sundrel::MixSession& session = w.dlg.Session();
        QCOMPARE(session.Suggestions().size(), std::size_t{3});
        QCOMPARE(session.Markers().Count(), std::size_t{1});
        // Suggesting again offers the list's count (the answer is cancelled here).
        w.dlg.Command(ids::kCmdSuggest)->trigger();
        QCOMPARE(w.prompt.editedValues.last(), QStringList{QStringLiteral("4")});
        // The names wait in the session, which gives them to the accepted boundaries in time
        // order and in one undo step (MixSessionImportTest).
        QVERIFY(session.HeldNames());

        // Cancelled, or with markers already placed: the counts are reported, nothing changes.
        Window placed;
        QVERIFY(placed.dlg.LoadWaveFile(WriteSilenceMix(placed.dir / "mix.wav")));
        placed.dlg.Session().AddAtFrame(100 * kRate);
        placed.dlg.Command(ids::kCmdPasteTracklist)->trigger();
        QVERIFY(placed.prompt.questions.isEmpty());
        QVERIFY(placed.prompt.LastText().contains(QStringLiteral("names 4 tracks")));
        QVERIFY(!placed.dlg.IsSuggesting());
    }

    void oCyclesTheCurrentSuggestionThroughItsPlaces() {
        Window w;
        QVERIFY(w.Shown());
        QVERIFY(w.Load(300.0, kSmall));
        sundrel::MixSession& session = w.dlg.Session();
        session.SetSuggestions(
            {WithAlternatives(100.0, {110.0, 90.0}), WithAlternatives(200.0, {})});
        QAction* other = w.dlg.Command(ids::kCmdOtherPlace);
        QVERIFY(other != nullptr);
        QCOMPARE(other->shortcut(), QKeySequence(Qt::Key_O));
        QVERIFY(!other->isEnabled()); // no suggestion is being looked at yet

        // N steps to the first suggestion; O moves it to its best alternative and previews it.
        w.dlg.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.dlg));
        session.SetPosition(0.0f);
        QTest::keyClick(&w.dlg, Qt::Key_N);
        QCOMPARE(session.CurrentSuggestion(), std::optional<std::size_t>(0));
        QVERIFY(other->isEnabled());
        QTest::keyClick(&w.dlg, Qt::Key_O);
        QCOMPARE(session.Suggestions()[0].frame, 110 * kSmallRate);
        QCOMPARE(session.CurrentSuggestion(), std::optional<std::size_t>(0));
        QVERIFY(std::abs(session.Position() - 110.0) < 1e-3);
        QVERIFY(w.dlg.IsPlayingRange());
        const sundrel::TimeWindow shown = session.View();
        QVERIFY(std::abs((shown.from + shown.to) / 2 - 110.0) < 1e-3);
        // (The order of the places and the way back: AlternativesTest, MixSessionImportTest.)
        QCOMPARE(session.Markers().Count(), std::size_t{1}); // still only suggestions

        // A suggestion without alternatives: the command is off and the key changes nothing.
        QTest::keyClick(&w.dlg, Qt::Key_N);
        QCOMPARE(session.CurrentSuggestion(), std::optional<std::size_t>(1));
        QVERIFY(!other->isEnabled());
        QTest::keyClick(&w.dlg, Qt::Key_O);
        QCOMPARE(session.Suggestions()[1].frame, 200 * kSmallRate);

        // Enter accepts the suggestion where it now is (its next place, 90 s).
        session.SetCurrentSuggestion(0);
        QVERIFY(other->isEnabled());
        QTest::keyClick(&w.dlg, Qt::Key_O);
        QTest::keyClick(&w.dlg, Qt::Key_Return);
        QCOMPARE(session.Markers().Count(), std::size_t{2});
        QCOMPARE(session.Markers().At(1)->frame, 90 * kSmallRate);
    }

    void theTableFlagsTracksOfImplausibleLength() {
        Window w;
        QVERIFY(w.Load(300.0, kSmall));
        sundrel::MixSession& session = w.dlg.Session();
        CTrackTable* table = w.dlg.TrackTable();
        QCOMPARE(Flags(table), QStringLiteral("0")); // one track: nothing to compare with
        // 0-100, 100-120, 120-300: the mean is 100 s; 20 s is under a third of it.
        session.AddAtFrame(100 * kSmallRate);
        session.AddAtFrame(120 * kSmallRate);
        QCOMPARE(Flags(table), QStringLiteral("010"));
        const QTableWidgetItem* cell = table->item(1, CTrackTable::kLength);
        QVERIFY2(cell->toolTip().contains(QStringLiteral("third")), qPrintable(cell->toolTip()));
        QVERIFY(cell->font().bold());
        QVERIFY(!table->item(0, CTrackTable::kLength)->font().bold());
        QVERIFY(table->item(0, CTrackTable::kLength)->toolTip().isEmpty());
        // Back to one track, then ten: 0-120 and nine of 20 s. The mean is 30 s; 120 s is over
        // three times it, 20 s is not under a third.
        QVERIFY(session.Undo());
        QVERIFY(session.Undo());
        QCOMPARE(Flags(table), QStringLiteral("0"));
        for (int s = 120; s <= 280; s += 20) {
            session.AddAtFrame(s * kSmallRate);
        }
        // (Which lengths are implausible: AlternativesTest.)
        QCOMPARE(Flags(table), QStringLiteral("1000000000"));
        QVERIFY2(table->item(0, CTrackTable::kLength)->toolTip().contains(QStringLiteral("three")),
                 qPrintable(table->item(0, CTrackTable::kLength)->toolTip()));
    }

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
        w.dlg.Session().AddAtFrame(10 * kSmallRate, "typed");
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
        w.dlg.Session().AddAtFrame(10 * kSmallRate, "typed");
        w.prompt.folders.enqueue(folder(w.dir / "library/house"));
        ask(0);
        QCOMPARE(w.prompt.offeredFolders.last(), folder(w.dir / "lists"));

        std::filesystem::remove_all(w.dir / "library");
        w.prompt.folders.enqueue(QString());
        ask(0);
        QCOMPARE(w.prompt.offeredFolders.last(), folder(w.dir.Path()));
    }

    // Refusals and Cancel leave the markers alone; then a folder names the tracks.
    void refusalsKeepTheMarkersAndAFolderNamesTheTracks() {
        Window w;
        QVERIFY(w.Shown());
        const matchtest::PlayedSet set(w.dir.Path(), true); // unknown music from 85 s
        QVERIFY(w.dlg.LoadWaveFile(set.mix));
        w.dlg.Session().AddAtFrame(20 * kSmallRate, "typed");
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
        QVERIFY(Progress(w) != nullptr);
        QPushButton* cancel = Progress(w)->findChild<QPushButton*>(); // as a click on it does
        QVERIFY(cancel != nullptr);
        cancel->click();
        QVERIFY(Ended(w));
        QCOMPARE(Titles(w), kept);
        QVERIFY(!w.dlg.Session().Match());

        w.prompt.messages.clear();
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
        const QStringList files{"Alpha.wav", "Bravo.wav", "unknown"};
        QCOMPARE(Column(w.dlg, CTrackTable::kFile), files);
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
        QCOMPARE(Column(w.dlg, CTrackTable::kFile), files);
    }
};

QTEST_MAIN(SuggestionsWindowTest)
#include "SuggestionsWindowTest.moc"
