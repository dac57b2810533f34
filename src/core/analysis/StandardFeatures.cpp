#include "core/analysis/StandardFeatures.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace sundrel {

namespace {
constexpr double kClip = 4.0;
} // namespace

double StandardFeatures::WeightTotal() const {
    return std::accumulate(weight.begin(), weight.end(), 0.0);
}

StandardFeatures Standardize(const FeatureTrack& f) {
    StandardFeatures out;
    out.hops = f.Hops();
    std::vector<std::size_t> keep;
    for (std::size_t d = 1; d < FeatureTrack::kMfcc; ++d) {
        keep.push_back(d);
        out.weight.push_back(1.0 / static_cast<double>(FeatureTrack::kMfcc - 1));
    }
    for (std::size_t c = 0; c < FeatureTrack::kChroma; ++c) {
        keep.push_back(FeatureTrack::kMfcc + c);
        out.weight.push_back(1.0 / static_cast<double>(FeatureTrack::kChroma));
    }
    keep.push_back(FeatureTrack::kLevel);
    out.weight.push_back(1.0);
    const std::size_t dims = keep.size();
    out.values.assign(out.hops * dims, 0.0);
    for (std::size_t j = 0; j < dims; ++j) {
        double sum = 0.0;
        double squares = 0.0;
        for (std::size_t h = 0; h < out.hops; ++h) {
            const double v = f.Row(h)[keep[j]];
            sum += v;
            squares += v * v;
        }
        const auto n = static_cast<double>(std::max<std::size_t>(1, out.hops));
        const double mean = sum / n;
        const double sd = std::sqrt(std::max(0.0, squares / n - mean * mean));
        for (std::size_t h = 0; h < out.hops; ++h) {
            const double z = sd > 1e-9 ? (f.Row(h)[keep[j]] - mean) / sd : 0.0;
            out.values[h * dims + j] = std::clamp(z, -kClip, kClip);
        }
    }
    return out;
}

} // namespace sundrel
