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
constexpr std::array<Point, 4> kTransitionKnown{
    {{0.311, 0.276}, {0.583, 0.590}, {0.870, 0.721}, {0.980, 0.721}}};
constexpr std::array<Point, 6> kTransitionUnknown{
    {{0.233, 0.0}, {0.359, 0.284}, {0.594, 0.358}, {0.744, 0.439}, {0.778, 0.439}, {0.863, 0.649}}};
constexpr std::array<Point, 1> kSilenceKnown{{{0.696, 0.923}}};
constexpr std::array<Point, 4> kSilenceUnknown{
    {{0.578, 0.0}, {0.591, 0.211}, {0.678, 0.785}, {0.867, 0.800}}};

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
