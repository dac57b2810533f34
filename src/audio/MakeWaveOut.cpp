#include "audio/MakeWaveOut.h"

#include "audio/NullOut.h"
#include "audio/OutputDevices.h"
#include "audio/PortAudioOut.h"

namespace sundrel::audio {

std::unique_ptr<WaveOut> MakeWaveOut() {
    return MakeWaveOut(std::string());
}

std::unique_ptr<WaveOut> MakeWaveOut(const std::string& device) {
    if (NullAudioRequested()) {
        return std::make_unique<NullOut>();
    }
    return std::make_unique<PortAudioOut>(device);
}

} // namespace sundrel::audio
