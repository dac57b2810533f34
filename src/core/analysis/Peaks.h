#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace sundrel {

// The local maxima of `score` of at least `threshold`, highest first, each kept unless it lies
// closer than `minGap` to one already kept or to either end (index 0 or score.size()).
// Returns ascending positions. A plateau counts once, at its first entry.
std::vector<std::size_t> PickPeaks(std::span<const double> score, std::size_t minGap,
                                   double threshold);

} // namespace sundrel
