#include "core/view/BandColour.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

using sundrel::view::BandColour;
using sundrel::view::Blend;
using sundrel::view::Rgb;

int Lightness(Rgb c) {
    return (c.r + c.g + c.b) / 3;
}

TEST(BandColour, EachBandHasItsHueAndMixesReadAsMixes) {
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        const Rgb bass = BandColour(8000, 300, 50, dark);
        EXPECT_GT(bass.r, 2 * bass.g);
        EXPECT_GT(bass.r, 2 * bass.b);
        const Rgb voice = BandColour(500, 3000, 200, dark);
        EXPECT_GT(voice.g, 2 * voice.r);
        EXPECT_GT(voice.g, 2 * voice.b);
        const Rgb hats = BandColour(100, 200, 2000, dark);
        EXPECT_GT(hats.b, 2 * hats.r);
        EXPECT_GT(hats.b, 2 * hats.g);
        // A kick under hats: red and blue both strong.
        const Rgb both = BandColour(8000, 500, 3200, dark);
        EXPECT_GT(both.r, 150);
        EXPECT_GT(both.b, 150);
        // Only the balance counts, not the level.
        EXPECT_EQ(BandColour(80, 3, 0.5, dark), BandColour(8000, 300, 50, dark));
        // Silence, and values that are no numbers, are grey.
        for (const Rgb grey : {BandColour(0, 0, 0, dark),
                               BandColour(std::numeric_limits<double>::infinity(), 1, 1, dark),
                               BandColour(std::numeric_limits<double>::quiet_NaN(), 0, 0, dark)}) {
            EXPECT_TRUE(grey.r == grey.g && grey.g == grey.b);
        }
    }
    // The dark theme's colours are lighter.
    EXPECT_GT(Lightness(BandColour(8000, 2000, 500, true)),
              Lightness(BandColour(8000, 2000, 500, false)));
}

TEST(BandColour, BlendGoesFromTheColourToTheOther) {
    const Rgb red{200, 0, 0};
    const Rgb white{255, 255, 255};
    EXPECT_EQ(Blend(red, white, 0.0), red);
    EXPECT_EQ(Blend(red, white, 1.0), white);
    EXPECT_EQ(Blend(red, white, 0.5), (Rgb{228, 128, 128}));
    EXPECT_EQ(Blend(red, white, 7.0), white);
}

} // namespace
