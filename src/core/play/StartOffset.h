#pragma once

#include "core/audio/WaveFile.h"

#include <cstdint>

namespace sundrel {

// Where playback from `startSecond` begins, in bytes from the start of the audio data.
// Counted as in a canonical file (data at byte 44): b = trunc(byte rate x s + 44), then the
// next multiple of 4 strictly above b, so 0 s begins 4 bytes into the data. Where the frame
// size does not divide 4 (24-bit, 32-bit or float stereo) the step is the frame size
// instead, so playback always starts on a whole frame. Negative or NaN seconds count as 0;
// the result may lie beyond the end of the data.
std::uint64_t PlayStartOffset(const WaveFormatEx& format, float startSecond);

} // namespace sundrel
