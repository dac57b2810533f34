#pragma once

#include "core/analysis/MixSignal.h"
#include "core/markers/TrackSpans.h"
#include "core/riff/WaveLayout.h"
#include "core/trackinfo/MusicalKey.h"
#include "core/trackinfo/TrackInfoTuning.h"
#include "core/trackinfo/TrackLoudness.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <vector>

namespace sundrel {

// What a DJ's library wants to know of a track.
struct TrackInfo {
    double bpm = 0;                // one decimal; 0 without a steady beat
    std::optional<MusicalKey> key; // none without harmony
    Loudness loudness;             // integrated -infinity for silence
    bool HasLoudness() const;
};

// Analyses `frames` frames of a mix from `firstFrame` on, read from `source` (all channels):
// the loudness at the full rate, the tempo and the key from the mono fold of the channels at
// about 11 kHz (AnalysisDecimation). Throws AnalysisCancelled when `stop` is requested, and
// passes on what `source` throws. `tuning`: the constants of the tempo and the key.
TrackInfo AnalyseTrack(const ElementSource& source, std::int64_t firstFrame, std::int64_t frames,
                       const WaveFormat& format, std::stop_token stop = {},
                       const TrackInfoTuning& tuning = {});

// The analysis of the same frames with each of `tunings` (the loudness, the onsets and the
// chroma measured once): the evaluation that chooses the constants.
std::vector<TrackInfo> AnalyseTrackWith(const ElementSource& source, std::int64_t firstFrame,
                                        std::int64_t frames, const WaveFormat& format,
                                        std::span<const TrackInfoTuning> tunings,
                                        std::stop_token stop = {});

// The same for each track of `spans` (audio bytes from the first audio byte, whole frames),
// one track at a time on each of `workers` threads (0: one for each core). `progress` gets the
// share of tracks done on the calling thread.
std::vector<TrackInfo> AnalyseTracks(const ElementSource& source, std::span<const TrackSpan> spans,
                                     const WaveFormat& format, unsigned workers = 2,
                                     const AnalysisProgress& progress = {},
                                     std::stop_token stop = {});

} // namespace sundrel
