#include "core/split/SplitPlan.h"
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

std::vector<std::uint64_t> Sizes(const std::vector<TrackSpan>& tracks) {
    std::vector<std::uint64_t> sizes;
    for (const auto& t : tracks) {
        sizes.push_back(t.size);
    }
    return sizes;
}

// 1,000,000 data bytes of 16-bit stereo audio: the canonical file of 1,000,044 bytes.
constexpr std::uint64_t kMillion = 1'000'000;

TEST(SplitPlan, OneMarkerAtHalfOfAMillionBytes) {
    const float p[] = {0.0f, 50.0f, 100.0f};
    // Raw 499,999 each; aligned down to 499,996; the last track runs to the end of the data.
    EXPECT_EQ(PlanTracks(p, kMillion, 4),
              (std::vector<TrackSpan>{{0, 499'996}, {499'996, 500'004}}));
}

TEST(SplitPlan, WorkedMarkerSets) {
    const float none[] = {0.0f, 100.0f};
    EXPECT_EQ(PlanTracks(none, kMillion, 4), (std::vector<TrackSpan>{{0, kMillion}}));

    const float quarters[] = {0.0f, 25.0f, 50.0f, 75.0f, 100.0f};
    const auto q = PlanTracks(quarters, kMillion, 4);
    EXPECT_EQ(Sizes(q), (std::vector<std::uint64_t>{249'996, 250'000, 249'996, 250'008}));
    // File offsets 44, 250,040, 500,040 and 750,036.
    EXPECT_EQ(q[1].offset + 44, 250'040u);
    EXPECT_EQ(q[2].offset + 44, 500'040u);
    EXPECT_EQ(q[3].offset + 44, 750'036u);

    const float third[] = {0.0f, 33.3f, 100.0f};
    EXPECT_EQ(Sizes(PlanTracks(third, kMillion, 4)),
              (std::vector<std::uint64_t>{332'996, 667'004}));

    // Equal markers: the carried byte is cut off again, leaving an empty track.
    const float equal[] = {0.0f, 50.0f, 50.0f, 100.0f};
    EXPECT_EQ(Sizes(PlanTracks(equal, kMillion, 4)),
              (std::vector<std::uint64_t>{499'996, 0, 500'004}));
}

TEST(SplitPlan, LargeMixUsesExactSizes) {
    // 700,000,044-byte file: the data size is exact, not the float 700,000,064.
    const float p[] = {0.0f, 50.0f, 100.0f};
    EXPECT_EQ(PlanTracks(p, 700'000'000, 4),
              (std::vector<TrackSpan>{{0, 349'999'992}, {349'999'992, 350'000'008}}));
}

TEST(SplitPlan, AlignsToTheFrameWhereFourBytesAreNotWholeFrames) {
    EXPECT_EQ(sundrel::AlignmentUnit(1), 4u);
    EXPECT_EQ(sundrel::AlignmentUnit(2), 4u);
    EXPECT_EQ(sundrel::AlignmentUnit(4), 4u);
    EXPECT_EQ(sundrel::AlignmentUnit(3), 3u);
    EXPECT_EQ(sundrel::AlignmentUnit(6), 6u);
    EXPECT_EQ(sundrel::AlignmentUnit(8), 8u);
    const float p[] = {0.0f, 50.0f, 100.0f};
    // 24-bit stereo: raw 499,999, remainder 1 of 6.
    EXPECT_EQ(Sizes(PlanTracks(p, 6 * 100'000, 6)), (std::vector<std::uint64_t>{299'994, 300'006}));
}

TEST(SplitPlan, RefusesPercentagesItCannotCutAt) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<std::vector<float>> bad = {{},
                                                 {0.0f},
                                                 {0.0f, 50.0f},
                                                 {10.0f, 100.0f},
                                                 {0.0f, 60.0f, 40.0f, 100.0f},
                                                 {0.0f, nan, 100.0f},
                                                 {0.0f, 100.5f},
                                                 {-1.0f, 0.0f, 100.0f}};
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
        const int markers = static_cast<int>(rng() % 255);
        for (int i = 0; i < markers; ++i) {
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

TEST(TrackHeader, CanonicalHeaderBytes) {
    sundrel::WaveFormatEx wfx;
    wfx.wFormatTag = 1;
    wfx.nChannels = 2;
    wfx.nSamplesPerSec = 44100;
    wfx.nAvgBytesPerSec = 176400;
    wfx.nBlockAlign = 4;
    wfx.wBitsPerSample = 16;
    const unsigned char expected[44] = {
        0x52, 0x49, 0x46, 0x46, 0x40, 0xa1, 0x07, 0x00, 0x57, 0x41, 0x56, 0x45, 0x66, 0x6d, 0x74,
        0x20, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x44, 0xac, 0x00, 0x00, 0x10, 0xb1,
        0x02, 0x00, 0x04, 0x00, 0x10, 0x00, 0x64, 0x61, 0x74, 0x61, 0x1c, 0xa1, 0x07, 0x00};
    const auto header = sundrel::MakeTrackHeader(wfx, 499'996);
    ASSERT_EQ(header.size(), 44u);
    EXPECT_EQ(std::memcmp(header.data(), expected, 44), 0);
}

TEST(TrackHeader, TracksTooLargeForThirtyTwoBitSizesAreRf64) {
    sundrel::WaveFormatEx wfx;
    wfx.wFormatTag = 3;
    wfx.nChannels = 2;
    wfx.nSamplesPerSec = 48000;
    wfx.nAvgBytesPerSec = 384000;
    wfx.nBlockAlign = 8;
    wfx.wBitsPerSample = 32;
    EXPECT_EQ(sundrel::MakeTrackHeader(wfx, 0xFFFFFFFFull - 36).size(), 44u);
    EXPECT_TRUE(sundrel::NeedsRf64(0xFFFFFFFFull - 35));

    // The reader of mixes finds the 64-bit size in the ds64 chunk.
    const std::uint64_t size = (std::uint64_t{5} << 30) + 8;
    auto file = sundrel::MakeTrackHeader(wfx, size);
    ASSERT_EQ(file.size(), sundrel::kRf64HeaderSize);
    file.resize(file.size() + 64); // a few frames of the data; the rest is "missing"
    const auto layout = sundrel::ReadWaveLayout(file);
    EXPECT_EQ(layout.container, sundrel::Container::Rf64);
    EXPECT_EQ(layout.dataOffset, sundrel::kRf64HeaderSize);
    EXPECT_EQ(layout.format.formatTag, 3);
    EXPECT_EQ(layout.format.channels, 2);
    EXPECT_TRUE(layout.dataTruncated); // it claims all of `size`
    std::uint64_t riffSize = 0, dataSize = 0, frames = 0;
    std::memcpy(&riffSize, file.data() + 20, 8);
    std::memcpy(&dataSize, file.data() + 28, 8);
    std::memcpy(&frames, file.data() + 36, 8);
    EXPECT_EQ(riffSize, size + 72);
    EXPECT_EQ(dataSize, size);
    EXPECT_EQ(frames, size / 8);
}

} // namespace
