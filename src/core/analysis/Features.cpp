#include "core/analysis/Features.h"

#include "core/analysis/FrameFft.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <exception>
#include <numbers>
#include <thread>

namespace sundrel {

namespace {

constexpr std::size_t kFrame = 2048;
constexpr std::size_t kFrameHop = kFrame / 2;
constexpr std::size_t kFramesPerHop = 4;
constexpr std::size_t kHop = kFrameHop * kFramesPerHop;
constexpr std::size_t kMelBands = 40;
constexpr double kMelLow = 40.0;
constexpr double kMelHigh = 6000.0;
constexpr double kChromaLow = 100.0;
constexpr double kChromaHigh = 2500.0;
constexpr float kPowerFloor = 1e-4f;

double HzToMel(double hz) {
    return 2595.0 * std::log10(1.0 + hz / 700.0);
}
double MelToHz(double mel) {
    return 700.0 * (std::pow(10.0, mel / 2595.0) - 1.0);
}

// The fixed maps from spectrum bins to mel bands, cepstral coefficients and pitch classes.
struct FeatureMaps {
    struct Band {
        std::size_t firstBin = 0;
        std::vector<float> weights;
    };
    std::vector<Band> mel;
    std::vector<float> dct;      // kMfcc rows of kMelBands
    std::vector<int> pitchClass; // per bin, -1 outside the chroma range

