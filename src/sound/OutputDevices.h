#pragma once

#include <string>
#include <vector>

namespace sundrel::audio {

// A sound output the user can choose in Preferences.
struct OutputDevice {
    std::string id;    // what MakeWaveOut takes and the settings keep; empty: the default
    std::string label; // what the list shows
};

// The outputs to choose from, the system's default first (id empty), then every PortAudio
// device with output channels. With SUNDREL_AUDIO=null the null device alone (id empty).
std::vector<OutputDevice> ListOutputDevices();

// SUNDREL_AUDIO is "null": no sound server is used at all (tests, headless machines).
bool NullAudioRequested();

} // namespace sundrel::audio
