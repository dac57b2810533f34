#pragma once

#include "core/analysis/StandardFeatures.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sundrel {

// The cost of taking hops [first, end) as one track: the negative log-likelihood (up to
// constants) of its features under one Gaussian per feature fitted to the segment,
//   n * sum_j weight_j * log(variance_j + floor).
// A boundary pays off where the two halves are each more uniform than their union: a track is
// a mixture of its sections, and its sections recur throughout it, while the next track's
// sound differs from all of them.
// Hops marked in `skip` (silence between tracks) belong to no track and count nowhere.
class SegmentCost {
  public:
    explicit SegmentCost(const StandardFeatures& features, std::span<const std::uint8_t> skip = {});
    double operator()(std::size_t first, std::size_t end) const;
    std::size_t Hops() const { return m_nHops; }

  private:
    std::size_t m_nHops;
    std::size_t m_nDims;
    std::vector<double> m_weight;
    std::vector<double> m_sum; // prefix sums, (hops + 1) rows
    std::vector<double> m_sq;
    std::vector<std::size_t> m_count; // hops counted, prefix
};

// Where the value for points i < j of p lies in a table that keeps only i < j, row by row:
// half the memory of a square one (a 2-hour mix has thousands of points).
inline std::size_t PairIndex(std::size_t i, std::size_t j, std::size_t p) {
    return i * (2 * p - i - 1) / 2 + (j - i - 1);
}

// The cost of every segment between two cut points (0, the candidates, the end), computed once
// for all: the segmentations read it, so that many settings of the bonuses, the prior and the
// penalty share one table (each cost sums a log over every feature).
class PointCosts {
  public:
    PointCosts(const SegmentCost& cost, std::span<const std::size_t> candidates);

    std::size_t Hops() const { return m_nHops; }
    // The cut points, ascending: 0, the candidates inside 1..hops-1, the end.
    const std::vector<std::size_t>& Points() const { return m_points; }
    // The index in Points() of the cut point at `hop`; Points().size() when there is none.
    std::size_t IndexOf(std::size_t hop) const;
    // The cost of the segment from point i to point j (i < j, indices of Points()).
    double At(std::size_t i, std::size_t j) const {
        return m_table[PairIndex(i, j, m_points.size())];
    }

  private:
    std::size_t m_nHops;
    std::vector<std::size_t> m_points;
    std::vector<double> m_table;
};

// A prior on track lengths: each track of n hops costs weight * log(n / meanHops)^2 more, so
// that the chosen boundaries keep lengths near the mean where the sound leaves the choice open.
// A zero weight (or mean) turns it off.
struct LengthPrior {
    double meanHops = 0.0;
    double weight = 0.0;

    double operator()(std::size_t hops) const;
};

// The boundaries (a subset of `candidates`, ascending hop indices inside 1..hops-1) of the
// segmentation of least total cost, with no segment shorter than `minGap` hops. `bonus[i]`
// (same length as candidates) is taken off the cost when candidate i is chosen: a silence
// between tracks is a boundary whatever the features say.

// With the count known: exactly `count` boundaries, or the most that fit when the candidates
// cannot hold that many `minGap` apart. Where count + 1 segments of minGap do not fit in the
// mix, the gap becomes half the mean track length.
std::vector<std::size_t> SegmentWithCount(const SegmentCost& cost,
                                          std::span<const std::size_t> candidates,
                                          std::span<const double> bonus, std::size_t count,
                                          std::size_t minGap, const LengthPrior& prior = {});
// The same from a table of costs; candidates that are not among its points are not cut at.
std::vector<std::size_t> SegmentWithCount(const PointCosts& costs,
                                          std::span<const std::size_t> candidates,
                                          std::span<const double> bonus, std::size_t count,
                                          std::size_t minGap, const LengthPrior& prior = {});

// With the count unknown: each boundary costs `penalty`, so one is taken only where it lowers
// the cost by more than that (penalized optimal partitioning).
std::vector<std::size_t> SegmentWithPenalty(const SegmentCost& cost,
                                            std::span<const std::size_t> candidates,
                                            std::span<const double> bonus, double penalty,
                                            std::size_t minGap);
std::vector<std::size_t> SegmentWithPenalty(const PointCosts& costs,
                                            std::span<const std::size_t> candidates,
                                            std::span<const double> bonus, double penalty,
                                            std::size_t minGap);

// What each boundary saves against merging its two neighbouring segments.
std::vector<double> BoundaryGains(const SegmentCost& cost, std::span<const std::size_t> boundaries);

// One place for a boundary between two fixed neighbours, and the cost of the two tracks it
// makes (their segment costs and length priors, less its bonus).
struct BoundaryPlace {
    std::size_t hop = 0;
    double cost = 0.0;
};

// Every candidate that could take the place of boundary `index` of `boundaries` with the other
// boundaries kept (at least `minGap` hops from both neighbours), cheapest first. The chosen
// boundary is among them unless it breaks the gap itself.
std::vector<BoundaryPlace> Placements(const SegmentCost& cost,
                                      std::span<const std::size_t> candidates,
                                      std::span<const double> bonus,
                                      std::span<const std::size_t> boundaries, std::size_t index,
                                      std::size_t minGap, const LengthPrior& prior = {});

} // namespace sundrel
