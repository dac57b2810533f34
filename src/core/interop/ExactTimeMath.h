#pragma once

#include "core/interop/MarkerSet.h"

#include <cstdint>

namespace sundrel {

// The arithmetic of ExactTime, exact in 128-bit integers. Every function requires
// `perSecond` > 0 (and `rate` > 0) and throws std::invalid_argument otherwise.

// The sample frame nearest `time` at `rate` frames a second (halves round up), held within
// the range of std::int64_t.
std::int64_t FrameOf(ExactTime time, std::uint32_t rate);

// The time of a sample frame: exactly `frame` ticks of 1/`rate` second.
ExactTime TimeOfFrame(std::int64_t frame, std::uint32_t rate);

// `time` in ticks of 1/`perSecond` second, to the nearest tick (halves round up): 1/75 s for
// a cue sheet, microseconds for a label file, seconds for a tracklist.
ExactTime Rescaled(ExactTime time, std::int64_t perSecond);

// Compares two times exactly: negative, zero or positive as `a` is before, at or after `b`.
int CompareTimes(ExactTime a, ExactTime b);

} // namespace sundrel
