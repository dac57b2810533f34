#pragma once

#include "core/view/TimeWindow.h"

#include <cstdint>

// The arithmetic of a zoomable window: pixels to seconds and back, zooming around a point,
// and windows of a given span held inside the mix. `duration` is the mix length in seconds;
// a duration that is not positive and finite counts as an empty mix (window {0, 0}).
namespace sundrel::view {

// The span of the window a mix opens with, and of "zoom to 2 s".
inline constexpr double kDefaultSpan = 2.0;

// The time at view x of a window `width` pixels wide (x = 0 is w.from, x = width is w.to).
// A width of 0 or less gives w.from.
double SecondsAtX(TimeWindow w, double x, int width);
// The view x of a time; the inverse of SecondsAtX. An empty window or width gives 0.
double XAtSeconds(TimeWindow w, double seconds, int width);

// The narrowest window: one sample every `pixelsPerSample` pixels across `width` pixels,
// and never less than one sample. A rate of 0 gives 1 ms.
double MinSpan(std::uint32_t sampleRate, int width, double pixelsPerSample = 16.0);

// A window of `span` seconds starting at `from`, moved (never resized, unless the mix is
// shorter than the span: then the whole mix) so it lies inside 0..duration.
TimeWindow ClampWindow(double from, double span, double duration);

// The whole mix.
TimeWindow FitWindow(double duration);

// A window of `span` seconds centred on `centre`, held inside the mix.
TimeWindow SpanAround(double centre, double span, double duration);

// The window zoomed by `factor` (> 1 zooms in: the span is divided by it) around
// `anchorSeconds`, which keeps its fraction of the window, so the time under the pointer
// stays under it. The span is held within [minSpan, duration] and the window inside the mix;
// a mix shorter than minSpan shows whole. A factor that is not positive and finite leaves
// the span as it is. An anchor outside the window counts as the nearer edge.
TimeWindow ZoomAround(TimeWindow w, double factor, double anchorSeconds, double duration,
                      double minSpan);

} // namespace sundrel::view
