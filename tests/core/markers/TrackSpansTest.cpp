#include "core/markers/TrackSpans.h"
#include "core/audio/WaveFile.h"
#include "core/riff/WaveLayout.h"
#include "core/split/TrackHeader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

using sundrel::PlanTracks;
using sundrel::TrackSpan;

constexpr std::uint64_t kMillion = 1'000'000; // the data of the 1,000,044-byte file

TEST(SplitPlan, WorkedMarkerSets) {
    struct Case {
        std::vector<float> p;
        std::uint64_t size;
        std::uint32_t frame;
        std::vector<std::uint64_t> sizes;
    };
    const Case cases[] = {
        // Raw 499,999 each, aligned down to 499,996; the last track runs to the end.
        {{0, 50, 100}, kMillion, 4, {499'996, 500'004}},
        {{0, 100}, kMillion, 4, {kMillion}},
        // Tracks at file offsets 44, 250,040, 500,040 and 750,036.
        {{0, 25, 50, 75, 100}, kMillion, 4, {249'996, 250'000, 249'996, 250'008}},
        {{0, 33.3f, 100}, kMillion, 4, {332'996, 667'004}},
        // Equal markers: the carried byte is cut off again, leaving an empty track.
        {{0, 50, 50, 100}, kMillion, 4, {499'996, 0, 500'004}},
        // The 700,000,044-byte file: exact sizes, not the float 700,000,064.
        {{0, 50, 100}, 700'000'000, 4, {349'999'992, 350'000'008}},
        // 24-bit stereo: 4 bytes are not whole frames, so cuts fall on 6-byte frames.
        {{0, 50, 100}, 600'000, 6, {299'994, 300'006}},
    };
    for (const Case& c : cases) {
        std::vector<TrackSpan> expected;
        std::uint64_t at = 0;
        for (const std::uint64_t size : c.sizes) {
            expected.push_back({at, size});
            at += size;
        }
        EXPECT_EQ(PlanTracks(c.p, c.size, c.frame), expected) << c.p[1] << " of " << c.size;
    }
    for (const auto& [frame, unit] : {std::pair{1u, 4u}, {2u, 4u}, {4u, 4u}, {3u, 3u}, {8u, 8u}}) {
        EXPECT_EQ(sundrel::AlignmentUnit(frame), unit) << frame;
    }
}

TEST(SplitPlan, RefusesPercentagesItCannotCutAt) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<std::vector<float>> bad = {
        {}, {0}, {0, 50}, {10, 100}, {0, 60, 40, 100}, {0, nan, 100}, {0, 100.5f}, {-1, 0, 100}};
    for (const auto& p : bad) {
        EXPECT_THROW(PlanTracks(p, kMillion, 4), std::invalid_argument) << p.size();
    }
}

// For any marker set: the tracks tile the data, all inner boundaries lie on the alignment
// unit, and no track is further than a unit or two from its share of the data.
TEST(SplitPlan, TracksTileTheDataForRandomMarkers) {
    std::mt19937 rng(7);
    const std::uint32_t frames[] = {1, 2, 3, 4, 6, 8};
    for (int round = 0; round < 3000; ++round) {
        const std::uint32_t frame = frames[round % 6];
        const std::uint64_t size =
            round % 5 == 0
                ? rng() % 64
                : std::uniform_int_distribution<std::uint64_t>(0, std::uint64_t{1} << 36)(rng);
        std::vector<float> p{0.0f};
        for (int i = 0, n = static_cast<int>(rng() % 255); i < n; ++i) {
            // Mostly spread, sometimes bunched up near one spot.
            p.push_back(round % 3 == 0 ? 99.0f + static_cast<float>(rng() % 100) / 100.0f
                                       : static_cast<float>(rng() % 100001) / 1000.0f);
        }
        std::sort(p.begin(), p.end());
        p.push_back(100.0f);

        const auto tracks = PlanTracks(p, size, frame);
        ASSERT_EQ(tracks.size(), p.size() - 1);
        const std::uint64_t unit = sundrel::AlignmentUnit(frame);
        std::uint64_t at = 0;
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            ASSERT_EQ(tracks[i].offset, at);
            ASSERT_EQ(at % unit, 0u) << "round " << round << " track " << i;
            const double share = (double(p[i + 1]) - double(p[i])) * double(size) / 100.0;
            if (i + 1 < tracks.size() && size > 1000 * unit) {
                // The 0.01f constant costs up to 3e-8 of the share.
                ASSERT_LE(std::abs(double(tracks[i].size) - share),
                          2.0 * double(unit) + 1.0 + share * 3e-8);
            }
            at += tracks[i].size;
        }
        ASSERT_EQ(at, size) << "round " << round;
    }
}