    FeatureMaps(std::size_t bins, double rate) : dct(FeatureTrack::kMfcc * kMelBands) {
        const double binHz = rate / static_cast<double>(kFrame);
        const double high = std::min(kMelHigh, rate / 2.0);
        std::vector<double> edges(kMelBands + 2);
        for (std::size_t i = 0; i < edges.size(); ++i) {
            edges[i] = MelToHz(HzToMel(kMelLow) + (HzToMel(high) - HzToMel(kMelLow)) *
                                                      static_cast<double>(i) /
                                                      static_cast<double>(kMelBands + 1));
        }
        for (std::size_t m = 0; m < kMelBands; ++m) {
            Band band;
            band.firstBin = static_cast<std::size_t>(std::ceil(edges[m] / binHz));
            for (std::size_t k = band.firstBin;
                 k < bins && static_cast<double>(k) * binHz < edges[m + 2]; ++k) {
                const double f = static_cast<double>(k) * binHz;
                const double w = f < edges[m + 1]
                                     ? (f - edges[m]) / (edges[m + 1] - edges[m])
                                     : (edges[m + 2] - f) / (edges[m + 2] - edges[m + 1]);
                band.weights.push_back(static_cast<float>(std::max(0.0, w)));
            }
            mel.push_back(std::move(band));
        }
        for (std::size_t c = 0; c < FeatureTrack::kMfcc; ++c) {
            for (std::size_t m = 0; m < kMelBands; ++m) {
                dct[c * kMelBands + m] = static_cast<float>(
                    std::cos(std::numbers::pi * static_cast<double>(c) *
                             (static_cast<double>(m) + 0.5) / static_cast<double>(kMelBands)));
            }
        }
        pitchClass.assign(bins, -1);
        for (std::size_t k = 1; k < bins; ++k) {
            const double f = static_cast<double>(k) * binHz;
            if (f >= kChromaLow && f <= kChromaHigh) {
                const auto semitones = static_cast<int>(std::lround(12.0 * std::log2(f / 440.0)));
                pitchClass[k] = ((semitones + 9) % 12 + 12) % 12; // C = 0
            }
        }
    }
};

void ComputeHops(const MixSignal& signal, const FeatureMaps& maps, FeatureTrack& track,
                 std::size_t firstHop, std::size_t endHop, std::atomic<std::size_t>& done,
                 std::stop_token stop) {
    FrameFft spectrum(kFrame);
    std::vector<float> logMel(kMelBands);
    std::array<double, FeatureTrack::kChroma> chroma{};
    for (std::size_t h = firstHop; h < endHop; ++h) {
        if ((h & 63) == 0 && stop.stop_requested()) {
            return;
        }
        std::span<float> row(track.values.data() + h * FeatureTrack::kDims, FeatureTrack::kDims);
        std::fill(row.begin(), row.end(), 0.0f);
        chroma.fill(0.0);
        double total = 0.0;
        for (std::size_t j = 0; j < kFramesPerHop; ++j) {
            const std::size_t start = h * kHop + j * kFrameHop;
            const auto power =
                spectrum.Compute(std::span<const float>(signal.mono).subspan(start, kFrame));
            for (std::size_t m = 0; m < kMelBands; ++m) {
                const auto& band = maps.mel[m];
                float sum = 0.0f;
                for (std::size_t i = 0; i < band.weights.size(); ++i) {
                    sum += band.weights[i] * power[band.firstBin + i];
                }
                logMel[m] = std::log(sum + kPowerFloor);
            }
            for (std::size_t c = 0; c < FeatureTrack::kMfcc; ++c) {
                float sum = 0.0f;
                for (std::size_t m = 0; m < kMelBands; ++m) {
                    sum += maps.dct[c * kMelBands + m] * logMel[m];
                }
                row[c] += sum / static_cast<float>(kFramesPerHop);
            }
            for (std::size_t k = 0; k < power.size(); ++k) {
                total += power[k];
                if (maps.pitchClass[k] >= 0) {
                    chroma[static_cast<std::size_t>(maps.pitchClass[k])] += power[k];
                }
            }
        }
        double chromaSum = 0.0;
        for (const double v : chroma) {
            chromaSum += v;
        }
        for (std::size_t c = 0; c < FeatureTrack::kChroma; ++c) {
            row[FeatureTrack::kMfcc + c] =
                chromaSum > 0.0 ? static_cast<float>(chroma[c] / chromaSum) : 0.0f;
        }
        const double meanPower = total / static_cast<double>(kFramesPerHop * kFrame);
        row[FeatureTrack::kLevel] = static_cast<float>(10.0 * std::log10(meanPower + 1e-12));
        done.fetch_add(1, std::memory_order_relaxed);
    }
}

} // namespace

FeatureTrack ComputeFeatures(const MixSignal& signal, const AnalysisProgress& progress,
                             std::stop_token stop) {
    FeatureTrack track;
    track.hopFrames = static_cast<std::int64_t>(kHop) * signal.decimation;
    track.edgeOffset = static_cast<std::int64_t>(kFrameHop / 2) * signal.decimation;
    const std::size_t samples = signal.mono.size();
    const std::size_t frames = samples >= kFrame ? (samples - kFrame) / kFrameHop + 1 : 0;
    const std::size_t hops = frames / kFramesPerHop;
    track.values.assign(hops * FeatureTrack::kDims, 0.0f);
    if (hops == 0) {
        return track;
    }
    const FeatureMaps maps(kFrame / 2 + 1, signal.MonoRate());
    std::atomic<std::size_t> done{0};
    std::exception_ptr helperError;
    const std::size_t middle = hops / 2;
    {
        std::jthread helper([&] {
            try {
                ComputeHops(signal, maps, track, middle, hops, done, stop);
            } catch (...) {
                helperError = std::current_exception();
            }
        });
        constexpr std::size_t kStep = 512;
        for (std::size_t h = 0; h < middle && !stop.stop_requested(); h += kStep) {
            ComputeHops(signal, maps, track, h, std::min(middle, h + kStep), done, stop);
            if (progress) {
                progress(static_cast<double>(done.load(std::memory_order_relaxed)) /
                         static_cast<double>(hops));
            }
        }
    }
    if (helperError) {
        std::rethrow_exception(helperError);
    }
    if (stop.stop_requested()) {
        throw AnalysisCancelled();
    }
    if (progress) {
        progress(1.0);
    }
    return track;
}

} // namespace sundrel
