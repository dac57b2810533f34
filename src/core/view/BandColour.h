#pragma once

#include <cstdint>

namespace sundrel::view {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

// The colour of a stretch of the waveform coloured by frequency, from the RMS of its low, mid
// and high bands: red for bass, green for mids, blue for highs, mixed by their share, so a
// kick or bass line shows red to orange, vocals and leads green, hats and cymbals turn it
// blue. Music carries more energy low than high (in the test mixes the mid band's RMS is
// typically 0.4-1.2 of the low band's, the high band's 0.12-0.5), so the mid and high bands
// count kMidWeight and kHighWeight times their RMS. Each band's share of the strongest is
// squared, so that the strongest band sets the hue and mixtures stay readable. The colour is
// as bright as the theme allows: on the light theme dark enough to stand out from a light
// background, on the dark theme light enough for a dark one. Silence gets grey.
inline constexpr double kMidWeight = 1.5;
inline constexpr double kHighWeight = 2.5;
Rgb BandColour(double low, double mid, double high, bool dark);

// `colour` mixed with `toward` by `share` (0: colour, 1: toward).
Rgb Blend(Rgb colour, Rgb toward, double share);

} // namespace sundrel::view
