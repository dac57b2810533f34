#include "core/match/Handover.h"
#include "core/match/Landmarks.h"
#include "core/match/SynthMusic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <utility>

namespace sundrel {
namespace {

// Renders `seconds` of the score from `seed`, cut to exactly that length (a note may ring
// past the end of the score).
std::vector<float> Track(double seconds, std::uint32_t seed) {
    std::vector<float> x =
        matchtest::RenderAll(matchtest::Score(seconds, seed), seconds, kMatchRate);
    x.resize(std::size_t(seconds * kMatchRate));
    return x;
}

// An equal-power crossfade from A to B over mix seconds 30-50 (its middle at 40): A plays its
// file from 0, B its file from `inOffset`, A's file `outExtra` seconds longer than the mix
// holds of it (a play that leaves before the outro; B with an offset skips its intro). A is
// heard through `outFilter` (a mono filter, given the sample and the share of the blend gone)
// and at `outGain`.
struct Blend {
    static constexpr double kFrom = 30.0;
    static constexpr double kTo = 50.0;
    std::vector<float> a, b, mix;

    template <typename Filter>
    Blend(double outExtra, double inOffset, double outGain, const Filter& outFilter) {
        a = Track(kTo + outExtra, 31);
        b = Track(60.0 + inOffset, 32);
        mix.assign(std::size_t(90 * kMatchRate), 0.0f);
        const auto inSkip = std::size_t(inOffset * kMatchRate);
        for (std::size_t i = 0; i < mix.size(); ++i) {
            const double t = double(i) / kMatchRate;
            const double share = std::clamp((t - kFrom) / (kTo - kFrom), 0.0, 1.0);
            const double x = share * std::numbers::pi / 2;
            if (t < kTo) {
                mix[i] += float(outGain * std::cos(x) * outFilter(a[i], share));
            }
            if (t >= kFrom) {
                const std::size_t at = i - std::size_t(kFrom * kMatchRate) + inSkip;
                if (at < b.size()) {
                    mix[i] += float(std::sin(x) * b[at]);
                }
            }
        }
    }
    explicit Blend(double outExtra = 0.0, double inOffset = 0.0, double outGain = 1.0)
        : Blend(outExtra, inOffset, outGain, [](double v, double) { return v; }) {}

