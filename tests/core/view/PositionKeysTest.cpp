#include "core/view/PositionKeys.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

using namespace sundrel::view;

TEST(PositionKeys, NudgeStepsByModifier) {
    for (const auto& [ctrl, alt, shift, seconds] : {std::tuple{false, false, false, 1.0},
                                                    {true, false, false, 0.1},
                                                    {false, true, false, 0.1},
                                                    {true, true, false, 0.01},
                                                    {false, false, true, 10.0},
                                                    {true, false, true, 1.0},
                                                    {true, true, true, 0.1}}) {
        EXPECT_EQ(NudgeSeconds(ctrl, alt, shift), seconds) << ctrl << alt << shift;
    }
}

TEST(PositionKeys, PreviewSpansAreHeldInsideTheMix) {
    const std::int64_t frames = 44100 * 60;
    for (const auto& [marker, before, after, first, end] :
         {std::tuple{std::int64_t{441000}, 5.0, 5.0, std::int64_t{220500}, std::int64_t{661500}},
          {44100, 5.0, 2.5, 0, 154350},                      // near the start
          {frames - 100, 5.0, 5.0, frames - 220600, frames}, // near the end
          {441000, -1.0, 0.0, 441000, 441000},
          {frames + 5, 1.0, 1.0, frames - 44100, frames}}) {
        EXPECT_EQ(PreviewSpan(marker, before, after, 44100, frames), (FrameSpan{first, end}))
            << marker;
    }
}

} // namespace
