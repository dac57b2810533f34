#include "core/view/PositionKeys.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

using namespace sundrel::view;

TEST(PositionKeys, NudgeStepsByModifier) {
    for (const auto& [ctrl, alt, shift, seconds] : {std::tuple{false, false, false, 1.0},
                                                    {true, false, false, 0.1},
                                                    {false, true, false, 0.01},
                                                    {true, true, false, 0.01},
                                                    {false, false, true, 10.0},
                                                    {true, false, true, 10.0},
                                                    {true, true, true, 10.0}}) {
        EXPECT_EQ(NudgeSeconds(ctrl, alt, shift), seconds) << ctrl << alt << shift;
    }
}

} // namespace
