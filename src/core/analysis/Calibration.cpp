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
// and unknown apart, each block at the lower end of its share's interval, lowered where the
// fit promised more than a package it had not seen gave), rounded. Between knots the
// confidence is interpolated; outside them it is the nearest knot's.
constexpr std::array<Point, 4> kTransitionKnown{
    {{0.498, 0.554}, {0.852, 0.750}, {0.863, 0.750}, {0.876, 0.750}}};
constexpr std::array<Point, 4> kTransitionUnknown{
    {{0.435, 0.584}, {0.666, 0.619}, {0.684, 0.619}, {0.766, 0.619}}};
constexpr std::array<Point, 1> kSilenceKnown{{{0.721, 0.933}}};
constexpr std::array<Point, 1> kSilenceUnknown{{{0.708, 0.793}}};

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
