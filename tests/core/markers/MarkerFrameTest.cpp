#include "core/markers/Marker.h"
#include "core/markers/MarkerPrint.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

namespace {

using sundrel::FrameAtSeconds;
using sundrel::FrameMarker;
using sundrel::Marker;
using sundrel::PercentMarker;
using sundrel::SecondsAtFrame;

constexpr std::uint64_t kMillion = 1'000'000; // the data of the 1,000,044-byte file
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(MarkerFrame, FrameAtSecondsRoundsToTheNearestFrameWithinTheMix) {
    struct Case {
        double seconds;
        std::uint32_t rate;
        std::int64_t frames;
        std::int64_t frame;
    };
    const Case cases[] = {
        {369.0, 44100, 100'000'000, 16'272'900},
        {369.0, 8000, 100'000'000, 2'952'000},
        {369.0, 96000, 100'000'000, 35'424'000},
        {0.3, 44100, 100'000, 13'230}, // 0.3 * 44100 is 13229.999999999998
        {0.001, 44100, 100'000, 44},   // 44.1
        {0.0011, 22050, 100'000, 24},  // 24.255
        // Halves round up (exact binary fractions: 0.5, 1.5, 2.5 frames).
        {0.125, 4, 100, 1},
        {0.375, 4, 100, 2},
        {0.625, 4, 100, 3},
        {0.124, 4, 100, 0},
        // 24 hours at 192 kHz: far beyond 32 bits, still exact.
        {86'400.0, 192'000, 20'000'000'000, 16'588'800'000},
        // Held within 0..frames.
        {0.0, 44100, 1000, 0},
        {1.0, 44100, 1000, 1000},
        {1000.0 / 44100.0, 44100, 1000, 1000},
        {-0.0, 44100, 1000, 0},
        {-1.0, 44100, 1000, 0},
        {-1e300, 44100, 1000, 0},
        {1e300, 44100, 1000, 1000},
        {kNaN, 44100, 1000, 0},
        {-kInf, 44100, 1000, 0},
        {kInf, 44100, 1000, 1000},
        // No rate or an empty mix: the only frame is 0.
        {5.0, 0, 1000, 0},
        {5.0, 44100, 0, 0},
        {kInf, 44100, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FrameAtSeconds(c.seconds, c.rate, c.frames), c.frame)
            << c.seconds << " s at " << c.rate << " Hz of " << c.frames;
    }
}

TEST(MarkerFrame, SecondsAtFrame) {
    EXPECT_EQ(SecondsAtFrame(16'272'900, 44100), 369.0);
    EXPECT_EQ(SecondsAtFrame(16'588'800'000, 192'000), 86'400.0);
    EXPECT_EQ(SecondsAtFrame(1, 4), 0.25);
    EXPECT_EQ(SecondsAtFrame(0, 44100), 0.0);
    EXPECT_EQ(SecondsAtFrame(12345, 0), 0.0);
}

// Every frame's time leads back to that frame, at every rate and far into a long mix.
TEST(MarkerFrame, FrameOfTheTimeOfAFrameIsThatFrame) {
    std::mt19937_64 rng(11);
    for (const std::uint32_t rate :
         {8000u, 11025u, 22050u, 44100u, 48000u, 88200u, 96000u, 176400u, 192000u, 384000u}) {
        const std::int64_t frames = std::int64_t{rate} * 3600 * 12; // 12 hours
        std::uniform_int_distribution<std::int64_t> pick(0, frames);
        for (int i = 0; i < 20000; ++i) {
            const std::int64_t frame = i < 100 ? frames - i : pick(rng);
            ASSERT_EQ(FrameAtSeconds(SecondsAtFrame(frame, rate), rate, frames), frame)
                << frame << " at " << rate;
        }
    }
}

std::vector<std::int64_t> FramesOf(const std::vector<Marker>& markers) {
    std::vector<std::int64_t> out;
    for (const Marker& m : markers) {
        out.push_back(m.frame);
    }
    return out;
}

std::vector<Marker> PercentMarkers(const std::vector<float>& percents) {
    std::vector<Marker> out;
    for (float p : percents) {
        out.push_back(PercentMarker(p));
        out.back().frame = 987'654; // whatever the frame was, it is derived again
    }
    return out;
}

TEST(MarkerFrame, PercentagesSplitCannotCutAtGetTheFirstFrame) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<Marker> markers = PercentMarkers({0, 50, -1, 150, nan});
    markers.push_back(FrameMarker(77));
    sundrel::ResolvePercentFrames(markers, kMillion, 4);
    // The bad ones take no part: 50 % still lands where {0, 50, 100} cuts.
    EXPECT_EQ(FramesOf(markers), (std::vector<std::int64_t>{0, 124'999, 0, 0, 0, 77}));

    // No frame size: nothing can be cut, every percentage marker is at the first frame.
    markers = PercentMarkers({0, 50});
    markers.push_back(FrameMarker(77));
    sundrel::ResolvePercentFrames(markers, kMillion, 0);
    EXPECT_EQ(FramesOf(markers), (std::vector<std::int64_t>{0, 0, 77}));

    // No audio: every boundary is the first frame.
    markers = PercentMarkers({0, 50, 100});
    sundrel::ResolvePercentFrames(markers, 0, 4);
    EXPECT_EQ(FramesOf(markers), (std::vector<std::int64_t>{0, 0, 0}));
}

} // namespace
