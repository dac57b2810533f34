// Suggested boundaries in the session: accepted as exact markers (one undo step each, or one
// for all), dismissed, moved, and dropped with the mix they belong to.

#include "core/session/MixSession.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>

namespace {

using sundrel::Suggestion;
using sundrel::SuggestionKind;

std::vector<std::int64_t> MarkerFrames(const sundrel::MixSession& session) {
    std::vector<std::int64_t> frames;
    for (const sundrel::Marker& marker : session.Markers().Markers()) {
        frames.push_back(marker.frame);
    }
    return frames;
}

std::vector<std::int64_t> SuggestedFrames(const sundrel::MixSession& session) {
    std::vector<std::int64_t> frames;
    for (const Suggestion& s : session.Suggestions()) {
        frames.push_back(s.frame);
    }
    return frames;
}

class Suggestions : public ::testing::Test {
  protected:
    fixture::TempDir dir;
    sundrel::MixSession session{{}};

    void SetUp() override {
        const fixture::Format format{1, 1, 1000, 16}; // 100 s of 16-bit mono at 1 kHz
        fixture::WriteFile(dir / "mix.wav",
                           fixture::CanonicalWav(format, fixture::Counting(100'000 * 2)));
        session.Load(std::make_shared<CWaveFile>(dir / "mix.wav"), false);
        session.SetSuggestions({{20'000, 0.9, SuggestionKind::Silence},
                                {50'000, 0.5, SuggestionKind::Transition},
                                {80'000, 0.7, SuggestionKind::Transition}});
    }
};

TEST_F(Suggestions, AcceptDismissAndMoveOneAtATime) {
    session.SetCurrentSuggestion(1);
    EXPECT_EQ(session.CurrentSuggestion(), std::optional<std::size_t>(1));
    // Moved first, then accepted: the marker lands where it was moved, exactly.
    EXPECT_TRUE(session.MoveSuggestion(1, 51'234));
    EXPECT_EQ(session.AcceptSuggestion(1), std::optional<std::size_t>(1));
    EXPECT_EQ(MarkerFrames(session), (std::vector<std::int64_t>{0, 51'234}));
    EXPECT_EQ(session.Selected(), 1u);
    EXPECT_EQ(SuggestedFrames(session), (std::vector<std::int64_t>{20'000, 80'000}));
    EXPECT_FALSE(session.CurrentSuggestion());
    EXPECT_TRUE(session.DismissSuggestion(0));
    EXPECT_EQ(SuggestedFrames(session), (std::vector<std::int64_t>{80'000}));
    EXPECT_EQ(MarkerFrames(session), (std::vector<std::int64_t>{0, 51'234}));
    // Out of range: nothing happens.
    EXPECT_FALSE(session.AcceptSuggestion(5));
    EXPECT_FALSE(session.DismissSuggestion(5));
    EXPECT_FALSE(session.MoveSuggestion(5, 1));
    session.SetCurrentSuggestion(7);
    EXPECT_FALSE(session.CurrentSuggestion());
    // A move is held within the mix.
    EXPECT_TRUE(session.MoveSuggestion(0, 1'000'000));
    EXPECT_EQ(SuggestedFrames(session), (std::vector<std::int64_t>{100'000}));
    // Undo takes back the accepted marker (the suggestion list is not history).
    EXPECT_TRUE(session.Undo());
    EXPECT_EQ(MarkerFrames(session), (std::vector<std::int64_t>{0}));
}

TEST_F(Suggestions, AcceptAllIsOneUndoStepAndLoadingDropsThem) {
    EXPECT_EQ(session.AcceptAllSuggestions(), 3u);
    EXPECT_EQ(MarkerFrames(session), (std::vector<std::int64_t>{0, 20'000, 50'000, 80'000}));
    EXPECT_TRUE(session.Suggestions().empty());
    EXPECT_TRUE(session.IsModified());
    EXPECT_TRUE(session.Undo());
    EXPECT_EQ(MarkerFrames(session), (std::vector<std::int64_t>{0}));
    EXPECT_FALSE(session.CanUndo());
    EXPECT_TRUE(session.Redo());
    EXPECT_EQ(MarkerFrames(session).size(), 4u);

    session.SetSuggestions({{10'000, 1.0, SuggestionKind::Silence}});
    session.Load(std::make_shared<CWaveFile>(dir / "mix.wav"), true);
    EXPECT_TRUE(session.Suggestions().empty());
}

} // namespace
