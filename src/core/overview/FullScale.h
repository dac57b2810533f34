#pragma once

#include "core/riff/WaveLayout.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace sundrel::overview {

// Decodes the sample elements in `data` (whole elements of `format`) into 16-bit full scale,
// as Peak describes: the common scale of SampleReader, with 8-bit steps widened by 256.
// `out` must hold one value per element.
void DecodeFullScale(std::span<const std::byte> data, const WaveFormat& format,
                     std::span<std::int16_t> out);

} // namespace sundrel::overview
