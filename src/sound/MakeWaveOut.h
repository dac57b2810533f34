#pragma once

#include "core/play/WaveOut.h"

#include <memory>
#include <string>

namespace sundrel::audio {

// The output device for this run: the null device when the environment variable
// SUNDREL_AUDIO is "null" (machines without a sound server, tests), else PortAudio's default
// output, or the output `device` names (an id from ListOutputDevices; empty: the default).
std::unique_ptr<WaveOut> MakeWaveOut();
std::unique_ptr<WaveOut> MakeWaveOut(const std::string& device);

} // namespace sundrel::audio
