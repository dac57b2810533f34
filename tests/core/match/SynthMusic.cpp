#include "core/match/SynthMusic.h"

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

} // namespace matchtest
