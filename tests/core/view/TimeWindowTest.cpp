#include "core/view/TimeWindow.h"
#include "core/view/InputMath.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

using namespace sundrel::view;

sundrel::WaveFormat Format(std::uint16_t channels, std::uint16_t bits,
                           std::uint16_t tag = sundrel::kFormatPcm) {
    return {tag, channels, 44100, bits, false};
}

TEST(SampleIndex, StartsOnAFrameOfEveryFormat) {
    const auto stereo16 = Format(2, 16);
    const std::uint64_t sixtySeconds = 10584044; // 60 s of data + 44
    EXPECT_EQ(SampleIndex(0.0, 60.0, sixtySeconds, stereo16), 0);
    // 2 / 60 * L = 352801.47 -> 352801 -> raised to 352804 -> halved.
    EXPECT_EQ(SampleIndex(2.0, 60.0, sixtySeconds, stereo16), 176402);
    // An offset already on a multiple of 4 is not raised.
    EXPECT_EQ(SampleIndex(30.0, 60.0, 10584000, stereo16), 2646000);
    // 8-bit keeps byte indices, raised to a multiple of 4: 101 -> 104.
    EXPECT_EQ(SampleIndex(1.0, 10.0, 1010, Format(1, 8)), 104);
    // Byte 1001 of the other formats: 24-bit mono aligns to 3 bytes (1002 -> 334), 24-bit
    // stereo to 6 (1002 -> 334 elements), float stereo to 8 (1008 -> 252), 32-bit mono to 4.
    EXPECT_EQ(SampleIndex(1.0, 10.0, 10010, Format(1, 24)), 334);
    EXPECT_EQ(SampleIndex(1.0, 10.0, 10010, Format(2, 24)), 334);
    EXPECT_EQ(SampleIndex(1.0, 10.0, 10010, Format(2, 32, sundrel::kFormatFloat)), 252);
    EXPECT_EQ(SampleIndex(1.0, 10.0, 10010, Format(1, 32)), 251);
    // Nonsense inputs give bounded indices.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& [s, len, f] : {std::tuple{-1.0, 60.0, stereo16},
                                    {1.0, 0.0, stereo16},
                                    {nan, 60.0, stereo16},
                                    {1.0, 60.0, Format(2, 0)}}) {
        EXPECT_EQ(SampleIndex(s, len, 1000, f), 0) << s << " " << len;
    }
    EXPECT_GT(SampleIndex(std::numeric_limits<double>::infinity(), 60.0, 1000, stereo16), 0);
}

TEST(ClickAndTrackbar, ClickTimeAndTrackbarPositions) {
    EXPECT_EQ(ClickTime(10.0f, 12.0f, 318, 640), static_cast<float>(11.00375));
    EXPECT_FLOAT_EQ(ClickTime(10.0f, 12.0f, 0, 640), 10.01f);
    EXPECT_FLOAT_EQ(ClickTime(10.0f, 12.0f, 318, 0), 10.01f);
    for (const auto& [position, length, value] : {std::tuple{0.0f, 60.0, 0},
                                                  {30.0f, 60.0, 500},
                                                  {60.0f, 60.0, 1000},
                                                  {59.99f, 60.0, 999},
                                                  {120.0f, 60.0, 2000},
                                                  {5.0f, 0.0, 0}}) {
        EXPECT_EQ(TrackbarValue(position, length), value) << position;
    }
    EXPECT_FLOAT_EQ(TrackbarPosition(500, 60.0), 30.0f);
    EXPECT_FLOAT_EQ(TrackbarPosition(1000, 3725.25), 3725.25f);
}

TEST(TimeWindow, ValidWindowsLieInsideTheMix) {
    EXPECT_TRUE(IsValidWindow(0.0f, 2.0f, 60.0));
    EXPECT_TRUE(IsValidWindow(58.0f, 60.0f, 60.0));
    EXPECT_FALSE(IsValidWindow(-0.5f, 1.5f, 60.0));
    EXPECT_FALSE(IsValidWindow(58.5f, 60.5f, 60.0));
    EXPECT_FALSE(IsValidWindow(0.0f, 2.0f, 1.5)); // a mix shorter than the first window
}

TEST(ScrollMove, TheMovesOfTheThumbTable) {
    // Right end: +2 when it fits, else +1, else nothing; the middle does nothing; left end:
    // -2, else -1, else nothing (from - 1 = 0 is not above 0).
    for (const auto& [thumb, from, move] : {std::tuple{20, 10.0f, 2},
                                            {20, 56.5f, 1},
                                            {20, 57.0f, 0},
                                            {15, 10.0f, 1},
                                            {19, 57.0f, 0},
                                            {6, 10.0f, 0},
                                            {14, 10.0f, 0},
                                            {0, 10.0f, -2},
                                            {0, 1.5f, -1},
                                            {1, 1.0f, 0},
                                            {5, 1.5f, -1},
                                            {2, 1.0f, 0}}) {
        EXPECT_EQ(ScrollMove(thumb, from, from + 2.0f, 60.0), move) << thumb << " " << from;
    }
}

TEST(PressBand, StrictlyInsideTheWaveArea) {
    EXPECT_TRUE(InPressBand(1, 27, 640, 300));
    EXPECT_TRUE(InPressBand(10, 273, 640, 300));
    for (const auto& [x, y] : {std::pair{0, 100}, {640, 100}, {10, 26}, {10, 274}}) {
        EXPECT_FALSE(InPressBand(x, y, 640, 300)) << x << "," << y;
    }
}

} // namespace
