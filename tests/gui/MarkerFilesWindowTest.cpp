// Marker files in the window: File > Import Markers (cue sheet, label file, tracklist, pasted
// text) replacing or naming the markers as one undo step with its questions and messages,
// File > Export Markers read back by the core readers, Edit > Mix Title and Artist, and a
// cue sheet opened with the mix it names.

#include "gui/view/OverviewCtrl.h"
#include "gui/view/TrackTable.h"
#include "support/Window.h"

#include "core/interop/MarkerFiles.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>

namespace ids = sundrel::gui::ids;
using namespace sundrel::test;
using sundrel::MarkerFileKind;
using sundrel::MarkerSet;

namespace {

constexpr std::int64_t kRate = 8000; // kSmall

// A cue sheet as Mixxx writes one beside a recording: REM lines, the mix's TITLE and
// PERFORMER, FILE, then indented tracks.
const char* const kMixxxCue = "REM DATE 2026-12-05\n"
                              "REM COMMENT \"Mixxx 2.4.1\"\n"
                              "TITLE \"Friday Night Mix\"\n"
                              "PERFORMER \"DJ Sundrel\"\n"
                              "FILE \"mix.wav\" WAVE\n"
                              "  TRACK 01 AUDIO\n"
                              "    TITLE \"Strings of Life\"\n"
                              "    PERFORMER \"Rhythim Is Rhythim\"\n"
                              "    INDEX 01 00:00:00\n"
                              "  TRACK 02 AUDIO\n"
                              "    TITLE \"Around the World\"\n"
                              "    PERFORMER \"Daft Punk\"\n"
                              "    INDEX 01 00:12:37\n"
                              "  TRACK 03 AUDIO\n"
                              "    TITLE \"Porcelain\"\n"
                              "    PERFORMER \"Moby\"\n"
                              "    INDEX 01 00:41:74\n";

struct Placed {
    std::int64_t frame;
    std::string title;
    std::string artist;
    friend bool operator==(const Placed&, const Placed&) = default;
};

// The markers in time order with their names.
std::vector<Placed> Placement(const CSundrelDlg& dlg) {
    std::vector<Placed> placed;
    for (const sundrel::Marker& m : dlg.Session().Markers().Markers()) {
        placed.push_back({m.frame, m.title, m.artist});
    }
    std::sort(placed.begin(), placed.end(),
              [](const Placed& a, const Placed& b) { return a.frame < b.frame; });
    return placed;
}

// The status line's first sentence, without what follows in brackets.
QString Status(const CSundrelDlg& dlg) {
    return StatusText(dlg).section(QLatin1Char('\n'), 0, 0).section(QStringLiteral(" ("), 0, 0);
}

// 60 s with markers at 5 s and 20 s (the second named).
void LoadMarkedMix(Window& w) {
    QVERIFY(w.Load(60.0, kSmall));
    w.dlg.Session().AddAtFrame(5 * kRate);
    w.dlg.Session().AddAtFrame(20 * kRate, "Kept", "Someone");
}

void Paste(Window& w, const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    w.dlg.Command(ids::kCmdPasteTracklist)->trigger();
}

} // namespace

class MarkerFilesWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void importsAMixxxCueSheetAsOneUndoStep() {
        Window w;
        LoadMarkedMix(w);
        const std::vector<Placed> before = Placement(w.dlg);
        const std::filesystem::path cue = w.dir / "mix.cue";
        fixture::WriteText(cue, kMixxxCue);

        // The question comes first; Cancel changes nothing.
        w.Pick(cue);
        w.prompt.choices.enqueue(1);
        w.dlg.Command(ids::kCmdImportCue)->trigger();
        QCOMPARE(w.prompt.questions.size(), 1);
        QCOMPARE(w.prompt.questions.last().text,
                 QStringLiteral("Replace the 2 markers with the 3 tracks of mix.cue?"));
        QVERIFY(Placement(w.dlg) == before);
        QVERIFY(Status(w.dlg).startsWith(QStringLiteral("Loaded mix.wav"))); // unchanged

