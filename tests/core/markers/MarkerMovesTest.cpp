// Moving imported markers: a constant shift for times stamped by a clock that ran early or
// late, and snapping each to the transition the analysis finds near it. The start of the mix
// never moves, and neither may reorder the markers.

#include "core/markers/MarkerMoves.h"
#include "core/markers/MarkerPrint.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using sundrel::FrameMarker;
using sundrel::Marker;
using sundrel::MarkerMoveError;
using sundrel::PercentMarker;
using sundrel::ShiftMarkers;
using sundrel::SnapMarkers;
using sundrel::SnapMove;
using sundrel::SnapTarget;

Marker Named(std::int64_t frame, const char* title) {
    Marker m = FrameMarker(frame);
    m.title = title;
    return m;
}

TEST(MarkerMoves, ShiftMovesAllButTheStartAndKeepsNames) {
    Marker percent = PercentMarker(50.0f);
    percent.frame = 5000; // as ResolvePercentFrames left it
    const std::vector<Marker> markers = {Named(3000, "C"), Named(0, "A"), percent};
    const std::vector<Marker> later = ShiftMarkers(markers, 250, 10'000);
    EXPECT_EQ(later, (std::vector<Marker>{Named(3250, "C"), Named(0, "A"), FrameMarker(5250)}));
    EXPECT_EQ(ShiftMarkers(markers, -2999, 10'000)[0].frame, 1);
    EXPECT_EQ(ShiftMarkers(markers, 4999, 10'000)[2].frame, 9999);
    // Out of the mix at either end: refused, naming the track in time order.
    EXPECT_EQ(fixture::Refusal<MarkerMoveError>([&] { ShiftMarkers(markers, -3000, 10'000); }),
              "track 2 would start at or before the start of the mix");
    EXPECT_EQ(fixture::Refusal<MarkerMoveError>([&] { ShiftMarkers(markers, 5000, 10'000); }),
              "track 3 would start at or after the end of the mix");
}

TEST(MarkerMoves, SnapTakesTheStrongestTargetWithinReachAndKeepsTheOrder) {
    std::vector<Marker> markers = {Named(0, "start"), Named(1000, "a"), Named(2000, "b"),
                                   Named(3000, "c"), Named(4000, "d")};
    const std::vector<SnapTarget> targets = {
        {1040, 0.3}, {960, 0.9},  // a: the stronger of two in reach, though farther
        {2100, 0.5},              // b: out of reach (within 60)
        {2990, 0.4}, {3010, 0.4}, // c: equally strong, the nearer (2990 by 10 vs 3010 by 10:
        {3005, 0.4},              //    3005 is nearer still)
        {3950, 1.0},              // d
        {5, 1.0},                 // near the start, which never moves
    };
    const std::vector<SnapMove> moves = SnapMarkers(markers, targets, 60);
    ASSERT_EQ(moves.size(), 4u);
    EXPECT_EQ(moves[0].marker, 1u);
    EXPECT_EQ(moves[0].to, 960);
    EXPECT_EQ(moves[1].from, 2000);
    EXPECT_FALSE(moves[1].to.has_value());
    EXPECT_EQ(moves[2].to, 3005);
    EXPECT_EQ(moves[3].to, 3950);
    EXPECT_EQ(markers, (std::vector<Marker>{Named(0, "start"), Named(960, "a"), Named(2000, "b"),
                                            Named(3005, "c"), Named(3950, "d")}));

    // Two markers closer than the reach never cross or meet: the first takes the strongest
    // target before the second, and the second cannot take one at or before where the first
    // went (nor one past the next marker).
    std::vector<Marker> close = {FrameMarker(0), FrameMarker(100), FrameMarker(150),
                                 FrameMarker(180)};
    const std::vector<SnapTarget> between = {{140, 1.0}, {120, 0.5}, {200, 1.0}};
    const std::vector<SnapMove> closeMoves = SnapMarkers(close, between, 60);
    EXPECT_EQ(close[1].frame, 140);
    EXPECT_EQ(close[2].frame, 150); // 140 is taken, 200 lies past the marker at 180
    EXPECT_FALSE(closeMoves[1].to.has_value());
    EXPECT_EQ(close[3].frame, 200);
}

} // namespace
