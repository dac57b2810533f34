#include "core/analysis/Signals.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace analysistest {

std::vector<std::int16_t> Render(const std::vector<Piece>& pieces, std::uint32_t rate,
                                 std::uint32_t seed) {
    std::vector<std::int16_t> out;
    std::mt19937 random(seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    for (const Piece& p : pieces) {
        const double amplitude = std::pow(10.0, p.levelDb / 20.0) * 32767.0;
        for (std::int64_t n = 0; n < p.frames; ++n) {
            const double t = static_cast<double>(n) / rate;
            double v = 0.0;
            switch (p.kind) {
            case Piece::Kind::Square:
                v = std::fmod(t * p.hz, 1.0) < 0.5 ? amplitude : -amplitude;
                break;
            case Piece::Kind::Chord:
                for (const double ratio : {1.0, 1.25, 1.5}) {
                    v += amplitude * std::sqrt(2.0 / 3.0) *
                         std::sin(2.0 * std::numbers::pi * p.hz * ratio * t);
                }
                break;
            case Piece::Kind::Noise:
                v = amplitude * gauss(random);
                break;
            case Piece::Kind::Bursts:
                v = std::fmod(t, 0.5) < 0.08 ? amplitude * gauss(random) : 0.0;
                break;
            case Piece::Kind::Silence:
                break;
            }
            const auto s = static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
            out.push_back(s);
            out.push_back(s);
        }
    }
    return out;
}

std::vector<std::int64_t> Edges(const std::vector<Piece>& pieces) {
    std::vector<std::int64_t> edges;
    std::int64_t at = 0;
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
        at += pieces[i].frames;
        edges.push_back(at);
    }
    return edges;
}

fixture::Bytes Pcm16Bytes(const std::vector<std::int16_t>& samples) {
    fixture::Bytes bytes;
    bytes.reserve(samples.size() * 2);
    for (const std::int16_t s : samples) {
        fixture::Put16(bytes, static_cast<std::uint16_t>(s));
    }
    return bytes;
}

sundrel::WaveFormat Stereo16(std::uint32_t rate) {
    return {sundrel::kFormatPcm, 2, rate, 16, false};
}

} // namespace analysistest
