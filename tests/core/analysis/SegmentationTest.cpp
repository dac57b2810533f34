#include "core/analysis/Segmentation.h"
#include "core/analysis/Peaks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using sundrel::PickPeaks;
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

// The three segments with a candidate every tenth hop and no bonuses.
class Segmentation : public ::testing::Test {
  protected:
    const sundrel::SegmentCost cost{ThreeSegments()};
    const std::vector<std::size_t> candidates = EveryTenth();
    const std::vector<double> none = std::vector<double>(candidates.size(), 0.0);
};

TEST_F(Segmentation, PenaltyDecidesHowManyAndBonusForcesOne) {
    EXPECT_THAT(sundrel::SegmentWithPenalty(cost, candidates, none, 20.0, 20),
                ElementsAre(100, 220));
    EXPECT_TRUE(sundrel::SegmentWithPenalty(cost, candidates, none, 1e9, 20).empty());

    std::vector<double> bonus(candidates.size(), 0.0);
    bonus[4] = 1e6; // hop 50
    EXPECT_THAT(sundrel::SegmentWithPenalty(cost, candidates, bonus, 20.0, 20),
                ElementsAre(50, 100, 220));
    EXPECT_THAT(sundrel::SegmentWithCount(cost, candidates, bonus, 1, 20), ElementsAre(50));
    // A count that cannot be spaced as asked gets the gap shrunk, not fewer boundaries.
    EXPECT_EQ(sundrel::SegmentWithCount(cost, candidates, none, 3, 200).size(), 3u);
}

TEST_F(Segmentation, GainsAreLargestAtRealChanges) {
    const std::vector<std::size_t> boundaries{100, 160, 220};
    const auto gains = sundrel::BoundaryGains(cost, boundaries);
    ASSERT_EQ(gains.size(), 3u);
    EXPECT_GT(gains[0], 10 * std::abs(gains[1]));
    EXPECT_GT(gains[2], 10 * std::abs(gains[1]));
}

// The cost SegmentWithCount minimizes, for any set of boundaries.
double TotalCost(const sundrel::SegmentCost& cost, const std::vector<std::size_t>& boundaries,
                 const std::vector<std::size_t>& candidates, const std::vector<double>& bonus,
                 const sundrel::LengthPrior& prior) {
    double total = 0.0;
    std::size_t prev = 0;
    for (std::size_t i = 0; i <= boundaries.size(); ++i) {
        const std::size_t next = i < boundaries.size() ? boundaries[i] : cost.Hops();
        total += cost(prev, next) + prior(next - prev);
        prev = next;
    }
    for (const std::size_t b : boundaries) {
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            if (candidates[i] == b) {
                total -= bonus[i];
            }
        }
    }
    return total;
}

// With the count known the choice is the best of every choice its candidates allow: spaced as
// asked, and no subset of the candidates of that size (spaced as asked) costs less, with a
// length prior and bonuses; also with more boundaries asked than the sound has changes.
TEST_F(Segmentation, CountKnownIsTheBestSubsetOfItsCandidates) {
    const std::vector<std::size_t> few{30, 60, 95, 100, 130, 170, 215, 220, 260};
    const std::vector<double> bonus{0, 40, 0, 0, 5, 0, 30, 0, 0};
    constexpr std::size_t kGap = 25;
    const auto spaced = [](const std::vector<std::size_t>& b) {
        for (std::size_t i = 0; i <= b.size(); ++i) {
            if ((i == b.size() ? 300 : b[i]) - (i == 0 ? 0 : b[i - 1]) < kGap) {
                return false;
            }
        }
        return true;
    };
    for (const double weight : {0.0, 50.0, 2000.0}) {
        for (std::size_t count = 1; count <= 4; ++count) {
            SCOPED_TRACE("weight " + std::to_string(weight) + ", count " + std::to_string(count));
            const sundrel::LengthPrior prior{300.0 / static_cast<double>(count + 1), weight};
            const auto chosen = sundrel::SegmentWithCount(cost, few, bonus, count, kGap, prior);
            ASSERT_EQ(chosen.size(), count);
            EXPECT_TRUE(spaced(chosen));
            const double best = TotalCost(cost, chosen, few, bonus, prior);
            // Every subset of `count` candidates, by bit mask.
            for (unsigned mask = 0; mask < (1u << few.size()); ++mask) {
                std::vector<std::size_t> subset;
                for (std::size_t i = 0; i < few.size(); ++i) {
                    if (mask & (1u << i)) {
                        subset.push_back(few[i]);
                    }
                }
                if (subset.size() == count && spaced(subset)) {
                    EXPECT_LE(best, TotalCost(cost, subset, few, bonus, prior) + 1e-6);
                }
            }
            // Where the count asks for as many boundaries as the penalty gives, both agree.
            if (weight == 0.0) {
                for (const double penalty : {1.0, 20.0, 200.0, 2000.0}) {
                    const auto free = sundrel::SegmentWithPenalty(cost, few, bonus, penalty, kGap);
                    if (free.size() == count) {
                        EXPECT_EQ(free, chosen) << "penalty " << penalty;
                    }
                }
            }
        }
    }
}

