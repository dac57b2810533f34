#pragma once

#include "core/analysis/Suggestion.h"
#include "core/audio/SampleReader.h"
#include "core/riff/WaveLayout.h"

#include <filesystem>
#include <span>
#include <stop_token>
#include <vector>

namespace sundrel {

struct SuggestResult {
    std::vector<Suggestion> suggestions; // ascending frames
    // Every place the boundaries were chosen from (each silence and each peak of the novelty),
    // ascending; confidence is the novelty there relative to its highest peak, 1 for a
    // silence. What snapping an imported time to a nearby transition chooses among.
    std::vector<Suggestion> candidates;
    std::uint32_t rate = 0; // frames a second of the mix
    std::int64_t frames = 0;
    double loudnessLufs = 0.0;       // integrated loudness; -infinity for a silent mix
    double silenceThresholdDb = 0.0; // block power below this counted as silence
    std::size_t silences = 0;        // silent stretches found (before choosing among them)
};

// Suggests track boundaries: silent stretches between tracks (at their middle, see
// FindSilences) and the transitions of a continuous mix. The peaks of the novelty (see
// ComputeNovelty) and the silences are the candidates; the boundaries are the candidates of the
// segmentation of least cost (see SegmentCost). With the count known exactly tracks - 1 are
// chosen together (fewer only where the mix cannot hold them); without it every silence, and
// each transition that lowers the cost by more than a fixed penalty. Runs on the calling thread
// with one helper thread; `progress` (if set) gets 0..1; throws AnalysisCancelled when `stop`
// is requested. `reader` holds the audio data in `format`.
SuggestResult SuggestBoundaries(const SampleReader& reader, const WaveFormat& format,
                                const SuggestOptions& options,
                                const AnalysisProgress& progress = {}, std::stop_token stop = {});

// The same for a WAV file, read through CWaveFile's checks (every format the core reads).
// Throws WaveFileError or FileError for a file it cannot use or that fails while being read.
SuggestResult SuggestBoundaries(const std::filesystem::path& mix, const SuggestOptions& options,
                                const AnalysisProgress& progress = {}, std::stop_token stop = {});

// The same once for each of `tunings` (options.tuning is not used), from one pass over the mix:
// the evaluation's grid of constants.
std::vector<SuggestResult> SuggestBoundaries(const std::filesystem::path& mix,
                                             const SuggestOptions& options,
                                             std::span<const SuggestTuning> tunings,
                                             const AnalysisProgress& progress = {},
                                             std::stop_token stop = {});

// The same over frames first .. end - 1 of the mix only, as if they were the whole mix (no
// boundary within options.minTrackSeconds of either end of the stretch); the frames of the
// result count from the mix's first frame.
SuggestResult SuggestBoundariesIn(const std::filesystem::path& mix, std::int64_t first,
                                  std::int64_t end, const SuggestOptions& options,
                                  const AnalysisProgress& progress = {}, std::stop_token stop = {});

} // namespace sundrel
