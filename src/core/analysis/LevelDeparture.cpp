#include "core/analysis/LevelDeparture.h"

#include <algorithm>

namespace sundrel {

std::vector<double> ComputeLevelDeparture(std::span<const double> level,
                                          std::span<const std::size_t> halfWidths,
                                          std::size_t sideHops,
                                          std::span<const std::uint8_t> skip) {
    const std::size_t hops = level.size();
    std::vector<double> curve(hops, 0.0);
    // Prefix sums of the counted levels and of how many hops were counted.
    std::vector<double> sum(hops + 1, 0.0);
    std::vector<std::size_t> count(hops + 1, 0);
    for (std::size_t h = 0; h < hops; ++h) {
        const bool counted = h >= skip.size() || skip[h] == 0;
        sum[h + 1] = sum[h] + (counted ? level[h] : 0.0);
        count[h + 1] = count[h] + (counted ? 1 : 0);
    }
    const auto mean = [&](std::size_t first, std::size_t end, double& out) {
        const std::size_t n = count[end] - count[first];
        if (n == 0) {
            return false;
        }
        out = (sum[end] - sum[first]) / static_cast<double>(n);
        return true;
    };
    for (std::size_t t = 0; t < hops; ++t) {
        double total = 0.0;
        std::size_t used = 0;
        for (const std::size_t w : halfWidths) {
            if (w == 0 || t < w + sideHops || t + w + sideHops > hops) {
                continue;
            }
            double inside = 0.0;
            double before = 0.0;
            double after = 0.0;
            if (!mean(t - w, t + w, inside) || !mean(t - w - sideHops, t - w, before) ||
                !mean(t + w, t + w + sideHops, after)) {
                ++used;
                continue;
            }
            // Louder or quieter than both sides: the smaller of the two departures. A step from
            // one level to another (the next track plays louder) is neither.
            const double up = std::min(inside - before, inside - after);
            const double down = std::min(before - inside, after - inside);
            total += std::max({0.0, up, down});
            ++used;
        }
        curve[t] = used ? total / static_cast<double>(used) : 0.0;
    }
    return curve;
}

} // namespace sundrel
