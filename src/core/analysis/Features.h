#pragma once

#include "core/analysis/MixSignal.h"
#include "core/analysis/Suggestion.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <stop_token>
#include <vector>

namespace sundrel {

// Spectral features of a mix over hops of about 0.37 s (4096 samples of the mono fold):
// 13 mel-frequency cepstral coefficients (timbre), a 12-bin chroma vector (pitch classes,
// summing to 1), and the level in dB. Each hop pools four half-overlapping Hann frames of
// 2048 samples.
struct FeatureTrack {
    static constexpr std::size_t kMfcc = 13;
    static constexpr std::size_t kChroma = 12;
    static constexpr std::size_t kDims = kMfcc + kChroma + 1;
    static constexpr std::size_t kLevel = kMfcc + kChroma; // index of the level

    std::vector<float> values;   // Hops() rows of kDims
    std::int64_t hopFrames = 0;  // mix frames per hop
    std::int64_t edgeOffset = 0; // the boundary before hop t lies at t * hopFrames + edgeOffset

    std::size_t Hops() const { return values.size() / kDims; }
    std::span<const float> Row(std::size_t hop) const {
        return std::span<const float>(values).subspan(hop * kDims, kDims);
    }
    // The mix frame of the boundary between hops t - 1 and t.
    std::int64_t EdgeFrame(std::size_t t) const {
        return static_cast<std::int64_t>(t) * hopFrames + edgeOffset;
    }
};

// Computes the features on the calling thread and one helper thread. `progress` (if set)
// gets 0..1; throws AnalysisCancelled when `stop` is requested.
FeatureTrack ComputeFeatures(const MixSignal& signal, const AnalysisProgress& progress,
                             std::stop_token stop);

} // namespace sundrel
