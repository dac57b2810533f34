#pragma once

#include <span>
#include <vector>

namespace sundrel {

// The slowest and fastest tempo reported: a beat tracker may lock onto every other beat or
// onto eighth notes, and DJ music is counted in this range.
inline constexpr double kMinTempo = 70.0;
inline constexpr double kMaxTempo = 180.0;

// The most harmonics a tempo's fit reads (each costs a pass over the candidate tempi).
inline constexpr int kMostTempoHarmonics = 16;

// The constants of the pulse fit. A track's tempo takes them from TrackInfoTuning, whose
// defaults these are (chosen by scripts/eval-trackinfo).
struct PulseFitTuning {
    // The harmonics of a tempo's pulse train its fit is measured on, and the width (octaves)
    // of the prior around 120 BPM that settles which of two tempi an octave apart is the beat.
    double harmonics = 3; // used as a whole number 1..kMostTempoHarmonics
    double priorWidth = 2.0;
    // Onsets count up to this many times their mean strength.
    double onsetCap = 5.0;
};

// The mean of `onsets` after each is capped at `cap` times their mean, so that one loud onset
// (a single chord struck, a door) does not pass for a beat; 0 when nothing rises above 0.
double CapOnsets(std::vector<double>& onsets, double cap);

// The magnitude spectrum of onsets (one every `hopSeconds`), |sum of (onset - mean) e^-iwt|,
// read at any frequency: one transform of the onsets, zero-padded to at least twice their
// length (bins a fraction of a BPM apart) and centred, so the transform's window only tapers
// their ends.
class OnsetSpectrum {
  public:
    OnsetSpectrum(std::span<const double> onsets, double mean, double hopSeconds);
    // The larger of the two bins around `hz` (0 above the last).
    double At(double hz) const;

  private:
    std::vector<double> m_magnitude;
    double m_binsPerHz = 0;
};

// The tempo whose pulse train fits the onsets best, from half the slowest to twice the fastest
// tempo reported in steps of 0.05 %: the mean magnitude of the onsets' spectrum at its first
// tuning.harmonics harmonics (a beat that is there also shows at its divisions; a tempo that
// counts two beats as three, or half a beat as one, misses every other harmonic), times a
// log-normal prior around 120 BPM tuning.priorWidth octaves wide that settles which of two tempi
// an octave apart is the beat. The spectrum's magnitudes do not depend on where the hops fall,
// so a small stretch leaves the ranking be.
double BestFittingTempo(const OnsetSpectrum& spectrum, const PulseFitTuning& tuning);

// The tempo (BPM, from half kMinTempo to twice kMaxTempo, not folded) whose pulse train fits
// `onsets` (one every `hopSeconds`) best by BestFittingTempo, the onsets capped at
// tuning.onsetCap times their mean first; 0 when they do not rise above 0 anywhere. No beat
// test: what a short stretch of a mix is read with, where only the dominant pulse matters.
double FittingTempo(std::span<const double> onsets, double hopSeconds,
                    const PulseFitTuning& tuning = {});

} // namespace sundrel
