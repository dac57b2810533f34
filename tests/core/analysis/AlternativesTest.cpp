#include "core/analysis/Alternatives.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using sundrel::Suggestion;

// Cycling visits every alternative once, best first, and comes back to the suggestion as it
// was; the kind and score stay those of the boundary.
TEST(Alternatives, CyclingVisitsEachPlaceAndComesBack) {
    Suggestion s;
    s.frame = 1000;
    s.confidence = 0.7;
    s.score = 0.4;
    s.kind = sundrel::SuggestionKind::Transition;
    s.alternatives = {{1500, 0.2}, {800, 0.1}};
    std::vector<std::int64_t> visited;
    Suggestion at = s;
    for (int i = 0; i < 3; ++i) {
        at = sundrel::NextAlternative(at);
        visited.push_back(at.frame);
        EXPECT_EQ(at.alternatives.size(), 2u);
        EXPECT_EQ(at.score, 0.4);
    }
    EXPECT_EQ(visited, (std::vector<std::int64_t>{1500, 800, 1000}));
    EXPECT_EQ(at, s);
    Suggestion lone;
    lone.frame = 5;
    EXPECT_EQ(sundrel::NextAlternative(lone), lone);
}

TEST(Alternatives, TrackLengthsUnderAThirdOrOverThreeTimesTheMeanAreFlagged) {
    // Four tracks of a 400-frame mix (mean 100): 20, 180, 100, 100.
    EXPECT_EQ(sundrel::ImplausibleTrackLengths(std::vector<std::int64_t>{20, 200, 300}, 400),
              (std::vector<bool>{true, false, false, false}));
    // Two tracks, 40 and 360 of 400 (mean 200): the first under a third of the mean.
    EXPECT_EQ(sundrel::ImplausibleTrackLengths(std::vector<std::int64_t>{40}, 400),
              (std::vector<bool>{true, false}));
    // Ten tracks (mean 100) with one of 3.5 times the mean.
    std::vector<std::int64_t> b;
    for (std::int64_t at = 350; at < 950; at += 72) {
        b.push_back(at);
    }
    const auto flags = sundrel::ImplausibleTrackLengths(b, 1000);
    ASSERT_EQ(flags.size(), b.size() + 1);
    EXPECT_TRUE(flags.front()); // 350 frames against a mean of 100
    EXPECT_FALSE(flags.back());
    EXPECT_EQ(sundrel::ImplausibleTrackLengths({}, 1000), std::vector<bool>{false});
    EXPECT_EQ(sundrel::ImplausibleTrackLengths({}, 0), std::vector<bool>{false});
}

} // namespace
