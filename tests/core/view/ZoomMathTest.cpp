#include "core/view/ZoomMath.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

using sundrel::TimeWindow;
using namespace sundrel::view;

constexpr double kMix = 1920.0; // a 32-minute mix
constexpr double kOneSample = 1.0 / 44100.0;

TEST(ZoomMath, PixelsAndSecondsMapBothWays) {
    const TimeWindow w{100.0, 102.0};
    for (const double x : {0.0, 1.0, 317.5, 640.0}) {
        EXPECT_NEAR(XAtSeconds(w, SecondsAtX(w, x, 640), 640), x, 1e-9);
    }
    EXPECT_DOUBLE_EQ(SecondsAtX(w, 320.0, 640), 101.0);
    EXPECT_EQ(SecondsAtX(w, 320.0, 0), 100.0);
    EXPECT_EQ(XAtSeconds(TimeWindow{5.0, 5.0}, 5.0, 640), 0.0);
}

TEST(ZoomMath, PointerAnchoredZoomKeepsTheTimeUnderThePointer) {
    const double minSpan = MinSpan(44100, 1000);
    // Zoom in and out at various pointer positions, over hours of mix and down to the limit.
    for (const auto& [w, factor, x] : {std::tuple{TimeWindow{600.0, 602.0}, 1.25, 123.0},
                                       {TimeWindow{600.0, 602.0}, 0.8, 999.0},
                                       {TimeWindow{1000.0, 1400.0}, 2.0, 500.0},
                                       {TimeWindow{1800.0, 1800.01}, 4.0, 1.0},
                                       {TimeWindow{1800.0, 1800.002}, 1.25, 700.0}}) {
        const double anchor = SecondsAtX(w, x, 1000);
        const TimeWindow zoomed = ZoomAround(w, factor, anchor, kMix, minSpan);
        EXPECT_NEAR(SecondsAtX(zoomed, x, 1000), anchor, kOneSample) << w.from << " " << factor;
        EXPECT_NEAR(zoomed.to - zoomed.from, (w.to - w.from) / factor, 1e-12);
    }
}

TEST(ZoomMath, ZoomInThenOutReturnsTheWindow) {
    const TimeWindow w{700.0, 760.0};
    const double anchor = 712.345;
    TimeWindow z = w;
    for (int i = 0; i < 20; ++i) {
        z = ZoomAround(z, 1.25, anchor, kMix, 0.001);
    }
    for (int i = 0; i < 20; ++i) {
        z = ZoomAround(z, 0.8, anchor, kMix, 0.001);
    }
    EXPECT_NEAR(z.from, w.from, 1e-9);
    EXPECT_NEAR(z.to, w.to, 1e-9);
}

TEST(ZoomMath, ZoomStopsAtOneSampleAndAtTheWholeMixAndStaysInside) {
    const double minSpan = MinSpan(44100, 800);
    EXPECT_DOUBLE_EQ(minSpan, 50.0 / 44100.0); // 800 px at 16 px a sample
    EXPECT_DOUBLE_EQ(MinSpan(44100, 4), kOneSample);
    for (const auto& [w, factor, anchor, from, to] :
         {// Zooming in far: held at the minimum span, anchor at the same fraction.
          std::tuple{TimeWindow{10.0, 12.0}, 1e9, 11.0, 11.0 - minSpan / 2, 11.0 + minSpan / 2},
          // Zooming out far shows the whole mix.
          {TimeWindow{10.0, 12.0}, 1e-9, 11.0, 0.0, kMix},
          // Near the start: the window stops at 0 instead of starting before the mix.
          {TimeWindow{0.5, 2.5}, 0.5, 2.0, 0.0, 4.0},
          // Near the end: it stops at the mix end.
          {TimeWindow{1917.0, 1919.0}, 0.25, 1917.5, kMix - 8.0, kMix},
          // An invalid factor keeps the span.
          {TimeWindow{10.0, 12.0}, 0.0, 11.0, 10.0, 12.0}}) {
        const TimeWindow z = ZoomAround(w, factor, anchor, kMix, minSpan);
        EXPECT_NEAR(z.from, from, 1e-9) << w.from << " " << factor;
        EXPECT_NEAR(z.to, to, 1e-9) << w.from << " " << factor;
    }
    // A mix shorter than the minimum span shows whole.
    EXPECT_EQ(ZoomAround({0.0, 0.0005}, 10.0, 0.0002, 0.0005, 0.001), (TimeWindow{0.0, 0.0005}));
}

TEST(ZoomMath, FixedSpanWindowsLieInsideTheMix) {
    for (const auto& [centre, span, duration, from, to] :
         {std::tuple{100.0, kDefaultSpan, kMix, 99.0, 101.0},
          {0.3, kDefaultSpan, kMix, 0.0, 2.0},
          {1919.9, kDefaultSpan, kMix, 1918.0, kMix},
          {0.5, kDefaultSpan, 1.5, 0.0, 1.5},
          {3.0, kDefaultSpan, 0.0, 0.0, 0.0}}) {
        EXPECT_EQ(SpanAround(centre, span, duration), (TimeWindow{from, to})) << centre;
    }
    EXPECT_EQ(FitWindow(kMix), (TimeWindow{0.0, kMix}));
}

} // namespace
