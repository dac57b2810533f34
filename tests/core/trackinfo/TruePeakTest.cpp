#include "core/trackinfo/TruePeak.h"

#include "TestMusic.h"

#include <gtest/gtest.h>

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace sundrel {
namespace {

constexpr float kScale = 1.0f / 32768.0f;

// 16-bit elements of `channels` channels, each `s` times its gain.
std::vector<std::int32_t> Elements(const testmusic::Signal& s, unsigned channels,
                                   const std::vector<float>& gains = {}) {
    std::vector<std::int32_t> out;
    for (const float x : s) {
        for (unsigned c = 0; c < channels; ++c) {
            const float g = c < gains.size() ? gains[c] : 1.0f;
            out.push_back(
                static_cast<std::int32_t>(std::lround(std::clamp(x * g, -1.0f, 1.0f) * 32767.0f)));
        }
    }
    return out;
}

// libebur128's true peak of the whole track fed at once: the largest over its channels.
double LibraryTruePeak(const std::vector<std::int32_t>& elements, unsigned channels,
                       std::uint32_t rate) {
    ebur128_state* st = ebur128_init(channels, rate, EBUR128_MODE_TRUE_PEAK);
    std::vector<float> samples;
    for (const std::int32_t e : elements) {
        samples.push_back(static_cast<float>(e) * kScale);
    }
    ebur128_add_frames_float(st, samples.data(), samples.size() / channels);
    double peak = 0;
    for (unsigned c = 0; c < channels; ++c) {
        double p = 0;
        ebur128_true_peak(st, c, &p);
        peak = std::max(peak, p);
    }
    ebur128_destroy(&st);
    return peak;
}

struct Scanned {
    double peak = 0;
    std::int64_t measured = 0;
};

// The scan's true peak, the track noted in pieces of `piece` frames (not a multiple of a block).
Scanned Scan(const std::vector<std::int32_t>& elements, unsigned channels, std::uint32_t rate,
             std::size_t piece = 10007) {
    TruePeakScan scan(channels, rate);
    for (std::size_t at = 0; at < elements.size(); at += piece * channels) {
        const std::size_t n = std::min(piece * channels, elements.size() - at);
        scan.Note(std::span(elements).subspan(at, n));
    }
    const double peak = scan.Measure(
        [&](std::int64_t first, std::span<float> out) {
            for (std::size_t i = 0; i < out.size(); ++i) {
                out[i] = static_cast<float>(
                             elements.at(static_cast<std::size_t>(first) * channels + i)) *
                         kScale;
            }
        },
        kScale);
    return {peak, scan.FramesMeasured()};
}

// The scan gives the library's value to the last bit: on music, noise, intersample peaks (a
// quarter-rate sine sampled 45 degrees off its crests), a lone spike at the first and at the
// last frame, hard-clipped music, at every oversampling the library uses.
TEST(TruePeak, EqualsTheLibraryOverTheWholeTrack) {
    const auto music = testmusic::Mix(testmusic::DrumLoop(124, 20, 44100, 3),
                                      testmusic::ChordProgression(9, true, 1, 2.5, 44100), 0.6f);
    const auto loud = testmusic::Mix(testmusic::DrumLoop(128, 12, 48000, 5),
                                     testmusic::ChordProgression(2, false, 0, 1.5, 48000));
    const struct {
        const char* name;
        std::uint32_t rate;
        unsigned channels;
        testmusic::Signal signal;
        std::vector<float> gains;
    } cases[] = {
        {"music", 44100, 2, music, {1.0f, 0.7f}},
        {"loud music", 48000, 2, loud, {2.5f, 2.5f}},
        {"pink noise", 44100, 1, testmusic::PinkNoise(15, 44100, 0.2, 7), {}},
        {"noise at 96 kHz", 96000, 2, testmusic::PinkNoise(6, 96000, 0.1, 8), {1.0f, 0.3f}},
        {"noise at 192 kHz", 192000, 2, testmusic::PinkNoise(3, 192000, 0.1, 9), {}},
        {"intersample", 44100, 2, testmusic::Sine(11025, std::numbers::pi / 4, 0.9, 4, 44100), {}},
        {"quiet sine", 22050, 1, testmusic::Sine(440, 0, 0.01, 5, 22050), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto elements = Elements(c.signal, c.channels, c.gains);
        const Scanned scanned = Scan(elements, c.channels, c.rate);
        EXPECT_EQ(scanned.peak, LibraryTruePeak(elements, c.channels, c.rate));
        EXPECT_LE(scanned.measured, static_cast<std::int64_t>(c.signal.size()));
    }
    // A spike at either end of quiet music: the library starts from silence and stops at
    // the last frame.
    for (const std::size_t at : {std::size_t{0}, std::size_t{1}, std::size_t{44099}}) {
        SCOPED_TRACE(at);
        auto s = testmusic::Sine(1000, 0, 0.05, 1, 44100);
        s[at] = -0.8f;
        s[at > 0 ? at - 1 : at + 1] = 0.8f;
        const auto elements = Elements(s, 2);
        EXPECT_EQ(Scan(elements, 2, 44100, 333).peak, LibraryTruePeak(elements, 2, 44100));
    }
}

// Only the stretches near the loudest are read again: most of music whose peaks stand out.
TEST(TruePeak, MeasuresOnlyWhereThePeakCanBe) {
    auto music = testmusic::Mix(testmusic::DrumLoop(120, 30, 44100, 2),
                                testmusic::ChordProgression(0, false, 0, 2.0, 44100), 0.5f);
    const auto elements = Elements(music, 2);
    const Scanned scanned = Scan(elements, 2, 44100);
    EXPECT_EQ(scanned.peak, LibraryTruePeak(elements, 2, 44100));
    EXPECT_LT(scanned.measured, static_cast<std::int64_t>(music.size()) / 2);

    const std::vector<std::int32_t> silence(44100 * 2, 0);
    const Scanned none = Scan(silence, 2, 44100);
    EXPECT_EQ(none.peak, 0.0);
    EXPECT_EQ(none.measured, 0);
    EXPECT_EQ(Scan({}, 2, 44100).peak, 0.0);
}

// The gain bound holds for the library's filter: the pattern whose signs follow the sinc
// around a point between two samples (the largest weighted sum the filter can make there)
// stays within it, and comes close to it, so the bound is the library's own.
TEST(TruePeak, GainBoundsTheLibrarysInterpolation) {
    for (const std::uint32_t rate : {44100u, 96000u}) {
        SCOPED_TRACE(rate);
        const double amplitude = 0.4;
        testmusic::Signal s(200, 0.0f);
        for (std::size_t i = 0; i < s.size(); ++i) {
            const double x = static_cast<double>(i) - 100.5; // from the point at 100.5
            s[i] =
                static_cast<float>(std::sin(std::numbers::pi * x) / x > 0 ? amplitude : -amplitude);
        }
        const auto elements = Elements(s, 1);
        const double peak = LibraryTruePeak(elements, 1, rate);
        EXPECT_LE(peak, TruePeakGain(rate) * amplitude);
        EXPECT_GT(peak, 0.9 * (rate < 96000 ? 1.864 : 2.307) * amplitude);
        EXPECT_EQ(Scan(elements, 1, rate).peak, peak);
    }
}

} // namespace
} // namespace sundrel
