#pragma once

#include "core/audio/WaveFile.h"
#include "core/play/WaveOut.h"

#include <cstddef>
#include <stop_token>
#include <vector>

namespace sundrel {

// The Preferences' "Test tone": a short 440 Hz sine at -12 dBFS, 16-bit stereo, faded in and
// out over 10 ms so that it starts and ends without a click.
inline constexpr double kTestToneHz = 440.0;
inline constexpr double kTestToneSeconds = 0.6;
inline constexpr double kTestToneAmplitude = 0.25;

// `seconds` of a sine of `hz` at `amplitude` (0..1 of full scale) as 16-bit PCM interleaved
// over the channels of `format` (which must be 16-bit PCM).
std::vector<std::byte> SineBlock(const WaveFormatEx& format, double hz, double seconds,
                                 double amplitude);

// Opens `device` for the tone (44.1 kHz, else 48 kHz when the device refuses that rate),
// plays it to the end (or until `stop`), then closes the device. The status says why the
// device could not play it. Blocks for the tone's length: call it off the UI thread.
WaveOutStatus PlayTestTone(WaveOut& device, std::stop_token stop = {});

} // namespace sundrel
