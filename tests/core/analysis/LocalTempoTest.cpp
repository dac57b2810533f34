#include "core/analysis/LocalTempo.h"

#include <gtest/gtest.h>

#include <cmath>
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

// The distance in octaves between two tempi, whole octaves apart counting as none: a pulse
// read at double speed (the off-beats counted) is the same pulse.
double Octaves(double a, double b) {
    const double d = std::abs(std::log2(a / b));
    return std::abs(d - std::round(d));
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
    EXPECT_NEAR(onsets[2], 10.0, 1e-5);
    EXPECT_NEAR(onsets[3], 10.0, 1e-5);
    EXPECT_DOUBLE_EQ(onsets[5], 0.0);   // a rise below the floor is no onset
    EXPECT_NEAR(onsets[6], 80.0, 1e-5); // from the floor, not from -100 dB
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
            EXPECT_LT(Octaves(tempi.bpm[i], 124.0), 0.01);
        } else if (start >= 60.0) {
            EXPECT_LT(Octaves(tempi.bpm[i], 100.0), 0.01);
        }
    }
    EXPECT_TRUE(Tempi(std::vector<float>(1000, 0.1f)).bpm.empty());    // shorter than a window
    EXPECT_EQ(Tempi(std::vector<float>(3000, 0.1f)).bpm.front(), 0.0); // no onsets at all
}

TEST(LocalTempo, ChangesWhereTheTempoChangesAndNowhereElse) {
    std::vector<float> power;
    AddBeats(power, 90.0, 124.0);
    AddBeats(power, 90.0, 100.0);
    AddBeats(power, 90.0, 50.0); // an octave below the 100 of the middle part
    const sundrel::LocalTempi tempi = Tempi(power);
    const double change = std::abs(std::log2(124.0 / 100.0));
    EXPECT_NEAR(sundrel::TempoChangeAt(tempi, 90.0, 30.0), change, 0.01);
    // Inside a part the pulse stays.
    EXPECT_LT(sundrel::TempoChangeAt(tempi, 45.0, 30.0), 0.005);
    EXPECT_LT(sundrel::TempoChangeAt(tempi, 130.0, 30.0), 0.005);
    // Half the tempo is the same pulse (a half-time break).
    EXPECT_LT(sundrel::TempoChangeAt(tempi, 180.0, 30.0), 0.015);
    // Too near the ends for three windows a side.
    EXPECT_EQ(sundrel::TempoChangeAt(tempi, 5.0, 30.0), 0.0);
    EXPECT_EQ(sundrel::TempoChangeAt(tempi, 268.0, 30.0), 0.0);
}

TEST(LocalTempo, TheSpreadOfEachSideIsTakenOffTheChange) {
    // Windows of 2 s every second; the candidate at 20 s sees those starting 10..18 s before
    // and 20..28 s after it.
    sundrel::LocalTempi tempi;
    tempi.strideSeconds = 1.0;
    tempi.windowSeconds = 2.0;
    tempi.bpm.assign(40, 120.0);
    for (std::size_t i = 20; i < 29; ++i) {
        tempi.bpm[i] = 140.0;
    }
    const double steady = std::log2(140.0 / 120.0);
    EXPECT_NEAR(sundrel::TempoChangeAt(tempi, 20.0, 10.0), steady, 1e-9);
    // A third of the windows after it read lower, a third higher: the median stays at 140,
    // the median distance from it is the smaller of the two.
    for (const std::size_t i : {21u, 24u, 27u}) {
        tempi.bpm[i] = 126.0;
    }
    for (const std::size_t i : {22u, 25u, 28u}) {
        tempi.bpm[i] = 155.0;
    }
    EXPECT_NEAR(sundrel::TempoChangeAt(tempi, 20.0, 10.0), steady - std::log2(155.0 / 140.0), 1e-9);
    // Windows without a tempo do not count; fewer than three left on a side give no change.
    for (std::size_t i = 10; i < 17; ++i) {
        tempi.bpm[i] = 0.0;
    }
    EXPECT_EQ(sundrel::TempoChangeAt(tempi, 20.0, 10.0), 0.0);
    // Readings that disagree more than the sides differ give no change at all.
    tempi.bpm.assign(40, 120.0);
    const double scattered[] = {100.0, 150.0, 125.0, 100.0, 150.0, 125.0, 100.0, 150.0, 125.0};
    for (std::size_t i = 0; i < 9; ++i) {
        tempi.bpm[20 + i] = scattered[i];
    }
    EXPECT_EQ(sundrel::TempoChangeAt(tempi, 20.0, 10.0), 0.0);
}

