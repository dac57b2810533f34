#pragma once

#include "core/audio/WaveFile.h"
#include "core/markers/Marker.h"
#include "core/split/SplitTypes.h"
#include "core/trackinfo/TrackAnalysis.h"
#include "core/trackinfo/TrackInfoCache.h"

#include <optional>
#include <span>
#include <stop_token>
#include <vector>

namespace sundrel {

// The frames of each track a split of `markers` cuts from `wave` (PlanTracksAtFrames).
std::vector<FrameSpan> SplitFrameSpans(const CWaveFile& wave, std::span<const Marker> markers);

// The analysis of each track a split of `markers` cuts from `wave`, its frames read from the
// mix file; `known` (by track, may be shorter) holds analyses already made, which are used
// instead of analysing those tracks again. Throws FileError for a mix that cannot be read,
// and AnalysisCancelled when `stop` is requested.
std::vector<TrackInfo> AnalyseSplitTracks(const CWaveFile& wave, std::span<const Marker> markers,
                                          unsigned workers = 2,
                                          const AnalysisProgress& progress = {},
                                          std::stop_token stop = {},
                                          std::span<const std::optional<TrackInfo>> known = {});

// Adds each track's tempo, key and ReplayGain to the tags of a split of `markers` that carries
// tags (see NameSplit); a split without tags stays without (its tracks keep the plain header
// and audio) and nothing is analysed. Returns whether it analysed. Throws as above.
bool TagSplitWithAnalysis(SplitOptions& options, const CWaveFile& wave,
                          std::span<const Marker> markers, unsigned workers = 2,
                          const AnalysisProgress& progress = {}, std::stop_token stop = {},
                          std::span<const std::optional<TrackInfo>> known = {});

} // namespace sundrel
