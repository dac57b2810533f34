#pragma once

#include <portaudio.h>

namespace sundrel::audio {

// PortAudio for the whole process: initialised on first use (with the ALSA and JACK client
// libraries' messages silenced, which probing prints on machines without those servers),
// terminated at exit. The status of Pa_Initialize.
PaError PortAudioStatus();

} // namespace sundrel::audio

#include <string>

namespace sundrel::audio {

// The id an output device is chosen and remembered by: "<host API>: <device name>", which
// stays the same across runs while device indexes do not.
std::string DeviceId(PaDeviceIndex index);
// The output device `id` names, the default output for an empty id; paNoDevice when there is
// none (or PortAudio could not start).
PaDeviceIndex FindOutputDevice(const std::string& id);

} // namespace sundrel::audio
