// The DJ's files found in the open mix: the boundaries become named markers in one undo step,
// the match stays for the views until another mix is loaded, and the suggestions inside the
// stretches no file covers replace the suggestions.

#include "core/interop/MarkerSet.h"
#include "core/match/MatchTracks.h"
#include "core/session/MixSession.h"
#include "support/SessionOnMix.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>

namespace {

using sundrel::MatchResult;

struct Seen : sundrel::SessionListener {
    unsigned what = 0;
    void OnSessionChanged(unsigned changed) override { what |= changed; }
};

// Alpha plays 0-40 s, Bravo 38-70 s (a blend of 2 s), nothing from 70 s to the end (100 s).
MatchResult TwoPlays() {
    MatchResult match;
    match.mixSeconds = 100.0;
    match.files = {"/music/alpha.mp3", "/music/bravo.flac"};
    match.tags.resize(2);
    match.tags[0].title = "Alpha";
    match.tags[0].artist = "Ann";
    match.tags[1].title = "Bravo";
    std::vector<sundrel::FilePlay> plays(2);
    plays[0].play.start = 0.0;
    plays[0].play.end = 40.0;
    plays[0].play.confidence = 0.8;
    plays[1].play.start = 38.0;
    plays[1].play.end = 70.0;
    plays[1].play.confidence = 0.8;
    plays[1].file = 1;
    match.layout = sundrel::LayOutPlays(plays, 100.0, sundrel::BoundaryPlace::Middle);
    return match;
}

struct Placed {
    std::int64_t frame;
    std::string title;
    std::string artist;
    friend bool operator==(const Placed&, const Placed&) = default;
};

std::vector<Placed> MarkersOf(const sundrel::MixSession& session) {
    std::vector<Placed> out;
    for (const std::size_t i : session.Markers().TimeOrder()) {
        const sundrel::Marker& m = *session.Markers().At(i);
        out.push_back({m.frame, m.title, m.artist});
    }
    return out;
}

using SessionMatch = fixture::SessionOnMix;

TEST_F(SessionMatch, BoundariesBecomeNamedMarkersInOneUndoStep) {
    session.AddAtFrame(5000, "typed");
    sundrel::Suggestion blind;
    blind.frame = 85'000;
    Seen seen;
    session.AddListener(&seen);
    const std::optional<std::size_t> tracks = session.ApplyMatch(TwoPlays(), {blind});
    session.RemoveListener(&seen);
    ASSERT_EQ(tracks, 3u);
    // The start names the first track; the blend's middle starts Bravo; the stretch no file
    // covers starts an unnamed track.
    EXPECT_EQ(MarkersOf(session),
              (std::vector<Placed>{{0, "Alpha", "Ann"}, {39'000, "Bravo", ""}, {70'000, "", ""}}));
    EXPECT_EQ(session.Markers().Entries()[1], "Marker 1");
    EXPECT_NE(seen.what & sundrel::changed::kMarkers, 0u);
    EXPECT_NE(seen.what & sundrel::changed::kDocument, 0u);
    EXPECT_TRUE(session.IsModified());
    ASSERT_EQ(session.Suggestions().size(), 1u);
    EXPECT_EQ(session.Suggestions()[0].frame, 85'000);
    ASSERT_TRUE(session.Match());
    EXPECT_EQ(session.Match()->files[1], "/music/bravo.flac");

    // One step takes every marker of the match back, and brings them again.
    ASSERT_TRUE(session.Undo());
    EXPECT_EQ(MarkersOf(session), (std::vector<Placed>{{0, "", ""}, {5000, "typed", ""}}));
    ASSERT_TRUE(session.Undo()); // the typed marker's own step comes next
    EXPECT_EQ(MarkersOf(session).size(), 1u);
    ASSERT_TRUE(session.Redo());
    ASSERT_TRUE(session.Redo());
    EXPECT_EQ(MarkersOf(session).size(), 3u);
}

TEST_F(SessionMatch, TheSameMatchAgainIsNoStepAndAnotherMixForgetsIt) {
    ASSERT_TRUE(session.ApplyMatch(TwoPlays()));
    ASSERT_TRUE(session.Undo());
    ASSERT_TRUE(session.Redo());
    ASSERT_TRUE(session.ApplyMatch(TwoPlays())); // the markers are already the match's
    ASSERT_TRUE(session.Undo());
    EXPECT_FALSE(session.CanUndo());
    EXPECT_TRUE(session.Match()); // undo takes the markers back, not what was found

    session.Load(std::make_shared<CWaveFile>(dir / "mix.wav"), false);
    EXPECT_FALSE(session.Match());
    EXPECT_TRUE(session.Suggestions().empty());
}

// A saved project brings the match back, so the files and the plays show again; a project
// without one leaves none behind.
TEST_F(SessionMatch, TheProjectKeepsTheMatchAndTheSheetsFiles) {
    ASSERT_TRUE(session.ApplyMatch(TwoPlays()));
    session.SaveProject(dir / "matched.sdr");
    session.Load(std::make_shared<CWaveFile>(dir / "mix.wav"), false);
    ASSERT_FALSE(session.Match());
    ASSERT_TRUE(session.OpenProject(dir / "matched.sdr"));
    ASSERT_TRUE(session.Match());
    const MatchResult expected = TwoPlays();
    EXPECT_EQ(session.Match()->files, expected.files);
    EXPECT_EQ(session.Match()->tags, expected.tags);
    ASSERT_EQ(session.Match()->layout.plays.size(), 2u);
    EXPECT_EQ(session.Match()->layout.plays[1].play.end, 70.0);
    EXPECT_EQ(session.Match()->layout.unknown, expected.layout.unknown);
    EXPECT_EQ(MarkersOf(session),
              (std::vector<Placed>{{0, "Alpha", "Ann"}, {39'000, "Bravo", ""}, {70'000, "", ""}}));
    EXPECT_FALSE(session.IsModified());

    // A recording sheet's numbers and files, saved without a match.
    sundrel::MarkerSet sheet;
    sheet.leadInIsPregap = true;
    sheet.tracks = {{sundrel::ExactTime{1, 1}, "One", "", "C:\\Music\\One.mp3", 3},
                    {sundrel::ExactTime{50, 1}, "Two", "", "", 5}};
    session.Load(std::make_shared<CWaveFile>(dir / "mix.wav"), false);
    ASSERT_TRUE(session.Import(sheet));
    session.SaveProject(dir / "sheet.sdr");
    ASSERT_TRUE(session.OpenProject(dir / "matched.sdr"));
    ASSERT_TRUE(session.OpenProject(dir / "sheet.sdr"));
    EXPECT_FALSE(session.Match()); // the other project's match is gone
    const sundrel::Marker& first = *session.Markers().At(session.Markers().TimeOrder()[0]);
    const sundrel::Marker& second = *session.Markers().At(session.Markers().TimeOrder()[1]);
    EXPECT_EQ(first.number, 3);
    EXPECT_EQ(first.sourceFile, "C:\\Music\\One.mp3");
    EXPECT_EQ(second.number, 5);
    EXPECT_EQ(second.frame, 50'000);
}

TEST(SessionMatchWithoutMix, ChangesNothing) {
    sundrel::MixSession session{{}};
    EXPECT_EQ(session.ApplyMatch(TwoPlays()), std::nullopt);
    EXPECT_FALSE(session.Match());
    EXPECT_FALSE(session.CanUndo());
}

} // namespace
