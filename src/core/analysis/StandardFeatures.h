#pragma once

#include "core/analysis/Features.h"

#include <cstddef>
#include <vector>

namespace sundrel {

// The features that the novelty and the segmentation compare: each standardized over the
// whole mix (zero mean, unit variance, held to +-4), with a weight per feature so that each
// group (timbre, pitch classes, level) counts once. The first cepstral coefficient is left
// out: it follows the level, which has its own entry.
struct StandardFeatures {
    std::vector<double> values; // hops rows of Dims()
    std::vector<double> weight; // per feature
    std::size_t hops = 0;

    std::size_t Dims() const { return weight.size(); }
    double WeightTotal() const;
};

StandardFeatures Standardize(const FeatureTrack& features);

} // namespace sundrel
