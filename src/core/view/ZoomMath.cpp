#include "core/view/ZoomMath.h"

#include <algorithm>
#include <cmath>

namespace sundrel::view {

namespace {

bool IsMix(double duration) {
    return duration > 0.0 && std::isfinite(duration);
}

} // namespace

double SecondsAtX(TimeWindow w, double x, int width) {
    if (width <= 0) {
        return w.from;
    }
    return w.from + (w.to - w.from) * x / static_cast<double>(width);
}

double XAtSeconds(TimeWindow w, double seconds, int width) {
    const double span = w.to - w.from;
    if (width <= 0 || !(span > 0.0)) {
        return 0.0;
    }
    return (seconds - w.from) / span * static_cast<double>(width);
}

double MinSpan(std::uint32_t sampleRate, int width, double pixelsPerSample) {
    if (sampleRate == 0) {
        return 0.001;
    }
    const double perSample = pixelsPerSample > 0.0 ? pixelsPerSample : 1.0;
    const double samples = std::max(1.0, static_cast<double>(width) / perSample);
    return samples / static_cast<double>(sampleRate);
}

TimeWindow ClampWindow(double from, double span, double duration) {
    if (!IsMix(duration)) {
        return {};
    }
    if (!(span > 0.0) || span >= duration) {
        return {0.0, duration};
    }
    if (!(from > 0.0)) {
        return {0.0, span};
    }
    if (!(from < duration - span)) {
        // Ends exactly at the mix end, whatever the rounding of from + span.
        return {duration - span, duration};
    }
    return {from, from + span};
}

TimeWindow FitWindow(double duration) {
    return IsMix(duration) ? TimeWindow{0.0, duration} : TimeWindow{};
}

TimeWindow SpanAround(double centre, double span, double duration) {
    return ClampWindow(centre - span / 2.0, span, duration);
}

TimeWindow ZoomAround(TimeWindow w, double factor, double anchorSeconds, double duration,
                      double minSpan) {
    if (!IsMix(duration)) {
        return {};
    }
    double span = w.to - w.from;
    if (!(span > 0.0) || !std::isfinite(span)) {
        return FitWindow(duration);
    }
    const double fraction =
        std::isfinite(anchorSeconds) ? std::clamp((anchorSeconds - w.from) / span, 0.0, 1.0) : 0.5;
    const double anchor = w.from + fraction * span;
    if (factor > 0.0 && std::isfinite(factor)) {
        span /= factor;
    }
    span = std::clamp(span, std::min(minSpan, duration), duration);
    return ClampWindow(anchor - fraction * span, span, duration);
}

} // namespace sundrel::view
