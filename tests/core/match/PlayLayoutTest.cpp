#include "core/match/PlayLayout.h"
#include "core/match/MatchTracks.h"

#include <gtest/gtest.h>

namespace sundrel {
namespace {

FilePlay Play(std::size_t file, double start, double end, int matches = 200) {
    FilePlay p;
    p.file = file;
    p.play.start = start;
    p.play.end = end;
    p.play.matches = matches;
    p.play.confidence = 0.8;
    return p;
}

std::vector<double> Seconds(const Layout& l) {
    std::vector<double> s;
    for (const Boundary& b : l.boundaries) {
        s.push_back(b.seconds);
    }
    return s;
}

TEST(PlayLayout, PutsBlendBoundariesAtTheChosenPlaceOfTheOverlap) {
    const std::vector<FilePlay> plays = {Play(1, 200.0, 400.0), Play(0, 1.0, 220.0),
                                         Play(2, 400.5, 600.0)};
    const Layout middle = LayOutPlays(plays, 600.0, BoundaryPlace::Middle);
    ASSERT_EQ(middle.plays.size(), 3u);
    EXPECT_EQ(middle.plays[0].file, 0u); // in order of start
    EXPECT_EQ(Seconds(middle), (std::vector<double>{0.0, 210.0, 400.25}));
    EXPECT_TRUE(middle.unknown.empty());
    EXPECT_EQ(Seconds(LayOutPlays(plays, 600.0, BoundaryPlace::Start)),
              (std::vector<double>{0.0, 200.0, 400.5}));
    EXPECT_EQ(Seconds(LayOutPlays(plays, 600.0, BoundaryPlace::End)),
              (std::vector<double>{0.0, 220.0, 400.5}));
    // A better middle found from the levels is used when it lies within the blend.
    std::vector<FilePlay> withMiddle = plays;
    withMiddle[0].middle = 214.0;
    EXPECT_EQ(LayOutPlays(withMiddle, 600.0, BoundaryPlace::Middle).boundaries[1].seconds, 214.0);
    withMiddle[0].middle = 300.0;
    EXPECT_EQ(LayOutPlays(withMiddle, 600.0, BoundaryPlace::Middle).boundaries[1].seconds, 210.0);
}

TEST(PlayLayout, GapsAndEndsNoFileCoversAreUnknownTracks) {
    const Layout l =
        LayOutPlays({Play(0, 30.0, 200.0), Play(1, 260.0, 400.0)}, 500.0, BoundaryPlace::Middle);
    EXPECT_EQ(l.unknown, (std::vector<Stretch>{{0.0, 30.0}, {200.0, 260.0}, {400.0, 500.0}}));
    ASSERT_EQ(l.boundaries.size(), 5u);
    EXPECT_FALSE(l.boundaries[0].play);
    EXPECT_EQ(l.boundaries[1].play, 0u);
    EXPECT_EQ(l.boundaries[2].seconds, 200.0);
    EXPECT_FALSE(l.boundaries[2].play);
    EXPECT_EQ(l.boundaries[3].play, 1u);
    EXPECT_FALSE(l.boundaries[4].play);

    const Layout none = LayOutPlays({}, 90.0, BoundaryPlace::Middle);
    EXPECT_EQ(none.unknown, (std::vector<Stretch>{{0.0, 90.0}}));
    EXPECT_EQ(none.boundaries.size(), 1u);
}

TEST(PlayLayout, AWeakerPlayInsideAStrongerOneIsDropped) {
    const Layout l = LayOutPlays(
        {Play(0, 0.0, 300.0, 900), Play(1, 100.0, 150.0, 60), Play(2, 290.0, 500.0, 500)}, 500.0,
        BoundaryPlace::Middle);
    ASSERT_EQ(l.plays.size(), 2u);
    EXPECT_EQ(l.plays[1].file, 2u);
}

TEST(PlayLayout, AFaintPlaySpanningTwoStrongerOnesIsDropped) {
    // A play that lies inside two stronger plays together (neither holds 80 % of it), its
    // landmarks matched far less than theirs, is music sharing a passage with both.
    std::vector<FilePlay> plays = {Play(0, 0.0, 330.0, 900), Play(1, 120.0, 390.0, 60),
                                   Play(2, 300.0, 700.0, 900)};
    plays[1].play.confidence = 0.2;
    const Layout spanned = LayOutPlays(plays, 700.0, BoundaryPlace::Middle);
    ASSERT_EQ(spanned.plays.size(), 2u);
    EXPECT_EQ(spanned.plays[1].file, 2u);
    EXPECT_EQ(spanned.boundaries.size(), 2u);
    // Matched about as well as they are, it is a short track whose neighbours' landmarks reach
    // far into it; so is one blended over 40 % of it at each end.
    plays[1].play.confidence = 0.7;
    EXPECT_EQ(LayOutPlays(plays, 700.0, BoundaryPlace::Middle).plays.size(), 3u);
    const Layout shortTrack = LayOutPlays(
        {Play(0, 0.0, 240.0, 900), Play(1, 200.0, 300.0, 60), Play(2, 260.0, 600.0, 900)}, 600.0,
        BoundaryPlace::Middle);
    ASSERT_EQ(shortTrack.plays.size(), 3u);
    EXPECT_EQ(shortTrack.plays[1].file, 1u);
}

TEST(PlayLayout, BoundaryPlacesParse) {
    EXPECT_EQ(ParseBoundaryPlace("start"), BoundaryPlace::Start);
    EXPECT_EQ(ParseBoundaryPlace("middle"), BoundaryPlace::Middle);
    EXPECT_EQ(ParseBoundaryPlace("end"), BoundaryPlace::End);
    EXPECT_FALSE(ParseBoundaryPlace("Middle"));
}

TEST(MatchMarkers, NamesEachBoundaryFromTheIncomingFilesTags) {
    MatchResult r;
    r.tags = {{"One", "A", {}, {}, {}, {}, {}, {}}, {"Two", "B", {}, {}, {}, {}, {}, {}}};
    r.layout =
        LayOutPlays({Play(0, 0.0, 100.0), Play(1, 90.0, 200.0)}, 260.0, BoundaryPlace::Middle);
    const std::vector<Marker> m = MatchMarkers(r, 44100, 260 * 44100);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].frame, 0);
    EXPECT_EQ(m[0].title, "One");
    EXPECT_EQ(m[1].frame, 95 * 44100);
    EXPECT_EQ(m[1].title, "Two");
    EXPECT_EQ(m[1].artist, "B");
    EXPECT_EQ(m[2].frame, 200 * 44100); // the unknown stretch after the last play
    EXPECT_EQ(m[2].title, "");
}

} // namespace
} // namespace sundrel
