#include "core/view/OverviewMath.h"

#include <gtest/gtest.h>
#include <tuple>
#include <utility>

namespace {

using sundrel::TimeWindow;
using namespace sundrel::view;

TEST(OverviewMath, StripXMapsToTimesInsideTheMix) {
    for (const auto& [x, width, seconds] : {std::tuple{0.0, 960, 0.0},
                                            {480.0, 960, 960.0},
                                            {960.0, 960, 1920.0},
                                            {1000.0, 960, 1920.0},
                                            {-5.0, 960, 0.0},
                                            {10.0, 0, 0.0}}) {
        EXPECT_DOUBLE_EQ(OverviewSeconds(x, width, 1920.0), seconds) << x;
    }
}

TEST(OverviewMath, TheWindowBandIsAtLeastTwoPixelsAndInside) {
    using Band = std::pair<double, double>;
    for (const auto& [w, band] : {std::tuple{TimeWindow{480.0, 960.0}, Band{240.0, 480.0}},
                                  {TimeWindow{960.0, 962.0}, Band{479.5, 481.5}},
                                  {TimeWindow{0.0, 0.001}, Band{0.0, 2.0}},
                                  {TimeWindow{1919.999, 1920.0}, Band{958.0, 960.0}}}) {
        EXPECT_EQ(OverviewBand(w, 960, 1920.0), band) << w.from;
    }
    EXPECT_EQ(OverviewBand({0.0, 2.0}, 960, 0.0), (Band{0.0, 0.0}));
}

} // namespace