        w.RunWith(ids::kCmdImportCue, cue); // answered Replace
        QVERIFY(w.prompt.messages.isEmpty());
        QCOMPARE(w.prompt.startFolders.last(), QString::fromStdString(w.dir.Path().string()));
        // Where the markers land and the mix's names: MarkerImportTest, MixSessionImportTest.
        QCOMPARE(Placement(w.dlg).size(), std::size_t{3});
        // The list box, the table and the status follow.
        QCOMPARE(MarkerBox(w.dlg)->count(), 3);
        const CTrackTable* table = w.dlg.TrackTable();
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(Cell(w.dlg, 1, CTrackTable::kStart), QStringLiteral("0:00:12.493"));
        QCOMPARE(Cell(w.dlg, 2, CTrackTable::kTitle), QStringLiteral("Porcelain"));
        QCOMPARE(Status(w.dlg), QStringLiteral("3 tracks from mix.cue"));
        // The overview labels each marker with the number of the track it starts, as the
        // table numbers it.
        const std::vector<sundrel::gui::ViewMarker>& drawn = w.dlg.Overview()->Markers();
        QCOMPARE(drawn.size(), std::size_t{2});
        QVERIFY(drawn[0].label.startsWith(QStringLiteral("2 ")));
        QCOMPARE(drawn[1].label, QStringLiteral("3 Porcelain"));
        const QLabel* status = StatusLine(w.dlg);
        QVERIFY2(status->fontMetrics().horizontalAdvance(status->text()) <= status->width(),
                 qPrintable(status->text()));
        QVERIFY(status->text().startsWith(QStringLiteral("3 tracks")));
        QVERIFY(w.dlg.windowTitle().contains(QLatin1Char('*')));
        QVERIFY(Button(w.dlg, ids::kSplit)->isEnabled());

