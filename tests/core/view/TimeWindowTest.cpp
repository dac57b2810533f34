#include "core/view/TimeWindow.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

using namespace sundrel::view;

sundrel::WaveFormat Format(std::uint16_t channels, std::uint16_t bits, std::uint32_t rate = 44100,
                           std::uint16_t tag = sundrel::kFormatPcm) {
    sundrel::WaveFormat f;
    f.formatTag = tag;
    f.channels = channels;
    f.bitsPerSample = bits;
    f.sampleRate = rate;
    return f;
}

TEST(SampleIndex, SixtySecondsOf16BitStereo) {
    const auto f = Format(2, 16);
    const std::uint64_t length = 10584044; // 60 s of data + 44
    EXPECT_EQ(SampleIndex(0.0, 60.0, length, f), 0);
    // 2 / 60 * L = 352801.47 -> 352801 -> raised to 352804 -> halved.
    EXPECT_EQ(SampleIndex(2.0, 60.0, length, f), 176402);
    // An offset already on a multiple of 4 is not raised.
    EXPECT_EQ(SampleIndex(30.0, 60.0, 10584000, f), 2646000);
}

TEST(SampleIndex, OtherFormatsStartOnAFrame) {
    // 8-bit data keeps byte indices, raised to a multiple of 4.
    EXPECT_EQ(SampleIndex(1.0, 10.0, 1010, Format(1, 8)), 104);
    // 24-bit mono: frames of 3 bytes do not divide 4, so align to 3: 1001 -> 1002 -> 334.
    EXPECT_EQ(SampleIndex(1.0, 10.0, 10010, Format(1, 24)), 334);
    // 24-bit stereo: 6-byte frames: 1001 -> 1002 -> 334 elements (167 frames).
    EXPECT_EQ(SampleIndex(1.0, 10.0, 10010, Format(2, 24)), 334);
    // 32-bit float stereo: 8-byte frames: 1001 -> 1008 -> 252 elements.
    EXPECT_EQ(SampleIndex(1.0, 10.0, 10010, Format(2, 32, 44100, sundrel::kFormatFloat)), 252);
    // 32-bit mono: a frame of 4.
    EXPECT_EQ(SampleIndex(1.0, 10.0, 10010, Format(1, 32)), 251);
    EXPECT_EQ(IndexAlignment(Format(2, 16)), 4u);
    EXPECT_EQ(IndexAlignment(Format(2, 8)), 4u);
    EXPECT_EQ(IndexAlignment(Format(2, 24)), 6u);
}

TEST(SampleIndex, NonsenseInputsGiveBoundedIndices) {
    const auto f = Format(2, 16);
    EXPECT_EQ(SampleIndex(-1.0, 60.0, 1000, f), 0);
    EXPECT_EQ(SampleIndex(1.0, 0.0, 1000, f), 0);
    EXPECT_EQ(SampleIndex(std::numeric_limits<double>::quiet_NaN(), 60.0, 1000, f), 0);
    EXPECT_GT(SampleIndex(std::numeric_limits<double>::infinity(), 60.0, 1000, f), 0);
    EXPECT_EQ(SampleIndex(1.0, 60.0, 1000, Format(2, 0)), 0);
}

TEST(ClickTime, AClickInTheTenToTwelveWindow) {
    EXPECT_EQ(ClickTime(10.0f, 12.0f, 318, 640), static_cast<float>(11.00375));
    EXPECT_FLOAT_EQ(ClickTime(10.0f, 12.0f, 0, 640), 10.01f);
    EXPECT_FLOAT_EQ(ClickTime(10.0f, 12.0f, 318, 0), 10.01f);
}

TEST(Trackbar, PositionsAndValues) {
    EXPECT_EQ(TrackbarValue(0.0f, 60.0), 0);
    EXPECT_EQ(TrackbarValue(30.0f, 60.0), 500);
    EXPECT_EQ(TrackbarValue(60.0f, 60.0), 1000);
    EXPECT_EQ(TrackbarValue(59.99f, 60.0), 999); // truncated
    EXPECT_EQ(TrackbarValue(120.0f, 60.0), 2000);
    EXPECT_EQ(TrackbarValue(5.0f, 0.0), 0);
    EXPECT_FLOAT_EQ(TrackbarPosition(500, 60.0), 30.0f);
    EXPECT_FLOAT_EQ(TrackbarPosition(1000, 3725.25), 3725.25f);
    EXPECT_EQ(TrackbarPosition(0, 60.0), 0.0f);
}

TEST(TimeWindow, ValidWindowsLieInsideTheMix) {
    EXPECT_TRUE(IsValidWindow(0.0f, 2.0f, 60.0));
    EXPECT_TRUE(IsValidWindow(58.0f, 60.0f, 60.0));
    EXPECT_FALSE(IsValidWindow(-0.5f, 1.5f, 60.0));
    EXPECT_FALSE(IsValidWindow(58.5f, 60.5f, 60.0));
    EXPECT_FALSE(IsValidWindow(0.0f, 2.0f, 1.5)); // a mix shorter than the first window
}

TEST(ScrollMove, TheMovesOfTheThumbTable) {
    // Right end: +2 when it fits, else +1, else nothing.
    EXPECT_EQ(ScrollMove(20, 10.0f, 12.0f, 60.0), 2);
    EXPECT_EQ(ScrollMove(20, 56.5f, 58.5f, 60.0), 1);
    EXPECT_EQ(ScrollMove(20, 57.0f, 59.0f, 60.0), 0); // 59 + 1 = 60 is not below 60
    EXPECT_EQ(ScrollMove(15, 10.0f, 12.0f, 60.0), 1);
    EXPECT_EQ(ScrollMove(19, 57.0f, 59.0f, 60.0), 0);
    // The middle does nothing.
    for (int n = 6; n <= 14; ++n) {
        EXPECT_EQ(ScrollMove(n, 10.0f, 12.0f, 60.0), 0) << n;
    }
    // Left end.
    EXPECT_EQ(ScrollMove(0, 10.0f, 12.0f, 60.0), -2);
    EXPECT_EQ(ScrollMove(0, 1.5f, 3.5f, 60.0), -1); // from - 2 is not above 0, from - 1 is
    EXPECT_EQ(ScrollMove(1, 1.0f, 3.0f, 60.0), 0);  // from - 1 = 0 is not above 0
    EXPECT_EQ(ScrollMove(5, 1.5f, 3.5f, 60.0), -1);
    EXPECT_EQ(ScrollMove(2, 1.0f, 3.0f, 60.0), 0);
}

TEST(PressBand, StrictlyInsideTheWaveArea) {
    EXPECT_TRUE(InPressBand(1, 27, 640, 300));
    EXPECT_FALSE(InPressBand(0, 100, 640, 300));
    EXPECT_FALSE(InPressBand(640, 100, 640, 300));
    EXPECT_FALSE(InPressBand(10, 26, 640, 300));
    EXPECT_FALSE(InPressBand(10, 274, 640, 300));
    EXPECT_TRUE(InPressBand(10, 273, 640, 300));
}

} // namespace
