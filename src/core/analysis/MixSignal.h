#pragma once

#include "core/analysis/Suggestion.h"
#include "core/audio/SampleReader.h"
#include "core/riff/WaveLayout.h"

#include <cstdint>
#include <functional>
#include <span>
#include <stop_token>
#include <vector>

namespace sundrel {

// What the analysis needs of a mix, from one pass over its samples: a mono fold at a reduced
// rate for the spectral features and the loudness, and the power of short blocks at the full
// rate for finding silence.
struct MixSignal {
    std::uint32_t rate = 0; // frames a second of the mix
    std::uint16_t channels = 0;
    std::int64_t frames = 0;
    std::uint32_t decimation = 1;  // mix frames per sample of `mono`
    std::vector<float> mono;       // mean of the channels, averaged over `decimation` frames
    std::uint32_t blockFrames = 1; // mix frames per entry of `blockPower` (10 ms)
    std::vector<float> blockPower; // mean square over the channels and frames of each block

    double MonoRate() const { return static_cast<double>(rate) / decimation; }
};

// The decimation that brings `rate` down to about 11 kHz (at least 1): enough bandwidth for
// timbre and pitch features, a quarter of the work at 44.1 and 48 kHz.
std::uint32_t AnalysisDecimation(std::uint32_t rate);

// Where a pass over the mix gets its samples: `out.size()` elements (channels interleaved, as
// SampleReader::Elements gives them) from the first element of frame `firstFrame` on. Called
// from two threads at once.
using ElementSource = std::function<void(std::int64_t firstFrame, std::span<std::int32_t> out)>;

// Reads every sample of `frames` frames once, on the calling thread and one helper thread.
// Samples are elements over the scale SampleReader gives the format (so in [-1, 1)).
// `progress` (if set) gets 0..1 on the calling thread; throws AnalysisCancelled when `stop`
// is requested.
MixSignal ReadMixSignal(const ElementSource& source, std::int64_t frames, const WaveFormat& format,
                        const AnalysisProgress& progress, std::stop_token stop);

// The same over audio data held in memory.
MixSignal ReadMixSignal(const SampleReader& reader, const WaveFormat& format,
                        const AnalysisProgress& progress, std::stop_token stop);

} // namespace sundrel
