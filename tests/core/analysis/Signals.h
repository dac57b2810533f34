#pragma once

// Synthetic mixes with known boundaries for the analysis tests.

#include "core/riff/WaveLayout.h"
#include "support/WavFixture.h"

#include <cstdint>
#include <vector>

namespace analysistest {

// One stretch of a synthetic mix, the same on both channels.
struct Piece {
    enum class Kind {
        Square, // a square wave of `hz`: every sample at the full level, so edges are exact
        Chord,  // three sines on `hz` (a major triad)
        Noise,  // white noise
        Bursts, // 80 ms of white noise every half second, silence between
        Silence // digital silence
    };
    Kind kind = Kind::Silence;
    std::int64_t frames = 0;
    double levelDb = -12.0; // peak level of the square, RMS level otherwise (dB full scale)
    double hz = 220.0;
};

// Interleaved 16-bit stereo samples of the pieces in order.
std::vector<std::int16_t> Render(const std::vector<Piece>& pieces, std::uint32_t rate,
                                 std::uint32_t seed = 7);

// The first frame of each piece after the first.
std::vector<std::int64_t> Edges(const std::vector<Piece>& pieces);

// Little-endian bytes of the samples, and their format.
fixture::Bytes Pcm16Bytes(const std::vector<std::int16_t>& samples);
sundrel::WaveFormat Stereo16(std::uint32_t rate);

} // namespace analysistest
