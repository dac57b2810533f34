#pragma once

#include <cstdint>

namespace sundrel::overview {

// Minimum, maximum and RMS of a stretch of one channel, in 16-bit full scale (-32768..32767)
// whatever the mix's format: 8-bit data is (byte - 128) * 256, deeper formats keep their top
// 16 bits, float is scaled by 32767 and clamped.
struct Peak {
    std::int16_t min = 0;
    std::int16_t max = 0;
    std::uint16_t rms = 0;
};

} // namespace sundrel::overview
