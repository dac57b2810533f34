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

// The RMS of the mono sum (the mean of the channels) of a stretch in its low (below about
// 200 Hz), mid and high (above about 2 kHz) bands, in the same full scale. The squares of the
// three add up to the square of the mono sum's RMS.
struct Bands {
    std::uint16_t low = 0;
    std::uint16_t mid = 0;
    std::uint16_t high = 0;
};

} // namespace sundrel::overview
