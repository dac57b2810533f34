#pragma once

#include "core/audio/DataAlignment.h"
#include "core/markers/Marker.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sundrel {

// One stretch of the audio data: `offset` bytes from the first audio byte, `size` bytes long.
struct TrackSpan {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    friend bool operator==(const TrackSpan&, const TrackSpan&) = default;
};

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

// Cuts `dataSize` bytes of audio, in frames of `frameSize` bytes, at the markers' frames:
// the boundaries are the frames in ascending order, each held within 0..dataSize / frameSize,
// and track i runs from boundary i to boundary i + 1, the last track to the end of the data,
// so the tracks tile the data. A boundary at 0 is put in front unless a marker stands at the
// start: a marker of 0 % or, without a percentage, of frame 0 (a percentage marker above 0 %
// whose frame is 0 still gets the empty track PlanTracks gives it). For markers of the
// percentage rule, resolved by ResolvePercentFrames, the spans are exactly those PlanTracks
// gives for their percentages.
std::vector<TrackSpan> PlanTracksAtFrames(std::span<const Marker> markers, std::uint64_t dataSize,
                                          std::uint32_t frameSize);

// The positions (from 0) of the tracks of `plan` that last less than one second at `byteRate`
// bytes a second, empty tracks among them.
std::vector<std::size_t> ShortTracks(std::span<const TrackSpan> plan, std::uint32_t byteRate);

} // namespace sundrel
