#include "sound/MakeWaveOut.h"

#include "sound/NullOut.h"
#include "sound/OutputDevices.h"
#include "sound/PortAudioOut.h"

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
