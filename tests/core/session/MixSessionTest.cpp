#include "core/session/MixSession.h"
#include "core/markers/MarkerPrint.h"
#include "core/play/RecordingWaveOut.h"
#include "core/project/ProjectFile.h"
#include "support/WavFixture.h"

#include <bit>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace changed = sundrel::changed;
using sundrel::Marker;
using sundrel::MarkerList;
using sundrel::MixSession;
using Told = std::vector<unsigned>;

// 16-bit stereo at 2500 Hz: 1,000,000 bytes of audio, 250,000 frames, exactly 100 s, so
// a position of p seconds is p % and the worked numbers of Split apply.
const fixture::Format kFormat{1, 2, 2500, 16};
constexpr std::int64_t kFrames = 250'000;

void WriteMix(const std::filesystem::path& path, std::size_t frames) {
    fixture::WriteFile(path, fixture::CanonicalWav(kFormat, fixture::Bytes(frames * 4)));
}

std::shared_ptr<CWaveFile> Open(const std::filesystem::path& path) {
    return std::make_shared<CWaveFile>(path);
}

// No sound card: every play goes to a recording device that never finishes a block, so a
// play runs until it is stopped.
sundrel::PlaybackSession::DeviceFactory NoSoundCard() {
    return [] { return std::make_unique<testing_play::RecordingWaveOut>(); };
}

struct Listener : sundrel::SessionListener {
    Told told;
    void OnSessionChanged(unsigned what) override { told.push_back(what); }
};

// The marker list as one line: "entry=frame[@percent%][:title/artist]" for each element,
// then the selected entry.
std::string Describe(const MixSession& session) {
    std::ostringstream out;
    const MarkerList& list = session.Markers();
    for (std::size_t k = 0; k < list.Count(); ++k) {
        out << (k ? ", " : "") << list.Entries()[k] << "=";
        sundrel::PrintTo(*list.At(k), &out);
    }
    out << " | sel " << session.Selected();
    return out.str();
}

const std::string kFresh = "List Marker..=0@0% | sel 0";

class MixSessionTest : public ::testing::Test {
  protected:
    fixture::TempDir dir;
    std::filesystem::path mix = dir / "mix.wav";
    MixSession session{NoSoundCard()};
    Listener listener;

    void SetUp() override {
        WriteMix(mix, kFrames);
        session.Load(Open(mix), false);
        session.AddListener(&listener);
    }
    void TearDown() override { session.RemoveListener(&listener); }
};

// ---- Operations as tables

// One operation of a sequence, and whether the session should report it done.
struct Op {
    std::function<bool(MixSession&)> run;
    bool ok = true;
};

Op AddFrame(std::int64_t frame) {
    return {[=](MixSession& s) { return s.AddAtFrame(frame).has_value(); }};
}
Op AddPos(float seconds) {
    return {[=](MixSession& s) {
        s.SetPosition(seconds);
        return s.AddAtPosition().has_value();
    }};
}
Op Move(std::size_t index, std::int64_t frame, bool ok = true) {
    return {[=](MixSession& s) { return s.Move(index, frame); }, ok};
}
Op Remove(std::size_t index, bool ok = true) {
    return {[=](MixSession& s) { return s.Remove(index); }, ok};
}
Op Rename(std::size_t index, const char* title, const char* artist, bool ok = true) {
    return {[=](MixSession& s) { return s.Rename(index, title, artist); }, ok};
}
Op Change(std::size_t index, float seconds, bool ok = true) {
    return {[=](MixSession& s) {
                s.SetPosition(seconds);
                return s.ChangeToPosition(index);
            },
            ok};
}
Op Select(std::size_t entry) {
    return {[=](MixSession& s) {
        s.Select(entry);
        return true;
    }};
}
Op Undo(bool ok = true) {
    return {[](MixSession& s) { return s.Undo(); }, ok};
}
Op Redo(bool ok = true) {
    return {[](MixSession& s) { return s.Redo(); }, ok};
}
const Op kBegin{[](MixSession& s) {
    s.BeginGesture();
    return true;
}};
const Op kEnd{[](MixSession& s) {
    s.EndGesture();
    return true;
}};

