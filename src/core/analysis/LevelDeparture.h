#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sundrel {

// How far the level around each hop stands above or below the level on both sides of it: for
// each half-width w of `halfWidths` (in hops), the mean of `level` over [t - w, t + w) against
// its means over the `sideHops` hops before and after that, the smaller of the two differences
// where both have the same sign (0 otherwise: a step from one level to the next is no
// departure); averaged over the half-widths. While two tracks overlap the mix is louder than either
// (both near full level) or quieter (a linear crossfade dips in its middle) for the length of the
// overlap, so the curve peaks at the overlap's middle, whatever its length among the half-widths.
// Hops marked in `skip` (silence) count nowhere; a window with no hop counted on a side contributes
// nothing. Near the ends, half-widths that do not fit are left out of the mean.
std::vector<double> ComputeLevelDeparture(std::span<const double> level,
                                          std::span<const std::size_t> halfWidths,
                                          std::size_t sideHops,
                                          std::span<const std::uint8_t> skip = {});

} // namespace sundrel
