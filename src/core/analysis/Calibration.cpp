#include "core/analysis/Calibration.h"

#include <algorithm>
#include <array>
#include <span>
#include <utility>

namespace sundrel {

namespace {

using Point = std::pair<double, double>; // score, confidence

// Fitted by scripts/eval-suggest on the development set (isotonic fit of "within 10 s" over the
// score, every package pooled, count known and unknown), rounded. Between knots the confidence
// is interpolated; outside them it is the nearest knot's.
constexpr std::array<Point, 2> kTransition{{{0.025, 0.618}, {0.116, 0.623}}};
constexpr std::array<Point, 4> kSilence{
    {{0.578, 0.0}, {0.590, 0.667}, {0.676, 0.95}, {0.867, 1.0}}};

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

double CalibratedConfidence(SuggestionKind kind, double score) {
    const double s = std::clamp(score, 0.0, 1.0);
    return kind == SuggestionKind::Silence ? Interpolate(kSilence, s) : Interpolate(kTransition, s);
}

} // namespace sundrel
