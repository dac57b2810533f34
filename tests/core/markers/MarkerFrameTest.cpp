#include "core/markers/Marker.h"
#include "core/markers/MarkerList.h"
#include "core/markers/MarkerPrint.h"
#include "core/split/SplitPlan.h"

#include <algorithm>
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

// The worked numbers of Split: each percentage marker lands on the first frame of the track
// that Split starts at it.
TEST(MarkerFrame, PercentMarkersLandWhereSplitCuts) {
    struct Case {
        std::vector<float> percents;
        std::uint64_t dataSize;
        std::uint32_t frameSize;
        std::vector<std::int64_t> frames;
    };
    const Case cases[] = {
        // 499,996 bytes for 50 % of the 1,000,044-byte file.
        {{0, 50}, kMillion, 4, {0, 124'999}},
        {{50}, kMillion, 4, {124'999}},
        // Track offsets 0, 249,996, 499,996 and 749,992: the remainders carry.
        {{0, 25, 50, 75}, kMillion, 4, {0, 62'499, 124'999, 187'498}},
        // In any order, each marker gets its own boundary.
        {{75, 0, 25, 50}, kMillion, 4, {187'498, 0, 62'499, 124'999}},
        {{0, 33.3f}, kMillion, 4, {0, 83'249}},
        // Equal markers share a frame (the empty track between them).
        {{0, 50, 50}, kMillion, 4, {0, 124'999, 124'999}},
        // 100 % is the start of the last track, four bytes before the end.
        {{0, 100}, kMillion, 4, {0, 249'999}},
        // 24-bit stereo cuts on whole 6-byte frames; 16-bit mono on 4 bytes (two frames);
        // 8-bit mono on 4 bytes.
        {{0, 50}, 600'000, 6, {0, 49'999}},
        {{0, 50}, kMillion, 2, {0, 249'998}},
        {{0, 50}, kMillion, 1, {0, 499'996}},
        // The 700,000,044-byte file: 349,999,992 bytes.
        {{0, 50}, 700'000'000, 4, {0, 87'499'998}},
    };
    for (const Case& c : cases) {
        std::vector<Marker> markers = PercentMarkers(c.percents);
        sundrel::ResolvePercentFrames(markers, c.dataSize, c.frameSize);
        EXPECT_EQ(FramesOf(markers), c.frames) << c.percents.back() << " of " << c.dataSize;
    }
}

// Property: for any percentage-only list, frame * frame size of each marker, taken in
// ascending order, is exactly the track offsets PlanTracks gives for the list Split would cut
// at; frame markers among them keep their frames and take no part.
TEST(MarkerFrame, PercentMarkersMatchPlanTracksForRandomLists) {
    std::mt19937 rng(5);
    const std::uint32_t frameSizes[] = {1, 2, 3, 4, 6, 8, 12};
    for (int round = 0; round < 3000; ++round) {
        const std::uint32_t frameSize = frameSizes[round % std::size(frameSizes)];
        const std::uint64_t dataSize =
            frameSize * std::uniform_int_distribution<std::uint64_t>(1, 2'000'000'000)(rng);
        const int count = std::uniform_int_distribution<int>(1, 12)(rng);
        std::vector<float> percents;
        std::vector<Marker> markers;
        std::vector<std::int64_t> frameMarkers;
        for (int i = 0; i < count; ++i) {
            const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
            if (kind == 0) {
                markers.push_back(FrameMarker(std::uniform_int_distribution<std::int64_t>(
                    0, static_cast<std::int64_t>(dataSize / frameSize))(rng)));
                frameMarkers.push_back(markers.back().frame);
                continue;
            }
            // Whole percentages repeat often, so equal markers get tested too.
            const float p =
                kind < 4 ? static_cast<float>(std::uniform_int_distribution<int>(0, 100)(rng))
                         : std::uniform_real_distribution<float>(0.0f, 100.0f)(rng);
            percents.push_back(p);
            markers.push_back(PercentMarker(p));
        }
        sundrel::ResolvePercentFrames(markers, dataSize, frameSize);

        std::vector<std::uint64_t> offsets;
        std::vector<std::int64_t> kept;
        for (const Marker& m : markers) {
            if (m.percent) {
                offsets.push_back(static_cast<std::uint64_t>(m.frame) * frameSize);
            } else {
                kept.push_back(m.frame);
            }
        }
        ASSERT_EQ(kept, frameMarkers);
        if (percents.empty()) {
            continue;
        }
        // Split's list: the markers sorted, 0 in front unless one is 0, then 100.
        const std::vector<float> cut = sundrel::SplitPercents(percents);
        const std::vector<sundrel::TrackSpan> tracks =
            sundrel::PlanTracks(cut, dataSize, frameSize);
        std::vector<std::uint64_t> expected;
        for (std::size_t k = cut.size() - 1 - percents.size(); k < tracks.size(); ++k) {
            expected.push_back(tracks[k].offset);
        }
        std::sort(offsets.begin(), offsets.end());
        ASSERT_EQ(offsets, expected) << "round " << round;
        // Each marker's own frame follows its percentage: a higher one is never earlier.
        for (const Marker& a : markers) {
            for (const Marker& b : markers) {
                if (a.percent && b.percent && *a.percent < *b.percent) {
                    ASSERT_LE(a.frame, b.frame) << *a.percent << " " << *b.percent;
                }
            }
        }
    }
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

TEST(MarkerFrame, AllPercentUnnamedDecidesTheProjectVersion) {
    Marker titled = PercentMarker(10);
    titled.title = "A";
    Marker byArtist = PercentMarker(10);
    byArtist.artist = "B";
    struct Case {
        std::vector<Marker> markers;
        bool v2;
    };
    const Case cases[] = {
        {{}, true},
        {{PercentMarker(0)}, true},
        {{PercentMarker(0), PercentMarker(50), PercentMarker(50)}, true},
        {{PercentMarker(0), titled}, false},
        {{PercentMarker(0), byArtist}, false},
        {{PercentMarker(0), FrameMarker(100)}, false},
        {{FrameMarker(0)}, false},
    };
    for (std::size_t c = 0; c < std::size(cases); ++c) {
        EXPECT_EQ(sundrel::AllPercentUnnamed(cases[c].markers), cases[c].v2) << "case " << c;
    }
}

} // namespace
