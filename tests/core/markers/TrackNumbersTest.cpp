#include "core/markers/TrackNumbers.h"

#include <gtest/gtest.h>

namespace {

using sundrel::TrackNumbers;
using V = std::vector<int>;

TEST(TrackNumbers, SheetNumbersStayTheRestCountOnAndAPregapIsZero) {
    EXPECT_EQ(TrackNumbers(V{}), V{});
    EXPECT_EQ(TrackNumbers(V{0, 0, 0}), (V{1, 2, 3}));       // a label file or a tracklist
    EXPECT_EQ(TrackNumbers(V{3, 4, 5}), (V{3, 4, 5}));       // a sheet starting at TRACK 03
    EXPECT_EQ(TrackNumbers(V{1, 2, 4, 5}), (V{1, 2, 4, 5})); // a gap stays a gap
    EXPECT_EQ(TrackNumbers(V{2, 3}), (V{2, 3}));             // after a leading data track
    // Markers added by hand: between 04 and 06 a 5; between 04 and 05 the 05 moves on.
    EXPECT_EQ(TrackNumbers(V{3, 4, 0, 6}), (V{3, 4, 5, 6}));
    EXPECT_EQ(TrackNumbers(V{3, 4, 0, 5, 6}), (V{3, 4, 5, 6, 7}));
    EXPECT_EQ(TrackNumbers(V{0, 3, 4}), (V{1, 3, 4})); // a track before the sheet's first
    // Numbers that do not rise never repeat.
    EXPECT_EQ(TrackNumbers(V{5, 5, 2}), (V{5, 6, 7}));
    // A cue sheet's pregap made a track of its own is numbered 0, as shnsplit's "00 pregap",
    // and every track after keeps its number.
    EXPECT_EQ(TrackNumbers(V{0, 1, 2}), (V{0, 1, 2}));
    EXPECT_EQ(TrackNumbers(V{0}), (V{1}));
    EXPECT_EQ(TrackNumbers(V{0, 2}), (V{1, 2}));
    EXPECT_EQ(TrackNumbers(V{0, 0, 1}), (V{1, 2, 3}));
}

} // namespace