TEST(SplitPlan, FramesCutAtFrameTimesFrameSize) {
    using sundrel::FrameMarker;
    using sundrel::PercentMarker;
    using Markers = std::vector<sundrel::Marker>;
    using Spans = std::vector<TrackSpan>;
    const auto at = [](std::initializer_list<std::int64_t> frames) {
        Markers markers;
        for (const std::int64_t f : frames) {
            markers.push_back(FrameMarker(f));
        }
        return markers;
    };
    // What, the markers, the data size and frame size, the tracks.
    const std::tuple<const char*, Markers, std::uint64_t, std::uint32_t, Spans> cases[] = {
        {"in any order", at({0, 30, 10}), 240, 6, {{0, 60}, {60, 120}, {180, 60}}},
        {"start put in front", at({10}), 240, 6, {{0, 60}, {60, 180}}},
        {"no markers", {}, 240, 6, {{0, 240}}},
        {"held within the data", at({-5, 41, 1000}), 240, 6, {{0, 240}, {240, 0}, {240, 0}}},
        {"a partial last frame stays in the last track", at({0, 40}), 243, 6, {{0, 240}, {240, 3}}},
        {"equal frames give an empty track", at({0, 5, 5}), 80, 4, {{0, 20}, {20, 0}, {20, 60}}},
        // A percentage above 0 whose frame is 0 (0.001 %) is not the start: the start is still cut.
        {"0 % is the start", {PercentMarker(0.0f), FrameMarker(4)}, 80, 4, {{0, 16}, {16, 64}}},
        {"0.001 %", {PercentMarker(0.001f), FrameMarker(4)}, 80, 4, {{0, 0}, {0, 16}, {16, 64}}},
    };
    for (const auto& [what, markers, size, frame, tracks] : cases) {
        EXPECT_EQ(sundrel::PlanTracksAtFrames(markers, size, frame), tracks) << what;
    }
}

