#include "sound/OutputDevices.h"

#include "sound/PortAudioLibrary.h"

#include <cstdlib>
#include <string_view>

namespace sundrel::audio {

bool NullAudioRequested() {
    const char* choice = std::getenv("SUNDREL_AUDIO");
    return choice != nullptr && std::string_view(choice) == "null";
}

std::string DeviceId(PaDeviceIndex index) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    if (info == nullptr) {
        return {};
    }
    const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
    const std::string name = info->name != nullptr ? info->name : "";
    return api != nullptr && api->name != nullptr ? std::string(api->name) + ": " + name : name;
}

PaDeviceIndex FindOutputDevice(const std::string& id) {
    if (PortAudioStatus() != paNoError) {
        return paNoDevice;
    }
    if (id.empty()) {
        return Pa_GetDefaultOutputDevice();
    }
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info != nullptr && info->maxOutputChannels > 0 && DeviceId(i) == id) {
            return i;
        }
    }
    return paNoDevice;
}

std::vector<OutputDevice> ListOutputDevices() {
    if (NullAudioRequested()) {
        return {{{}, "Null device (no sound)"}};
    }
    std::vector<OutputDevice> devices;
    if (PortAudioStatus() != paNoError) {
        devices.push_back({{}, "System default (sound system unavailable)"});
        return devices;
    }
    const PaDeviceIndex fallback = Pa_GetDefaultOutputDevice();
    devices.push_back({{},
                       fallback == paNoDevice ? std::string("System default (no output device)")
                                              : "System default (" + DeviceId(fallback) + ")"});
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info != nullptr && info->maxOutputChannels > 0) {
            const std::string id = DeviceId(i);
            devices.push_back({id, id});
        }
    }
    return devices;
}

} // namespace sundrel::audio
