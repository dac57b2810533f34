#include "core/match/Handover.h"
#include "core/match/Landmarks.h"
#include "core/match/SynthMusic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace sundrel {
namespace {

// A plays mix 0-50 s (its file from 0), B mix 30-90 s (its file from 0): an equal-power
// crossfade of 20 s whose middle is at 40 s.
struct Blend {
    std::vector<float> a, b, mix;
    Blend() {
        a = matchtest::RenderAll(matchtest::Score(50.0, 31), 50.0, kMatchRate);
        b = matchtest::RenderAll(matchtest::Score(60.0, 32), 60.0, kMatchRate);
        mix.assign(std::size_t(90 * kMatchRate), 0.0f);
        for (std::size_t i = 0; i < mix.size(); ++i) {
            const double t = double(i) / kMatchRate;
            const double x = std::clamp((t - 30.0) / 20.0, 0.0, 1.0) * std::numbers::pi / 2;
            if (i < a.size()) {
                mix[i] += float(std::cos(x)) * a[i];
            }
            if (t >= 30.0 && i - std::size_t(30 * kMatchRate) < b.size()) {
                mix[i] += float(std::sin(x)) * b[i - std::size_t(30 * kMatchRate)];
            }
        }
    }
};

TrackPlay Play(double start, double end, double offset) {
    TrackPlay p;
    p.start = start;
    p.end = end;
    p.offset = offset;
    return p;
}

TEST(FindHandover, TheMiddleOfAnEqualPowerBlend) {
    const Blend blend;
    const Handover h =
        FindHandover(LevelSpectra(blend.mix), Play(0.0, 48.0, 0.0), LevelSpectra(blend.a),
                     Play(32.0, 90.0, 2.0), LevelSpectra(blend.b));
    ASSERT_TRUE(h.middle);
    EXPECT_NEAR(*h.middle, 40.0, 0.75);
}

// The landmarks found B only from mix second 49 (as for a quiet intro): its line still puts
// its first sample at 30 s, so A is not taken as alone where B already plays, and the middle
// stays where it is.
TEST(FindHandover, MatchesThatBeginLateInTheBlendKeepItsMiddle) {
    const Blend blend;
    const Handover late =
        FindHandover(LevelSpectra(blend.mix), Play(0.0, 50.0, 0.0), LevelSpectra(blend.a),
                     Play(49.0, 90.0, 19.0), LevelSpectra(blend.b));
    ASSERT_TRUE(late.middle);
    EXPECT_NEAR(*late.middle, 40.0, 0.75);
    // The same for A's matches ending early, at 31 s.
    const Handover early =
        FindHandover(LevelSpectra(blend.mix), Play(0.0, 31.0, 0.0), LevelSpectra(blend.a),
                     Play(32.0, 90.0, 2.0), LevelSpectra(blend.b));
    ASSERT_TRUE(early.middle);
    EXPECT_NEAR(*early.middle, 40.0, 0.75);
}

} // namespace
} // namespace sundrel