// Percentage markers, their frames set by ResolvePercentFrames, are cut by frames exactly
// where PlanTracks cuts for their percentages, on every frame size, for lists in any order,
// with or without the start marker, with repeats, ends and bunches near the end. Frame markers
// among them keep their frames and take no part; a higher percentage is never at an earlier
// frame.
TEST(SplitPlan, ResolvedPercentMarkersCutAsPlanTracks) {
    std::mt19937 rng(19);
    const std::uint32_t frames[] = {1, 2, 3, 4, 6, 8, 12};
    for (int round = 0; round < 6000; ++round) {
        const std::uint32_t frame = frames[round % std::size(frames)];
        const std::uint64_t size =
            round % 4 == 0
                ? rng() % 200
                : std::uniform_int_distribution<std::uint64_t>(0, std::uint64_t{1} << 34)(rng);
        std::vector<float> p;
        if (round % 3 != 0) {
            p.push_back(0.0f); // the start marker of the window's list
        }
        for (int i = 0, n = static_cast<int>(rng() % 40); i < n; ++i) {
            switch (rng() % 7) {
            case 0:
                p.push_back(p.empty() ? 100.0f : p[rng() % p.size()]); // a repeat
                break;
            case 1:
                p.push_back(static_cast<float>(rng() % 3) * 50.0f); // 0, 50 or 100
                break;
            case 2:
                p.push_back(99.0f + static_cast<float>(rng() % 1000) / 1000.0f);
                break;
            case 3:
                p.push_back(static_cast<float>(rng() % 1000) / 1e6f); // near the start
                break;
            case 4:
                p.push_back(static_cast<float>(rng() % 101)); // whole percentages
                break;
            default:
                p.push_back(static_cast<float>(rng() % 100001) / 1000.0f);
            }
        }
        // The reference: the percentages Split has always cut at.
        std::vector<float> percents = p;
        std::stable_sort(percents.begin(), percents.end());
        if (percents.empty() || percents.front() > 0.0f) {
            percents.insert(percents.begin(), 0.0f);
        }
        percents.push_back(100.0f);

        std::vector<sundrel::Marker> markers;
        std::vector<std::int64_t> frameMarkers;
        for (float percent : p) {
            markers.push_back(sundrel::PercentMarker(percent));
            if (rng() % 10 == 0) {
                frameMarkers.push_back(static_cast<std::int64_t>(rng() % (size / frame + 1)));
                markers.push_back(sundrel::FrameMarker(frameMarkers.back()));
            }
        }
        sundrel::ResolvePercentFrames(markers, size, frame);
        std::vector<sundrel::Marker> resolved;
        std::vector<std::int64_t> kept;
        for (const sundrel::Marker& m : markers) {
            if (m.percent) {
                resolved.push_back(m);
            } else {
                kept.push_back(m.frame);
            }
        }
        ASSERT_EQ(kept, frameMarkers) << "round " << round;
        ASSERT_EQ(sundrel::PlanTracksAtFrames(resolved, size, frame),
                  PlanTracks(percents, size, frame))
            << "round " << round << ", " << p.size() << " markers, " << size << " bytes";
        for (const sundrel::Marker& a : resolved) {
            for (const sundrel::Marker& b : resolved) {
                if (*a.percent < *b.percent) {
                    ASSERT_LE(a.frame, b.frame) << *a.percent << " " << *b.percent;
                }
            }
        }
    }
}

// A track whose RIFF size (audio and tags) would pass 32 bits is RF64; its ds64 chunk holds the
// RIFF size, the data size and the frame count.
TEST(TrackHeader, TracksTooLargeForThirtyTwoBitSizesAreRf64) {
    const auto wfx = sundrel::MakeWaveFormatEx({sundrel::kFormatFloat, 2, 48000, 32, false});
    const std::uint64_t most = 0xFFFFFFFFull - 36;
    EXPECT_EQ(sundrel::MakeTrackHeader(wfx, most).size(), 44u);
    EXPECT_EQ(sundrel::MakeTrackHeader(wfx, most - 1000, 1000).size(), 44u);
    EXPECT_TRUE(sundrel::NeedsRf64(most + 1));
    EXPECT_TRUE(sundrel::NeedsRf64(most - 1000, 1001));
    EXPECT_TRUE(sundrel::NeedsRf64(0, 0xFFFFFFFFull));
    for (const auto& [size, tags] : {std::pair{(std::uint64_t{5} << 30) + 8, std::uint64_t{0}},
                                     {most - 1000, std::uint64_t{1001}}}) {
        const auto file = sundrel::MakeTrackHeader(wfx, size, tags);
        ASSERT_EQ(file.size(), sundrel::kRf64HeaderSize);
        std::uint64_t ds64[3];
        std::memcpy(ds64, file.data() + 20, sizeof ds64);
        EXPECT_EQ(ds64[0], size + tags + 72);
        EXPECT_EQ(ds64[1], size);
        EXPECT_EQ(ds64[2], size / 8);
    }
}

} // namespace
