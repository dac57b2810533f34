// Turning a marker file's tracks into markers of a mix and back: exact frames at any rate,
// the start of the mix, names onto existing markers, and the refusals that change nothing.

#include "core/interop/MarkerImport.h"
#include "support/Thrown.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using sundrel::ExactTime;
using sundrel::FrameMarker;
using sundrel::InteropError;
using sundrel::Marker;
using sundrel::MarkerSet;
using sundrel::TrackEntry;
using testing::HasSubstr;

std::string Refusal(const std::function<void()>& f) {
    return fixture::Refusal<InteropError>(f);
}

Marker Named(std::int64_t frame, std::string title, std::string artist = {}) {
    Marker m = FrameMarker(frame);
    m.title = std::move(title);
    m.artist = std::move(artist);
    return m;
}

TEST(MarkerImport, TimedTracksBecomeMarkersInTimeOrder) {
    MarkerSet set;
    set.tracks = {{ExactTime{60, 1}, "Two", "B"},
                  {ExactTime{0, 1}, "One", "A"},
                  {ExactTime{150, 75}, "Between", ""}};
    EXPECT_EQ(sundrel::MarkersFromTimes(set, 1000, 100'000),
              (std::vector<Marker>{Named(0, "One", "A"), Named(2000, "Between"),
                                   Named(60'000, "Two", "B")}));
    // A label file or tracklist that starts later: the audio before its first track is an
    // unnamed track of its own, whatever the lead-in choice.
    set.tracks.erase(set.tracks.begin() + 1);
    const std::vector<Marker> ownTrack = {FrameMarker(0), Named(2000, "Between"),
                                          Named(60'000, "Two", "B")};
    EXPECT_FALSE(sundrel::HasLeadIn(set, 1000));
    EXPECT_EQ(sundrel::MarkersFromTimes(set, 1000, 100'000), ownTrack);
    // A cue sheet's pregap joins its first track, or, asked for, is a track of its own; the
    // later tracks keep their places either way.
    set.leadInIsPregap = true;
    EXPECT_TRUE(sundrel::HasLeadIn(set, 1000));
    EXPECT_EQ(sundrel::MarkersFromTimes(set, 1000, 100'000),
              (std::vector<Marker>{Named(0, "Between"), Named(60'000, "Two", "B")}));
    EXPECT_EQ(sundrel::MarkersFromTimes(set, 1000, 100'000, sundrel::LeadIn::OwnTrack), ownTrack);
    set.tracks.front().start = ExactTime{0, 75};
    EXPECT_FALSE(sundrel::HasLeadIn(set, 1000));
}

// A recording program's sheet names the file each track was played from and numbers its
// tracks: both stay with the markers, through an export and back.
TEST(MarkerImport, NumbersAndSourceFilesGoWithTheMarkers) {
    MarkerSet set;
    set.leadInIsPregap = true;
    set.tracks = {{ExactTime{2, 1}, "One", "A", "C:\\Music\\One.mp3", 3},
                  {ExactTime{60, 1}, "Two", "B", "", 4},
                  {ExactTime{90, 1}, "Six", "", "/music/Six.flac", 6}};
    const std::vector<Marker> markers = sundrel::MarkersFromTimes(set, 1000, 100'000);
    ASSERT_EQ(markers.size(), 3u);
    EXPECT_EQ(markers[0].frame, 0); // the pregap joins the first track
    EXPECT_EQ(markers[0].number, 3);
    EXPECT_EQ(markers[0].sourceFile, "C:\\Music\\One.mp3");
    EXPECT_EQ(markers[1].number, 4);
    EXPECT_EQ(markers[1].sourceFile, "");
    EXPECT_EQ(markers[2].number, 6);
    EXPECT_EQ(markers[2].sourceFile, "/music/Six.flac");
    // The pregap as a track of its own has neither.
    const std::vector<Marker> own =
        sundrel::MarkersFromTimes(set, 1000, 100'000, sundrel::LeadIn::OwnTrack);
    EXPECT_EQ(own.at(0), FrameMarker(0));
    EXPECT_EQ(own.at(1).number, 3);
    // Names put onto existing markers leave their numbers and files alone.
    MarkerSet names;
    names.tracks = {{std::nullopt, "X", ""}, {std::nullopt, "Y", ""}, {std::nullopt, "Z", ""}};
    const std::vector<Marker> renamed = sundrel::NameMarkers(markers, names);
    EXPECT_EQ(renamed[2].sourceFile, "/music/Six.flac");
    EXPECT_EQ(renamed[2].number, 6);
    EXPECT_EQ(renamed[2].title, "Z");
    // A sheet numbered 1, 2, 3 leaves the markers to number by their order; its pregap of its
    // own keeps the numbers, the pregap being track 0.
    MarkerSet plain = set;
    for (std::size_t i = 0; i < plain.tracks.size(); ++i) {
        plain.tracks[i].number = static_cast<int>(i) + 1;
    }
    for (const Marker& m : sundrel::MarkersFromTimes(plain, 1000, 100'000)) {
        EXPECT_EQ(m.number, 0);
    }
    const std::vector<Marker> pregap =
        sundrel::MarkersFromTimes(plain, 1000, 100'000, sundrel::LeadIn::OwnTrack);
    EXPECT_EQ(pregap.at(0).number, 0);
    EXPECT_EQ(pregap.at(1).number, 1);
    EXPECT_EQ(pregap.at(3).number, 3);
    // Exported and read again: the same.
    const MarkerSet out = sundrel::SetFromMarkers(markers, 1000, {}, "mix.wav");
    EXPECT_EQ(out.tracks[2],
              (TrackEntry{ExactTime{90'000, 1000}, "Six", "", "/music/Six.flac", 6}));
    EXPECT_EQ(sundrel::MarkersFromTimes(out, 1000, 100'000), markers);
}

TEST(MarkerImport, TimesThatDoNotFitAreRefusedNamingTheTrack) {
    auto timed = [](std::vector<std::int64_t> seconds) {
        MarkerSet set;
        for (std::int64_t s : seconds) {
            set.tracks.push_back({ExactTime{s, 1}, "", ""});
        }
        return set;
    };
    auto refusal = [](const MarkerSet& set) {
        return Refusal([&] { sundrel::MarkersFromTimes(set, 10, 1000); }); // 100 s
    };
    EXPECT_EQ(refusal(timed({0, 50, 99})), "no error");
    EXPECT_THAT(refusal(timed({0, 100})),
                HasSubstr("track 2 starts at 0:01:40.000, at or after the end of the mix"));
    EXPECT_THAT(refusal(timed({0, 30, 10, 30})),
                HasSubstr("track 2 and track 4 start at the same time (0:00:30.000)"));
    MarkerSet untimed = timed({0, 5});
    untimed.tracks[1].start.reset();
    EXPECT_THAT(refusal(untimed), HasSubstr("track 2 has no start time"));
    // A sheet of 255 tracks one frame apart after the start fits when its pregap joins the
    // first, not when the pregap is a track of its own; 256 never fit.
    const auto tracks = [](std::size_t count) {
        MarkerSet set;
        set.leadInIsPregap = true;
        for (std::size_t i = 0; i < count; ++i) {
            set.tracks.push_back({ExactTime{static_cast<std::int64_t>(i + 1) * 100, 1000}, "", ""});
        }
        return set;
    };
    EXPECT_EQ(refusal(tracks(255)), "no error");
    EXPECT_EQ(Refusal([&] {
                  sundrel::MarkersFromTimes(tracks(255), 10, 1000, sundrel::LeadIn::OwnTrack);
              }),
              "the list holds 255 tracks; a mix can have at most 255 tracks");
    EXPECT_EQ(refusal(tracks(256)), "the list holds 256 tracks; a mix can have at most 255 tracks");
}

TEST(MarkerImport, NamesGoToTheMarkersInTimeOrder) {
    const std::vector<Marker> markers = {FrameMarker(0), FrameMarker(900), FrameMarker(300)};
    MarkerSet names;
    names.tracks = {{{}, "First", "A"}, {{}, "Second", "B"}, {{}, "Third", ""}};
    EXPECT_EQ(sundrel::NameMarkers(markers, names),
              (std::vector<Marker>{Named(0, "First", "A"), Named(900, "Third"),
                                   Named(300, "Second", "B")}));
    names.tracks.pop_back();
    EXPECT_EQ(Refusal([&] { sundrel::NameMarkers(markers, names); }),
              "the list names 2 tracks, but the markers make 3 tracks; nothing was changed");
}

TEST(MarkerImport, ExportListsTheMarkersExactly) {
    const std::vector<Marker> markers = {Named(0, "One"), Named(44'100'123, "Three", "C"),
                                         Named(588, "Two")};
    const MarkerSet set =
        sundrel::SetFromMarkers(markers, 44100, {"Mix", "DJ"}, "/music/Set 1.wav");
    EXPECT_EQ(set.title, "Mix");
    EXPECT_EQ(set.artist, "DJ");
    EXPECT_EQ(set.file, "Set 1.wav");
    ASSERT_EQ(set.tracks.size(), 3u);
    EXPECT_EQ(set.tracks[1], (TrackEntry{ExactTime{588, 44100}, "Two", ""}));
    // And back: the same markers, in time order.
    EXPECT_EQ(
        sundrel::MarkersFromTimes(set, 44100, 50'000'000),
        (std::vector<Marker>{Named(0, "One"), Named(588, "Two"), Named(44'100'123, "Three", "C")}));
}

} // namespace
