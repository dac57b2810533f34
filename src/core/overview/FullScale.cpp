#include "core/overview/FullScale.h"

#include "core/audio/SampleReader.h"

#include <algorithm>
#include <vector>

namespace sundrel::overview {

void DecodeFullScale(std::span<const std::byte> data, const WaveFormat& format,
                     std::span<std::int16_t> out) {
    const SampleReader reader(data, format);
    // 8-bit elements come on a scale of 128, every other format on 32767 (see SampleReader).
    const std::int32_t factor = reader.Scale() == 128 ? 256 : 1;
    // Float clamps to [-1, 1] * 32767, symmetric, where the reader lets -32768 through.
    const std::int32_t lowest = format.IsFloat() ? -32767 : -32768;
    constexpr std::size_t kPiece = 4096;
    std::vector<std::int32_t> values(std::min(kPiece, out.size()));
    for (std::size_t done = 0; done < out.size();) {
        const std::size_t n = std::min(kPiece, out.size() - done);
        const std::span<std::int32_t> piece(values.data(), n);
        reader.Elements(static_cast<std::int64_t>(done), piece);
        for (std::size_t i = 0; i < n; ++i) {
            out[done + i] = static_cast<std::int16_t>(std::max(lowest, piece[i] * factor));
        }
        done += n;
    }
}

} // namespace sundrel::overview
