#include "TestMusic.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <numeric>
#include <random>

namespace testmusic {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

void AddTone(Signal& s, double rate, double start, double length, double freq, double amp,
             double decay) {
    const auto first = static_cast<std::size_t>(start * rate);
    const auto n = static_cast<std::size_t>(length * rate);
    for (std::size_t i = 0; i < n && first + i < s.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double attack = std::min(1.0, t / 0.005);
        s[first + i] +=
            static_cast<float>(amp * attack * std::exp(-t * decay) * std::sin(kTwoPi * freq * t));
    }
}

void AddKick(Signal& s, double rate, double start) {
    const auto first = static_cast<std::size_t>(start * rate);
    double phase = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(0.25 * rate) && first + i < s.size();
         ++i) {
        const double t = static_cast<double>(i) / rate;
        const double freq = 50 + 100 * std::exp(-t * 30); // the pitch drop of a kick
        phase += kTwoPi * freq / rate;
        s[first + i] += static_cast<float>(0.8 * std::exp(-t * 12) * std::sin(phase));
    }
}

void AddNoiseBurst(Signal& s, double rate, double start, double length, double amp, double decay,
                   std::mt19937& rng) {
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    const auto first = static_cast<std::size_t>(start * rate);
    float last = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(length * rate) && first + i < s.size();
         ++i) {
        const double t = static_cast<double>(i) / rate;
        const float white = u(rng);
        const float high = white - last; // a first difference: brighter, as a hat is
        last = white;
        s[first + i] += static_cast<float>(amp * std::exp(-t * decay)) * high;
    }
}

double NoteFrequency(int semitonesFromC4) {
    return 261.6256 * std::pow(2.0, semitonesFromC4 / 12.0);
}

} // namespace

Signal Sine(double hz, double phase, double amplitude, double seconds, double rate) {
    Signal s(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<float>(amplitude *
                                  std::sin(kTwoPi * hz * static_cast<double>(i) / rate + phase));
    }
    return s;
}

Signal ClickTrack(double bpm, double seconds, double rate) {
    Signal s(static_cast<std::size_t>(seconds * rate), 0.0f);
    for (double t = 0.1; t < seconds; t += 60.0 / bpm) {
        AddTone(s, rate, t, 0.03, 1500, 0.8, 150);
    }
    return s;
}

Signal DrumLoop(double bpm, double seconds, double rate, std::uint32_t seed) {
    Signal s(static_cast<std::size_t>(seconds * rate), 0.0f);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> level(0.08, 0.15);
    const double beat = 60.0 / bpm;
    int n = 0;
    for (double t = 0.05; t < seconds; t += beat, ++n) {
        AddKick(s, rate, t);
        if (n % 2 == 1) {
            AddNoiseBurst(s, rate, t, 0.15, 0.35, 25, rng); // snare
        }
        AddNoiseBurst(s, rate, t, 0.05, level(rng), 80, rng);                  // hat
        AddNoiseBurst(s, rate, t + beat / 2, 0.05, level(rng) * 1.5, 80, rng); // off-beat hat
    }
    return s;
}

Signal Waltz(double bpm, double seconds, double rate, std::uint32_t seed) {
    Signal s(static_cast<std::size_t>(seconds * rate), 0.0f);
    std::mt19937 rng(seed);
    int n = 0;
    for (double t = 0.05; t < seconds; t += 60.0 / bpm, ++n) {
        if (n % 3 == 0) {
            AddKick(s, rate, t);
        } else {
            AddNoiseBurst(s, rate, t, 0.12, 0.3, 30, rng);
        }
    }
    return s;
}

Signal Resample(const Signal& in, double ratio) {
    Signal out(static_cast<std::size_t>(static_cast<double>(in.size()) / ratio));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double at = static_cast<double>(i) * ratio;
        const auto k = static_cast<std::size_t>(at);
        const double f = at - static_cast<double>(k);
        const float a = in[std::min(k, in.size() - 1)];
        const float b = in[std::min(k + 1, in.size() - 1)];
        out[i] = static_cast<float>(a + (b - a) * f);
    }
    return out;
}

