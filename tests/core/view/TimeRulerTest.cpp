#include "core/view/TimeRuler.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace {

using sundrel::TimeWindow;
using namespace sundrel::view;

std::vector<std::string> Labels(const std::vector<Tick>& ticks) {
    std::vector<std::string> labels;
    for (const Tick& tick : ticks) {
        if (!tick.label.empty()) {
            labels.push_back(tick.label);
        }
    }
    return labels;
}

TEST(TimeRuler, TicksAscendAndLabelsStayApartAndInsideAtEveryZoom) {
    constexpr int kGap = 90;
    for (const auto& [w, width] : {std::tuple{TimeWindow{0.0, 1920.0}, 1000},
                                   {TimeWindow{0.0, 28800.0}, 1000},
                                   {TimeWindow{0.0, 1e6}, 300},
                                   {TimeWindow{61.0, 63.0}, 1000},
                                   {TimeWindow{3599.9, 3600.1}, 640},
                                   {TimeWindow{1800.0, 1800.0014}, 1000},
                                   {TimeWindow{12345.0001, 12345.0002}, 1000},
                                   {TimeWindow{7.3, 9.3}, 95}}) {
        const auto ticks = RulerTicksFor(w, width, kGap);
        ASSERT_FALSE(ticks.empty()) << w.from;
        EXPECT_FALSE(Labels(ticks).empty()) << w.from;
        double previousX = -1.0;
        double previousRight = -1e9;
        for (const Tick& tick : ticks) {
            EXPECT_GT(tick.x, previousX) << w.from;
            EXPECT_GE(tick.x, 0.0);
            EXPECT_LE(tick.x, width);
            previousX = tick.x;
            EXPECT_TRUE(tick.label.empty() || tick.major);
            if (!tick.label.empty()) {
                const double left = LabelLeft(tick.x, kGap - 10, width);
                EXPECT_GE(left, previousRight) << w.from << " " << tick.label;
                EXPECT_GE(left, 0.0);
                EXPECT_LE(left + kGap - 10, width);
                previousRight = left + kGap - 10;
            }
        }
    }
}

TEST(TimeRuler, LabelsShowAsManyDecimalsAsTheStepNeeds) {
    for (const auto& [w, first, second] :
         {std::tuple{TimeWindow{0.0, 1920.0}, "0:00:00", "0:05:00"},
          {TimeWindow{61.05, 63.05}, "0:01:01.200", "0:01:01.400"},
          {TimeWindow{3599.989, 3600.009}, "0:59:59.990", "0:59:59.992"},
          {TimeWindow{1800.0, 1800.0014}, "0:30:00.0000", "0:30:00.0002"},
          {TimeWindow{0.0, 86400.0 * 3}, "0:00:00", "12:00:00"}}) {
        const auto labels = Labels(RulerTicksFor(w, 1000, 90));
        ASSERT_GE(labels.size(), 2u) << w.from;
        EXPECT_EQ(labels[0], first);
        EXPECT_EQ(labels[1], second);
    }
    // Both ends of the window are labelled, the later labels near them giving way.
    const auto labels = Labels(RulerTicksFor({0.0, 2.0}, 1000, 90));
    EXPECT_EQ(labels.front(), "0:00:00.000");
    EXPECT_EQ(labels.back(), "0:00:02.000");
}

TEST(TimeRuler, EmptyWindowsHaveNoTicksAndLabelsKeepInside) {
    EXPECT_TRUE(RulerTicksFor({5.0, 5.0}, 1000, 90).empty());
    EXPECT_TRUE(RulerTicksFor({0.0, 2.0}, 0, 90).empty());
    for (const auto& [x, text, width, left] : {std::tuple{0.0, 80.0, 1000, 0.0},
                                               {500.0, 80.0, 1000, 460.0},
                                               {1000.0, 80.0, 1000, 920.0},
                                               {10.0, 200.0, 100, 0.0}}) {
        EXPECT_EQ(LabelLeft(x, text, width), left) << x;
    }
}

} // namespace