    Handover Find(const TrackPlay& out, const TrackPlay& in) const {
        return FindHandover(LevelSpectra(mix), out, LevelSpectra(a), in, LevelSpectra(b));
    }
};

// Four one-pole low-passes in a row, closing from `from` Hz to `to` Hz over the blend (or
// fixed at `from` with from == to): the DJ's filter sweep, or an EQ that takes the highs out.
struct LowPass {
    double from, to;
    mutable std::array<double, 4> poles{};
    double operator()(double v, double share) const {
        const double cutoff = from * std::pow(to / from, share);
        const double k = 1.0 - std::exp(-2.0 * std::numbers::pi * cutoff / kMatchRate);
        for (double& p : poles) {
            p += k * (v - p);
            v = p;
        }
        return v;
    }
};

TrackPlay Play(double start, double end, double offset) {
    TrackPlay p;
    p.start = start;
    p.end = end;
    p.offset = offset;
    return p;
}

// Both plays hold their files to the edges: the overlap is where the one file begins and the
// other ends, whatever the tracks' levels.
TEST(FindHandover, AnOverlapBetweenTheFilesEdgesIsExact) {
    const Blend blend(0.0, 0.0, 0.4);
    const Handover h = blend.Find(Play(0.0, 48.0, 0.0), Play(32.0, 90.0, 2.0));
    ASSERT_TRUE(h.middle);
    EXPECT_NEAR(h.inStart, 30.0, 0.05);
    EXPECT_NEAR(h.outEnd, 50.0, 0.05);
    EXPECT_NEAR(*h.middle, 40.0, 0.05);
}

// Both lines are 0.2 s off (a line fitted to a whole play drifts at its ends): each is set
// right where its track plays alone, so the files' edges still give the overlap's exact ends.
TEST(FindHandover, LinesAFewFramesOffAreSetRight) {
    const Blend blend(0.0, 0.0, 0.4);
    for (const double off : {0.2, -0.2}) {
        const Handover h = blend.Find(Play(0.0, 48.0, off), Play(32.0, 90.0, 2.0 - off));
        ASSERT_TRUE(h.middle) << off;
        EXPECT_NEAR(h.inStart, 30.0, 0.05) << off;
        EXPECT_NEAR(h.outEnd, 50.0, 0.05) << off;
        EXPECT_NEAR(*h.middle, 40.0, 0.05) << off;
    }
}

// A's landmarks end at 14 s and B's begin at 48 s (a featureless outro and intro): neither
// file's edge lies in the blend (A plays 20 s short of its end, B skips 15 s). The search
// still spans the gap: A is heard past 44 s, the middle is at 40.
TEST(FindHandover, LandmarksThatLeaveAGapStillFindTheBlend) {
    const Blend blend(20.0, 15.0);
    const Handover h = blend.Find(Play(0.0, 14.0, 0.0), Play(48.0, 90.0, 33.0));
    ASSERT_TRUE(h.middle);
    EXPECT_NEAR(*h.middle, 40.0, 0.75);
    // Each track is heard while within 10 dB of its level alone: A to about 46 s, B from 34.
    EXPECT_GT(h.outEnd, 45.0);
    EXPECT_LT(h.outEnd, 51.0);
    EXPECT_GT(h.inStart, 29.0);
    EXPECT_LT(h.inStart, 35.0);
}

TEST(LinesMeet, AGapIsABlendOnlyWhereALineReachesAcrossIt) {
    // A's file (60 s) played from its start at 0.9 file seconds per mix second: it sounds
    // to mix second 66.7, past B's start at 60.
    TrackPlay a = Play(0.0, 30.0, 0.0);
    a.ratio = 0.9;
    EXPECT_TRUE(LinesMeet(a, 60.0, Play(60.0, 90.0, 10.0)));
    // At 1.1 it ends at 54.5, and B (10 s into its file) began at 50, after A's end at 30.
    a.ratio = 1.1;
    EXPECT_FALSE(LinesMeet(a, 60.0, Play(60.0, 90.0, 10.0)));
    // B's file traced back begins at 25, before A's landmarks end.
    EXPECT_TRUE(LinesMeet(a, 60.0, Play(60.0, 90.0, 35.0)));
}

// The landmarks found B only from mix second 49 (as for a quiet intro): its line still puts
// its first sample at 30 s, so A is not taken as alone where B already plays, and the middle
// stays where it is. The same for A's matches ending early, at 31 s.
TEST(FindHandover, MatchesThatBeginLateInTheBlendKeepItsMiddle) {
    const Blend blend;
    const Handover late = blend.Find(Play(0.0, 50.0, 0.0), Play(49.0, 90.0, 19.0));
    ASSERT_TRUE(late.middle);
    EXPECT_NEAR(*late.middle, 40.0, 0.75);
    const Handover early = blend.Find(Play(0.0, 31.0, 0.0), Play(32.0, 90.0, 2.0));
    ASSERT_TRUE(early.middle);
    EXPECT_NEAR(*early.middle, 40.0, 0.75);
}

// B skips 15 s of its file and A leaves 20 s before its file's end; then only A leaves early.
// A file's edge that is no end of the overlap does not move the middle, found where the
// tracks' levels cross, nor do the ends go out to it.
TEST(FindHandover, FileEdgesOutsideTheBlendAreNotItsEnds) {
    const Blend both(20.0, 15.0);
    const Handover h = both.Find(Play(0.0, 48.0, 0.0), Play(32.0, 90.0, 17.0));
    ASSERT_TRUE(h.middle);
    EXPECT_NEAR(*h.middle, 40.0, 0.75);
    EXPECT_GT(h.inStart, 29.0); // not B's first sample, at 15 s
    EXPECT_LT(h.outEnd, 51.0);  // nor A's last, at 70 s
    const Blend outro(20.0, 0.0);
    const Handover o = outro.Find(Play(0.0, 48.0, 0.0), Play(32.0, 90.0, 2.0));
    ASSERT_TRUE(o.middle);
    EXPECT_NEAR(*o.middle, 40.0, 0.75);
    EXPECT_LT(o.outEnd, 51.0);
}

// The DJ took A's highs out for the whole play (and both plays skip an edge): with each
// track's EQ taken from where it plays alone, the highs B brings are not read as B playing
// louder than it does, nor is the missing treble read as A fading early.
TEST(FindHandover, AnEqualisedTrackKeepsTheMiddle) {
    const Blend blend(20.0, 15.0, 2.0, LowPass{400.0, 400.0});
    const Handover h = blend.Find(Play(0.0, 48.0, 0.0), Play(32.0, 90.0, 17.0));
    ASSERT_TRUE(h.middle);
    EXPECT_NEAR(*h.middle, 40.0, 0.75);
}

// A low-pass sweep takes A's highs away long before its bass goes: the middle stays near
// where the levels cross.
TEST(FindHandover, ALowPassSweepKeepsTheMiddle) {
    const Blend blend(20.0, 15.0, 1.0, LowPass{4000.0, 300.0});
    const Handover h = blend.Find(Play(0.0, 45.0, 0.0), Play(35.0, 90.0, 20.0));
    ASSERT_TRUE(h.middle);
    EXPECT_NEAR(*h.middle, 40.0, 1.0);
}

// The DJ's full sweep: A's low-pass closes from above the band to 150 Hz over the blend, so
// its upper half-octaves are gone well before the middle while its bass still follows the
// fade. A track losing its highs is not read as fading early: the middle stays where the
// levels cross, in a blend of edges kept and of edges skipped.
TEST(FindHandover, AFullSweepDoesNotReadAsAnEarlyFade) {
    const Blend skipped(20.0, 15.0, 1.0, LowPass{16000.0, 150.0});
    const Handover h = skipped.Find(Play(0.0, 45.0, 0.0), Play(35.0, 90.0, 20.0));
    ASSERT_TRUE(h.middle);
    EXPECT_NEAR(*h.middle, 40.0, 0.5);
    const Blend edges(0.0, 0.0, 1.0, LowPass{16000.0, 150.0});
    const Handover e = edges.Find(Play(0.0, 45.0, 0.0), Play(35.0, 90.0, 5.0));
    ASSERT_TRUE(e.middle);
    EXPECT_NEAR(*e.middle, 40.0, 0.5);
}

// 90 s of mix: an equal-power crossfade over mix seconds 30-50 from A (heard through
// `outFilter`, given a sample and the fade's share, and `boost` times louder from 43 to 44 s)
// to B from its first sample.
template <typename Filter>
std::vector<float> EqualPowerFade(const std::vector<float>& a, const std::vector<float>& b,
                                  const Filter& outFilter, double boost = 1.0) {
    std::vector<float> mix(std::size_t(90 * kMatchRate), 0.0f);
    for (std::size_t i = 0; i < mix.size(); ++i) {
        const double t = double(i) / kMatchRate;
        const double share = std::clamp((t - 30.0) / 20.0, 0.0, 1.0);
        const double x = share * std::numbers::pi / 2;
        if (t < 50.0) {
            const double up = t >= 43.0 && t < 44.0 ? boost : 1.0;
            mix[i] += float(up * std::cos(x) * outFilter(a[i], share));
        }
        if (t >= 30.0) {
            mix[i] += float(std::sin(x) * b[i - std::size_t(30 * kMatchRate)]);
        }
    }
    return mix;
}

// A crossfade over mix seconds 30-50 from A (heard through `outFilter`, as in Blend) to B
// from its first sample, B's file opening with 12 s all but silent (-50 dB): B's gain cannot
// be read until 42 s, past the middle.
template <typename Filter> Handover QuietIntroBlend(const Filter& outFilter) {
    const std::vector<float> a = Track(70.0, 31);
    std::vector<float> b = Track(60.0, 32);
    for (std::size_t i = 0; i < std::size_t(12 * kMatchRate); ++i) {
        b[i] *= 0.003f;
    }
    const std::vector<float> mix = EqualPowerFade(a, b, outFilter);
    return FindHandover(LevelSpectra(mix), Play(0.0, 48.0, 0.0), LevelSpectra(a),
                        Play(42.0, 90.0, 12.0), LevelSpectra(b));
}

// A's fade alone tells where the faders cross: B growing loud in its file does not move the
// middle there, and the blend, though B is heard only from about 42 s, holds its middle. With
// A swept by a closing low-pass, A's fade is read from its lower bands.
TEST(FindHandover, AQuietIntroDoesNotPutTheMiddleWhereItGrowsLoud) {
    const Handover h = QuietIntroBlend([](double v, double) { return v; });
    ASSERT_TRUE(h.middle);
    EXPECT_NEAR(*h.middle, 40.0, 0.75);
    EXPECT_LE(h.inStart, *h.middle);
    EXPECT_GE(h.outEnd, *h.middle);
    const Handover swept = QuietIntroBlend(LowPass{16000.0, 150.0});
    ASSERT_TRUE(swept.middle);
    EXPECT_NEAR(*swept.middle, 40.0, 0.75);
    EXPECT_LE(swept.inStart, *swept.middle);
}

// A ends on the 15 s that B begins with (a shared loop), and the mix cuts from A's end to
// B's second 15: B's landmarks already match from mix second 35. Neither track fades, so
// the handover is a cut at 50 s, not a 15-s blend.
TEST(FindHandover, ACutBetweenTracksThatShareALoopStaysACut) {
    const std::vector<float> shared = Track(15.0, 99);
    std::vector<float> a = Track(35.0, 31);
    a.insert(a.end(), shared.begin(), shared.end());
    std::vector<float> b = shared;
    const std::vector<float> rest = Track(45.0, 32);
    b.insert(b.end(), rest.begin(), rest.end());
    std::vector<float> mix = a;
    mix.insert(mix.end(), b.begin() + std::ptrdiff_t(15 * kMatchRate), b.end());
    const Handover h = FindHandover(LevelSpectra(mix), Play(0.0, 50.0, 0.0), LevelSpectra(a),
                                    Play(35.0, 90.0, 0.0), LevelSpectra(b));
    ASSERT_TRUE(h.middle);
    EXPECT_NEAR(*h.middle, 50.0, 1.0);
    EXPECT_LE(h.outEnd - h.inStart, 2.5);
}

// A hard cut at 50 s from A to B in a mix that also holds a noise no file has (a crowd, a
// microphone): neither file explains 80 % of the mix, and B's file, fitted to the noise
// before the cut, seems to play softly under A. Neither track's gain moves at the cut but
// for the handover itself: it is a cut.
TEST(FindHandover, ACutUnderANoiseNoFileHoldsStaysACut) {
    const std::vector<float> a = Track(70.0, 31);
    const std::vector<float> b = Track(75.0, 32);
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0.0, 1.0);
    double power = 0.0;
    for (const float v : a) {
        power += double(v) * v;
    }
    const double level = std::sqrt(0.4 * power / double(a.size()));
    std::vector<float> mix(std::size_t(90 * kMatchRate), 0.0f);
    for (std::size_t i = 0; i < mix.size(); ++i) {
        const double t = double(i) / kMatchRate;
        const double v =
            t < 50.0 ? a[i] : b[i - std::size_t(50 * kMatchRate) + std::size_t(15 * kMatchRate)];
        mix[i] = float(v + level * noise(rng));
    }
    const Handover h = FindHandover(LevelSpectra(mix), Play(0.0, 49.0, 0.0), LevelSpectra(a),
                                    Play(47.0, 90.0, 12.0), LevelSpectra(b));
    ASSERT_TRUE(h.middle);
    EXPECT_NEAR(*h.middle, 50.0, 0.5);
    EXPECT_LE(h.outEnd - h.inStart, 2.5);
}

// A bass line of sine notes from 50 to 150 Hz, below the score's lowest partials.
std::vector<float> BassLine(double seconds, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<float> x(std::size_t(seconds * kMatchRate), 0.0f);
    for (std::size_t note = 0; note * 2000 < x.size(); ++note) {
        const double hz = 50.0 * std::pow(3.0, unit(rng));
        for (std::size_t i = 0; i < 2000 && note * 2000 + i < x.size(); ++i) {
            const double t = double(i) / kMatchRate;
            const double envelope = std::sin(std::numbers::pi * double(i) / 2000.0);
            x[note * 2000 + i] = float(0.4 * envelope * std::sin(2.0 * std::numbers::pi * hz * t));
        }
    }
    return x;
}

// A track with a bass line: the whole, and the bass alone.
std::pair<std::vector<float>, std::vector<float>> WithBass(double seconds, std::uint32_t seed) {
    std::vector<float> melody = Track(seconds, seed);
    const std::vector<float> bass = BassLine(seconds, seed + 10);
    for (std::size_t i = 0; i < melody.size(); ++i) {
        melody[i] += bass[i];
    }
    return {melody, bass};
}

// The mix of a bass swap (`swap`) or an equal-power crossfade over mix seconds 30-50 from A
// (from its file's start) to B (from its second 15).
std::vector<float> SwapMix(const std::vector<float>& a, const std::vector<float>& aBass,
                           const std::vector<float>& b, const std::vector<float>& bBass, bool swap,
                           double inLeak = 0.0) {
    std::vector<float> mix(std::size_t(90 * kMatchRate), 0.0f);
    for (std::size_t i = 0; i < mix.size(); ++i) {
        const double t = double(i) / kMatchRate;
        const double share = std::clamp((t - 30.0) / 20.0, 0.0, 1.0);
        const double x = share * std::numbers::pi / 2;
        const double outGain = swap ? 1.0 : std::cos(x);
        const double inGain = swap ? std::sqrt(std::sin(x)) : std::sin(x);
        if (t < 50.0 && i < a.size()) {
            const double killed = swap && t >= 40.0 ? aBass[i] : 0.0;
            mix[i] += float(outGain * (a[i] - killed));
        }
        if (t >= 30.0) {
            const std::size_t at = i - std::size_t(30 * kMatchRate) + std::size_t(15 * kMatchRate);
            const double killed = swap && t < 40.0 ? (1.0 - inLeak) * bBass[at] : 0.0;
            mix[i] += float(inGain * (b[at] - killed));
        }
    }
    return mix;
}

// A's file itself fades out over its last 5 s, to its end at 50 s, after the swap. Where
// its bass is all but gone, no gain is read from it: the swap stays the middle, not the
// end of A's fade.
TEST(FindHandover, AFileFadingOutAfterTheSwapKeepsItsMiddle) {
    auto [a, aBass] = WithBass(50.0, 41);
    const auto [b, bBass] = WithBass(75.0, 42);
    for (std::size_t i = std::size_t(45 * kMatchRate); i < a.size(); ++i) {
        const auto fade = float(double(a.size() - i) / (5.0 * kMatchRate));
        a[i] *= fade * fade;
        aBass[i] *= fade * fade;
    }
    const std::vector<float> mix = SwapMix(a, aBass, b, bBass, true);
    const Handover h = FindHandover(LevelSpectra(mix), Play(0.0, 50.0, 0.0), LevelSpectra(a),
                                    Play(30.0, 90.0, 15.0), LevelSpectra(b));
    ASSERT_TRUE(h.middle);
    EXPECT_NEAR(*h.middle, 40.0, 0.75);
    EXPECT_LT(h.outEnd, 50.5);
}

// A bass swap over mix seconds 30-50: A plays on at full level to 50 s but loses its bass at
// 40 s, where B's bass comes in; B's upper bands rise from 30 s on. The levels of the upper
// bands cross late, but the handover is the swap. Neither file's edge lies in the blend (A
// plays 20 s short of its end, B skips 15 s), so only the bass can tell. An equal-power
// crossfade of the same tracks keeps its middle too.
TEST(FindHandover, ABassSwapIsTheMiddle) {
    const auto [a, aBass] = WithBass(70.0, 31);
    const auto [b, bBass] = WithBass(75.0, 32);
    for (const bool swap : {true, false}) {
        const std::vector<float> mix = SwapMix(a, aBass, b, bBass, swap);
        const Handover h = FindHandover(LevelSpectra(mix), Play(0.0, 50.0, 0.0), LevelSpectra(a),
                                        Play(30.0, 90.0, 15.0), LevelSpectra(b));
        ASSERT_TRUE(h.middle) << swap;
        EXPECT_NEAR(*h.middle, 40.0, 0.75) << swap;
        EXPECT_LT(h.inStart, 35.0) << swap;
        EXPECT_GT(h.outEnd, 45.0) << swap;
    }
}

// The incoming track's bass is cut by a filter that lets a third of it through (-9 dB) until
// the swap: still a swap, told from the fits that lie wholly before or after it (those
// within half a window of it hear the incoming bass too).
TEST(FindHandover, ABassSwapThroughALeakyFilterIsTheMiddle) {
    const auto [a, aBass] = WithBass(70.0, 31);
    const auto [b, bBass] = WithBass(75.0, 32);
    const std::vector<float> mix = SwapMix(a, aBass, b, bBass, true, 0.35);
    const Handover h = FindHandover(LevelSpectra(mix), Play(0.0, 50.0, 0.0), LevelSpectra(a),
                                    Play(30.0, 90.0, 15.0), LevelSpectra(b));
    ASSERT_TRUE(h.middle);
    EXPECT_NEAR(*h.middle, 40.0, 0.75);
}

// An equal-power crossfade over mix seconds 30-50 from A (its file from 0, heard through
// `outFilter` as in Blend, and `boost` times louder from 43 to 44 s: the DJ riding the fader
// up for a hit) to B (its file from 0, shaped by `inShape` given file seconds and sample).
template <typename Shape, typename Filter>
Handover RiddenBlend(double boost, const Shape& inShape, const Filter& outFilter) {
    const std::vector<float> a = Track(70.0, 41);
    std::vector<float> b = Track(60.0, 42);
    for (std::size_t i = 0; i < b.size(); ++i) {
        b[i] = float(inShape(double(i) / kMatchRate, b[i]));
    }
    const std::vector<float> mix = EqualPowerFade(a, b, outFilter, boost);
    return FindHandover(LevelSpectra(mix), Play(0.0, 48.0, 0.0), LevelSpectra(a),
                        Play(32.0, 90.0, 2.0), LevelSpectra(b));
}

// A's gain reads two to three times its level alone for a second after the middle: a fader
// is never above full, and that second does not outweigh the fade. Nor does the hit, louder
// in A's lower bands than in its top, read as a sweep.
TEST(FindHandover, AGainAboveFullDoesNotOutweighTheFade) {
    for (const double boost : {2.0, 3.0}) {
        const Handover h = RiddenBlend(
            boost, [](double, double v) { return v; }, [](double v, double) { return v; });
        ASSERT_TRUE(h.middle) << boost;
        EXPECT_NEAR(*h.middle, 40.0, 0.75) << boost;
    }
}

// Four one-pole high-passes in a row at `cutoff` Hz.
struct HighPass {
    double cutoff;
    mutable std::array<double, 4> lows{};
    double operator()(double v) const {
        const double k = 1.0 - std::exp(-2.0 * std::numbers::pi * cutoff / kMatchRate);
        for (double& p : lows) {
            p += k * (v - p);
            v -= p;
        }
        return v;
    }
};

// A swept out by a closing low-pass while B opens with 20 s of its highs alone (hats and
// percussion): the fit explains the mix's missing A highs by less of B, so B's gain reads low
// all through the sweep's second half. A's lower bands alone still tell where the faders cross.
TEST(FindHandover, ASweepIntoABrightIntroIsReadFromTheOutgoingLowerBands) {
    for (const double cutoff : {500.0, 1000.0}) {
        const HighPass bright{cutoff};
        const Handover h = RiddenBlend(
            1.0, [&](double s, double v) { return s < 20.0 ? bright(v) : v; },
            LowPass{16000.0, 150.0});
        ASSERT_TRUE(h.middle) << cutoff;
        EXPECT_NEAR(*h.middle, 40.0, 1.0) << cutoff;
    }
}

} // namespace
} // namespace sundrel
