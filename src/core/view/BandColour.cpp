#include "core/view/BandColour.h"

#include <algorithm>
#include <cmath>

namespace sundrel::view {

namespace {

std::uint8_t Channel(double v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

} // namespace

Rgb BandColour(double low, double mid, double high, bool dark) {
    const double l = std::max(low, 0.0);
    const double m = std::max(mid, 0.0) * kMidWeight;
    const double h = std::max(high, 0.0) * kHighWeight;
    const double strongest = std::max({l, m, h});
    if (!(strongest > 0.0) || !std::isfinite(strongest) || std::isnan(l + m + h)) {
        return dark ? Rgb{150, 150, 150} : Rgb{110, 110, 110};
    }
    // Each band's own hue, weighted by its share of the strongest: red, green and blue mix
    // into orange, yellow, teal or purple where two bands are both strong.
    const double red = (l / strongest) * (l / strongest);
    const double green = (m / strongest) * (m / strongest);
    const double blue = (h / strongest) * (h / strongest);
    const double top = dark ? 255.0 : 200.0;
    const double floor = dark ? 15.0 : 0.0;
    return {Channel(floor + (top - floor) * red), Channel(floor + (top - floor) * green),
            Channel(floor + (top - floor) * blue)};
}

Rgb Blend(Rgb colour, Rgb toward, double share) {
    const double s = std::clamp(share, 0.0, 1.0);
    const auto mix = [s](std::uint8_t a, std::uint8_t b) {
        return Channel(static_cast<double>(a) + (static_cast<double>(b) - a) * s);
    };
    return {mix(colour.r, toward.r), mix(colour.g, toward.g), mix(colour.b, toward.b)};
}

} // namespace sundrel::view
