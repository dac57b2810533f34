#pragma once

#include <cstdint>
#include <span>

namespace sundrel {

// Integrated loudness (EBU R 128 / ITU-R BS.1770, gated, in LUFS) of a mono signal of
// samples in [-1, 1] at `rate` Hz. -infinity for silence or a signal too short to measure.
// The only place core calls the loudness library.
double IntegratedLoudness(std::span<const float> mono, std::uint32_t rate);

} // namespace sundrel
