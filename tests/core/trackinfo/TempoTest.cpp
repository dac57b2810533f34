#include "core/trackinfo/Tempo.h"

#include "TestMusic.h"
#include "core/trackinfo/TrackAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace sundrel {
namespace {

constexpr double kRate = 11025;

TEST(Tempo, FoldsHalfAndDoubleTempiIntoTheDjRange) {
    const std::pair<double, double> folds[] = {{64, 128},     {32, 128}, {256, 128},
                                               {174, 174},    {180, 90}, {70, 70},
                                               {69.9, 139.8}, {0, 0},    {-5, 0}};
    for (const auto& [bpm, folded] : folds) {
        EXPECT_DOUBLE_EQ(FoldTempo(bpm), folded) << bpm;
    }
}

// Beats as a tracker reports them: a steady grid with jitter, missed beats, a stray beat
// between two, and a break in which the beats are off the grid.
TEST(Tempo, BeatPeriodFitsTheWholeGridDespiteMissedAndStrayBeats) {
    const double period = 60.0 / 126.3;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> jitter(-0.012, 0.012);
    std::vector<double> beats;
    for (int n = 0; n < 400; ++n) {
        if (n % 37 == 5 || n % 53 == 0) {
            continue; // missed
        }
        if (n > 200 && n < 216) {
            beats.push_back(0.3 + period * (n + 0.45)); // a break: off the grid
            continue;
        }
        beats.push_back(0.3 + period * n + jitter(rng));
        if (n % 41 == 3) {
            beats.push_back(0.3 + period * (n + 0.5)); // stray
        }
    }
    EXPECT_NEAR(60.0 / BeatPeriod(beats), 126.3, 0.05);
    EXPECT_EQ(BeatPeriod(std::vector<double>{0.5, 1.0, 1.5}), 0.0) << "too few beats";
}

TEST(Tempo, ClickTracksAtKnownTempi) {
    for (const double bpm : {84.0, 100.0, 122.0, 128.0, 140.0, 150.0, 174.0}) {
        SCOPED_TRACE(bpm);
        EXPECT_NEAR(TrackTempo(testmusic::ClickTrack(bpm, 60, kRate), kRate), bpm, 0.5);
    }
}

// Drum loops (kick on every beat, snare on two and four, hats on the eighths) at seven tempi,
// each also resampled by three ratios: 28 answers, at least 24 within 0.5 BPM. The misses are
// listed: the octave (86.4 read as 172.8, both in the range) is a matter of counting; a
// few percent off is a fault.
TEST(Tempo, DrumLoopsAtKnownTempiAndStretchedByKnownRatios) {
    int seed = 1, right = 0, total = 0;
    std::string misses;
    for (const double bpm : {90.0, 118.0, 124.0, 126.0, 132.0, 138.0, 160.0}) {
        const auto loop = testmusic::DrumLoop(bpm, 75, kRate, static_cast<std::uint32_t>(seed++));
        for (const double ratio : {1.0, 0.96, 1.023, 1.08}) {
            const double expected = FoldTempo(bpm * ratio);
            const double found =
                TrackTempo(ratio == 1.0 ? loop : testmusic::Resample(loop, ratio), kRate);
            ++total;
            if (std::abs(found - expected) <= 0.5) {
                ++right;
            } else {
                misses += " " + std::to_string(expected) + "->" + std::to_string(found);
            }
        }
    }
    RecordProperty("right", right);
    EXPECT_GE(right, 24) << right << " of " << total << " within 0.5 BPM; misses:" << misses;
}

TEST(Tempo, NoBeatInSilenceOrNoise) {
    EXPECT_EQ(TrackTempo(std::vector<float>(static_cast<std::size_t>(30 * kRate)), kRate), 0.0);
    EXPECT_EQ(TrackTempo(std::vector<float>(100), kRate), 0.0);
    EXPECT_EQ(TrackTempo({}, kRate), 0.0);
    for (const std::uint32_t seed : {1u, 2u, 3u}) {
        EXPECT_EQ(TrackTempo(testmusic::PinkNoise(40, kRate, 0.1, seed), kRate), 0.0) << seed;
    }
}

// The level of the beat must not move with a small stretch: drum loops whose tempo or whose
// double lies where both stay in the range (80-90 and 160-180 BPM: either is the beat), and
// waltzes, whose bar of three beats invites counting two beats as three, each read as it is and
// 5 % slower and faster: each stretch read as the stretch times the first reading (halved or
// doubled into the range), within 0.5 BPM.
TEST(Tempo, TheBeatLevelHoldsUnderSmallStretches) {
    struct Case {
        const char* name;
        testmusic::Signal music;
        double bpm;
    };
    const std::vector<Case> cases{
        {"loop 84", testmusic::DrumLoop(84, 60, kRate, 11), 84},
        {"loop 88", testmusic::DrumLoop(88, 60, kRate, 12), 88},
        {"loop 168", testmusic::DrumLoop(168, 60, kRate, 13), 168},
        {"waltz 104", testmusic::Waltz(104, 60, kRate, 14), 104},
        {"waltz 136", testmusic::Waltz(136, 60, kRate, 15), 136},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const double plain = TrackTempo(c.music, kRate);
        EXPECT_NEAR(plain < c.bpm * 1.5 ? plain : plain / 2, c.bpm, 0.5);
        for (const double ratio : {0.95, 1.05}) {
            SCOPED_TRACE(ratio);
            EXPECT_NEAR(TrackTempo(testmusic::Resample(c.music, ratio), kRate),
                        FoldTempo(plain * ratio), 0.5);
        }
    }
}

// The whole path: 44.1 kHz stereo, folded and decimated before the tracker.
TEST(Tempo, TrackAnalysisOfAStereoMix) {
    const double rate = 44100;
    const auto loop = testmusic::DrumLoop(127.0, 40, rate, 3);
    const fixture::Bytes pcm = testmusic::Pcm16(loop, 2, {0.9f, 0.7f});
    const WaveFormat format{1, 2, 44100, 16, false};
    const ElementSource source = [&pcm](std::int64_t first, std::span<std::int32_t> out) {
        for (std::size_t i = 0; i < out.size(); ++i) {
            const std::size_t at = (static_cast<std::size_t>(first) * 2 + i) * 2;
            out[i] = static_cast<std::int16_t>(std::to_integer<int>(pcm[at]) |
                                               std::to_integer<int>(pcm[at + 1]) << 8);
        }
    };
    const TrackInfo info = AnalyseTrack(source, 0, static_cast<std::int64_t>(loop.size()), format);
    EXPECT_NEAR(info.bpm, 127.0, 0.5);
    EXPECT_TRUE(info.HasLoudness());
    // Several settings from one reading: each its own tempo, all the same loudness.
    TrackInfoTuning strict;
    strict.minBeatSalience = 1000;
    const std::vector<TrackInfoTuning> tunings{{}, strict};
    const auto each =
        AnalyseTrackWith(source, 0, static_cast<std::int64_t>(loop.size()), format, tunings);
    ASSERT_EQ(each.size(), 2u);
    EXPECT_EQ(each[0].bpm, info.bpm);
    EXPECT_EQ(each[1].bpm, 0.0);
    EXPECT_EQ(each[1].loudness.integrated, info.loudness.integrated);
}

} // namespace
} // namespace sundrel
