// The enabled state of the main window's controls after each user action, through the real
// window: every row of the control table, the states that depend on history rather than on
// the session (Pause and Stop enable Split with no marker, Open never disables Split, loading
// enables Play while a mix plays), the selection's effect on "ANP" and Remove, imported times,
// and the edit commands.

#include "support/Window.h"

#include <QAction>
#include <QComboBox>

namespace ids = sundrel::gui::ids;

using namespace sundrel::test;

namespace {

// Split, Play, Stop, Pause, Add Marker, ANP, marker list, slider, Remove.
QString Controls(const Window& w) {
    return w.Enabled({ids::kSplit, ids::kPlay, ids::kStop, ids::kPause, ids::kAddMarker, ids::kAnp,
                      ids::kMarkers, ids::kSlider, ids::kRemoveMarker});
}

// Undo, Redo, Delete, Rename, the suggestions' Next, Previous, Accept All, Accept, Dismiss,
// and Other Place.
QString Commands(const Window& w) {
    QString s;
    for (const int id :
         {ids::kCmdUndo, ids::kCmdRedo, ids::kCmdRemoveMarker, ids::kCmdRenameMarker,
          ids::kCmdNextSuggestion, ids::kCmdPreviousSuggestion, ids::kCmdAcceptAllSuggestions,
          ids::kCmdAcceptSuggestion, ids::kCmdDismissSuggestion, ids::kCmdOtherPlace}) {
        s += w.dlg.Command(id)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    }
    return s;
}

void Click(Window& w, int id) {
    Button(w.dlg, id)->click();
}

std::filesystem::path WriteProject(Window& w, const char* name, const std::filesystem::path& mix,
                                   const std::vector<float>& percents) {
    fixture::WriteFile(w.dir / name, ProjectBytes(mix, percents));
    return w.dir / name;
}

void Open(Window& w, const std::filesystem::path& project) {
    w.RunWith(ids::kCmdOpen, project);
}

} // namespace

class ControlStatesWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { QSettings(QStringLiteral("Sundrel"), QStringLiteral("Sundrel")).clear(); }

    // One session through the transport and the marker list; no marker is ever needed for
    // Pause and Stop to enable Split.
    void transportAndMarkerList() {
        Window w;
        QCOMPARE(Controls(w), QStringLiteral("000000000"));
        QCOMPARE(Commands(w), QStringLiteral("0000000000"));
        QVERIFY(w.Load(60.0, kSmall));
        QCOMPARE(Controls(w), QStringLiteral("010010110"));
        Click(w, ids::kPlay);
        QCOMPARE(Controls(w), QStringLiteral("001110110"));
        Click(w, ids::kPause); // Stop stays on
        QCOMPARE(Controls(w), QStringLiteral("111010110"));
        Click(w, ids::kPlay);
        Click(w, ids::kStop);
        QCOMPARE(Controls(w), QStringLiteral("110010110"));
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{1});

        w.AddAt(30.0f); // the new entry is selected
        QCOMPARE(Controls(w), QStringLiteral("110011111"));
        QCOMPARE(Commands(w), QStringLiteral("1011000000"));
        w.Choose(0);
        QCOMPARE(Controls(w), QStringLiteral("110010110"));
        QCOMPARE(Commands(w), QStringLiteral("1000000000"));
        w.Choose(1);
        QCOMPARE(Controls(w), QStringLiteral("110011111"));

        // A selection during playback stops it first: the Stop row, then the selection's.
        Click(w, ids::kPlay);
        QCOMPARE(Controls(w), QStringLiteral("001111111"));
        w.Choose(0);
        QVERIFY(!w.dlg.Session().IsPlayerActive());
        QCOMPARE(Controls(w), QStringLiteral("110010110"));
        Click(w, ids::kPlay);
        w.Choose(1);
        QCOMPARE(Controls(w), QStringLiteral("110011111"));
        QCOMPARE(w.View(), QStringLiteral("29 31")); // the selection's window

        // Add Marker during playback enables Split beside the playing transport.
        Click(w, ids::kPlay);
        w.AddAt(45.0f);
        QCOMPARE(Controls(w), QStringLiteral("101111111"));
        Click(w, ids::kStop);

        // Undo takes the marker back and selects the entry before it; Redo brings it back.
        w.dlg.Command(ids::kCmdUndo)->trigger();
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{2});
        QCOMPARE(Commands(w).left(2), QStringLiteral("11"));
        w.dlg.Command(ids::kCmdRedo)->trigger();
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{3});
        QCOMPARE(Commands(w).left(2), QStringLiteral("10"));

        // Loading while playing: the old playback ends and Play is enabled again; Split and
        // the marker list keep their states, and the kept markers keep the selection.
        Click(w, ids::kPlay);
        w.prompt.choices.enqueue(0); // keep the markers
        QVERIFY(w.dlg.LoadWaveFile(w.Mix(20.0, kSmall, "second.wav")));
        QVERIFY(!w.dlg.Session().IsPlaying());
        QCOMPARE(Controls(w).left(5), QStringLiteral("11001"));
    }

    // Open: Split on with two markers or more and never turned off; the header entry is
    // selected, so "ANP" and Remove go off; a project without a mix changes nothing else.
    void openingProjects() {
        Window w;
        const auto mix = w.Mix(60.0, kSmall);
        const auto one = WriteProject(w, "one.sdr", mix, {0.0f});
        const auto three = WriteProject(w, "three.sdr", mix, {0.0f, 25.0f, 50.0f});
        const auto old = WriteProject(w, "old.sdr", "", {0.0f, 10.0f, 20.0f});
        const auto oldOne = WriteProject(w, "old1.sdr", "", {0.0f});

        Open(w, one);
        QCOMPARE(Controls(w), QStringLiteral("010010110"));
        Open(w, three);
        QCOMPARE(Controls(w), QStringLiteral("110010110"));
        w.Choose(2);
        QCOMPARE(Controls(w), QStringLiteral("110011111"));
        Open(w, one);
        QCOMPARE(Controls(w), QStringLiteral("110010110"));
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{1});

        // Opening while playing ends that playback: Play on, Stop and Pause off.
        Click(w, ids::kPlay);
        Open(w, three);
        QVERIFY(!w.dlg.Session().IsPlaying());
        QCOMPARE(Controls(w), QStringLiteral("110010110"));

        // Before any mix, a project without one enables Split alone.
        Window fresh;
        Open(fresh, old);
        QCOMPARE(Controls(fresh), QStringLiteral("100000000"));
        Open(fresh, oldOne);
        QCOMPARE(Controls(fresh), QStringLiteral("100000000"));
        QVERIFY(fresh.Load(60.0, kSmall));
        QCOMPARE(Controls(fresh), QStringLiteral("110010110"));
    }

    // Markers imported with times enable Split as Add Marker does, but not during playback.
    void importedTimes() {
        Window w;
        QVERIFY(w.Load(60.0, kSmall));
        const std::string labels = "10.000000\t10.000000\tOne\n20.000000\t20.000000\tTwo\n";
        fixture::WriteText(w.dir / "labels.txt", labels);
        Click(w, ids::kPlay);
        w.RunWith(ids::kCmdImportLabels, w.dir / "labels.txt");
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{3});
        QCOMPARE(Controls(w).left(4), QStringLiteral("0011"));

        Window idle;
        QVERIFY(idle.Load(60.0, kSmall));
        fixture::WriteText(idle.dir / "labels.txt", labels);
        idle.RunWith(ids::kCmdImportLabels, idle.dir / "labels.txt");
        QCOMPARE(idle.dlg.Session().Markers().Count(), std::size_t{3});
        QCOMPARE(Controls(idle).left(5), QStringLiteral("11001"));
    }
};

QTEST_MAIN(ControlStatesWindowTest)
#include "ControlStatesWindowTest.moc"
