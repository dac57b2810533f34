#pragma once

#include "core/play/WaveOut.h"

#include <memory>

namespace sundrel::audio {

// The output device for this run: the null device when the environment variable
// SUNDREL_AUDIO is "null" (machines without a sound server, tests), else PortAudio.
std::unique_ptr<WaveOut> MakeWaveOut();

} // namespace sundrel::audio
