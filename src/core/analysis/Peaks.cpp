#include "core/analysis/Peaks.h"

#include <algorithm>

namespace sundrel {

namespace {

bool FarEnough(const std::vector<std::size_t>& kept, std::size_t at, std::size_t minGap) {
    return std::all_of(kept.begin(), kept.end(),
                       [&](std::size_t k) { return (k > at ? k - at : at - k) >= minGap; });
}

} // namespace

std::vector<std::size_t> PickPeaks(std::span<const double> score, std::size_t minGap,
                                   double threshold) {
    const std::size_t n = score.size();
    std::vector<std::size_t> kept;
    const auto inside = [&](std::size_t at) { return at >= minGap && at + minGap <= n; };
    std::vector<std::size_t> peaks;
    for (std::size_t t = 1; t + 1 < n; ++t) {
        if (score[t] >= threshold && score[t] > score[t - 1] && score[t] >= score[t + 1]) {
            peaks.push_back(t);
        }
    }
    std::stable_sort(peaks.begin(), peaks.end(),
                     [&](std::size_t a, std::size_t b) { return score[a] > score[b]; });
    for (const std::size_t at : peaks) {
        if (inside(at) && FarEnough(kept, at, minGap)) {
            kept.push_back(at);
        }
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

} // namespace sundrel
