#include "core/view/ScrollMath.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

namespace {

using sundrel::TimeWindow;
using namespace sundrel::view;

constexpr double kMix = 1920.0;

TEST(ScrollMath, ScrollingKeepsTheSpanAndStopsAtTheEnds) {
    for (const auto& [w, pages, from, to] :
         {std::tuple{TimeWindow{100.0, 110.0}, 1.0, 110.0, 120.0},
          {TimeWindow{100.0, 110.0}, -0.1, 99.0, 109.0},
          {TimeWindow{3.0, 13.0}, -1.0, 0.0, 10.0},
          {TimeWindow{1905.0, 1915.0}, 1.0, 1910.0, kMix},
          {TimeWindow{0.0, kMix}, 1.0, 0.0, kMix}}) {
        EXPECT_EQ(ScrollBy(w, pages, kMix), (TimeWindow{from, to})) << w.from << " " << pages;
    }
}

TEST(ScrollMath, ScrollBarStepsAreTheSpanAndATenthAndItsValuesRoundTrip) {
    const ScrollBarState bar = ScrollBarFor({100.0, 110.0}, kMix);
    EXPECT_EQ(bar, (ScrollBarState{0, 191000, 1000, 100, 10000}));
    // Round trips at several zoom levels, including sample level on an 8-hour mix.
    for (const auto& [w, duration] : {std::tuple{TimeWindow{100.0, 110.0}, kMix},
                                      {TimeWindow{1234.5678, 1236.5678}, kMix},
                                      {TimeWindow{20000.001, 20000.0024}, 28800.0},
                                      {TimeWindow{0.0, 1.0}, 28800.0}}) {
        const double span = w.to - w.from;
        const double unit = std::max(span / 1000.0, duration / 1e9); // the bar's resolution
        const ScrollBarState s = ScrollBarFor(w, duration);
        EXPECT_GE(s.maximum, s.value);
        EXPECT_GE(s.singleStep, 1);
        const TimeWindow back = WindowAtScrollValue(s.value, w, duration);
        EXPECT_NEAR(back.from, w.from, unit / 2) << w.from;
        EXPECT_NEAR(back.to - back.from, span, 1e-9);
        // One page along the bar is one span along the mix.
        const TimeWindow paged = WindowAtScrollValue(s.value + s.pageStep, w, duration);
        EXPECT_NEAR(paged.from - back.from, span, unit / 2) << w.from;
        // The ends of the bar are the ends of the mix, exactly.
        EXPECT_EQ(WindowAtScrollValue(0, w, duration).from, 0.0);
        EXPECT_EQ(WindowAtScrollValue(s.maximum, w, duration).to, duration);
    }
    EXPECT_EQ(ScrollBarFor({0.0, kMix}, kMix).maximum, 0);
}

TEST(ScrollMath, FollowingPagesWhenThePositionLeavesTheWindow) {
    const TimeWindow w{100.0, 110.0};
    for (const auto& [position, from, to] : {std::tuple{100.0, 100.0, 110.0},
                                             {109.99, 100.0, 110.0},
                                             {110.0, 110.0, 120.0},
                                             {250.0, 250.0, 260.0},
                                             {99.0, 99.0, 109.0},
                                             {1915.0, 1910.0, kMix}}) {
        EXPECT_EQ(FollowPosition(w, position, kMix), (TimeWindow{from, to})) << position;
    }
    // At the end of the mix the window stays put.
    const TimeWindow last{1910.0, kMix};
    EXPECT_EQ(FollowPosition(last, kMix, kMix), last);
}

} // namespace
