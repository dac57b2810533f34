#include "core/analysis/Novelty.h"

#include "core/analysis/Median.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace sundrel {

namespace {

constexpr std::array<double, 3> kScales{16.0, 32.0, 64.0};
constexpr double kSpreadFloor = 0.05; // in units of the standardized features' variance

} // namespace

std::span<const double> DefaultNoveltyScales() {
    return kScales;
}

std::vector<double> ComputeNovelty(const StandardFeatures& features,
                                   std::span<const double> scalesSeconds, double hopSeconds) {
    const std::size_t hops = features.hops;
    const std::size_t dims = features.Dims();
    std::vector<double> combined(hops, 0.0);
    if (hops < 4 || scalesSeconds.empty() || hopSeconds <= 0.0) {
        return combined;
    }
    const std::vector<double>& x = features.values;
    // Prefix sums of values and squares: window means and variances in O(1) per feature.
    std::vector<double> sum((hops + 1) * dims, 0.0);
    std::vector<double> sq((hops + 1) * dims, 0.0);
    for (std::size_t h = 0; h < hops; ++h) {
        for (std::size_t j = 0; j < dims; ++j) {
            const double v = x[h * dims + j];
            sum[(h + 1) * dims + j] = sum[h * dims + j] + v;
            sq[(h + 1) * dims + j] = sq[h * dims + j] + v * v;
        }
    }
    const double weightTotal = features.WeightTotal();
    for (const double seconds : scalesSeconds) {
        const auto scale =
            std::max<std::size_t>(2, static_cast<std::size_t>(std::lround(seconds / hopSeconds)));
        std::vector<double> curve(hops, 0.0);
        std::vector<double> interior;
        for (std::size_t t = 1; t < hops; ++t) {
            const std::size_t l = std::min({scale, t, hops - t});
            if (l < 2) {
                continue;
            }
            const auto n = static_cast<double>(l);
            double stat = 0.0;
            for (std::size_t j = 0; j < dims; ++j) {
                const double mb = (sum[t * dims + j] - sum[(t - l) * dims + j]) / n;
                const double ma = (sum[(t + l) * dims + j] - sum[t * dims + j]) / n;
                const double vb =
                    std::max(0.0, (sq[t * dims + j] - sq[(t - l) * dims + j]) / n - mb * mb);
                const double va =
                    std::max(0.0, (sq[(t + l) * dims + j] - sq[t * dims + j]) / n - ma * ma);
                const double d = ma - mb;
                stat += features.weight[j] * d * d / (va + vb + kSpreadFloor);
            }
            curve[t] = stat / weightTotal;
            if (l == scale) {
                interior.push_back(curve[t]);
            }
        }
        const double median = Median(interior.empty() ? curve : interior);
        for (std::size_t t = 0; t < hops; ++t) {
            combined[t] += (median > 0.0 ? curve[t] / median : curve[t]) /
                           static_cast<double>(scalesSeconds.size());
        }
    }
    return combined;
}

} // namespace sundrel
