#include "core/analysis/LocalTempo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double kBlockSeconds = 0.01;

// Block powers of a beat: each beat a loud block over a quiet bed, from `from` seconds to
// `to` at `bpm`, with a softer off-beat halfway (as a hi-hat between kicks), appended.
void AddBeats(std::vector<float>& power, double seconds, double bpm) {
    const std::size_t first = power.size();
    const auto blocks = static_cast<std::size_t>(seconds / kBlockSeconds);
    power.resize(first + blocks, 1e-4f);
    const double period = 60.0 / bpm;
    for (double at = 0.0; at < seconds; at += period) {
        power[first + static_cast<std::size_t>(at / kBlockSeconds)] = 0.5f;
        const auto off = static_cast<std::size_t>((at + period / 2) / kBlockSeconds);
        if (off < blocks) {
            power[first + off] = 0.02f;
        }
    }
}

// Onsets at random, a bed of noise: no pulse.
void AddRandom(std::vector<float>& power, double seconds, std::mt19937& random) {
    std::uniform_real_distribution<double> level(1e-4, 1e-3);
    std::bernoulli_distribution hit(0.06);
    for (std::size_t i = 0; i < static_cast<std::size_t>(seconds / kBlockSeconds); ++i) {
        power.push_back(static_cast<float>(hit(random) ? 0.3 : level(random)));
    }
}

sundrel::LocalTempi Tempi(const std::vector<float>& power) {
    return sundrel::ComputeLocalTempi(sundrel::LevelOnsets(power), kBlockSeconds, 12.0, 1.5);
}

TEST(LocalTempo, OnsetsAreTheRisesOfTheLevelAboveTheFloor) {
    const std::vector<float> power{1.0f, 0.01f, 0.1f, 1.0f, 1e-12f, 1e-10f, 1.0f};
    const std::vector<double> onsets = sundrel::LevelOnsets(power);
    ASSERT_EQ(onsets.size(), power.size());
    EXPECT_DOUBLE_EQ(onsets[0], 0.0); // nothing before the first block
    EXPECT_DOUBLE_EQ(onsets[1], 0.0); // a fall
    EXPECT_NEAR(onsets[2], 10.0, 1e-9);
    EXPECT_NEAR(onsets[3], 10.0, 1e-9);
    EXPECT_DOUBLE_EQ(onsets[5], 0.0);   // a rise below the floor is no onset
    EXPECT_NEAR(onsets[6], 80.0, 1e-9); // from the floor, not from -100 dB
    EXPECT_TRUE(sundrel::LevelOnsets({}).empty());
}

TEST(LocalTempo, EachWindowReadsTheTempoPlayedThere) {
    std::vector<float> power;
    AddBeats(power, 60.0, 124.0);
    AddBeats(power, 60.0, 100.0);
    const sundrel::LocalTempi tempi = Tempi(power);
    // Windows of 12 s every 1.5 s over 120 s: starts 0 .. 108 s.
    ASSERT_EQ(tempi.bpm.size(), 73u);
    for (std::size_t i = 0; i < tempi.bpm.size(); ++i) {
        const double start = static_cast<double>(i) * 1.5;
        SCOPED_TRACE(start);
        if (start + 12.0 <= 60.0) {
            EXPECT_NEAR(tempi.bpm[i], 124.0, 124.0 * 0.01);
        } else if (start >= 60.0) {
            EXPECT_NEAR(tempi.bpm[i], 100.0, 100.0 * 0.01);
        }
    }
    EXPECT_TRUE(Tempi(std::vector<float>(1000, 0.1f)).bpm.empty());    // shorter than a window
    EXPECT_EQ(Tempi(std::vector<float>(3000, 0.1f)).bpm.front(), 0.0); // no onsets at all
}

TEST(LocalTempo, ChangesWhereTheTempoChangesAndNowhereElse) {
    std::vector<float> power;
    AddBeats(power, 90.0, 124.0);
    AddBeats(power, 90.0, 100.0);
    AddBeats(power, 90.0, 200.0); // an octave above the 100 of the middle part
    const sundrel::LocalTempi tempi = Tempi(power);
    const double change = std::abs(std::log2(124.0 / 100.0));
    EXPECT_NEAR(sundrel::TempoChangeAt(tempi, 90.0, 30.0), change, 0.01);
    // Inside a part the pulse stays.
    EXPECT_LT(sundrel::TempoChangeAt(tempi, 45.0, 30.0), 0.005);
    EXPECT_LT(sundrel::TempoChangeAt(tempi, 130.0, 30.0), 0.005);
    // Double the tempo is the same pulse (a tracker counting eighths, a half-time break).
    EXPECT_LT(sundrel::TempoChangeAt(tempi, 180.0, 30.0), 0.005);
    // Too near the ends for three windows a side.
    EXPECT_EQ(sundrel::TempoChangeAt(tempi, 5.0, 30.0), 0.0);
    EXPECT_EQ(sundrel::TempoChangeAt(tempi, 268.0, 30.0), 0.0);
}

TEST(LocalTempo, NoChangeBesideMusicWithoutAPulse) {
    std::mt19937 random(3);
    std::vector<float> power;
    AddRandom(power, 90.0, random);
    AddBeats(power, 90.0, 124.0);
    AddRandom(power, 90.0, random);
    const sundrel::LocalTempi tempi = Tempi(power);
    // The windows without a pulse disagree among themselves: their spread hides any change.
    EXPECT_LT(sundrel::TempoChangeAt(tempi, 90.0, 30.0), 0.02);
    EXPECT_LT(sundrel::TempoChangeAt(tempi, 180.0, 30.0), 0.02);
    EXPECT_LT(sundrel::TempoChangeAt(tempi, 45.0, 30.0), 0.02);
}

} // namespace
