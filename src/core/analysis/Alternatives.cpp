#include "core/analysis/Alternatives.h"

namespace sundrel {

namespace {

constexpr double kShortestShareOfMean = 1.0 / 3.0;
constexpr double kLongestShareOfMean = 3.0;

} // namespace

Suggestion NextAlternative(const Suggestion& suggestion) {
    if (suggestion.alternatives.empty()) {
        return suggestion;
    }
    Suggestion next = suggestion;
    next.frame = suggestion.alternatives.front().frame;
    next.confidence = suggestion.alternatives.front().confidence;
    next.alternatives.erase(next.alternatives.begin());
    next.alternatives.push_back({suggestion.frame, suggestion.confidence});
    return next;
}

std::vector<bool> ImplausibleTrackLengths(std::span<const std::int64_t> boundaries,
                                          std::int64_t frames) {
    std::vector<bool> flags;
    if (frames <= 0) {
        return std::vector<bool>(boundaries.size() + 1, false);
    }
    const double mean = static_cast<double>(frames) / static_cast<double>(boundaries.size() + 1);
    std::int64_t previous = 0;
    for (std::size_t i = 0; i <= boundaries.size(); ++i) {
        const std::int64_t end = i < boundaries.size() ? boundaries[i] : frames;
        const auto length = static_cast<double>(end - previous);
        flags.push_back(length < kShortestShareOfMean * mean ||
                        length > kLongestShareOfMean * mean);
        previous = end;
    }
    return flags;
}

} // namespace sundrel
