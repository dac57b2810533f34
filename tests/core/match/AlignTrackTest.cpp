#include "core/match/AlignTrack.h"
#include "core/match/Landmarks.h"
#include "core/match/MixIndex.h"
#include "core/match/SynthMusic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace sundrel {
namespace {

using matchtest::Render;
using matchtest::RenderAll;
using matchtest::Score;

constexpr double kTrackSeconds = 70.0;

struct Track {
    std::vector<PeakPair> pairs;
    std::int32_t frames = 0;
};

Track Analyse(const std::vector<float>& audio) {
    return {MakePairs(FindPeaks(audio)), static_cast<std::int32_t>(audio.size() / kMatchHop + 1)};
}

MixIndex Index(const std::vector<float>& mix, std::vector<PeakPair>& keep) {
    keep = MakePairs(FindPeaks(mix));
    return MixIndex(keep, static_cast<std::int32_t>(mix.size() / kMatchHop + 1));
}

// A mix of other music throughout (quieter), the track from file second 6 to 50 placed at
// mix second 20, played at `ratio`.
std::vector<float> MixWithTrack(const std::vector<matchtest::Note>& track, double ratio,
                                bool keyLock, double gain) {
    std::vector<float> mix = RenderAll(Score(90.0, 999), 90.0, kMatchRate);
    for (float& x : mix) {
        x *= 0.4f;
    }
    Render(track, 6.0, 50.0, ratio, keyLock, 20.0, gain, kMatchRate, mix);
    return mix;
}

struct SpeedCase {
    double ratio;
    bool keyLock;
};

class AlignSpeed : public testing::TestWithParam<SpeedCase> {};

TEST_P(AlignSpeed, FindsWhereWhichPartAndHowFastTheTrackPlays) {
    const SpeedCase c = GetParam();
    const auto score = Score(kTrackSeconds, 1);
    const Track track = Analyse(RenderAll(score, kTrackSeconds, kMatchRate));
    std::vector<PeakPair> mixPairs;
    const MixIndex mix = Index(MixWithTrack(score, c.ratio, c.keyLock, 0.5), mixPairs);
    const std::vector<TrackPlay> plays = AlignTrack(mix, track.pairs, track.frames);
    ASSERT_EQ(plays.size(), 1u);
    const TrackPlay& p = plays[0];
    const double end = 20.0 + 44.0 / c.ratio;
    EXPECT_NEAR(p.start, 20.0, 0.6);
    EXPECT_NEAR(p.end, end, 0.8);
    EXPECT_NEAR(p.FileAt(p.start), 6.0 + (p.start - 20.0) * c.ratio, 0.05);
    EXPECT_NEAR(p.FileAt(40.0), 6.0 + 20.0 * c.ratio, 0.05); // the line is exact inside
    EXPECT_NEAR(p.ratio, c.ratio, 0.002);
    if (c.ratio != 1.0) {
        EXPECT_EQ(p.keyLock, c.keyLock);
    }
    EXPECT_GT(p.confidence, 0.2);
}

INSTANTIATE_TEST_SUITE_P(Ratios, AlignSpeed,
                         testing::Values(SpeedCase{1.0, true}, SpeedCase{1.047, false},
                                         SpeedCase{0.962, true}, SpeedCase{1.083, true},
                                         SpeedCase{0.915, false}));

TEST(AlignTrack, FindsATrackPlayedTwiceAndQuietly) {
    const auto score = Score(kTrackSeconds, 3);
    const Track track = Analyse(RenderAll(score, kTrackSeconds, kMatchRate));
    std::vector<float> mix = RenderAll(Score(160.0, 998), 160.0, kMatchRate);
    for (float& x : mix) {
        x *= 0.3f;
    }
    Render(score, 0.0, 40.0, 1.0, true, 10.0, 0.25, kMatchRate, mix);   // 12 dB down
    Render(score, 30.0, 60.0, 1.02, true, 100.0, 1.0, kMatchRate, mix); // again, later part
    std::vector<PeakPair> mixPairs;
    std::vector<TrackPlay> plays = AlignTrack(Index(mix, mixPairs), track.pairs, track.frames);
    ASSERT_EQ(plays.size(), 2u);
    std::sort(plays.begin(), plays.end(),
              [](const TrackPlay& a, const TrackPlay& b) { return a.start < b.start; });
    EXPECT_NEAR(plays[0].start, 10.0, 1.0); // its first landmarks heard over the louder music
    EXPECT_NEAR(plays[0].offset, plays[0].start - 10.0, 0.1);
    EXPECT_NEAR(plays[1].start, 100.0, 0.6);
    EXPECT_NEAR(plays[1].FileAt(110.0), 30.0 + 10.0 * 1.02, 0.05);
}

// A file heard clearly for only nine seconds (its other parts quiet under louder music),
// slowed with the key kept to a ratio between the grid's: the nine seconds of matches fix
// the slope, so the line holds at the play's far ends too.
TEST(AlignTrack, FitsTheSlopeOfAShortClearStretch) {
    constexpr double kShortSeconds = 48.0;
    const auto score = Score(kShortSeconds, 11);
    const Track track = Analyse(RenderAll(score, kShortSeconds, kMatchRate));
    std::vector<float> mix = RenderAll(Score(100.0, 997), 100.0, kMatchRate);
    AlignOptions coarse;
    coarse.ratioStep = 0.03; // 0.94 is the nearest ratio of the grid
    coarse.minMatches = 20;
    coarse.minConfidence = 0.0;
    for (const double ratio : {0.932, 1.047}) {
        std::vector<float> played = mix;
        Render(score, 0.0, 14.0, ratio, true, 30.0, 0.05, kMatchRate, played);
        Render(score, 14.0, 23.0, ratio, true, 30.0 + 14.0 / ratio, 2.0, kMatchRate, played);
        Render(score, 23.0, 28.4, ratio, true, 30.0 + 23.0 / ratio, 0.05, kMatchRate, played);
        std::vector<PeakPair> mixPairs;
        const std::vector<TrackPlay> plays =
            AlignTrack(Index(played, mixPairs), track.pairs, track.frames, coarse);
        ASSERT_FALSE(plays.empty()) << ratio;
        const TrackPlay& p = *std::max_element(
            plays.begin(), plays.end(),
            [](const TrackPlay& x, const TrackPlay& y) { return x.matches < y.matches; });
        EXPECT_NEAR(p.ratio, ratio, 0.002) << ratio;
        EXPECT_NEAR(p.FileAt(30.0 + 18.0 / ratio), 18.0, 0.03) << ratio;
        EXPECT_NEAR(p.FileAt(30.0), 0.0, 0.1) << ratio;
        EXPECT_NEAR(p.FileAt(30.0 + 28.4 / ratio), 28.4, 0.1) << ratio;
    }
}

// The file's seconds 30-70 are a passage too soft to leave a landmark in the mix, and the
// next ten seconds leave few: the parts either side are one play, its ratio taken over the
// whole of it.
TEST(AlignTrack, ASoftPassageDoesNotBreakAPlay) {
    constexpr double kLongSeconds = 120.0;
    const auto score = Score(kLongSeconds, 13);
    const Track track = Analyse(RenderAll(score, kLongSeconds, kMatchRate));
    std::vector<float> mix = RenderAll(Score(150.0, 996), 150.0, kMatchRate);
    for (float& x : mix) {
        x *= 0.4f;
    }
    constexpr double kRatio = 1.014;
    // Nothing else is heard under the soft passage either.
    std::fill(mix.begin() + std::ptrdiff_t((20.0 + 30.0 / kRatio) * kMatchRate),
              mix.begin() + std::ptrdiff_t((20.0 + 70.0 / kRatio) * kMatchRate), 0.0f);
    Render(score, 0.0, 30.0, kRatio, false, 20.0, 1.0, kMatchRate, mix);
    Render(score, 70.0, 80.0, kRatio, false, 20.0 + 70.0 / kRatio, 0.02, kMatchRate, mix);
    Render(score, 80.0, 110.0, kRatio, false, 20.0 + 80.0 / kRatio, 1.0, kMatchRate, mix);
    std::vector<PeakPair> mixPairs;
    const std::vector<TrackPlay> plays =
        AlignTrack(Index(mix, mixPairs), track.pairs, track.frames);
    ASSERT_EQ(plays.size(), 1u);
    EXPECT_NEAR(plays[0].start, 20.0, 0.6);
    EXPECT_NEAR(plays[0].end, 20.0 + 110.0 / kRatio, 0.8);
    EXPECT_NEAR(plays[0].ratio, kRatio, 0.0005);
    EXPECT_FALSE(plays[0].keyLock);
}

TEST(AlignTrack, NeverMatchesATrackThatDoesNotPlay) {
    const auto played = Score(kTrackSeconds, 5);
    std::vector<PeakPair> mixPairs;
    const MixIndex mix = Index(MixWithTrack(played, 1.03, true, 1.0), mixPairs);
    for (std::uint32_t seed : {6u, 7u, 8u}) {
        const Track other =
            Analyse(RenderAll(Score(kTrackSeconds, seed), kTrackSeconds, kMatchRate));
        EXPECT_TRUE(AlignTrack(mix, other.pairs, other.frames).empty()) << "seed " << seed;
    }
}

TEST(AlignTrack, ShortAndEmptyInputsGiveNoPlays) {
    const auto score = Score(kTrackSeconds, 9);
    std::vector<PeakPair> mixPairs;
    const MixIndex mix = Index(MixWithTrack(score, 1.0, true, 1.0), mixPairs);
    EXPECT_TRUE(AlignTrack(mix, {}, 0).empty());
    EXPECT_TRUE(
        AlignTrack(MixIndex(), Analyse(RenderAll(score, 10.0, kMatchRate)).pairs, 300).empty());
    // Five seconds of the track: shorter than a play.
    std::vector<float> brief = RenderAll(Score(90.0, 999), 90.0, kMatchRate);
    Render(score, 10.0, 15.0, 1.0, true, 30.0, 1.0, kMatchRate, brief);
    std::vector<PeakPair> briefPairs;
    const Track track = Analyse(RenderAll(score, kTrackSeconds, kMatchRate));
    for (const TrackPlay& p : AlignTrack(Index(brief, briefPairs), track.pairs, track.frames)) {
        ADD_FAILURE() << "play " << p.start << ".." << p.end << " offset " << p.offset
                      << " matches " << p.matches;
    }
}

TEST(Landmarks, PeaksStayWhereTheyAreUnderGainAndMoveWithResampling) {
    const auto score = Score(20.0, 11);
    std::vector<float> loud = RenderAll(score, 20.0, kMatchRate);
    std::vector<float> quiet = loud;
    for (float& x : quiet) {
        x *= 0.1f;
    }
    const auto a = FindPeaks(loud);
    const auto b = FindPeaks(quiet);
    ASSERT_GT(a.size(), 200u);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].frame, b[i].frame);
        EXPECT_NEAR(a[i].band, b[i].band, 1e-3);
    }
    EXPECT_NEAR(BandShift(2.0), kBandsPerOctave, 1e-9);
    EXPECT_NEAR(BandShift(1.0), 0.0, 1e-12);
    EXPECT_EQ(PairKey(-1.0f, 0.0f, 3.0f), -1);
    EXPECT_EQ(PairKey(10.0f, 0.0f, 0.4f), -1);
    EXPECT_NE(PairKey(10.0f, 2.0f, 3.0f), PairKey(10.0f, 3.0f, 3.0f));
    EXPECT_LT(PairKey(127.0f, 15.0f, 31.0f), kPairKeys);
}

} // namespace
} // namespace sundrel
