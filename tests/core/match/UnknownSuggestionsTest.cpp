#include "core/match/UnknownSuggestions.h"

#include "core/analysis/Suggestion.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

using sundrel::Stretch;
using sundrel::SuggestInStretches;

constexpr std::uint32_t kRate = 8000;

// Three tracks of noise, 30 s each, each in its own level and colour, with 2 s of digital
// silence between them: silences at 30-32 s and 62-64 s, the mix 94 s long.
std::filesystem::path WriteMix(const std::filesystem::path& path) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 1.0);
    fixture::Bytes audio;
    for (int track = 0; track < 3; ++track) {
        double previous = 0.0;
        const double smoothing = 0.3 * track;
        for (int i = 0; i < 30 * static_cast<int>(kRate); ++i) {
            previous = smoothing * previous + (1.0 - smoothing) * noise(random);
            const double v = std::clamp(previous * 4000.0 * (track + 1), -32767.0, 32767.0);
            fixture::Put16(audio, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
        }
        if (track < 2) {
            audio.resize(audio.size() + 2 * kRate * 2);
        }
    }
    fixture::WriteFile(path, fixture::CanonicalWav({1, 1, kRate, 16}, audio));
    return path;
}

sundrel::SuggestOptions Options() {
    sundrel::SuggestOptions options;
    options.minTrackSeconds = 10.0;
    return options;
}

TEST(UnknownSuggestions, OnlyInsideTheStretchesAndCountedFromTheMixStart) {
    fixture::TempDir dir;
    const auto mix = WriteMix(dir / "mix.wav");
    // The first silence lies outside the stretch; the second inside it, far from its ends.
    const std::vector<Stretch> stretches{{33.0, 94.0}};
    double last = 0.0;
    const auto suggestions = SuggestInStretches(mix, stretches, Options(), [&](double share) {
        EXPECT_GE(share, last);
        last = share;
    });
    ASSERT_EQ(suggestions.size(), 1u);
    EXPECT_NEAR(double(suggestions[0].frame) / kRate, 63.0, 0.1);
    EXPECT_EQ(suggestions[0].kind, sundrel::SuggestionKind::Silence);
    EXPECT_DOUBLE_EQ(last, 1.0);
    // The whole mix as one stretch finds both silences.
    const auto both = SuggestInStretches(mix, std::vector<Stretch>{{0.0, 94.0}}, Options());
    ASSERT_EQ(both.size(), 2u);
    EXPECT_NEAR(double(both[0].frame) / kRate, 31.0, 0.1);
    EXPECT_NEAR(double(both[1].frame) / kRate, 63.0, 0.1);
}

TEST(UnknownSuggestions, ShortStretchesAreNotReadAndAStopCancels) {
    fixture::TempDir dir;
    const auto mix = WriteMix(dir / "mix.wav");
    // 15 s around the first silence: under two shortest tracks, so no boundary fits in it.
    const std::vector<Stretch> shortOnly{{24.0, 39.0}};
    EXPECT_TRUE(sundrel::StretchesToSuggestIn(shortOnly, Options()).empty());
    EXPECT_TRUE(SuggestInStretches(mix, shortOnly, Options()).empty());
    // Nothing to read: not even the mix is opened.
    EXPECT_TRUE(SuggestInStretches(dir / "missing.wav", shortOnly, Options()).empty());
    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(
        SuggestInStretches(mix, std::vector<Stretch>{{0.0, 94.0}}, Options(), {}, stop.get_token()),
        sundrel::AnalysisCancelled);
}

} // namespace
