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

namespace {

// The unit vector of the mean of `dims` over the tile of `hopsPerTile` hops from each hop
// (hops - hopsPerTile + 1 rows of dims.size(); zero where every hop of the tile is skipped).
std::vector<double> UnitTiles(const StandardFeatures& features, std::span<const std::size_t> dims,
                              std::size_t hopsPerTile, std::span<const std::uint8_t> skip) {
    const std::size_t hops = features.hops;
    const std::size_t all = features.Dims();
    const std::size_t d = dims.size();
    // Prefix sums of the chosen columns: any tile's mean in O(d).
    std::vector<double> sum((hops + 1) * d, 0.0);
    for (std::size_t h = 0; h < hops; ++h) {
        const bool counted = h >= skip.size() || skip[h] == 0;
        for (std::size_t k = 0; k < d; ++k) {
            sum[(h + 1) * d + k] =
                sum[h * d + k] + (counted ? features.values[h * all + dims[k]] : 0.0);
        }
    }
    const std::size_t starts = hops + 1 - hopsPerTile;
    std::vector<double> unit(starts * d, 0.0);
    for (std::size_t first = 0; first < starts; ++first) {
        double* out = unit.data() + first * d;
        double norm = 0.0;
        for (std::size_t k = 0; k < d; ++k) {
            out[k] = sum[(first + hopsPerTile) * d + k] - sum[first * d + k];
            norm += out[k] * out[k];
        }
        norm = std::sqrt(norm);
        for (std::size_t k = 0; k < d; ++k) {
            out[k] = norm > 1e-12 ? out[k] / norm : 0.0;
        }
    }
    return unit;
}

// The checkerboard novelty at every hop with `gap` hops left out on each side: the tiles before
// t end at t - gap, those after it start at t + gap. Hops where fewer than two tiles fit a side
// are 0; `full` marks those where all `tiles` fit.
std::vector<double> Checkerboard(const std::vector<double>& unit, std::size_t d, std::size_t hops,
                                 std::size_t hopsPerTile, std::size_t tiles, std::size_t gap,
                                 std::vector<std::uint8_t>& full) {
    std::vector<double> curve(hops, 0.0);
    full.assign(hops, 0);
    const auto dot = [d](const double* a, const double* b) {
        double s = 0.0;
        for (std::size_t k = 0; k < d; ++k) {
            s += a[k] * b[k];
        }
        return s;
    };
    std::vector<const double*> before(tiles);
    std::vector<const double*> after(tiles);
    for (std::size_t t = gap + 1; t + gap < hops; ++t) {
        const std::size_t n =
            std::min({tiles, (t - gap) / hopsPerTile, (hops - t - gap) / hopsPerTile});
        if (n < kMinTiles) {
            continue;
        }
        // before[i] ends i tiles before t - gap, after[i] starts i tiles after t + gap.
        for (std::size_t i = 0; i < n; ++i) {
            before[i] = unit.data() + (t - gap - (i + 1) * hopsPerTile) * d;
            after[i] = unit.data() + (t + gap + i * hopsPerTile) * d;
        }
        double inside = 0.0;
        double across = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = i + 1; j < n; ++j) {
                inside += dot(before[i], before[j]) + dot(after[i], after[j]);
            }
            for (std::size_t j = 0; j < n; ++j) {
                across += dot(before[i], after[j]);
            }
        }
        const auto pairs = static_cast<double>(n * (n - 1)); // inside pairs, both sides
        const auto crossPairs = static_cast<double>(n * n);
        curve[t] = inside / pairs - across / crossPairs;
        full[t] = n == tiles ? 1 : 0;
    }
    return curve;
}

// The curve divided by its median where all tiles fit (over every hop if nowhere). A median
// below the floor means tiles that are alike nowhere or everywhere (noise, a steady tone): no
// sections to tell apart, and dividing by it would make every wobble a change.
void DivideByMedian(std::vector<double>& curve, const std::vector<std::uint8_t>& full) {
    std::vector<double> interior;
    for (std::size_t t = 0; t < curve.size(); ++t) {
        if (full[t]) {
            interior.push_back(curve[t]);
        }
    }
    const double median = Median(interior.empty() ? curve : interior);
    for (double& v : curve) {
        v = median >= kMedianFloor ? v / median : 0.0;
    }
}

bool Fits(const StandardFeatures& features, std::span<const std::size_t> dims,
          std::size_t hopsPerTile, std::size_t tiles) {
    return !dims.empty() && hopsPerTile > 0 && tiles >= kMinTiles &&
           features.hops >= 2 * kMinTiles * hopsPerTile;
}

} // namespace

std::vector<double> ComputeTileNovelty(const StandardFeatures& features,
                                       std::span<const std::size_t> dims, std::size_t hopsPerTile,
                                       std::size_t tiles, std::span<const std::uint8_t> skip) {
    if (!Fits(features, dims, hopsPerTile, tiles)) {
        return std::vector<double>(features.hops, 0.0);
    }
    const std::vector<double> unit = UnitTiles(features, dims, hopsPerTile, skip);
    std::vector<std::uint8_t> full;
    std::vector<double> curve =
        Checkerboard(unit, dims.size(), features.hops, hopsPerTile, tiles, 0, full);
    DivideByMedian(curve, full);
    return curve;
}

std::vector<double> ComputeBlendNovelty(const StandardFeatures& features,
                                        std::span<const std::size_t> dims, std::size_t hopsPerTile,
                                        std::size_t tiles, std::span<const std::size_t> gaps,
                                        std::span<const std::uint8_t> skip) {
    std::vector<double> curve(features.hops, 0.0);
    if (!Fits(features, dims, hopsPerTile, tiles) || gaps.empty()) {
        return curve;
    }
    const std::vector<double> unit = UnitTiles(features, dims, hopsPerTile, skip);
    std::vector<std::uint8_t> anyFull(features.hops, 0);
    std::vector<std::uint8_t> full;
    for (const std::size_t gap : gaps) {
        const std::vector<double> one =
            Checkerboard(unit, dims.size(), features.hops, hopsPerTile, tiles, gap, full);
        for (std::size_t t = 0; t < curve.size(); ++t) {
            curve[t] += one[t] / static_cast<double>(gaps.size());
            anyFull[t] = static_cast<std::uint8_t>(anyFull[t] | full[t]);
        }
    }
    DivideByMedian(curve, anyFull);
    return curve;
}

} // namespace sundrel