        // Edit > Undo brings back the table (the markers and names: MixSessionImportTest).
        w.dlg.Command(ids::kCmdUndo)->trigger();
        QCOMPARE(Cell(w.dlg, 2, CTrackTable::kTitle), QStringLiteral("Kept"));
    }

    void aBadFileOrAMismatchChangesNothing() {
        struct Case {
            const char* name;
            int command;
            std::string text;
            QString expected; // part of the message
        };
        const Case cases[] = {
            {"bad.cue", ids::kCmdImportCue,
             std::string(kMixxxCue).replace(std::string(kMixxxCue).find("00:12:37"), 8, "00:12:xx"),
             QStringLiteral("bad.cue: not a usable cue sheet: line 13: the time \"00:12:xx\"")},
            // Read well, but a track past the end of the 60 s mix.
            {"late.txt", ids::kCmdImportTracklist, "00:00 A - One\n01:30 B - Two\n",
             QStringLiteral("The markers of late.txt do not fit mix.wav: track 2")},
        };
        for (const Case& c : cases) {
            Window w;
            LoadMarkedMix(w);
            fixture::WriteText(w.dir / c.name, c.text);
            w.RunWith(c.command, w.dir / c.name);
            QVERIFY2(w.prompt.LastText().contains(c.expected), qPrintable(w.prompt.LastText()));
            QCOMPARE(w.prompt.messages.last().icon, sundrel::gui::Prompt::Icon::Stop);
            QCOMPARE(w.dlg.TrackTable()->rowCount(), 3); // (nothing changed: MixSessionImportTest)
            QVERIFY(Status(w.dlg).startsWith(QStringLiteral("Loaded mix.wav"))); // unchanged
        }
    }

    void aCueSheetForAnotherMixIsAskedAbout() {
        Window w;
        QVERIFY(w.Load(60.0, kSmall));
        std::string text = kMixxxCue;
        text.replace(text.find("\"mix.wav\""), 9, "\"C:\\Music\\friday.wav\"");
        fixture::WriteText(w.dir / "friday.cue", text);
        w.Pick(w.dir / "friday.cue");
        w.prompt.choices.enqueue(1); // Cancel
        w.dlg.Command(ids::kCmdImportCue)->trigger();
        QCOMPARE(w.prompt.questions.size(), 1);
        QVERIFY2(w.prompt.questions[0].text.contains(QStringLiteral("friday.wav")) &&
                     w.prompt.questions[0].text.contains(QStringLiteral("mix.wav")),
                 qPrintable(w.prompt.questions[0].text));
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{1});
        // Used anyway: no second question (the mix had no markers to replace).
        w.RunWith(ids::kCmdImportCue, w.dir / "friday.cue");
        QCOMPARE(w.prompt.questions.size(), 2);
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{3});
    }

    // The kind of pasted text is read in the core (MarkerTextKindTest) and the markers it
    // gives placed by the session (MixSessionImportTest); here the status names the kind and
    // counts the tracks the markers make.
    void pastedTextIsReadAsTheKindItLooksLike() {
        const struct {
            QString text;
            QString status;
        } cases[] = {
            {QStringLiteral(
                 "1. [00:00] A \u2013 One\n2. [00:30] Daft Punk \u2013 Around the World\n"),
             QStringLiteral("2 tracks from the pasted tracklist")},
            {QString::fromUtf8(kMixxxCue), QStringLiteral("3 tracks from the pasted cue sheet")},
            {QStringLiteral("7.250000\t7.250000\tMoby - Porcelain\r\n"
                            "20.000000\t31.500000\tDaft Punk - Around the World\r\n"),
             // 0..7.25 s is an unnamed track of its own: a label file names no pregap.
             QStringLiteral("3 tracks from the pasted label file")},
        };
        for (const auto& c : cases) {
            Window w;
            QVERIFY(w.Load(60.0, kSmall));
            Paste(w, c.text);
            QVERIFY2(w.prompt.messages.isEmpty(), qPrintable(w.prompt.LastText()));
            QCOMPARE(Status(w.dlg), c.status);
        }
        // Nothing to paste.
        Window w;
        QVERIFY(w.Load(60.0, kSmall));
        Paste(w, QStringLiteral("  \n"));
        QVERIFY(w.prompt.LastText().startsWith(QStringLiteral("The clipboard holds no text")));
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{1});
    }

    void aPastedListWithoutTimesNamesTheMarkersOrSaysBothCounts() {
        Window w;
        LoadMarkedMix(w); // three tracks: 0 s, 5 s, 20 s
        Paste(w, QStringLiteral("Artist A - First\nArtist B - Second\n"));
        QVERIFY2(w.prompt.LastText().contains(
                     QStringLiteral("the list names 2 tracks, but the markers make 3 tracks")),
                 qPrintable(w.prompt.LastText()));
        QVERIFY(w.prompt.questions.isEmpty()); // names alone replace no marker: no question

        Paste(w, QStringLiteral("Artist A - First\nArtist B - Second\nThird\n"));
        QCOMPARE(w.prompt.messages.size(), 1);
        QCOMPARE(Status(w.dlg), QStringLiteral("Named 3 tracks from the pasted tracklist"));
        QCOMPARE(Cell(w.dlg, 1, CTrackTable::kTitle), QStringLiteral("Second"));
    }

    // Edit > Shift Markers...: the seconds typed (with a decimal comma too) reach the session,
    // which moves every marker but the start as one undo step (MixSessionImportTest); a shift
    // out of the mix is said.
    void shiftMarkersMovesAllButTheStart() {
        Window w;
        QVERIFY(w.Load(60.0, kSmall));
        sundrel::MixSession& session = w.dlg.Session();
        session.AddAtFrame(10 * kRate, "A", "");
        session.AddAtFrame(25 * kRate, "B", "");
        auto* shift = w.dlg.findChild<QAction*>(QStringLiteral("actionShiftMarkers"));
        QVERIFY(shift != nullptr);
        w.prompt.texts.enqueue({QStringLiteral("-1,5")});
        shift->trigger();
        QVERIFY(Placement(w.dlg) == (std::vector<Placed>{{0, "", ""},
                                                         {8 * kRate + kRate / 2, "A", ""},
                                                         {23 * kRate + kRate / 2, "B", ""}}));
        w.prompt.texts.enqueue({QStringLiteral("40")});
        shift->trigger();
        QVERIFY2(w.prompt.LastText().contains(QStringLiteral("track 3 would start at or after")),
                 qPrintable(w.prompt.LastText()));
    }

    void exportsWriteTheMarkersToTheChosenFile() {
        Window w;
        QVERIFY(w.Load(60.0, kSmall));
        sundrel::MixSession& session = w.dlg.Session();
        session.AddAtFrame(10 * kRate + 1234, "Around the World", "Daft Punk");
        session.AddAtFrame(25 * kRate, "Porcelain", "");
        session.Rename(0, "Strings of Life", "Rhythim Is Rhythim");
        // The mix's names from Edit > Mix Title and Artist, as typed (trimmed).
        w.prompt.texts.enqueue({QStringLiteral(" Friday Night Mix "), QStringLiteral("DJ S")});
        w.dlg.Command(ids::kCmdMixNames)->trigger();
        QCOMPARE(session.Names(), (sundrel::MixInfo{"Friday Night Mix", "DJ S"}));
        QCOMPARE(w.prompt.editedValues.last(), (QStringList{QString(), QString()}));

        struct Case {
            int command;
            const char* offered;
            MarkerFileKind kind;
        };
        const Case cases[] = {
            {ids::kCmdExportCue, "mix.cue", MarkerFileKind::Cue},
            {ids::kCmdExportLabels, "mix labels.txt", MarkerFileKind::Labels},
            {ids::kCmdExportTracklist, "mix tracklist.txt", MarkerFileKind::Tracklist},
        };
        for (const Case& c : cases) {
            const std::filesystem::path out = w.dir / "out" / c.offered;
            std::filesystem::create_directories(out.parent_path());
            w.Pick(out);
            w.dlg.Command(c.command)->trigger();
            QCOMPARE(w.prompt.startFolders.last(),
                     QString::fromStdString((w.dir / c.offered).string()));
            QVERIFY2(w.prompt.messages.isEmpty(), qPrintable(w.prompt.LastText()));
            QCOMPARE(Status(w.dlg), QStringLiteral("3 tracks to %1").arg(c.offered));
            // What each writer makes of the markers: the interop tests' round trips.
            QCOMPARE(sundrel::ReadMarkerFile(out, c.kind).tracks.size(), std::size_t{3});
        }
        // A file that cannot be written: the message names it, the status stays.
        w.RunWith(ids::kCmdExportCue, w.dir / "missing" / "x.cue");
        QVERIFY2(w.prompt.LastText().contains(QStringLiteral("x.cue")),
                 qPrintable(w.prompt.LastText()));
        QVERIFY(!std::filesystem::exists(w.dir / "missing"));
        // The mix's names are one undo step of their own.
        w.dlg.Command(ids::kCmdUndo)->trigger();
        QVERIFY(session.Names().Empty());
        QCOMPARE(session.Markers().Count(), std::size_t{3});
    }

    void aCueSheetOpensTheMixItNames() {
        Window w;
        std::filesystem::create_directories(w.dir / "sets");
        const std::filesystem::path mix = w.Mix(60.0, kSmall, "sets/mix.wav");
        fixture::WriteText(w.dir / "sets" / "mix.cue", kMixxxCue);
        // As the command line, a drop and Open Recent open it: by its kind.
        QVERIFY(w.dlg.OpenPath(w.dir / "sets" / "mix.cue"));
        QCOMPARE(w.dlg.Session().WavePath(), mix);
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{3});
        QCOMPARE(w.dlg.Session().Names().title, std::string("Friday Night Mix"));
        QVERIFY(w.prompt.questions.isEmpty());

        // Import > Cue Sheet without a mix does the same; a sheet naming a missing file or
        // none is reported and nothing is loaded.
        Window fresh;
        fixture::WriteText(
            w.dir / "gone.cue",
            std::string(kMixxxCue).replace(std::string(kMixxxCue).find("mix.wav"), 7, "gone.wav"));
        fresh.RunWith(ids::kCmdImportCue, w.dir / "gone.cue");
        QVERIFY2(fresh.prompt.LastText().contains(QStringLiteral("gone.wav, which is not there")),
                 qPrintable(fresh.prompt.LastText()));
        QVERIFY(!fresh.dlg.Session().IsLoaded());
        std::string noFile = kMixxxCue;
        noFile.erase(noFile.find("FILE"), std::string("FILE \"mix.wav\" WAVE\n").size());
        fixture::WriteText(w.dir / "sets" / "nofile.cue", noFile);
        QVERIFY(!fresh.dlg.OpenCueSheet(w.dir / "sets" / "nofile.cue"));
        QVERIFY(fresh.prompt.LastText().contains(QStringLiteral("names no audio file")));
        fresh.RunWith(ids::kCmdImportCue, w.dir / "sets" / "mix.cue");
        QCOMPARE(fresh.dlg.Session().WavePath(), mix);
        QCOMPARE(fresh.dlg.Session().Markers().Count(), std::size_t{3});
        QCOMPARE(Status(fresh.dlg), QStringLiteral("3 tracks from mix.cue"));
    }

    void commandsThatNeedAMixAreOffOrSaySo() {
        Window w;
        OpenMenu(Menu(w.dlg, "menuFile"));
        OpenMenu(Menu(w.dlg, "menuEdit"));
        QVERIFY(w.dlg.Command(ids::kCmdImportCue)->isEnabled());
        QVERIFY(!w.dlg.Command(ids::kCmdImportLabels)->isEnabled());
        QVERIFY(!Menu(w.dlg, "menuExport")->menuAction()->isEnabled());
        QVERIFY(!w.dlg.Command(ids::kCmdMixNames)->isEnabled());
        Paste(w, QStringLiteral("00:00 A - B\n"));
        QCOMPARE(w.prompt.LastText(), QStringLiteral("Please load a wave file"));
        QVERIFY(w.Load(10.0, kSmall));
        OpenMenu(Menu(w.dlg, "menuFile"));
        QVERIFY(w.dlg.Command(ids::kCmdImportLabels)->isEnabled());
        QVERIFY(Menu(w.dlg, "menuExport")->menuAction()->isEnabled());
    }
};

QTEST_MAIN(MarkerFilesWindowTest)
#include "MarkerFilesWindowTest.moc"
