#include "core/demo/DemoMix.h"

#include "core/audio/WaveFile.h"
#include "support/WavFixture.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using namespace sundrel::demo;

DemoPlan ShortPlan() {
    DemoPlan plan;
    plan.tracks = {{120.0, 55.0, 0.8, 3.0}, {140.0, 73.4, 0.2, 3.0}};
    plan.crossfadeSeconds = 1.0;
    return plan;
}

// Root mean square of the left channel over [from, to) seconds.
double Rms(const std::vector<std::int16_t>& s, double from, double to) {
    double sum = 0.0;
    const auto a = static_cast<std::size_t>(from * kDemoRate);
    const auto b = static_cast<std::size_t>(to * kDemoRate);
    for (std::size_t i = a; i < b; ++i) {
        sum += double(s[2 * i]) * s[2 * i];
    }
    return std::sqrt(sum / double(b - a));
}

TEST(DemoMix, TracksOverlapByTheCrossfade) {
    const auto samples = GenerateDemoMix(ShortPlan());
    EXPECT_EQ(samples.size(), 2u * 5 * kDemoRate); // 3 + 3 - 1 seconds, stereo
    // Each part carries sound, also through the crossfade, and the two tracks differ.
    const double first = Rms(samples, 0.0, 1.5), second = Rms(samples, 3.5, 5.0);
    EXPECT_GT(std::min({first, Rms(samples, 2.0, 3.0), second}), 1000.0);
    EXPECT_GT(std::abs(first - second), 100.0);
    // The channels are not copies of each other (the pads and hats are spread).
    std::size_t differing = 0;
    for (std::size_t i = 0; i < samples.size(); i += 2) {
        differing += samples[i] != samples[i + 1];
    }
    EXPECT_GT(differing, samples.size() / 4);
    // The plan decides the mix: the same plan gives the same samples.
    EXPECT_EQ(samples, GenerateDemoMix(ShortPlan()));
}

TEST(DemoMix, WrittenOnceOrReportedUnwritable) {
    fixture::TempDir dir;
    const auto cache = dir.Path() / "cache" / "sundrel";
    const auto path = EnsureDemoMix(cache, ShortPlan());
    const CWaveFile mix(path);
    EXPECT_DOUBLE_EQ(mix.GetDuration(), 5.0);
    // No temporary file is left behind, and a second call reuses the file.
    EXPECT_EQ(fixture::Listing(cache).size(), 1u);
    const auto written = std::filesystem::last_write_time(path);
    EXPECT_EQ(EnsureDemoMix(cache, ShortPlan()), path);
    EXPECT_EQ(std::filesystem::last_write_time(path), written);
    // A cache that cannot be made is reported.
    fixture::WriteFile(dir / "file", {});
    EXPECT_THROW(EnsureDemoMix(dir / "file" / "sundrel", ShortPlan()), std::runtime_error);
}

} // namespace