Signal ChordProgression(int tonic, bool minor, int variant, double chordSeconds, double rate) {
    // Chords as (root's degree in semitones above the tonic, third, fifth) in semitones.
    struct Chord {
        int root, third, fifth;
    };
    const Chord I{0, 4, 7}, IV{5, 4, 7}, V{7, 4, 7}, vi{9, 3, 7};
    const Chord i{0, 3, 7}, iv{5, 3, 7}, VI{8, 4, 7}, ii{2, 3, 6};
    std::vector<Chord> chords;
    if (!minor) {
        chords = variant == 1   ? std::vector{I, vi, IV, V}
                 : variant == 2 ? std::vector{I, V, vi, IV}
                                : std::vector{I, IV, V, I};
    } else {
        chords = variant == 1   ? std::vector{i, VI, iv, V}
                 : variant == 2 ? std::vector{i, ii, V, i}
                                : std::vector{i, iv, V, i};
    }
    Signal s(static_cast<std::size_t>(chordSeconds * rate * static_cast<double>(chords.size())),
             0.0f);
    for (std::size_t c = 0; c < chords.size(); ++c) {
        const double start = chordSeconds * static_cast<double>(c);
        const int root = (tonic + chords[c].root) % 12;
        for (const int interval : {0, chords[c].third, chords[c].fifth}) {
            const double f = NoteFrequency(root + interval - 12 * (root + interval > 14 ? 1 : 0));
            for (int p = 1; p <= 5; ++p) {
                AddTone(s, rate, start, chordSeconds, f * p, 0.12 / p, 1.0);
            }
        }
        AddTone(s, rate, start, chordSeconds, NoteFrequency(root - 24), 0.2, 0.8); // bass
    }
    return s;
}

Signal PinkNoise(double seconds, double rate, double rms, std::uint32_t seed) {
    constexpr int kRows = 16;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<float> rows(kRows);
    for (float& r : rows) {
        r = u(rng);
    }
    float sum = std::accumulate(rows.begin(), rows.end(), 0.0f);
    Signal s(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < s.size(); ++i) {
        // Row k changes every 2^k samples: one row per sample, chosen by the trailing zeros.
        const int k = std::min(kRows - 1, std::countr_zero(static_cast<unsigned>(i + 1)));
        sum -= rows[static_cast<std::size_t>(k)];
        rows[static_cast<std::size_t>(k)] = u(rng);
        sum += rows[static_cast<std::size_t>(k)];
        s[i] = sum + u(rng);
    }
    double power = 0;
    for (const float v : s) {
        power += double{v} * v;
    }
    const double gain = rms / std::sqrt(power / static_cast<double>(s.size()));
    for (float& v : s) {
        v = static_cast<float>(v * gain);
    }
    return s;
}

Signal Mix(const Signal& a, const Signal& b, float gainB) {
    Signal out(std::max(a.size(), b.size()), 0.0f);
    for (std::size_t i = 0; i < a.size(); ++i) {
        out[i] += a[i];
    }
    for (std::size_t i = 0; i < b.size(); ++i) {
        out[i] += gainB * b[i];
    }
    return out;
}

fixture::Bytes Pcm16(const Signal& s, unsigned channels, const std::vector<float>& gains) {
    fixture::Bytes out;
    out.reserve(s.size() * channels * 2);
    for (const float v : s) {
        for (unsigned c = 0; c < channels; ++c) {
            const float g = c < gains.size() ? gains[c] : 1.0f;
            const auto q = static_cast<std::int16_t>(
                std::lround(std::clamp(v * g, -1.0f, 32767.0f / 32768.0f) * 32768.0f));
            fixture::Put16(out, static_cast<std::uint16_t>(q));
        }
    }
    return out;
}

} // namespace testmusic
