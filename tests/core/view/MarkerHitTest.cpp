#include "core/view/MarkerHit.h"

#include <gtest/gtest.h>
#include <limits>
#include <tuple>
#include <vector>

namespace {

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

} // namespace
