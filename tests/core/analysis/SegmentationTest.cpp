#include "core/analysis/Segmentation.h"
#include "core/analysis/Peaks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using sundrel::PickPeaks;
using ::testing::Contains;
using ::testing::ElementsAre;

struct PeakCase {
    std::string name;
    std::vector<double> score;
    std::size_t minGap;
    double threshold;
    std::vector<std::size_t> expected;
};

TEST(PickPeaks, SpacingThresholdAndPlateaus) {
    const std::vector<double> s{0, 1, 0, 3, 0, 2, 0};
    const std::vector<PeakCase> cases{
        {"every local maximum", s, 1, 0.0, {1, 3, 5}},
        {"the highest first, then those far enough from it and the ends", s, 2, 0.0, {3, 5}},
        {"a lower peak near a higher one gives way", {0, 0, 0, 3, 0, 2, 0, 0, 0}, 3, 0.0, {3}},
        {"below the threshold", s, 1, 2.5, {3}},
        {"a plateau counts once", {0, 2, 2, 0, 0}, 1, 0.0, {1}},
        {"nothing in a flat score", {1, 1, 1, 1}, 1, 0.0, {}},
    };
    for (const PeakCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PickPeaks(c.score, c.minGap, c.threshold), c.expected);
    }
}

// Two features over 300 hops: three segments (changes at hops 100 and 220) with a small
// deterministic wobble inside each.
sundrel::StandardFeatures ThreeSegments() {
    sundrel::StandardFeatures f;
    f.hops = 300;
    f.weight = {1.0, 1.0};
    for (std::size_t h = 0; h < f.hops; ++h) {
        const double mean = h < 100 ? 0.0 : (h < 220 ? 2.0 : -1.5);
        const double wobble = 0.3 * std::sin(static_cast<double>(h) * 1.7);
        f.values.push_back(mean + wobble);
        f.values.push_back(-mean + 0.2 * std::cos(static_cast<double>(h) * 0.9));
    }
    return f;
}

std::vector<std::size_t> EveryTenth() {
    std::vector<std::size_t> c;
    for (std::size_t h = 10; h < 300; h += 10) {
        c.push_back(h);
    }
    return c;
}

TEST(Segmentation, CountKnownFindsTheChangesAmongManyCandidates) {
    const sundrel::SegmentCost cost(ThreeSegments());
    const auto candidates = EveryTenth();
    const std::vector<double> none(candidates.size(), 0.0);
    EXPECT_THAT(sundrel::SegmentWithCount(cost, candidates, none, 2, 20), ElementsAre(100, 220));
    // One boundary: the better of the two.
    EXPECT_EQ(sundrel::SegmentWithCount(cost, candidates, none, 1, 20).size(), 1u);
    // More than the changes: still the changes among them, spacing kept.
    const auto four = sundrel::SegmentWithCount(cost, candidates, none, 4, 20);
    ASSERT_EQ(four.size(), 4u);
    EXPECT_THAT(four, Contains(100));
    EXPECT_THAT(four, Contains(220));
    for (std::size_t i = 1; i < four.size(); ++i) {
        EXPECT_GE(four[i] - four[i - 1], 20u);
    }
    // A count that cannot be spaced as asked gets the gap shrunk, not fewer boundaries.
    EXPECT_EQ(sundrel::SegmentWithCount(cost, candidates, none, 3, 200).size(), 3u);
}

TEST(Segmentation, PenaltyDecidesHowManyAndBonusForcesOne) {
    const sundrel::SegmentCost cost(ThreeSegments());
    const auto candidates = EveryTenth();
    const std::vector<double> none(candidates.size(), 0.0);
    EXPECT_THAT(sundrel::SegmentWithPenalty(cost, candidates, none, 20.0, 20),
                ElementsAre(100, 220));
    EXPECT_TRUE(sundrel::SegmentWithPenalty(cost, candidates, none, 1e9, 20).empty());

    std::vector<double> bonus(candidates.size(), 0.0);
    bonus[4] = 1e6; // hop 50
    EXPECT_THAT(sundrel::SegmentWithPenalty(cost, candidates, bonus, 20.0, 20),
                ElementsAre(50, 100, 220));
    EXPECT_THAT(sundrel::SegmentWithCount(cost, candidates, bonus, 1, 20), ElementsAre(50));
}

TEST(Segmentation, GainsAreLargestAtRealChanges) {
    const sundrel::SegmentCost cost(ThreeSegments());
    const std::vector<std::size_t> boundaries{100, 160, 220};
    const auto gains = sundrel::BoundaryGains(cost, boundaries);
    ASSERT_EQ(gains.size(), 3u);
    EXPECT_GT(gains[0], 10 * std::abs(gains[1]));
    EXPECT_GT(gains[2], 10 * std::abs(gains[1]));
}

} // namespace
