#include "core/analysis/LevelDeparture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

std::size_t Highest(const std::vector<double>& curve) {
    return static_cast<std::size_t>(std::max_element(curve.begin(), curve.end()) - curve.begin());
}

// A level of 0 with a small wobble, and `height` over [first, end).
std::vector<double> Level(std::size_t hops, std::size_t first, std::size_t end, double height) {
    std::vector<double> level(hops);
    for (std::size_t h = 0; h < hops; ++h) {
        level[h] =
            0.1 * std::sin(static_cast<double>(h) * 1.3) + (h >= first && h < end ? height : 0.0);
    }
    return level;
}

const std::vector<std::size_t> kWidths{5, 10, 20, 30};

// An overlap louder than both tracks (a blend at full level) or quieter (a linear crossfade):
// the curve peaks at its middle, for a short and a long one alike.
TEST(LevelDeparture, PeaksInTheMiddleOfABumpOrADip) {
    for (const double height : {1.0, -1.0}) {
        for (const auto& [first, end] :
             {std::pair<std::size_t, std::size_t>{190, 210}, {170, 230}}) {
            SCOPED_TRACE(std::to_string(height) + " " + std::to_string(first));
            const auto curve =
                sundrel::ComputeLevelDeparture(Level(400, first, end, height), kWidths, 40);
            ASSERT_EQ(curve.size(), 400u);
            EXPECT_NEAR(static_cast<double>(Highest(curve)), 200.0, 3.0);
            EXPECT_GT(curve[200], 0.3);
            EXPECT_LT(curve[100], 0.1);
        }
    }
}

// A step from one level to another is no overlap: nothing stands out at it or beside it.
TEST(LevelDeparture, AStepIsNoDeparture) {
    const auto curve = sundrel::ComputeLevelDeparture(Level(400, 200, 400, 2.0), kWidths, 40);
    EXPECT_LT(*std::max_element(curve.begin(), curve.end()), 0.15);
}

// Skipped hops (a silence) count nowhere: a pause between two equal levels is no dip; where
// nothing fits (the ends, no widths) the curve is 0.
TEST(LevelDeparture, SkippedHopsAndTheEnds) {
    std::vector<double> level = Level(400, 195, 205, -4.0);
    std::vector<std::uint8_t> skip(400, 0);
    std::fill(skip.begin() + 195, skip.begin() + 205, std::uint8_t{1});
    const auto skipped = sundrel::ComputeLevelDeparture(level, kWidths, 40, skip);
    EXPECT_LT(skipped[200], 0.15);
    EXPECT_GT(sundrel::ComputeLevelDeparture(level, kWidths, 40)[200], 1.0);

    const auto curve = sundrel::ComputeLevelDeparture(Level(400, 190, 210, 1.0), kWidths, 40);
    EXPECT_EQ(curve[44], 0.0); // the narrowest window and its side reach past the start
    EXPECT_EQ(curve[400 - 44], 0.0);
    EXPECT_TRUE(sundrel::ComputeLevelDeparture(level, {}, 40) == std::vector<double>(400, 0.0));
    EXPECT_TRUE(sundrel::ComputeLevelDeparture({}, kWidths, 40).empty());
}

} // namespace
