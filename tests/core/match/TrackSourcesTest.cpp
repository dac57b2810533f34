#include "core/match/TrackSources.h"

#include <gtest/gtest.h>

namespace {

using sundrel::Layout;
using sundrel::PlayOfTrack;

Layout Plays(std::initializer_list<std::pair<double, double>> spans) {
    Layout layout;
    std::size_t file = 0;
    for (const auto& [start, end] : spans) {
        sundrel::FilePlay p;
        p.play.start = start;
        p.play.end = end;
        p.file = file++;
        layout.plays.push_back(p);
    }
    return layout;
}

TEST(TrackSources, EachTrackBetweenBlendMiddlesComesFromThePlayFillingIt) {
    // Two blends: 90-110 and 190-210, boundaries at their middles.
    const Layout layout = Plays({{0, 110}, {90, 210}, {190, 300}});
    EXPECT_EQ(PlayOfTrack(layout, 0, 100), 0u);
    EXPECT_EQ(PlayOfTrack(layout, 100, 200), 1u);
    EXPECT_EQ(PlayOfTrack(layout, 200, 300), 2u);
    // A marker moved by hand still finds the file that fills most of the track.
    EXPECT_EQ(PlayOfTrack(layout, 80, 200), 1u);
}

TEST(TrackSources, StretchesNoFileFillsAreUnknown) {
    const Layout layout = Plays({{0, 100}, {250, 300}});
    EXPECT_EQ(PlayOfTrack(layout, 100, 250), std::nullopt); // nothing plays
    EXPECT_EQ(PlayOfTrack(layout, 60, 250), std::nullopt);  // 40 of 190 s covered
    EXPECT_EQ(PlayOfTrack(layout, 50, 120), 0u);            // 50 of 70 s covered
    EXPECT_EQ(PlayOfTrack(layout, 50, 50), std::nullopt);   // an empty track
    EXPECT_EQ(PlayOfTrack(Layout{}, 0, 10), std::nullopt);
}

// A cue sheet's source file is shown by its name, however its folders were written.
TEST(TrackSources, ASourceFileIsShownByItsName) {
    EXPECT_EQ(sundrel::SourceFileName("C:\\Music\\Energy 52 - Cafe Del Mar.mp3"),
              "Energy 52 - Cafe Del Mar.mp3");
    EXPECT_EQ(sundrel::SourceFileName("/home/dj/Música/Ünder.flac"), "Ünder.flac");
    EXPECT_EQ(sundrel::SourceFileName("D:/Mixed\\style/a.wav"), "a.wav");
    EXPECT_EQ(sundrel::SourceFileName("plain.mp3"), "plain.mp3");
    EXPECT_EQ(sundrel::SourceFileName(""), "");
}

} // namespace
