#pragma once

#include "core/view/TimeWindow.h"

#include <string>
#include <vector>

// The ticks of a time ruler over a window of any span, from microseconds to hours.
namespace sundrel::view {

struct Tick {
    double x = 0.0;     // view x, within 0..width
    bool major = false; // a long tick; labelled unless its label would crowd a neighbour's
    std::string label;  // the tick's time: "h:mm:ss" for steps of whole seconds, otherwise
                        // with as many decimals as the step needs ("h:mm:ss.mmm" down to 1 ms)
};

// The ticks of window w over `width` pixels, ascending. The labelled step is the smallest
// "nice" step (1-2-5 below a second; 1, 2, 5, 10, 15, 30 s; 1, 2, 5, 10, 15, 30 min; 1, 2, 3,
// 6, 12, 24 h, then whole days) whose ticks lie at least `minLabelGapPx` apart: pass the
// widest label's width plus some spacing. Minor ticks divide the step where they stay at
// least 4 pixels apart. A label whose box (minLabelGapPx wide, placed by LabelLeft) would
// overlap the previous label's, or the last major tick's, is left empty: labels kept never
// overlap once placed, the last major is always labelled and the first whenever it clears it.
std::vector<Tick> RulerTicksFor(TimeWindow w, int width, int minLabelGapPx);

// The left x of a label `textWidth` wide centred on tick x, moved to stay inside 0..width
// (0 when the text is wider than the view).
double LabelLeft(double x, double textWidth, int width);

} // namespace sundrel::view