TEST(LocalTempo, PulseDistanceCountsTheLevelsOfAPulseAsNone) {
    using sundrel::PulseDistance;
    for (const double ratio : {1.0, 2.0, 0.5, 4.0}) {
        EXPECT_NEAR(PulseDistance(120.0 * ratio, 120.0, false), 0.0, 1e-12);
    }
    for (const double ratio : {1.5, 2.0 / 3.0, 3.0, 4.0 / 3.0, 0.75}) {
        SCOPED_TRACE(ratio);
        EXPECT_NEAR(PulseDistance(120.0 * ratio, 120.0, true), 0.0, 1e-12);
        EXPECT_GT(PulseDistance(120.0 * ratio, 120.0, false), 0.4);
    }
    // Near a level the distance is to that level, either way round.
    EXPECT_NEAR(PulseDistance(126.0, 120.0, true), std::log2(126.0 / 120.0), 1e-12);
    EXPECT_NEAR(PulseDistance(120.0, 126.0, true), std::log2(126.0 / 120.0), 1e-12);
    EXPECT_NEAR(PulseDistance(190.0, 120.0, true), std::log2(190.0 / 180.0), 1e-12);
    EXPECT_NEAR(PulseDistance(190.0, 120.0, false), std::log2(240.0 / 190.0), 1e-12);
    // No two tempi lie further apart than halfway from 1 to 4:3, the widest gap between levels.
    double widest = 0.0;
    for (double bpm = 60.0; bpm < 240.0; bpm += 0.25) {
        widest = std::max(widest, PulseDistance(bpm, 100.0, true));
    }
    EXPECT_NEAR(widest, std::log2(4.0 / 3.0) / 2.0, 0.002);
}

// A track whose dominant pulse is read at 3:2 of its beat for a while (a triplet figure, a
// dotted riff) keeps its tempo when 3:2 counts as the same pulse; a new, unrelated tempo still
// changes it.
TEST(LocalTempo, ThreeAgainstTwoIsTheSamePulseWhenReadSo) {
    std::vector<float> power;
    AddBeats(power, 60.0, 100.0);
    AddBeats(power, 60.0, 150.0);
    AddBeats(power, 60.0, 170.0);
    const sundrel::LocalTempi tempi = Tempi(power);
    sundrel::TempoReading reading;
    reading.threeTwo = true;
    EXPECT_NEAR(sundrel::TempoChangeAt(tempi, 60.0, 30.0), std::log2(200.0 / 150.0), 0.01);
    EXPECT_LT(sundrel::TempoChangeAt(tempi, 60.0, 30.0, reading), 0.005);
    EXPECT_NEAR(sundrel::TempoChangeAt(tempi, 120.0, 30.0, reading), std::log2(170.0 / 150.0),
                0.01);
}

// A change counts with a steady gate only where at least half the windows of each side agree
// with the side's tempo to within the gate.
TEST(LocalTempo, AGateAsksForASteadyPulseOnBothSides) {
    sundrel::LocalTempi tempi;
    tempi.strideSeconds = 1.0;
    tempi.windowSeconds = 2.0;
    tempi.bpm.assign(40, 120.0);
    const double after[] = {132.0, 124.0, 132.0, 141.0, 132.0, 126.0, 132.0, 139.0, 132.0};
    for (std::size_t i = 0; i < 9; ++i) {
        tempi.bpm[20 + i] = after[i];
    }
    for (const bool threeTwo : {false, true}) {
        SCOPED_TRACE(threeTwo);
        sundrel::TempoReading reading;
        reading.threeTwo = threeTwo;
        reading.steadyOctaves = 0.03;
        // Five of nine windows after the point read 132: steady, the change stays.
        const double change = sundrel::TempoChangeAt(tempi, 20.0, 10.0, reading);
        EXPECT_NEAR(change, std::log2(132.0 / 120.0), 1e-9);
        // Four of nine: no steady pulse after it, no change, though without the gate there is.
        tempi.bpm[28] = 127.0;
        EXPECT_EQ(sundrel::TempoChangeAt(tempi, 20.0, 10.0, reading), 0.0);
        reading.steadyOctaves = 1.0;
        EXPECT_GT(sundrel::TempoChangeAt(tempi, 20.0, 10.0, reading), 0.0);
        tempi.bpm[28] = 132.0;
    }
}

} // namespace
