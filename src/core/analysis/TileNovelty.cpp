#include "core/analysis/TileNovelty.h"

#include "core/analysis/Features.h"
#include "core/analysis/Median.h"

#include <algorithm>
#include <cmath>

namespace sundrel {

namespace {

constexpr std::size_t kMinTiles = 2;
// In units of cosine similarity; the development set's medians lie between 0.018 and 0.21.
constexpr double kMedianFloor = 0.015;

} // namespace

std::vector<std::size_t> TimbreColumns(const StandardFeatures& features) {
    // Standardize keeps the cepstral coefficients 1..12, then the 12 pitch classes, then the
    // level.
    std::vector<std::size_t> out;
    const std::size_t mfcc = FeatureTrack::kMfcc - 1;
    for (std::size_t j = 0; j < mfcc && j < features.Dims(); ++j) {
        out.push_back(j);
    }
    if (features.Dims() == mfcc + FeatureTrack::kChroma + 1) {
        out.push_back(features.Dims() - 1);
    }
    return out;
}

std::vector<std::size_t> ChromaColumns(const StandardFeatures& features) {
    std::vector<std::size_t> out;
    const std::size_t first = FeatureTrack::kMfcc - 1;
    for (std::size_t j = first; j < first + FeatureTrack::kChroma && j < features.Dims(); ++j) {
        out.push_back(j);
    }
    return out;
}

std::vector<double> ComputeTileNovelty(const StandardFeatures& features,
                                       std::span<const std::size_t> dims, std::size_t hopsPerTile,
                                       std::size_t tiles, std::span<const std::uint8_t> skip) {
    const std::size_t hops = features.hops;
    const std::size_t all = features.Dims();
    const std::size_t d = dims.size();
    std::vector<double> curve(hops, 0.0);
    if (d == 0 || hopsPerTile == 0 || tiles < kMinTiles || hops < 2 * kMinTiles * hopsPerTile) {
        return curve;
    }
    // Prefix sums of the chosen columns: any tile's mean in O(d).
    std::vector<double> sum((hops + 1) * d, 0.0);
    for (std::size_t h = 0; h < hops; ++h) {
        const bool counted = h >= skip.size() || skip[h] == 0;
        for (std::size_t k = 0; k < d; ++k) {
            sum[(h + 1) * d + k] =
                sum[h * d + k] + (counted ? features.values[h * all + dims[k]] : 0.0);
        }
    }
    // Unit vectors of the tiles around t: before[i] ends i tiles before t, after[i] starts i
    // tiles after it.
    std::vector<double> unit(2 * tiles * d, 0.0);
    const auto tileAt = [&](std::size_t first, double* out) {
        double norm = 0.0;
        for (std::size_t k = 0; k < d; ++k) {
            out[k] = sum[(first + hopsPerTile) * d + k] - sum[first * d + k];
            norm += out[k] * out[k];
        }
        norm = std::sqrt(norm);
        for (std::size_t k = 0; k < d; ++k) {
            out[k] = norm > 1e-12 ? out[k] / norm : 0.0;
        }
    };
    const auto dot = [d](const double* a, const double* b) {
        double s = 0.0;
        for (std::size_t k = 0; k < d; ++k) {
            s += a[k] * b[k];
        }
        return s;
    };
    std::vector<double> interior;
    for (std::size_t t = 1; t < hops; ++t) {
        const std::size_t n = std::min({tiles, t / hopsPerTile, (hops - t) / hopsPerTile});
        if (n < kMinTiles) {
            continue;
        }
        double* before = unit.data();
        double* after = unit.data() + tiles * d;
        for (std::size_t i = 0; i < n; ++i) {
            tileAt(t - (i + 1) * hopsPerTile, before + i * d);
            tileAt(t + i * hopsPerTile, after + i * d);
        }
        double inside = 0.0;
        double across = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = i + 1; j < n; ++j) {
                inside += dot(before + i * d, before + j * d) + dot(after + i * d, after + j * d);
            }
            for (std::size_t j = 0; j < n; ++j) {
                across += dot(before + i * d, after + j * d);
            }
        }
        const auto pairs = static_cast<double>(n * (n - 1)); // inside pairs, both sides
        const auto crossPairs = static_cast<double>(n * n);
        curve[t] = inside / pairs - across / crossPairs;
        if (n == tiles) {
            interior.push_back(curve[t]);
        }
    }
    // A median below the floor means tiles that are alike nowhere or everywhere (noise, a
    // steady tone): no sections to tell apart, and dividing by it would make every wobble a
    // change.
    const double median = Median(interior.empty() ? curve : interior);
    for (double& v : curve) {
        v = median >= kMedianFloor ? v / median : 0.0;
    }
    return curve;
}

} // namespace sundrel
