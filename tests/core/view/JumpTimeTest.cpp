#include "core/view/JumpTime.h"

#include <gtest/gtest.h>

using sundrel::JumpRefusal;
using sundrel::JumpTo;
using sundrel::ReadJumpTime;

namespace {

constexpr float kMix = 185.5f;

TEST(JumpTime, JumpsMovePositionTrackbarLabelAndWindow) {
    const auto request = ReadJumpTime("0:01:30.000", kMix);
    ASSERT_TRUE(request.Accepted());
    const auto target = JumpTo(request.jumpTime, kMix);
    EXPECT_EQ(
        std::tuple(target.position, target.slider, target.label, target.viewFrom, target.viewTo),
        std::tuple(90.0f, 485, "0:01:30.000", 89.0f, 91.0f)); // 485 = trunc(90000 / 185.5)

    // An empty field jumps to the start, with a window before it.
    const auto empty = JumpTo(ReadJumpTime("", kMix).jumpTime, kMix);
    EXPECT_EQ(std::tuple(empty.position, empty.slider, empty.label, empty.viewFrom, empty.viewTo),
              std::tuple(0.0f, 0, "0:00:00.000", -1.0f, 1.0f));

    // The trackbar stays in range at the ends; an empty mix has nothing to divide by.
    EXPECT_EQ(JumpTo(kMix, kMix).slider, 1000);
    EXPECT_EQ(JumpTo(185.499f, kMix).slider, 999);
    EXPECT_EQ(JumpTo(0.0f, 0.0).slider, 0);
}

TEST(JumpTime, RefusesTimesBeyondTheUnroundedEndAndNegativeTimes) {
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

    EXPECT_EQ(ReadJumpTime("-1:00:00.000", kMix).refusal, JumpRefusal::Negative);
    EXPECT_EQ(ReadJumpTime("0:00:00.-1", kMix).refusal, JumpRefusal::Negative);
    EXPECT_TRUE(ReadJumpTime("-0:00:00.000", kMix).Accepted()); // still time zero
}

} // namespace

TEST(JumpTime, ReadingShowsTheFieldsAsTheyAreRead) {
    const struct {
        const char* text;
        const char* reading;
    } cases[] = {
        // One colon: hours, then the rest is a millisecond count.
        {"3:15", "Read as 3 h 0 min 0.015 s"},
        {"195", "Read as 0 h 0 min 0.195 s"},
        {"0:1:30.5", "Read as 0 h 1 min 30.005 s"},
        {"1:02:03.250", "Read as 1 h 2 min 3.250 s"},
        // A millisecond count past a second carries into the seconds shown.
        {"0:0:1.1500", "Read as 0 h 0 min 2.500 s"},
        {"", "Read as 0 h 0 min 0.000 s"},
        // A refused time says why, with the time it stands for and the mix's length.
        {"5:0:0", "5:00:00.000 is past the end of the mix, 4:00:00.000"},
        {"3:70:0.5", "4:10:00.005 is past the end of the mix, 4:00:00.000"},
        {"0:0:-1", "Read as 0 h 0 min -0.001 s: before the start of the mix"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sundrel::JumpReading(c.text, 4 * 3600.0f), c.reading) << c.text;
    }
}
