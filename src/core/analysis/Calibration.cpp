#include "core/analysis/Calibration.h"

#include <algorithm>
#include <array>
#include <span>
#include <utility>

namespace sundrel {

namespace {

using Point = std::pair<double, double>; // score, confidence

// Fitted by scripts/eval-suggest on the development set with the constants built in (isotonic
// fit of "within 10 s" over the score, every package pooled, each kind with the count known
// and unknown apart, each block at the lower end of its share's interval), rounded. Between
// knots the confidence is interpolated; outside them it is the nearest knot's.
constexpr std::array<Point, 6> kTransitionKnown{
    {{0.222, 0.0}, {0.335, 0.211}, {0.601, 0.509}, {0.772, 0.697}, {0.893, 0.743}, {0.976, 0.743}}};
constexpr std::array<Point, 6> kTransitionUnknown{
    {{0.002, 0.0}, {0.217, 0.267}, {0.440, 0.491}, {0.580, 0.491}, {0.656, 0.517}, {0.834, 0.607}}};
constexpr std::array<Point, 1> kSilenceKnown{{{0.721, 0.933}}};
constexpr std::array<Point, 3> kSilenceUnknown{{{0.578, 0.0}, {0.669, 0.816}, {0.867, 0.816}}};

double Interpolate(std::span<const Point> table, double score) {
    if (score <= table.front().first) {
        return table.front().second;
    }
    for (std::size_t i = 1; i < table.size(); ++i) {
        if (score <= table[i].first) {
            const auto [x0, y0] = table[i - 1];
            const auto [x1, y1] = table[i];
            return x1 > x0 ? y0 + (y1 - y0) * (score - x0) / (x1 - x0) : y1;
        }
    }
    return table.back().second;
}

} // namespace

double CalibratedConfidence(SuggestionKind kind, double score, bool countKnown) {
    const double s = std::clamp(score, 0.0, 1.0);
    if (kind == SuggestionKind::Silence) {
        return countKnown ? Interpolate(kSilenceKnown, s) : Interpolate(kSilenceUnknown, s);
    }
    return countKnown ? Interpolate(kTransitionKnown, s) : Interpolate(kTransitionUnknown, s);
}

} // namespace sundrel
