#pragma once

#include "core/split/SplitTypes.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sundrel {

// Track boundaries fall on multiples of this many bytes: 4, or the frame size where 4 is not
// a whole number of frames (24-bit, 32-bit stereo and float stereo audio).
std::uint32_t AlignmentUnit(std::uint32_t frameSize);

// Throws std::invalid_argument unless the percentages can be cut at: at least two, each a
// number in 0..100, ascending, the first 0 and the last 100.
void CheckSplitPercents(std::span<const float> percents);

// Cuts `dataSize` bytes of audio at the percentages (checked as above) into one track per
// span between consecutive entries. Track i has the length
//   trunc((p[i] - p[i-1]) * dataSize * 0.01f), in double precision,
// brought down to a multiple of the alignment unit u with the shortfall's complement
// (u - remainder) added to the next track's length; the last track runs to the end of the data.
// The tracks tile the data: each starts where the one before ends, and all boundaries but the
// end of the data fall on multiples of u.
std::vector<TrackSpan> PlanTracks(std::span<const float> percents, std::uint64_t dataSize,
                                  std::uint32_t frameSize);

// "track%.2d.wav".
std::string TrackName(int number);

} // namespace sundrel
