#include "core/view/MarkerHit.h"

#include <gtest/gtest.h>
#include <limits>
#include <tuple>
#include <vector>

namespace {

using sundrel::TimeWindow;
using namespace sundrel::view;

TEST(MarkerHit, PicksTheNearestMarkerWithinTheToleranceAndTheLaterOfEquals) {
    const std::vector<double> xs{10.0, 50.0,  53.0,
                                 53.0, 200.0, std::numeric_limits<double>::quiet_NaN()};
    for (const auto& [x, hit] : {std::tuple{10.0, std::optional<std::size_t>(0)},
                                 {14.0, 0},
                                 {15.0, std::nullopt}, // just outside 4 px
                                 {51.0, 1},
                                 {52.0, 3}, // two markers on one spot: the later
                                 {51.5, 3}, // equally near 50 and 53: the later
                                 {120.0, std::nullopt}}) {
        EXPECT_EQ(HitMarker(xs, x, 4.0), hit) << x;
    }
    EXPECT_EQ(HitMarker({}, 0.0, 4.0), std::nullopt);
}

TEST(MarkerHit, DragLandsOnTheNearestFrameInsideTheMix) {
    const TimeWindow w{10.0, 12.0};
    const std::int64_t frames = 44100 * 12; // the mix ends with the window
    for (const auto& [x, frame] : {std::tuple{0.0, 441000},
                                   {500.0, 485100},
                                   {500.005, 485100}, // 0.441 of a frame later
                                   {500.01, 485101},  // 0.882 of a frame later
                                   {1000.0, frames},
                                   {1200.0, frames}, // dragged past the end
                                   {-20000.0, 0}}) {
        EXPECT_EQ(FrameAtX(w, x, 1000, 44100, frames), frame) << x;
    }
}

} // namespace
