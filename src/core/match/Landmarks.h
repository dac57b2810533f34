#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace sundrel {

// The analysis the alignment runs on: mono at 8 kHz (the band that carries melody, bass and
// drums alike), spectra of 128 ms every 32 ms.
inline constexpr std::uint32_t kMatchRate = 8000;
inline constexpr std::size_t kMatchFft = 1024;
inline constexpr std::size_t kMatchHop = 256;
inline constexpr double kMatchFrameSeconds = double(kMatchHop) / kMatchRate;

// The log-frequency axis: half-semitone bands from 130.8 Hz (C3) up to about 3.7 kHz. A
// change of speed by resampling moves every peak by the same number of bands.
inline constexpr double kLowestBandHz = 130.81;
inline constexpr double kBandsPerOctave = 24.0;
inline constexpr int kBandCount = 116;

// The band offset of a speed change by resampling by `ratio` (1.05: 5 % faster and higher).
double BandShift(double ratio);

// A local maximum of the log-frequency spectrogram: its spectrum (frame) and its band, with
// a fraction from the curvature around it.
struct SpectralPeak {
    std::int32_t frame = 0;
    float band = 0.0f;
};

// The peaks of `mono` (at kMatchRate) in time order: points louder than every other within
// +-5 frames and +-6 bands and clearly above their spectrum's mean, so at most about 25 a
// second. Gain changes leave them where they are; EQ and filters remove some.
std::vector<SpectralPeak> FindPeaks(std::span<const float> mono);
// The same for samples held as 16-bit integers (full scale 32768), as the mix is kept.
std::vector<SpectralPeak> FindPeaks(std::span<const std::int16_t> mono);

// A pair of peaks: an anchor and a later peak close to it in time and frequency. The pair's
// shape (anchor band, band step, frame step) is what is looked up; `frame` places it.
struct PeakPair {
    std::int32_t frame = 0; // the anchor's
    float band = 0.0f;      // the anchor's
    float step = 0.0f;      // target band - anchor band
    std::int32_t gap = 0;   // target frame - anchor frame, 1..kMaxPairGap
};

inline constexpr int kMaxPairGap = 24;
inline constexpr int kMaxPairStep = 15;

// Up to five pairs for every peak, with the next peaks within kMaxPairGap frames and
// kMaxPairStep bands.
std::vector<PeakPair> MakePairs(std::span<const SpectralPeak> peaks);

// The lookup key of a pair's shape, or -1 for a shape outside the key's range. The gap may be
// fractional (a candidate's pairs stretched to a speed ratio) and is rounded.
std::int32_t PairKey(float band, float step, float gap);
inline constexpr std::int32_t kPairKeys = 1 << 17;

} // namespace sundrel
