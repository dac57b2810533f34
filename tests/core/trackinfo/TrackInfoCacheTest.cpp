#include "core/trackinfo/TrackInfoCache.h"

#include <gtest/gtest.h>

namespace sundrel {
namespace {

TrackInfo WithTempo(double bpm) {
    TrackInfo info;
    info.bpm = bpm;
    return info;
}

// Moving the boundary between tracks 2 and 3 leaves tracks 1 and 4 as they were: only the two
// new spans are analysed again, and the old ones are forgotten.
TEST(TrackInfoCache, AMovedBoundaryMissesOnlyTheTracksItBounds) {
    TrackInfoCache cache;
    const std::vector<FrameSpan> before{{0, 100}, {100, 50}, {150, 70}, {220, 30}};
    EXPECT_EQ(cache.Missing(before), before);
    for (std::size_t i = 0; i < before.size(); ++i) {
        cache.Store(before[i], WithTempo(120.0 + static_cast<double>(i)));
    }
    EXPECT_TRUE(cache.Missing(before).empty());
    const std::vector<FrameSpan> after{{0, 100}, {100, 60}, {160, 60}, {220, 30}};
    EXPECT_EQ(cache.Missing(after), (std::vector<FrameSpan>{{100, 60}, {160, 60}}));
    cache.Keep(after);
    EXPECT_EQ(cache.Size(), 2u);
    ASSERT_NE(cache.Find({220, 30}), nullptr);
    EXPECT_EQ(cache.Find({220, 30})->bpm, 123.0);
    EXPECT_EQ(cache.Find({100, 50}), nullptr);
    // Empty tracks are never analysed; a span listed twice is analysed once.
    EXPECT_EQ(cache.Missing(std::vector<FrameSpan>{{5, 0}, {7, 3}, {7, 3}}),
              (std::vector<FrameSpan>{{7, 3}}));
}

} // namespace
} // namespace sundrel
