// Feeds arbitrary bytes to the chunk walk and, when a layout comes back, reads every sample
// element the layout promises: nothing may read outside the input.
#include "core/audio/SampleReader.h"
#include "core/riff/WaveLayout.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
    try {
        const sundrel::WaveLayout layout = sundrel::ReadWaveLayout(bytes);
        if (layout.dataOffset + layout.dataSize > size || layout.format.FrameSize() == 0) {
            std::abort();
        }
        const sundrel::SampleReader reader(bytes.subspan(layout.dataOffset, layout.dataSize),
                                           layout.format);
        std::int64_t sum = 0;
        for (std::int64_t i = 0; i < reader.ElementCount(); ++i) {
            sum += reader.Element(i);
        }
        if (sum == 1) {
            return 0;
        }
    } catch (const sundrel::WaveFormatError&) {
    }
    return 0;
}