struct Sequence {
    const char* name;
    std::vector<Op> ops;
    std::string markers; // Describe() at the end
    std::size_t steps;   // undo steps back to the fresh list
    bool canRedo = false;
};

TEST_F(MixSessionTest, SequencesEndInTheExpectedMarkers) {
    const Sequence cases[] = {
        {"frames and positions",
         {AddFrame(1000), AddPos(50)},
         "List Marker..=0@0%, Marker 1=1000, Marker 2=124999@50% | sel 2",
         2},
        {"ANP to the start, then a move",
         {AddFrame(1), Change(1, 0), Move(1, 7)},
         "List Marker..=0@0%, Marker 1=7 | sel 1",
         3},
        // Removing the selected marker selects the entry before it.
        {"remove the selected",
         {AddFrame(10), AddFrame(20), AddFrame(30), Select(2), Remove(2)},
         "List Marker..=0@0%, Marker 1=10, Marker 3=30 | sel 1",
         4},
        // Removing one before the selection keeps the same marker selected.
        {"remove before the selected",
         {AddFrame(10), AddFrame(20), AddFrame(30), Remove(1)},
         "List Marker..=0@0%, Marker 2=20, Marker 3=30 | sel 2",
         4},
        {"the start stays",
         {AddFrame(10), Remove(0, false), Move(0, 500, false), Change(0, 50, false)},
         "List Marker..=0@0%, Marker 1=10 | sel 1",
         1},
        {"outside the list",
         {AddFrame(10), Remove(2, false), Move(2, 5, false), Rename(9, "x", "", false),
          Change(2, 50, false), Select(7)},
         "List Marker..=0@0%, Marker 1=10 | sel 0",
         1},
        {"moves are held within the mix",
         {AddFrame(10), Move(1, -7), AddFrame(20), Move(2, 1'000'000'000'000)},
         "List Marker..=0@0%, Marker 1=0, Marker 2=250000 | sel 2",
         4},
        {"adds are held within the mix",
         {AddFrame(-5), AddFrame(kFrames + 1)},
         "List Marker..=0@0%, Marker 1=0, Marker 2=250000 | sel 2",
         2},
        {"a percentage marker moved is exact",
         {AddPos(50), Move(1, 100'000)},
         "List Marker..=0@0%, Marker 1=100000 | sel 1",
         2},
        {"ANP makes a frame marker a percentage, names kept",
         {AddFrame(1000), Rename(1, "Intro", "DJ"), Change(1, 50)},
         "List Marker..=0@0%, Marker 1=124999@50%:Intro/DJ | sel 1",
         3},
        {"rename",
         {AddFrame(10), AddFrame(20), Rename(1, "Intro", "DJ"), Rename(2, "", "B"),
          Rename(1, "Intro", "")},
         "List Marker..=0@0%, Marker 1=10:Intro/, Marker 2=20:/B | sel 2",
         5},
        // The start marker names the first track; it stays at the start.
        {"the start takes names",
         {AddFrame(10), Rename(0, "Intro", "DJ"), Rename(0, "Intro", "DJ", false),
          Move(0, 5, false)},
         "List Marker..=0@0%:Intro/DJ, Marker 1=10 | sel 1",
         2},
        // Edits that change nothing are no steps.
        {"no change",
         {AddFrame(10), Rename(1, "", "", false), Move(1, 10, false), AddPos(50),
          Change(2, 50, false)},
         "List Marker..=0@0%, Marker 1=10, Marker 2=124999@50% | sel 2",
         2},
        {"undo and redo a remove",
         {AddFrame(10), AddFrame(20), Remove(1), Undo(), Undo(), Redo(), Redo()},
         "List Marker..=0@0%, Marker 2=20 | sel 1",
         3},
        {"undo restores the selection",
         {AddFrame(10), AddFrame(20), Select(1), Remove(1), Undo()},
         "List Marker..=0@0%, Marker 1=10, Marker 2=20 | sel 1",
         2,
         true},
        {"undo restores names and frames",
         {AddFrame(10), Rename(1, "A", "B"), Move(1, 99), Undo(), Undo()},
         "List Marker..=0@0%, Marker 1=10 | sel 1",
         1,
         true},
        // A new edit drops the steps that could be redone.
        {"an edit after undo",
         {AddFrame(10), AddFrame(20), Undo(), AddFrame(30), Redo(false)},
         "List Marker..=0@0%, Marker 1=10, Marker 2=30 | sel 2",
         2},
        // Undoing a remove of a percentage marker puts the others' frames back too.
        {"undo a percentage remove",
         {AddPos(50), AddPos(25), AddPos(75), Remove(2), Undo()},
         "List Marker..=0@0%, Marker 1=124999@50%, Marker 2=62499@25%, Marker 3=187498@75% | "
         "sel 3",
         3,
         true},
        // A drag is one step, however many moves it makes.
        {"drag",
         {AddFrame(1000), kBegin, Move(1, 1100), Move(1, 1200), Move(1, 1300), kEnd},
         "List Marker..=0@0%, Marker 1=1300 | sel 1",
         2},
    };
    for (const Sequence& c : cases) {
        SCOPED_TRACE(c.name);
        MixSession s(NoSoundCard());
        s.Load(Open(mix), false);
        for (std::size_t i = 0; i < c.ops.size(); ++i) {
            EXPECT_EQ(c.ops[i].run(s), c.ops[i].ok) << "op " << i;
        }
        EXPECT_EQ(Describe(s), c.markers);
        EXPECT_EQ(s.CanRedo(), c.canRedo);
        // Every step undoes to the fresh list, and redoing them all comes back.
        const std::string end = Describe(s);
        std::size_t steps = 0;
        while (s.Undo()) {
            ++steps;
        }
        EXPECT_EQ(steps, c.steps);
        EXPECT_EQ(Describe(s), kFresh);
        EXPECT_FALSE(s.IsModified());
        if (!c.canRedo) {
            for (std::size_t i = 0; i < steps; ++i) {
                EXPECT_TRUE(s.Redo());
            }
            EXPECT_EQ(Describe(s), end);
        }
    }
}

// ---- The modified flag and the title

TEST_F(MixSessionTest, ModifiedFollowsEditsSavesAndUndo) {
    const std::filesystem::path project = dir / "set.sdr";
    struct Step {
        const char* what;
        std::function<void()> run;
        bool modified;
        const char* title;
    };
    const Step steps[] = {
        {"loaded", [] {}, false, "mix.wav - Sundrel"},
        {"add", [&] { session.AddAtFrame(1000); }, true, "mix.wav* - Sundrel"},
        {"save", [&] { session.SaveProject(project); }, false, "set.sdr - Sundrel"},
        {"no change", [&] { session.Move(1, 1000); }, false, "set.sdr - Sundrel"},
        // A drag back to where it started is no step: undo past the saved state below still
        // takes the add.
        {"drag back to the start",
         [&] {
             session.BeginGesture();
             session.Move(1, 1500);
             session.Move(1, 1000);
             session.EndGesture();
         },
         false, "set.sdr - Sundrel"},
        {"select", [&] { session.Select(0); }, false, "set.sdr - Sundrel"},
        {"sort", [&] { session.SortMarkers(); }, false, "set.sdr - Sundrel"},
        {"move", [&] { session.Move(1, 2000); }, true, "set.sdr* - Sundrel"},
        {"undo to the saved", [&] { session.Undo(); }, false, "set.sdr - Sundrel"},
        {"redo", [&] { session.Redo(); }, true, "set.sdr* - Sundrel"},
        {"undo again", [&] { session.Undo(); }, false, "set.sdr - Sundrel"},
        {"undo past the saved", [&] { session.Undo(); }, true, "set.sdr* - Sundrel"},
        {"redo to the saved", [&] { session.Redo(); }, false, "set.sdr - Sundrel"},
        // Past the saved state, then a new edit: the saved state cannot come back by redo.
        {"undo", [&] { session.Undo(); }, true, "set.sdr* - Sundrel"},
        {"other edit", [&] { session.AddAtFrame(5); }, true, "set.sdr* - Sundrel"},
        {"undo it", [&] { session.Undo(); }, true, "set.sdr* - Sundrel"},
        {"save again", [&] { session.SaveProject(project); }, false, "set.sdr - Sundrel"},
        {"open", [&] { session.OpenProject(project); }, false, "set.sdr - Sundrel"},
        {"add after open", [&] { session.AddAtFrame(7); }, true, "set.sdr* - Sundrel"},
        // Another mix: the project is forgotten; kept markers are unsaved work for it.
        {"load keeping", [&] { session.Load(Open(mix), true); }, true, "mix.wav* - Sundrel"},
        {"load fresh", [&] { session.Load(Open(mix), false); }, false, "mix.wav - Sundrel"},
        // Only the start marker to keep: nothing unsaved.
        {"load keeping nothing", [&] { session.Load(Open(mix), true); }, false,
         "mix.wav - Sundrel"},
    };
    for (const Step& step : steps) {
        step.run();
        EXPECT_EQ(session.IsModified(), step.modified) << step.what;
        EXPECT_EQ(session.WindowTitle(), step.title) << step.what;
    }
    EXPECT_FALSE(session.CanUndo()); // a load forgets the history
    EXPECT_FALSE(session.CanRedo());
}

TEST(MixSessionTitle, NoMixNoName) {
    MixSession session(NoSoundCard());
    EXPECT_EQ(session.WindowTitle(), "Sundrel");
    EXPECT_FALSE(session.IsModified());
    EXPECT_FALSE(session.AddAtFrame(10).has_value());
    EXPECT_FALSE(session.AddAtPosition().has_value());
    EXPECT_EQ(session.Frames(), 0);
    EXPECT_EQ(Describe(session), kFresh);
}

// ---- What listeners are told

TEST_F(MixSessionTest, ListenersAreToldOncePerOperationWithWhatChanged) {
    const unsigned edit = changed::kMarkers | changed::kDocument;
    const unsigned editSelect = edit | changed::kSelection;
    const unsigned fresh =
        changed::kMix | changed::kMarkers | changed::kSelection | changed::kDocument;
    const std::filesystem::path project = dir / "set.sdr";
    const auto play = [&] {
        session.Play([](std::uint64_t) { return MixSession::PlayCallbacks{}; });
    };
    struct Step {
        const char* what;
        std::function<void()> run;
        Told told;
    };
    const Step steps[] = {
        {"add at a frame", [&] { session.AddAtFrame(100); }, {editSelect}},
        {"add at the position",
         [&] {
             session.SetPosition(50.0f);
             session.AddAtPosition();
         },
         {editSelect}},
        {"add another", [&] { session.AddAtFrame(300); }, {editSelect}},
        {"move", [&] { session.Move(1, 200); }, {edit}},
        {"rename", [&] { session.Rename(1, "A", "B"); }, {edit}},
        {"same frame", [&] { session.Move(1, 200); }, {}},
        {"same names", [&] { session.Rename(1, "A", "B"); }, {}},
        {"ANP", [&] { session.ChangeToPosition(1); }, {edit}},
        {"select", [&] { session.Select(1); }, {changed::kSelection}},
        {"select the same", [&] { session.Select(1); }, {}},
        // The selected entry moves up with the marker it names.
        {"remove the selected", [&] { session.Remove(1); }, {editSelect}},
        {"remove after the selected", [&] { session.Remove(2); }, {edit}},
        {"undo", [&] { session.Undo(); }, {editSelect}},
        {"redo", [&] { session.Redo(); }, {editSelect}},
        {"nothing to redo", [&] { session.Redo(); }, {}},
        {"the start", [&] { session.Remove(0); }, {}},
        {"outside", [&] { session.Move(9, 5); }, {}},
        {"gesture without edits",
         [&] {
             session.BeginGesture();
             session.EndGesture();
         },
         {}},
        {"sorted already", [&] { session.SortMarkers(); }, {}},
        {"out of order", [&] { session.AddAtFrame(10); }, {editSelect}},
        {"sort", [&] { session.SortMarkers(); }, {changed::kMarkers}},
        {"save", [&] { session.SaveProject(project); }, {changed::kDocument}},
        {"open", [&] { session.OpenProject(project); }, {fresh}},
        {"load fresh", [&] { session.Load(Open(mix), false); }, {fresh}},
        {"load keeping",
         [&] { session.Load(Open(mix), true); },
         {changed::kMix | changed::kMarkers | changed::kDocument}},
        {"play", play, {changed::kTransport}},
        {"stop", [&] { session.StopPlayback(); }, {changed::kTransport}},
        {"stop again", [&] { session.StopPlayback(); }, {}},
        // Loading or opening while a mix plays stops it, and that is still one change.
        {"play", play, {changed::kTransport}},
        {"load while playing",
         [&] { session.Load(Open(mix), false); },
         {fresh | changed::kTransport}},
        {"play", play, {changed::kTransport}},
        {"open while playing",
         [&] { session.OpenProject(project); },
         {fresh | changed::kTransport}},
    };
    for (const Step& step : steps) {
        listener.told.clear();
        step.run();
        EXPECT_EQ(listener.told, step.told) << step.what;
        EXPECT_EQ(session.IsPlaying(), std::string(step.what) == "play") << step.what;
    }
}

TEST_F(MixSessionTest, FailedSaveAndOpenChangeNothingAndTellNothing) {
    session.AddAtFrame(100);
    session.Rename(1, "A", "");
    const std::string before = Describe(session);
    const std::shared_ptr<CWaveFile> wave = session.Wave();
    listener.told.clear();

    EXPECT_THROW(session.SaveProject(dir / "no such folder" / "x.sdr"), sundrel::ProjectError);
    fixture::WriteFile(dir / "bad.sdr", fixture::Bytes(9, std::byte{'x'}));
    EXPECT_THROW(session.OpenProject(dir / "bad.sdr"), sundrel::ProjectError);
    EXPECT_THROW(session.OpenProject(dir / "missing.sdr"), sundrel::ProjectError);
    // A good project whose mix is gone.
    sundrel::WriteProject(
        dir / "orphan.sdr", (dir / "gone.wav").string(),
        std::vector<sundrel::Marker>{sundrel::PercentMarker(0.0f), sundrel::PercentMarker(10.0f)});
    EXPECT_THROW(session.OpenProject(dir / "orphan.sdr"), sundrel::ProjectError);

    EXPECT_EQ(listener.told, Told{});
    EXPECT_EQ(Describe(session), before);
    EXPECT_EQ(session.Wave(), wave);
    EXPECT_TRUE(session.IsModified());
    EXPECT_TRUE(session.ProjectPath().empty());
    EXPECT_EQ(session.WindowTitle(), "mix.wav* - Sundrel");
    EXPECT_TRUE(session.CanUndo());
}

TEST_F(MixSessionTest, ARemovedListenerIsNotTold) {
    Listener other;
    session.AddListener(&other);
    session.AddAtFrame(10);
    session.RemoveListener(&other);
    session.AddAtFrame(20);
    EXPECT_EQ(other.told.size(), 1u);
    EXPECT_EQ(listener.told.size(), 2u);

    // A listener may leave while it is being told; the others are still told.
    struct Leaving : sundrel::SessionListener {
        MixSession* s = nullptr;
        int calls = 0;
        void OnSessionChanged(unsigned) override {
            ++calls;
            s->RemoveListener(this);
        }
    } leaving;
    leaving.s = &session;
    session.AddListener(&leaving);
    session.AddListener(&other);
    session.Remove(1);
    session.Remove(1);
    EXPECT_EQ(leaving.calls, 1);
    EXPECT_EQ(other.told.size(), 3u);
    session.RemoveListener(&other);
}

// The start marker stays element 0 through a sort, so it still cannot be removed, and a
// named marker at the first frame (a cue sheet's first track) can still be renamed.
TEST_F(MixSessionTest, SortKeepsTheStartMarkerFirst) {
    session.AddAtFrame(500);
    session.AddAtFrame(0, "Intro", "DJ");
    session.SortMarkers();
    ASSERT_EQ(session.Markers().Count(), 3u);
    EXPECT_EQ(*session.Markers().At(0), sundrel::PercentMarker(0.0f));
    EXPECT_EQ(session.Markers().At(1)->title, "Intro");
    EXPECT_TRUE(session.Rename(1, "Intro (edit)", "DJ"));
    EXPECT_FALSE(session.Remove(0));
    EXPECT_EQ(session.Markers().Count(), 3u);
}

// ---- Limits

TEST_F(MixSessionTest, TheListHoldsAtMost255Markers) {
    for (std::int64_t i = 1; i < 255; ++i) {
        ASSERT_EQ(session.AddAtFrame(i * 100), static_cast<std::size_t>(i));
    }
    EXPECT_EQ(session.Markers().Count(), 255u);
    session.SetPosition(50.0f);
    EXPECT_EQ(session.CheckAddAtPosition(), sundrel::AddMarkerCheck::ListFull);
    EXPECT_EQ(session.AddAtPercent(60.0f), sundrel::AddMarkerCheck::ListFull); // typed ones too
    EXPECT_EQ(session.AddAtTime(40.0), sundrel::AddMarkerCheck::ListFull);
    const std::string full = Describe(session);
    listener.told.clear();
    EXPECT_FALSE(session.AddAtFrame(5).has_value());
    EXPECT_FALSE(session.AddAtPosition().has_value());
    EXPECT_EQ(listener.told, Told{});
    EXPECT_EQ(Describe(session), full);
    // The refusals are no steps: one undo takes the last add.
    EXPECT_TRUE(session.Undo());
    EXPECT_EQ(session.Markers().Count(), 254u);
    EXPECT_TRUE(session.AddAtPosition().has_value());
}

// ---- Where a marker is

TEST_F(MixSessionTest, TimeAndViewOfAMarker) {
    session.AddAtFrame(2500 * 37);        // 37 s
    session.AddAtFrame(2500 * 37 + 1250); // 37.5 s
    session.SetPosition(25.0f);
    session.AddAtPosition(); // 25 %
    EXPECT_EQ(session.SecondsOf(0), 0.0);
    EXPECT_EQ(session.SecondsOf(1), 37.0);
    EXPECT_EQ(session.SecondsOf(2), 37.5);
    EXPECT_EQ(session.SecondsOf(3), 25.0);
    EXPECT_EQ(session.SecondsOf(4), std::nullopt);
    const auto view = session.ViewOf(2);
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(std::tuple(view->slider, view->position, view->viewFrom, view->viewTo),
              std::tuple(375, 37.5f, 36.5f, 38.5f));
    const auto percent = session.ViewOf(3);
    ASSERT_TRUE(percent.has_value());
    EXPECT_EQ(std::tuple(percent->slider, percent->position), std::tuple(250, 25.0f));
    EXPECT_EQ(session.ViewOf(4), std::nullopt);
}

// ---- Loading another mix

TEST_F(MixSessionTest, LoadingAnotherMixKeepsOrDropsTheMarkers) {
    const std::filesystem::path longer = dir / "long.wav";
    WriteMix(longer, 2 * kFrames);
    session.SetPosition(50.0f);
    session.AddAtPosition();     // 50 %
    session.AddAtFrame(200'000); // a frame marker
    session.Rename(2, "Outro", "DJ");

    session.Load(Open(longer), true);
    // The percentage moves with the length (2,000,000 bytes: 999,996); the frame stays.
    EXPECT_EQ(Describe(session),
              "List Marker..=0@0%, Marker 1=249999@50%, Marker 2=200000:Outro/DJ | sel 2");
    EXPECT_EQ(session.WavePath(), longer);
    EXPECT_FALSE(session.CanUndo());
    EXPECT_TRUE(session.IsModified());

    // A shorter mix holds every kept marker within it: Split and the view never see a
    // boundary beyond the audio.
    const std::filesystem::path shorter = dir / "short.wav";
    WriteMix(shorter, 100'000);
    session.Load(Open(shorter), true);
    ASSERT_EQ(session.Frames(), 100'000);
    for (const Marker& m : session.Markers().Markers()) {
        EXPECT_LE(m.frame, session.Frames()) << m.frame;
    }

    session.Load(Open(mix), false);
    EXPECT_EQ(Describe(session), kFresh);
    EXPECT_FALSE(session.IsModified());
}

// ---- Projects

TEST_F(MixSessionTest, PercentageProjectRoundTrips) {
    session.SetPosition(25.0f);
    session.AddAtPosition();
    session.SetPosition(75.0f);
    session.AddAtPosition();
    session.SetPosition(50.0f);
    session.AddAtPosition();
    session.Remove(2); // entries "Marker 1", "Marker 3": an opened project numbers afresh
    session.SaveProject(dir / "set.sdr");
    EXPECT_EQ(session.ProjectPath(), dir / "set.sdr");

    MixSession opened(NoSoundCard());
    EXPECT_TRUE(opened.OpenProject(dir / "set.sdr"));
    EXPECT_EQ(Describe(opened),
              "List Marker--=0@0%, Marker 1=62499@25%, Marker 2=124999@50% | sel 0");
    EXPECT_EQ(opened.WavePath(), mix);
    EXPECT_EQ(opened.Frames(), kFrames);
    EXPECT_EQ(opened.ProjectPath(), dir / "set.sdr");
    EXPECT_FALSE(opened.IsModified());
    EXPECT_FALSE(opened.CanUndo());
    EXPECT_EQ(opened.WindowTitle(), "set.sdr - Sundrel");
    // Numbering goes on after the opened markers.
    opened.AddAtFrame(10);
    EXPECT_EQ(opened.Markers().Entries().back(), "Marker 3");
}

// A version 1 project names no mix: its markers go onto the mix that is open.
TEST_F(MixSessionTest, AVersion1ProjectKeepsTheOpenMix) {
    fixture::Bytes v1;
    fixture::PutId(v1, "Sndr");
    v1.push_back(std::byte{'l'});
    v1.push_back(std::byte{1});
    v1.push_back(std::byte{2});
    for (float p : {0.0f, 50.0f}) {
        fixture::Put32(v1, std::bit_cast<std::uint32_t>(p));
    }
    fixture::WriteFile(dir / "old.sdr", v1);
    session.AddAtFrame(100);
    const std::shared_ptr<CWaveFile> wave = session.Wave();
    listener.told.clear();

    EXPECT_FALSE(session.OpenProject(dir / "old.sdr"));
    EXPECT_EQ(session.Wave(), wave);
    EXPECT_EQ(session.WavePath(), mix);
    EXPECT_EQ(Describe(session), "List Marker--=0@0%, Marker 1=124999@50% | sel 0");
    EXPECT_EQ(listener.told, Told{changed::kMarkers | changed::kSelection | changed::kDocument});
    EXPECT_FALSE(session.IsModified());
    EXPECT_EQ(session.WindowTitle(), "old.sdr - Sundrel");
}

} // namespace

// Split through the session: the markers sorted first, then cut at their exact frames (4 bytes
// a frame here); the job keeps its own copy, so later edits do not reach a running split.
TEST_F(MixSessionTest, SplitCutsAtTheMarkersFramesInOrder) {
    session.AddAtFrame(200'000);
    session.AddAtFrame(1'234);
    const MixSession::SplitJob split = session.PrepareSplit();
    EXPECT_EQ(session.Markers().At(1)->frame, 1'234);
    session.Remove(2);
    const std::vector<sundrel::SplitTrack> tracks = split(dir.Path());
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(tracks[0].span, (sundrel::TrackSpan{0, 1'234 * 4}));
    EXPECT_EQ(tracks[1].span, (sundrel::TrackSpan{1'234 * 4, (200'000 - 1'234) * 4}));
    EXPECT_EQ(tracks[2].span, (sundrel::TrackSpan{200'000 * 4, (kFrames - 200'000) * 4}));
    EXPECT_EQ(session.TrackCount(), 2u);
}
