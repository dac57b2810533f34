#pragma once

#include "core/markers/TrackSpans.h"
#include "core/split/SplitTypes.h"

#include <string>

namespace sundrel {

// The classic name of track `number`: "track%.2d" with the format's extension ("track01.wav",
// "track01.flac").
std::string TrackName(int number, TrackFormat format = TrackFormat::Wav);

} // namespace sundrel
