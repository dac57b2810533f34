#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <span>

namespace sundrel {

// The loudness of a track, all its channels weighted as EBU R 128 weights them.
struct Loudness {
    double integrated = -std::numeric_limits<double>::infinity(); // LUFS, gated
    double truePeak = 0;                                          // linear, 1 = full scale
};

// Measures EBU R 128 integrated loudness of interleaved samples in [-1, 1], each channel
// weighted by libebur128's map for the count (mono and stereo as left and right; LFE and
// unknown channels not counted). The true peak is TruePeakScan's.
class LoudnessMeter {
  public:
    LoudnessMeter(unsigned channels, std::uint32_t rate);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    // Whole frames of interleaved samples.
    void Add(std::span<const float> interleaved);
    // Gated integrated loudness (LUFS); minus infinity for silence.
    double Integrated() const;

  private:
    struct State;
    std::unique_ptr<State> m_state;
    unsigned m_nChannels;
};

// ReplayGain 2.0: the gain (dB) that brings a track of `integrated` LUFS to -18 LUFS.
inline constexpr double kReplayGainReference = -18.0;
inline double ReplayGain(double integrated) {
    return kReplayGainReference - integrated;
}

} // namespace sundrel
