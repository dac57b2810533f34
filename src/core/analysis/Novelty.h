#pragma once

#include "core/analysis/StandardFeatures.h"

#include <span>
#include <vector>

namespace sundrel {

// How much the sound changes at each hop boundary of a mix, combined over several time scales.
//
// At each scale of L hops, the L hops before boundary t are compared with the L hops after it,
// feature by feature: the squared difference of the two windows' means over the sum of their
// variances (plus a small floor), weighted per feature. This is the checkerboard-kernel novelty
// of a self-similarity matrix in a form that needs no matrix: for a box kernel and a
// dot-product similarity the kernel sum equals the squared distance between the two windows'
// means; dividing by the windows' own spread makes a track that varies a lot inside no more
// novel than a steady one. Each scale's curve is divided by its median so that no scale
// dominates, and the scales are averaged. Entry t is the boundary before hop t (0 at t = 0).
std::vector<double> ComputeNovelty(const StandardFeatures& features,
                                   std::span<const double> scalesSeconds, double hopSeconds);

// The scales the suggestions use: 16, 32 and 64 seconds.
std::span<const double> DefaultNoveltyScales();

} // namespace sundrel
