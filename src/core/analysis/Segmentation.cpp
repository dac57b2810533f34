#include "core/analysis/Segmentation.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sundrel {

namespace {

// In units of the standardized features' variance: a track's own spread is rarely below it,
// so steady stretches do not make every small change look like a new track.
constexpr double kVarianceFloor = 0.25;
constexpr double kInf = std::numeric_limits<double>::infinity();

// The points a segmentation may cut at: 0, the candidates, the end.
std::vector<std::size_t> CutPoints(std::span<const std::size_t> candidates, std::size_t hops) {
    std::vector<std::size_t> points{0};
    for (const std::size_t c : candidates) {
        if (c > points.back() && c < hops) {
            points.push_back(c);
        }
    }
    points.push_back(hops);
    return points;
}

// The indices in the table of the cut points of `candidates` it holds: 0, those, the end.
std::vector<std::size_t> TableIndices(const PointCosts& costs,
                                      std::span<const std::size_t> candidates) {
    const std::vector<std::size_t> points = CutPoints(candidates, costs.Hops());
    std::vector<std::size_t> indices;
    for (const std::size_t hop : points) {
        const std::size_t i = costs.IndexOf(hop);
        if (i < costs.Points().size()) {
            indices.push_back(i);
        }
    }
    return indices;
}

// The bonus of each point (0 for the two ends).
std::vector<double> PointBonus(std::span<const std::size_t> candidates,
                               std::span<const double> bonus,
                               const std::vector<std::size_t>& points) {
    std::vector<double> out(points.size(), 0.0);
    for (std::size_t i = 0; i < candidates.size() && i < bonus.size(); ++i) {
        const auto it = std::lower_bound(points.begin() + 1, points.end() - 1, candidates[i]);
        if (it != points.end() - 1 && *it == candidates[i]) {
            out[static_cast<std::size_t>(it - points.begin())] = bonus[i];
        }
    }
    return out;
}

} // namespace

PointCosts::PointCosts(const SegmentCost& cost, std::span<const std::size_t> candidates)
    : m_nHops(cost.Hops()), m_points(CutPoints(candidates, cost.Hops())),
      m_table(m_points.size() * (m_points.size() - 1) / 2, 0.0) {
    const std::size_t p = m_points.size();
    for (std::size_t i = 0; i < p; ++i) {
        for (std::size_t j = i + 1; j < p; ++j) {
            m_table[PairIndex(i, j, p)] = cost(m_points[i], m_points[j]);
        }
    }
}

std::size_t PointCosts::IndexOf(std::size_t hop) const {
    const auto it = std::lower_bound(m_points.begin(), m_points.end(), hop);
    return it != m_points.end() && *it == hop ? static_cast<std::size_t>(it - m_points.begin())
                                              : m_points.size();
}

double LengthPrior::operator()(std::size_t hops) const {
    if (weight <= 0.0 || meanHops <= 0.0 || hops == 0) {
        return 0.0;
    }
    const double ratio = std::log(static_cast<double>(hops) / meanHops);
    return weight * ratio * ratio;
}

SegmentCost::SegmentCost(const StandardFeatures& features, std::span<const std::uint8_t> skip)
    : m_nHops(features.hops), m_nDims(features.Dims()), m_weight(features.weight),
      m_sum((features.hops + 1) * features.Dims(), 0.0),
      m_sq((features.hops + 1) * features.Dims(), 0.0), m_count(features.hops + 1, 0) {
    for (std::size_t h = 0; h < m_nHops; ++h) {
        const bool skipped = h < skip.size() && skip[h];
        m_count[h + 1] = m_count[h] + (skipped ? 0 : 1);
        for (std::size_t j = 0; j < m_nDims; ++j) {
            const double v = skipped ? 0.0 : features.values[h * m_nDims + j];
            m_sum[(h + 1) * m_nDims + j] = m_sum[h * m_nDims + j] + v;
            m_sq[(h + 1) * m_nDims + j] = m_sq[h * m_nDims + j] + v * v;
        }
    }
}

double SegmentCost::operator()(std::size_t first, std::size_t end) const {
    if (end <= first || m_count[end] == m_count[first]) {
        return 0.0;
    }
    const auto n = static_cast<double>(m_count[end] - m_count[first]);
    double total = 0.0;
    for (std::size_t j = 0; j < m_nDims; ++j) {
        const double mean = (m_sum[end * m_nDims + j] - m_sum[first * m_nDims + j]) / n;
        const double var =
            std::max(0.0, (m_sq[end * m_nDims + j] - m_sq[first * m_nDims + j]) / n - mean * mean);
        total += m_weight[j] * std::log(var + kVarianceFloor);
    }
    return n * total;
}

std::vector<std::size_t> SegmentWithCount(const SegmentCost& cost,
                                          std::span<const std::size_t> candidates,
                                          std::span<const double> bonus, std::size_t count,
                                          std::size_t minGap, const LengthPrior& prior) {
    return SegmentWithCount(PointCosts(cost, candidates), candidates, bonus, count, minGap, prior);
}

