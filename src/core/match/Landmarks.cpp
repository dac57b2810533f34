#include "core/match/Landmarks.h"

#include "core/analysis/FrameFft.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace sundrel {

namespace {

constexpr int kTimeReach = 5; // frames either side a peak must beat
constexpr int kBandReach = 6; // bands either side
constexpr float kAboveMeanDb = 6.0f;
constexpr float kFloorDb = -30.0f; // below this a spectrum is silence
constexpr std::size_t kBlockFrames = 2048;
constexpr int kPairsPerPeak = 5;

float ToFloat(float x) {
    return x;
}
float ToFloat(std::int16_t x) {
    return float(x) * (1.0f / 32768.0f);
}

// Power bins [first, last] that make each band: the bins inside its half-semitone, or the bin
// nearest its centre where bins are wider than bands.
struct BandBins {
    std::size_t first = 0;
    std::size_t last = 0;
};

std::vector<BandBins> MakeBandBins() {
    std::vector<BandBins> bands(kBandCount);
    const double binHz = double(kMatchRate) / double(kMatchFft);
    for (int b = 0; b < kBandCount; ++b) {
        const double centre = kLowestBandHz * std::exp2(b / kBandsPerOctave);
        const double low = centre * std::exp2(-0.5 / kBandsPerOctave);
        const double high = centre * std::exp2(0.5 / kBandsPerOctave);
        auto first = static_cast<std::size_t>(std::ceil(low / binHz));
        auto last = static_cast<std::size_t>(std::floor(high / binHz));
        if (last < first) {
            first = last = static_cast<std::size_t>(std::lround(centre / binHz));
        }
        bands[static_cast<std::size_t>(b)] = {first, std::min(last, kMatchFft / 2)};
    }
    return bands;
}

// The log-frequency spectra (dB) of frames [first, first + count) of `mono`; frames past the
// end of the audio are silence.
template <typename Sample>
void Spectra(std::span<const Sample> mono, std::int64_t first, std::size_t count, FrameFft& fft,
             const std::vector<BandBins>& bands, std::vector<float>& out) {
    out.assign(count * kBandCount, -200.0f);
    std::vector<float> frame(kMatchFft);
    for (std::size_t i = 0; i < count; ++i) {
        const std::int64_t start = (first + std::int64_t(i)) * std::int64_t(kMatchHop);
        if (start < 0 || start >= std::int64_t(mono.size())) {
            continue;
        }
        std::fill(frame.begin(), frame.end(), 0.0f);
        const auto have = std::min<std::size_t>(kMatchFft, mono.size() - std::size_t(start));
        for (std::size_t k = 0; k < have; ++k) {
            frame[k] = ToFloat(mono[std::size_t(start) + k]);
        }
        const std::span<const float> power = fft.Compute(frame);
        float* row = out.data() + i * kBandCount;
        for (int b = 0; b < kBandCount; ++b) {
            const BandBins& bins = bands[std::size_t(b)];
            float best = 0.0f;
            for (std::size_t k = bins.first; k <= bins.last; ++k) {
                best = std::max(best, power[k]);
            }
            row[b] = 10.0f * std::log10(best + 1e-12f);
        }
    }
}

template <typename Sample> std::vector<SpectralPeak> PeaksOf(std::span<const Sample> mono) {
    std::vector<SpectralPeak> peaks;
    const auto frames = static_cast<std::int64_t>((mono.size() + kMatchHop - 1) / kMatchHop);
    FrameFft fft(kMatchFft);
    const std::vector<BandBins> bands = MakeBandBins();
    std::vector<float> spectra;
    std::vector<float> bandMax; // the maximum over +-kBandReach of each point
    std::vector<float> mean;
    for (std::int64_t block = 0; block < frames; block += std::int64_t(kBlockFrames)) {
        const std::int64_t first = block - kTimeReach;
        const std::size_t count =
            std::size_t(std::min<std::int64_t>(kBlockFrames, frames - block)) + 2 * kTimeReach;
        Spectra(mono, first, count, fft, bands, spectra);
        bandMax.assign(spectra.size(), 0.0f);
        mean.assign(count, 0.0f);
        for (std::size_t i = 0; i < count; ++i) {
            const float* row = spectra.data() + i * kBandCount;
            float* maxRow = bandMax.data() + i * kBandCount;
            double sum = 0.0;
            for (int b = 0; b < kBandCount; ++b) {
                const int lo = std::max(0, b - kBandReach);
                const int hi = std::min(kBandCount - 1, b + kBandReach);
                maxRow[b] = *std::max_element(row + lo, row + hi + 1);
                sum += row[b];
            }
            mean[i] = static_cast<float>(sum / kBandCount);
        }
        for (std::size_t i = kTimeReach; i + kTimeReach < count; ++i) {
            const float* row = spectra.data() + i * kBandCount;
            for (int b = 0; b < kBandCount; ++b) {
                const float v = row[b];
                if (v < kFloorDb || v < mean[i] + kAboveMeanDb ||
                    v < bandMax[i * kBandCount + std::size_t(b)]) {
                    continue;
                }
                bool highest = true;
                for (std::size_t j = i - kTimeReach; j <= i + kTimeReach && highest; ++j) {
                    const float other = bandMax[j * kBandCount + std::size_t(b)];
                    // Equal values elsewhere: the earliest one is the peak.
                    highest = j == i || other < v || (other == v && j > i);
                }
                if (!highest) {
                    continue;
                }
                float band = static_cast<float>(b);
                if (b > 0 && b + 1 < kBandCount) {
                    const float l = row[b - 1];
                    const float r = row[b + 1];
                    const float curve = l - 2.0f * v + r;
                    if (curve < 0.0f) {
                        band += std::clamp(0.5f * (l - r) / curve, -0.5f, 0.5f);
                    }
                }
                peaks.push_back({static_cast<std::int32_t>(first + std::int64_t(i)), band});
            }
        }
    }
    return peaks;
}

} // namespace

double BandShift(double ratio) {
    return kBandsPerOctave * std::log2(ratio);
}

std::vector<SpectralPeak> FindPeaks(std::span<const float> mono) {
    return PeaksOf(mono);
}

std::vector<SpectralPeak> FindPeaks(std::span<const std::int16_t> mono) {
    return PeaksOf(mono);
}

std::vector<PeakPair> MakePairs(std::span<const SpectralPeak> peaks) {
    std::vector<PeakPair> pairs;
    pairs.reserve(peaks.size() * kPairsPerPeak);
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        int made = 0;
        for (std::size_t j = i + 1; j < peaks.size() && made < kPairsPerPeak; ++j) {
            const std::int32_t gap = peaks[j].frame - peaks[i].frame;
            if (gap > kMaxPairGap) {
                break;
            }
            const float step = peaks[j].band - peaks[i].band;
            if (gap < 1 || std::abs(step) > float(kMaxPairStep)) {
                continue;
            }
            pairs.push_back({peaks[i].frame, peaks[i].band, step, gap});
            ++made;
        }
    }
    return pairs;
}

std::int32_t PairKey(float band, float step, float gap) {
    const long b = std::lround(band);
    const long s = std::lround(step) + 16;
    const long g = std::lround(gap);
    if (b < 0 || b > 127 || s < 0 || s > 31 || g < 1 || g > 31) {
        return -1;
    }
    return static_cast<std::int32_t>((b << 10) | (s << 5) | g);
}

} // namespace sundrel