// A strong length prior overrules a weak change of sound: with nothing to tell the candidates
// apart, the one nearest to equal lengths wins; a real change still wins over the prior.
TEST_F(Segmentation, LengthPriorPrefersEvenTracksWhereTheSoundIsSilent) {
    sundrel::StandardFeatures flat;
    flat.hops = 300;
    flat.weight = {1.0};
    for (std::size_t h = 0; h < flat.hops; ++h) {
        flat.values.push_back(0.3 * std::sin(static_cast<double>(h) * 1.7));
    }
    const std::vector<std::size_t> few{40, 90, 148, 210, 250};
    EXPECT_THAT(sundrel::SegmentWithCount(sundrel::SegmentCost(flat), few,
                                          std::vector<double>(few.size(), 0.0), 1, 20,
                                          sundrel::LengthPrior{150.0, 50.0}),
                ElementsAre(148));
    EXPECT_THAT(
        sundrel::SegmentWithCount(cost, candidates, none, 2, 20, sundrel::LengthPrior{100.0, 50.0}),
        ElementsAre(100, 220));
}

// The places a boundary could take between its neighbours: cheapest first, the chosen
// boundary at the head where it is the best, none closer than the gap to a neighbour.
TEST_F(Segmentation, PlacementsRankTheOtherPlacesOfABoundary) {
    const std::vector<std::size_t> boundaries{100, 220};
    const auto places = sundrel::Placements(cost, candidates, none, boundaries, 0, 20);
    ASSERT_FALSE(places.empty());
    EXPECT_EQ(places.front().hop, 100u);
    for (std::size_t i = 0; i < places.size(); ++i) {
        EXPECT_GE(places[i].hop, 20u);
        EXPECT_LE(places[i].hop, 200u);
        if (i > 0) {
            EXPECT_GE(places[i].cost, places[i - 1].cost);
        }
    }
    EXPECT_EQ(places.size(), 19u); // 20, 30, ..., 200
    EXPECT_TRUE(sundrel::Placements(cost, candidates, none, boundaries, 2, 20).empty());
}

// One table of costs over every candidate serves every setting and every subset of the
// candidates: the same choices as the costs computed for that call alone.
TEST_F(Segmentation, OneTableOfCostsServesEverySubsetOfTheCandidates) {
    const sundrel::PointCosts table(cost, candidates);
    ASSERT_EQ(table.Points().size(), candidates.size() + 2);
    EXPECT_EQ(table.Points().front(), 0u);
    EXPECT_EQ(table.Points().back(), 300u);
    EXPECT_EQ(table.IndexOf(100), 10u);
    EXPECT_EQ(table.IndexOf(105), table.Points().size());
    EXPECT_DOUBLE_EQ(table.At(10, 22), cost(100, 220));
    EXPECT_DOUBLE_EQ(table.At(0, 30), cost(0, 300));

    // Every third candidate with a bonus, and the same with one off the table (it is not cut at).
    const std::vector<std::size_t> onTable{10, 40, 70, 100, 130, 160, 190, 220, 250, 280};
    const std::vector<double> onTableBonus{0, 0, 0, 60, 0, 0, 0, 0, 0, 0};
    const std::vector<std::size_t> subset{10, 40, 65, 70, 100, 130, 160, 190, 220, 250, 280};
    const std::vector<double> bonus{0, 0, 1e6, 0, 60, 0, 0, 0, 0, 0, 0};
    for (std::size_t count = 1; count <= 3; ++count) {
        const sundrel::LengthPrior prior{300.0 / static_cast<double>(count + 1), 20.0};
        EXPECT_EQ(sundrel::SegmentWithCount(table, subset, bonus, count, 20, prior),
                  sundrel::SegmentWithCount(cost, onTable, onTableBonus, count, 20, prior))
            << count;
    }
    for (const double penalty : {5.0, 50.0, 500.0}) {
        EXPECT_EQ(sundrel::SegmentWithPenalty(table, subset, bonus, penalty, 20),
                  sundrel::SegmentWithPenalty(cost, onTable, onTableBonus, penalty, 20))
            << penalty;
    }
}

} // namespace
