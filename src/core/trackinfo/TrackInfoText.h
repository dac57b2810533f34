#pragma once

#include "core/interop/TrackTags.h"
#include "core/trackinfo/TrackAnalysis.h"

#include <span>
#include <string>
#include <vector>

namespace sundrel {

// "128.0"; "" without a tempo.
std::string BpmText(const TrackInfo& info);
// "-9.3" (LUFS, one decimal); "" for silence.
std::string LufsText(const TrackInfo& info);
// "-0.4" (dBTP, one decimal); "" for silence.
std::string TruePeakText(const TrackInfo& info);
// "-8.71 dB", the ReplayGain 2.0 track gain as its tag is written; "" for silence.
std::string TrackGainText(const TrackInfo& info);
// "0.954993", the true peak as a linear ratio, as REPLAYGAIN_TRACK_PEAK is written; "" for
// silence.
std::string TrackPeakText(const TrackInfo& info);

// Adds the tempo, key and ReplayGain of `infos[i]` to `tags[i]` (for as many tracks as both
// hold); what a track lacks (no steady beat, no key, silence) is left empty, so not written.
void AddTrackInfoTags(std::vector<TrackTags>& tags, std::span<const TrackInfo> infos);

} // namespace sundrel
