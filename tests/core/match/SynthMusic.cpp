#include "core/match/SynthMusic.h"

#include "support/WavFixture.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace matchtest {

std::vector<Note> Score(double seconds, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Note> notes;
    for (double t = 0.0; t < seconds;) {
        Note n;
        n.start = t;
        n.length = 0.08 + 0.25 * unit(rng);
        for (double& hz : n.hz) {
            hz = 160.0 * std::pow(2.0, 4.3 * unit(rng)); // 160 Hz .. 3.2 kHz
        }
        n.level = 0.05 + 0.1 * unit(rng);
        notes.push_back(n);
        t += 0.06 + 0.12 * unit(rng); // notes overlap
    }
    return notes;
}

void Render(const std::vector<Note>& score, double from, double to, double ratio, bool keyLock,
            double at, double gain, std::uint32_t rate, std::vector<float>& out) {
    const double pitch = keyLock ? 1.0 : ratio;
    for (const Note& n : score) {
        if (n.start < from || n.start >= to) {
            continue;
        }
        const double begin = at + (n.start - from) / ratio;
        const double length = n.length / ratio;
        const auto first = static_cast<std::size_t>(std::llround(begin * rate));
        const auto count = static_cast<std::size_t>(std::llround(length * rate));
        if (out.size() < first + count) {
            out.resize(first + count, 0.0f);
        }
        for (std::size_t i = 0; i < count; ++i) {
            const double t = double(i) / rate;
            const double envelope = std::sin(std::numbers::pi * double(i) / double(count));
            double v = 0.0;
            for (const double hz : n.hz) {
                v += std::sin(2.0 * std::numbers::pi * hz * pitch * t);
            }
            out[first + i] += static_cast<float>(gain * n.level * envelope * v);
        }
    }
}

std::vector<float> RenderAll(const std::vector<Note>& score, double seconds, std::uint32_t rate) {
    std::vector<float> out(static_cast<std::size_t>(seconds * rate), 0.0f);
    Render(score, 0.0, seconds, 1.0, true, 0.0, 1.0, rate, out);
    return out;
}

void WriteMono(const std::filesystem::path& path, const std::vector<float>& x, std::uint32_t rate) {
    fixture::Bytes audio;
    for (const float v : x) {
        const auto s = static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0f, 0.999f) * 32767));
        fixture::Put16(audio, static_cast<std::uint16_t>(s));
    }
    fixture::WriteFile(path, fixture::CanonicalWav({1, 1, rate, 16}, audio));
}

PlayedSet::PlayedSet(const std::filesystem::path& dir, bool unknownTail)
    : mix(dir / "mix.wav"), tracks(dir / "tracks") {
    std::filesystem::create_directories(tracks / "more");
    const auto alpha = Score(60.0, 41);
    const auto bravo = Score(60.0, 42);
    WriteMono(tracks / "Alpha.wav", RenderAll(alpha, 60.0, kRate), kRate);
    WriteMono(tracks / "more/Bravo.wav", RenderAll(bravo, 60.0, kRate), kRate);
    WriteMono(tracks / "Charlie.wav", RenderAll(Score(60.0, 43), 60.0, kRate), kRate);
    std::vector<float> m;
    Render(alpha, 0.0, 40.0, 1.0, true, 0.0, 1.0, kRate, m);
    m.resize(40 * kRate, 0.0f); // the hard cut
    Render(bravo, 5.0, 50.0, 1.03, true, 40.0, 0.7, kRate, m);
    if (unknownTail) {
        m.resize(85 * kRate, 0.0f);
        Render(Score(15.0, 77), 0.0, 15.0, 1.0, true, 85.0, 0.8, kRate, m);
        m.resize(100 * kRate, 0.0f);
    }
    WriteMono(mix, m, kRate);
}

} // namespace matchtest
