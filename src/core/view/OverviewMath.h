#pragma once

#include "core/view/TimeWindow.h"

#include <utility>

// The strip that shows the whole mix across `width` pixels: x to time, and the band that
// marks the visible window.
namespace sundrel::view {

// The time at strip x, held within 0..duration (0 for an empty strip or mix).
double OverviewSeconds(double x, int width, double duration);

// The left and right x of window w on the strip, at least 2 pixels wide (so it stays
// visible on a long mix) and held within 0..width. An empty mix gives {0, 0}.
std::pair<double, double> OverviewBand(TimeWindow w, int width, double duration);

} // namespace sundrel::view
