#include "core/interop/ExactTimeMath.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

namespace {

using sundrel::CompareTimes;
using sundrel::ExactTime;
using sundrel::FrameOf;
using sundrel::Rescaled;
using sundrel::TimeOfFrame;

TEST(ExactTimeMath, NearestFrameRoundsHalvesUp) {
    struct Case {
        ExactTime time;
        std::uint32_t rate;
        std::int64_t frame;
    };
    const Case cases[] = {
        {{1, 75}, 44100, 588}, // 1/75 s is 588 frames exactly
        {{1, 75}, 48000, 640},
        {{1, 75}, 22050, 294},
        {{1, 75}, 11025, 147},        // 147 exactly
        {{1, 75}, 8000, 107},         // 106.67
        {{1, 75}, 96006, 1280},       // 1280.08
        {{1, 2}, 3, 2},               // 1.5 rounds up
        {{1, 1'000'000}, 500'000, 1}, // 0.5 rounds up
        {{1, 1'000'000}, 499'999, 0},
        {{-1, 2}, 3, -1},            // -1.5 rounds up to -1
        {{-1, 1'000'000}, 44100, 0}, // -0.0441
        {{15'000'000, 1'000'000}, 44100, 661'500},
        {{45 * 60 * 75 + 7, 75}, 44100, (45 * 60 * 75 + 7) * 588},
        // 30 hours in microseconds at 384 kHz: no overflow on the way.
        {{108'000'000'000, 1'000'000}, 384000, 41'472'000'000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FrameOf(c.time, c.rate), c.frame) << c.time.ticks << '/' << c.time.perSecond;
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(FrameOf({kMax, 1}, 384000), kMax); // held within range, not wrapped
    EXPECT_EQ(FrameOf({kMax, kMax}, 7), 7);      // the product needs 126 bits
}

TEST(ExactTimeMath, RescalesAndComparesExactly) {
    EXPECT_EQ(Rescaled({661'500, 44100}, 75), (ExactTime{1125, 75}));
    EXPECT_EQ(Rescaled({294, 44100}, 75), (ExactTime{1, 75})); // half a cue frame, up
    EXPECT_EQ(Rescaled({293, 44100}, 75), (ExactTime{0, 75}));
    EXPECT_EQ(Rescaled({1, 44100}, 1'000'000), (ExactTime{23, 1'000'000})); // 22.68
    EXPECT_EQ(Rescaled({1'500'000, 1'000'000}, 1), (ExactTime{2, 1}));
    EXPECT_EQ(Rescaled({1'499'999, 1'000'000}, 1), (ExactTime{1, 1}));

    EXPECT_EQ(CompareTimes({1, 75}, {588, 44100}), 0);
    EXPECT_LT(CompareTimes({1, 75}, {589, 44100}), 0);
    EXPECT_GT(CompareTimes({2, 1}, {1'999'999, 1'000'000}), 0);

    // A frame written to microseconds comes back to the same frame at any rate up to 384 kHz.
    for (const std::uint32_t rate : {8000u, 44100u, 48000u, 96000u, 192000u, 384000u}) {
        for (std::int64_t frame = 0; frame < 3 * static_cast<std::int64_t>(rate); frame += 997) {
            ASSERT_EQ(FrameOf(Rescaled(TimeOfFrame(frame, rate), 1'000'000), rate), frame) << rate;
        }
    }
}

TEST(ExactTimeMath, RefusesUnitsThatAreNotPositive) {
    EXPECT_THROW(FrameOf({1, 0}, 44100), std::invalid_argument);
    EXPECT_THROW(FrameOf({1, -75}, 44100), std::invalid_argument);
    EXPECT_THROW(FrameOf({1, 75}, 0), std::invalid_argument);
    EXPECT_THROW(Rescaled({1, 75}, 0), std::invalid_argument);
    EXPECT_THROW(CompareTimes({1, 0}, {1, 1}), std::invalid_argument);
}

} // namespace
