// Markers from outside the list on the open mix: marker files (one undo step each, nothing
// changed by a refusal, the mix's names kept with the project) and suggested boundaries
// (accepted as exact markers, dismissed, moved, dropped with the mix they belong to).

#include "core/interop/MarkerImport.h"
#include "core/project/ProjectFile.h"
#include "core/session/MixSession.h"
#include "support/SessionOnMix.h"
#include "support/Thrown.h"
#include "support/WavFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using sundrel::ExactTime;
using sundrel::InteropError;
using sundrel::MarkerSet;
using sundrel::MixInfo;
using sundrel::Suggestion;
using sundrel::SuggestionKind;

Suggestion Suggested(std::int64_t frame, double confidence, SuggestionKind kind) {
    Suggestion s;
    s.frame = frame;
    s.confidence = confidence;
    s.kind = kind;
    return s;
}

std::vector<std::string> Titles(const sundrel::MixSession& session) {
    std::vector<std::string> titles;
    for (const sundrel::TrackEntry& t : session.ExportSet().tracks) {
        titles.push_back(t.title + "@" + std::to_string(t.start->ticks));
    }
    return titles;
}

std::vector<std::int64_t> SuggestedFrames(const sundrel::MixSession& session) {
    std::vector<std::int64_t> frames;
    for (const Suggestion& s : session.Suggestions()) {
        frames.push_back(s.frame);
    }
    return frames;
}

using Import = fixture::SessionOnMix;

TEST_F(Import, TimesReplaceTheMarkersAsOneStep) {
    session.AddAtFrame(5000, "old");
    MarkerSet cue;
    cue.title = "Live";
    cue.artist = "DJ";
    cue.tracks = {{ExactTime{0, 75}, "One", "A"}, {ExactTime{75 * 30, 75}, "Two", "B"}};
    const auto outcome = session.Import(cue);
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->timed);
    EXPECT_EQ(outcome->tracks, 2u);
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"One@0", "Two@30000"}));
    EXPECT_EQ(session.Names(), (MixInfo{"Live", "DJ"}));
    EXPECT_TRUE(session.IsModified());
    // The project keeps the names; undo brings back the markers and names before the import.
    session.SaveProject(dir / "p.sdr");
    ASSERT_TRUE(session.Undo());
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0", "old@5000"}));
    EXPECT_EQ(session.Names(), MixInfo{});
    sundrel::MixSession reopened{{}};
    reopened.OpenProject(dir / "p.sdr");
    EXPECT_EQ(Titles(reopened), (std::vector<std::string>{"One@0", "Two@30000"}));
    EXPECT_EQ(reopened.Names(), (MixInfo{"Live", "DJ"}));
}

