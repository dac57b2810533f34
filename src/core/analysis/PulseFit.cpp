// The pulse fit shared by a track's tempo and a mix's local tempo.

#include "core/analysis/PulseFit.h"

#include "core/analysis/FrameFft.h"

#include <algorithm>
#include <cmath>

namespace sundrel {

double CapOnsets(std::vector<double>& onsets, double cap) {
    double mean = 0;
    for (const double o : onsets) {
        mean += o;
    }
    mean /= static_cast<double>(onsets.size());
    if (!(mean > 0)) {
        return 0;
    }
    double capped = 0;
    for (double& o : onsets) {
        o = std::min(o, cap * mean);
        capped += o;
    }
    return capped / static_cast<double>(onsets.size());
}

OnsetSpectrum::OnsetSpectrum(std::span<const double> onsets, double mean, double hopSeconds) {
    std::size_t size = 1024;
    while (size < 2 * onsets.size()) {
        size *= 2;
    }
    std::vector<float> frame(size, 0.0f);
    const std::size_t from = (size - onsets.size()) / 2;
    for (std::size_t i = 0; i < onsets.size(); ++i) {
        frame[from + i] = static_cast<float>(onsets[i] - mean);
    }
    FrameFft fft(size);
    const auto power = fft.Compute(frame);
    m_magnitude.resize(power.size());
    for (std::size_t k = 0; k < power.size(); ++k) {
        m_magnitude[k] = std::sqrt(static_cast<double>(power[k]));
    }
    m_binsPerHz = static_cast<double>(size) * hopSeconds;
}

double OnsetSpectrum::At(double hz) const {
    const double bin = hz * m_binsPerHz;
    const auto below = static_cast<std::size_t>(std::max(0.0, std::floor(bin)));
    if (below + 1 >= m_magnitude.size()) {
        return 0;
    }
    return std::max(m_magnitude[below], m_magnitude[below + 1]);
}

double BestFittingTempo(const OnsetSpectrum& spectrum, const PulseFitTuning& tuning) {
    const int harmonics =
        std::clamp(static_cast<int>(std::lround(tuning.harmonics)), 1, kMostTempoHarmonics);
    const double width = tuning.priorWidth;
    double best = 0, bestFit = -1;
    for (double bpm = kMinTempo / 2; bpm <= kMaxTempo * 2; bpm *= 1.0005) {
        double sum = 0;
        for (int h = 1; h <= harmonics; ++h) {
            sum += spectrum.At(bpm / 60.0 * h);
        }
        const double octaves = std::log2(bpm / 120.0);
        const double fit =
            sum * (width > 0 ? std::exp(-0.5 * octaves * octaves / (width * width)) : 1.0);
        if (fit > bestFit) {
            bestFit = fit;
            best = bpm;
        }
    }
    return best;
}

double FittingTempo(std::span<const double> onsets, double hopSeconds,
                    const PulseFitTuning& tuning) {
    if (onsets.empty() || !(hopSeconds > 0)) {
        return 0;
    }
    std::vector<double> capped(onsets.begin(), onsets.end());
    const double mean = CapOnsets(capped, tuning.onsetCap);
    if (!(mean > 0)) {
        return 0;
    }
    return BestFittingTempo(OnsetSpectrum(capped, mean, hopSeconds), tuning);
}

} // namespace sundrel
