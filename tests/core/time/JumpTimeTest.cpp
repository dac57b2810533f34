#include "core/time/JumpTime.h"

#include <gtest/gtest.h>

using sundrel::JumpRefusal;
using sundrel::JumpTo;
using sundrel::ReadJumpTime;

namespace {

constexpr float kMix = 185.5f;

TEST(JumpTime, JumpInsideTheMixMovesPositionTrackbarLabelAndWindow) {
    const auto request = ReadJumpTime("0:01:30.000", kMix);
    ASSERT_TRUE(request.Accepted());
    EXPECT_EQ(request.jumpTime, 90.0f);

    const auto target = JumpTo(request.jumpTime, kMix);
    EXPECT_EQ(target.position, 90.0f);
    EXPECT_EQ(target.slider, 485); // trunc(90000 / 185.5)
    EXPECT_EQ(target.label, "0:01:30.000");
    EXPECT_EQ(target.viewFrom, 89.0f);
    EXPECT_EQ(target.viewTo, 91.0f);
}

TEST(JumpTime, UpperBoundIsTestedOnTheUnroundedTime) {
    // "3:25" reads as 3 hours and 25 ms.
    const auto hours = ReadJumpTime("3:25", kMix);
    EXPECT_EQ(hours.refusal, JumpRefusal::BeyondEnd);
    EXPECT_NEAR(hours.seconds, 10800.025, 1e-6);

    // The length typed back reads as 185.50000002..., a hair beyond the end, although it
    // rounds to exactly 185.5 as a float.
    const auto typedBack = ReadJumpTime("0:03:05.500", kMix);
    EXPECT_EQ(typedBack.refusal, JumpRefusal::BeyondEnd);
    EXPECT_EQ(typedBack.jumpTime, kMix);
    EXPECT_TRUE(ReadJumpTime("0:03:05.499", kMix).Accepted());

    // A length that is not a whole number of milliseconds can be typed back.
    EXPECT_TRUE(ReadJumpTime("0:03:05.500", 185.5005f).Accepted());
}

TEST(JumpTime, EmptyFieldJumpsToTheStartWithAWindowBeforeIt) {
    const auto request = ReadJumpTime("", kMix);
    ASSERT_TRUE(request.Accepted());
    const auto target = JumpTo(request.jumpTime, kMix);
    EXPECT_EQ(target.position, 0.0f);
    EXPECT_EQ(target.slider, 0);
    EXPECT_EQ(target.label, "0:00:00.000");
    EXPECT_EQ(target.viewFrom, -1.0f);
    EXPECT_EQ(target.viewTo, 1.0f);
}

TEST(JumpTime, NegativeTimesAreRefused) {
    EXPECT_EQ(ReadJumpTime("-1:00:00.000", kMix).refusal, JumpRefusal::Negative);
    EXPECT_EQ(ReadJumpTime("0:00:00.-1", kMix).refusal, JumpRefusal::Negative);
    // A minus sign on a zero field is still time zero.
    EXPECT_TRUE(ReadJumpTime("-0:00:00.000", kMix).Accepted());
}

TEST(JumpTime, TrackbarStaysInRangeAtTheEndsOfTheMix) {
    EXPECT_EQ(JumpTo(kMix, kMix).slider, 1000);
    EXPECT_EQ(JumpTo(185.499f, kMix).slider, 999);
    // An empty mix has nothing to divide by: the trackbar stays at its start.
    EXPECT_EQ(JumpTo(0.0f, 0.0).slider, 0);
}

} // namespace
