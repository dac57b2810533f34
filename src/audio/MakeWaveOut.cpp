#include "audio/MakeWaveOut.h"

#include "audio/NullOut.h"
#include "audio/PortAudioOut.h"

#include <cstdlib>
#include <string_view>

namespace sundrel::audio {

std::unique_ptr<WaveOut> MakeWaveOut() {
    const char* choice = std::getenv("SUNDREL_AUDIO");
    if (choice != nullptr && std::string_view(choice) == "null") {
        return std::make_unique<NullOut>();
    }
    return std::make_unique<PortAudioOut>();
}

} // namespace sundrel::audio