std::vector<std::size_t> SegmentWithCount(const PointCosts& costs,
                                          std::span<const std::size_t> candidates,
                                          std::span<const double> bonus, std::size_t count,
                                          std::size_t minGap, const LengthPrior& prior) {
    const std::size_t hops = costs.Hops();
    if (count == 0 || hops < 2) {
        return {};
    }
    const std::size_t gap =
        std::max<std::size_t>(1, minGap * (count + 1) <= hops ? minGap : hops / (count + 1) / 2);
    const std::vector<std::size_t> index = TableIndices(costs, candidates);
    std::vector<std::size_t> points;
    for (const std::size_t i : index) {
        points.push_back(costs.Points()[i]);
    }
    const std::size_t p = points.size();
    // Segment costs between every two points at least `gap` apart (infinity otherwise).
    std::vector<double> pair(p * (p - 1) / 2, kInf);
    for (std::size_t i = 0; i < p; ++i) {
        for (std::size_t j = i + 1; j < p; ++j) {
            if (points[j] - points[i] >= gap) {
                pair[PairIndex(i, j, p)] =
                    costs.At(index[i], index[j]) + prior(points[j] - points[i]);
            }
        }
    }
    const std::vector<double> gain = PointBonus(candidates, bonus, points);
    // best[k][j]: least cost of k + 1 segments covering hops up to points[j].
    std::vector<std::vector<double>> best;
    std::vector<std::vector<std::size_t>> from;
    best.emplace_back(p, kInf);
    from.emplace_back(p, 0);
    for (std::size_t j = 1; j < p; ++j) {
        best[0][j] = pair[PairIndex(0, j, p)] - (j + 1 < p ? gain[j] : 0.0);
    }
    for (std::size_t k = 1; k <= count; ++k) {
        best.emplace_back(p, kInf);
        from.emplace_back(p, 0);
        for (std::size_t j = 1; j < p; ++j) {
            for (std::size_t i = 1; i < j; ++i) {
                const double c = best[k - 1][i] + pair[PairIndex(i, j, p)];
                if (c < best[k][j]) {
                    best[k][j] = c;
                    from[k][j] = i;
                }
            }
            if (j + 1 < p) {
                best[k][j] -= gain[j];
            }
        }
    }
    // The most boundaries up to `count` that a segmentation can hold.
    std::size_t k = count;
    while (k > 0 && best[k][p - 1] == kInf) {
        --k;
    }
    std::vector<std::size_t> chosen;
    std::size_t j = p - 1;
    for (; k > 0; --k) {
        j = from[k][j];
        chosen.push_back(points[j]);
    }
    std::reverse(chosen.begin(), chosen.end());
    return chosen;
}

std::vector<std::size_t> SegmentWithPenalty(const SegmentCost& cost,
                                            std::span<const std::size_t> candidates,
                                            std::span<const double> bonus, double penalty,
                                            std::size_t minGap) {
    return SegmentWithPenalty(PointCosts(cost, candidates), candidates, bonus, penalty, minGap);
}

std::vector<std::size_t> SegmentWithPenalty(const PointCosts& costs,
                                            std::span<const std::size_t> candidates,
                                            std::span<const double> bonus, double penalty,
                                            std::size_t minGap) {
    const std::size_t hops = costs.Hops();
    if (hops < 2) {
        return {};
    }
    const std::vector<std::size_t> index = TableIndices(costs, candidates);
    std::vector<std::size_t> points;
    for (const std::size_t i : index) {
        points.push_back(costs.Points()[i]);
    }
    const std::size_t p = points.size();
    const std::size_t gap = std::max<std::size_t>(1, minGap);
    const std::vector<double> gain = PointBonus(candidates, bonus, points);
    std::vector<double> best(p, kInf);
    std::vector<std::size_t> from(p, 0);
    best[0] = 0.0;
    for (std::size_t j = 1; j < p; ++j) {
        const double cut = j + 1 < p ? penalty - gain[j] : 0.0;
        for (std::size_t i = 0; i < j; ++i) {
            if (best[i] == kInf || points[j] - points[i] < gap) {
                continue;
            }
            const double c = best[i] + costs.At(index[i], index[j]) + cut;
            if (c < best[j]) {
                best[j] = c;
                from[j] = i;
            }
        }
    }
    std::vector<std::size_t> chosen;
    if (best[p - 1] == kInf) {
        return chosen; // the mix is shorter than two tracks
    }
    for (std::size_t j = from[p - 1]; j > 0; j = from[j]) {
        chosen.push_back(points[j]);
    }
    std::reverse(chosen.begin(), chosen.end());
    return chosen;
}

std::vector<double> BoundaryGains(const SegmentCost& cost,
                                  std::span<const std::size_t> boundaries) {
    std::vector<double> gains;
    for (std::size_t i = 0; i < boundaries.size(); ++i) {
        const std::size_t prev = i == 0 ? 0 : boundaries[i - 1];
        const std::size_t next = i + 1 == boundaries.size() ? cost.Hops() : boundaries[i + 1];
        gains.push_back(cost(prev, next) - cost(prev, boundaries[i]) - cost(boundaries[i], next));
    }
    return gains;
}

std::vector<BoundaryPlace> Placements(const SegmentCost& cost,
                                      std::span<const std::size_t> candidates,
                                      std::span<const double> bonus,
                                      std::span<const std::size_t> boundaries, std::size_t index,
                                      std::size_t minGap, const LengthPrior& prior) {
    std::vector<BoundaryPlace> out;
    if (index >= boundaries.size()) {
        return out;
    }
    const std::size_t prev = index == 0 ? 0 : boundaries[index - 1];
    const std::size_t next = index + 1 == boundaries.size() ? cost.Hops() : boundaries[index + 1];
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const std::size_t c = candidates[i];
        if (c < prev + minGap || c + minGap > next) {
            continue;
        }
        const double b = i < bonus.size() ? bonus[i] : 0.0;
        out.push_back({c, cost(prev, c) + cost(c, next) + prior(c - prev) + prior(next - c) - b});
    }
    std::stable_sort(out.begin(), out.end(), [](const BoundaryPlace& a, const BoundaryPlace& b) {
        return a.cost < b.cost;
    });
    return out;
}

} // namespace sundrel