// Edit > Shift Markers and the snap to the analysis's transitions: every marker but the start
// moves, as one undo step each; a shift out of the mix changes nothing.
TEST_F(Import, ShiftAndSnapMoveAllButTheStartAsOneStepEach) {
    session.AddAtFrame(20'000, "a");
    session.AddAtFrame(50'000, "b");
    ASSERT_TRUE(session.ShiftMarkers(2.5));
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0", "a@22500", "b@52500"}));
    EXPECT_THROW(session.ShiftMarkers(-22.5), sundrel::MarkerMoveError);
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0", "a@22500", "b@52500"}));
    const std::vector<Suggestion> candidates = {Suggested(3000, 1.0, SuggestionKind::Silence),
                                                Suggested(22'000, 0.8, SuggestionKind::Transition),
                                                Suggested(52'600, 0.5, SuggestionKind::Transition)};
    const auto moves = session.SnapMarkers(candidates, 1.0);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].to, 22'000);
    EXPECT_EQ(moves[1].to, 52'600);
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0", "a@22000", "b@52600"}));
    ASSERT_TRUE(session.Undo());
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0", "a@22500", "b@52500"}));
    ASSERT_TRUE(session.Undo());
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0", "a@20000", "b@50000"}));
}

TEST_F(Import, NamesWithoutTimesNameTheMarkersOrChangeNothing) {
    session.AddAtFrame(60'000);
    session.AddAtFrame(20'000);
    MarkerSet names;
    names.tracks = {{{}, "Intro", ""}, {{}, "Middle", "M"}};
    const auto refused = fixture::Thrown<InteropError>([&] { session.Import(names); });
    ASSERT_TRUE(refused);
    EXPECT_THAT(refused->what(), testing::HasSubstr("names 2 tracks, but the markers make 3"));
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0", "@20000", "@60000"}));
    names.tracks.push_back({{}, "Last", ""});
    const auto outcome = session.Import(names);
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->timed);
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"Intro@0", "Middle@20000", "Last@60000"}));
    // The start marker takes a name like any other and keeps it through undo and redo.
    EXPECT_TRUE(session.Rename(0, "Opening", ""));
    EXPECT_TRUE(session.Undo());
    EXPECT_TRUE(session.Undo());
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0", "@20000", "@60000"}));
    EXPECT_TRUE(session.Redo());
    EXPECT_TRUE(session.Redo());
    EXPECT_EQ(Titles(session).front(), "Opening@0");
}

TEST_F(Import, RefusedTimesChangeNothing) {
    session.AddAtFrame(5000, "kept");
    MarkerSet late;
    late.tracks = {{ExactTime{0, 1}, "", ""}, {ExactTime{100, 1}, "", ""}};
    EXPECT_TRUE(fixture::Thrown<InteropError>([&] { session.Import(late); }));
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0", "kept@5000"}));
    EXPECT_FALSE(session.CanRedo());
    // Mix names alone are an edit of their own.
    EXPECT_TRUE(session.SetNames({"T", ""}));
    EXPECT_FALSE(session.SetNames({"T", ""}));
    EXPECT_TRUE(session.Undo());
    EXPECT_EQ(session.Names(), MixInfo{});
}

// A tracklist without times for a mix without markers: its names wait for the suggested
// boundaries and are given with them, in one undo step.
TEST_F(Import, HeldNamesNameTheAcceptedSuggestions) {
    MarkerSet names;
    names.tracks = {{{}, "One", "A"}, {{}, "Two", "B"}, {{}, "Three", "C"}};
    EXPECT_TRUE(fixture::Thrown<InteropError>([&] { session.Import(names); }));
    session.HoldNames(names);
    session.SetSuggestions({Suggested(70'000, 0.5, SuggestionKind::Transition),
                            Suggested(30'000, 0.9, SuggestionKind::Silence)});
    EXPECT_EQ(session.AcceptAllSuggestions(), 2u);
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"One@0", "Two@30000", "Three@70000"}));
    EXPECT_FALSE(session.HeldNames());
    EXPECT_TRUE(session.Undo());
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0"}));
    // Too few suggestions: the names keep waiting, the markers come unnamed.
    session.HoldNames(names);
    session.SetSuggestions({Suggested(30'000, 0.9, SuggestionKind::Silence)});
    session.AcceptAllSuggestions();
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0", "@30000"}));
    EXPECT_TRUE(session.HeldNames());
}

class Suggestions : public Import {
  protected:
    void SetUp() override {
        Import::SetUp();
        session.SetSuggestions({Suggested(20'000, 0.9, SuggestionKind::Silence),
                                Suggested(50'000, 0.5, SuggestionKind::Transition),
                                Suggested(80'000, 0.7, SuggestionKind::Transition)});
    }
};

TEST_F(Suggestions, AcceptDismissAndMoveOneAtATime) {
    session.SetCurrentSuggestion(1);
    EXPECT_EQ(session.CurrentSuggestion(), std::optional<std::size_t>(1));
    // Moved first, then accepted: the marker lands where it was moved, exactly.
    EXPECT_TRUE(session.MoveSuggestion(1, 51'234));
    EXPECT_EQ(session.AcceptSuggestion(1), std::optional<std::size_t>(1));
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0", "@51234"}));
    EXPECT_EQ(session.Selected(), 1u);
    EXPECT_EQ(SuggestedFrames(session), (std::vector<std::int64_t>{20'000, 80'000}));
    EXPECT_FALSE(session.CurrentSuggestion());
    EXPECT_TRUE(session.DismissSuggestion(0));
    EXPECT_EQ(SuggestedFrames(session), (std::vector<std::int64_t>{80'000}));
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0", "@51234"}));
    // Out of range: nothing happens.
    EXPECT_FALSE(session.AcceptSuggestion(5));
    EXPECT_FALSE(session.DismissSuggestion(5));
    EXPECT_FALSE(session.MoveSuggestion(5, 1));
    session.SetCurrentSuggestion(7);
    EXPECT_FALSE(session.CurrentSuggestion());
    // A move is held within the mix.
    EXPECT_TRUE(session.MoveSuggestion(0, 1'000'000));
    EXPECT_EQ(SuggestedFrames(session), (std::vector<std::int64_t>{100'000}));
    // Cycling goes through the alternatives and back; a suggestion without any stays.
    EXPECT_FALSE(session.CycleSuggestion(0));
    Suggestion s = Suggested(40'000, 0.6, SuggestionKind::Transition);
    s.alternatives = {{45'000, 0.3}};
    session.SetSuggestions({s});
    EXPECT_TRUE(session.CycleSuggestion(0));
    EXPECT_EQ(SuggestedFrames(session), (std::vector<std::int64_t>{45'000}));
    EXPECT_EQ(session.CurrentSuggestion(), std::optional<std::size_t>(0));
    EXPECT_TRUE(session.CycleSuggestion(0));
    EXPECT_EQ(session.Suggestions(), std::vector<Suggestion>{s});
    EXPECT_FALSE(session.CycleSuggestion(1));
    // Undo takes back the accepted marker (the suggestion list is not history).
    EXPECT_TRUE(session.Undo());
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0"}));
}

TEST_F(Suggestions, AcceptAllIsOneUndoStepAndLoadingDropsThem) {
    EXPECT_EQ(session.AcceptAllSuggestions(), 3u);
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0", "@20000", "@50000", "@80000"}));
    EXPECT_TRUE(session.Suggestions().empty());
    EXPECT_TRUE(session.IsModified());
    EXPECT_TRUE(session.Undo());
    EXPECT_EQ(Titles(session), (std::vector<std::string>{"@0"}));
    EXPECT_FALSE(session.CanUndo());
    EXPECT_TRUE(session.Redo());
    EXPECT_EQ(Titles(session).size(), 4u);

    session.SetSuggestions({Suggested(10'000, 1.0, SuggestionKind::Silence)});
    session.Load(std::make_shared<CWaveFile>(dir / "mix.wav"), true);
    EXPECT_TRUE(session.Suggestions().empty());
}

// Saving the project over the loaded mix, by any name that leads to it, is refused and the
// mix is kept; saving over the opened project is ordinary.
TEST_F(Import, SavingOverTheMixIsRefused) {
    const fixture::Bytes mix = fixture::ReadFile(dir / "mix.wav");
    std::filesystem::create_symlink(dir / "mix.wav", dir / "link.sdr");
    for (const auto& path : {dir / "mix.wav", dir / "link.sdr"}) {
        const auto e = fixture::Thrown<sundrel::ProjectError>([&] { session.SaveProject(path); });
        ASSERT_TRUE(e);
        EXPECT_THAT(e->what(), testing::HasSubstr("this is the mix"));
    }
    EXPECT_EQ(fixture::ReadFile(dir / "mix.wav"), mix);
    session.SaveProject(dir / "p.sdr");
    session.SaveProject(dir / "p.sdr");
    EXPECT_EQ(session.ProjectPath(), dir / "p.sdr");
}

} // namespace
