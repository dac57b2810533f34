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
// blue. Music carries far more energy low than high, so the mid and high bands count
// kMidWeight and kHighWeight times their RMS before they are mixed. The mixture is as bright
// as a colour of the theme gets: on the light theme dark enough to stand out from a light
// background, on the dark theme light enough for a dark one. Silence gets grey.
inline constexpr double kMidWeight = 2.0;
inline constexpr double kHighWeight = 4.0;
Rgb BandColour(double low, double mid, double high, bool dark);

// `colour` mixed with `toward` by `share` (0: colour, 1: toward).
Rgb Blend(Rgb colour, Rgb toward, double share);

} // namespace sundrel::view
