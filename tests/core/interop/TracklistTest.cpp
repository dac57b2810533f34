#include "core/interop/Tracklist.h"
#include "core/interop/ExactTimeMath.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using sundrel::ExactTime;
using sundrel::InteropError;
using sundrel::MarkerSet;
using sundrel::ReadTracklist;
using sundrel::TrackEntry;
using sundrel::WriteTracklist;

ExactTime S(std::int64_t seconds) {
    return {seconds, 1};
}

TEST(Tracklist, ReadsEveryTimedShape) { // the names' own splitting: ArtistTitleTest
    struct Case {
        const char* line;
        TrackEntry track;
    };
    const Case cases[] = {
        {"03:15 Artist - Title", {S(195), "Title", "Artist"}},
        {"3:15 Artist - Title", {S(195), "Title", "Artist"}},
        {"1:03:15 Artist - Title", {S(3795), "Title", "Artist"}},
        {"[03:15] Artist - Title", {S(195), "Title", "Artist"}},
        {"(03:15) Artist - Title", {S(195), "Title", "Artist"}},
        {"[1:03:15]Artist - Title", {S(3795), "Title", "Artist"}},
        {"1. 03:15 Artist - Title", {S(195), "Title", "Artist"}},
        {"01) [03:15] Artist - Title", {S(195), "Title", "Artist"}},
        {"12. (75:30) Artist - Title", {S(4530), "Title", "Artist"}}, // minutes past 59
        {"03:15 - Artist - Title", {S(195), "Title", "Artist"}},
        {"03:15 | Artist \u2013 Title", {S(195), "Title", "Artist"}},
        {"03:15", {S(195), "", ""}},
        {"  \t03:15\tArtist\t-\tTitle  ", {S(195), "Title", "Artist"}},
        {"03:15 Jay-Z - 4:44", {S(195), "4:44", "Jay-Z"}},
        {"03:15 Title [04:30]", {S(195), "Title [04:30]", ""}}, // a trailing time is the name
        // Lines as people paste them from forums, video descriptions and DJ sites: one line
        // for each mark, glue and trailing start the reader tells apart.
        {"01 - 00:00 - Rhythim Is Rhythim - Strings of Life",
         {S(0), "Strings of Life", "Rhythim Is Rhythim"}},
        {"12:20 : Daft Punk - Around the World", {S(740), "Around the World", "Daft Punk"}},
        {"15:00: Green Velvet - La La Land", {S(900), "La La Land", "Green Velvet"}},
        {"\u2022\t00:10 - Moby - Porcelain", {S(10), "Porcelain", "Moby"}},
        {"07:47\u2013 Energy 52 - Cafe Del Mar", {S(467), "Cafe Del Mar", "Energy 52"}},
        {"Joey Beltram - Energy Flash @ 1:05:00", {S(3900), "Energy Flash", "Joey Beltram"}},
        {"Orbital - Chime [22:10]", {S(1330), "Chime", "Orbital"}},
        {"00:00:00 Aphex Twin - Windowlicker", {S(0), "Windowlicker", "Aphex Twin"}},
        {"05:40 \u2014 Fatboy Slim \u2014 Right Here, Right Now",
         {S(340), "Right Here, Right Now", "Fatboy Slim"}},
        {"#3 10:15 Basement Jaxx - Where's Your Head At",
         {S(615), "Where's Your Head At", "Basement Jaxx"}},
        {"14:02 Paul Johnson - Get Get Down (Original Mix) [Moody Recordings]",
         {S(842), "Get Get Down (Original Mix) [Moody Recordings]", "Paul Johnson"}},
        {"12:00 \u00B7 Kerri Chandler - Rain", {S(720), "Rain", "Kerri Chandler"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const MarkerSet set = ReadTracklist(c.line);
        ASSERT_EQ(set.tracks.size(), 1u);
        EXPECT_EQ(set.tracks[0], c.track);
    }
}

// A whole posted list: headings and rules skipped, a "w/" line joined to the track it was
// played over, and each said in a note.
TEST(Tracklist, SkipsHeadingsJoinsWithLinesAndSaysSo) {
    const MarkerSet set = ReadTracklist("Live at Fabric, 5 December 2026\n"
                                        "Tracklist:\n"
                                        "-----------\n"
                                        "01 - 00:00 - Rhythim Is Rhythim - Strings of Life\n"
                                        "02 - 05:12 - Daft Punk - Around the World\n"
                                        "w/ Moby - Porcelain (Acapella)\n"
                                        "\n"
                                        "Second hour:\n"
                                        "03 - 09:40 - ID - ID\n");
    ASSERT_EQ(set.tracks.size(), 3u);
    EXPECT_EQ(set.tracks[1],
              (TrackEntry{S(312), "Around the World w/ Moby - Porcelain (Acapella)", "Daft Punk"}));
    EXPECT_EQ(set.tracks[2], (TrackEntry{S(580), "ID", "ID"}));
    EXPECT_EQ(set.notes, (std::vector<std::string>{
                             "line 1: \"Live at Fabric, 5 December 2026\" is a heading, not a "
                             "track; skipped",
                             "line 2: \"Tracklist:\" is a heading, not a track; skipped",
                             "line 3: \"-----------\" is a heading, not a track; skipped",
                             "line 6: \"w/ Moby - Porcelain (Acapella)\" joined to the track above",
                             "line 8: \"Second hour:\" is a heading, not a track; skipped"}));
    // Untimed lists skip headings too.
    const MarkerSet names = ReadTracklist("Tracklist:\n1. A - One\n2. B - Two\n");
    EXPECT_EQ(names.tracks.size(), 2u);
    EXPECT_EQ(names.notes.size(), 1u);
}

// Times after the names are starts only when every track has one and they never go back;
// otherwise they are lengths and stay in the names.
TEST(Tracklist, TrailingTimesAreStartsOnlyWhenTheyRun) {
    const MarkerSet starts = ReadTracklist("A - One [00:00]\nB - Two [04:10]\nC - Three @9:02\n");
    ASSERT_EQ(starts.tracks.size(), 3u);
    EXPECT_EQ(starts.tracks[2], (TrackEntry{S(542), "Three", "C"}));
    const MarkerSet lengths = ReadTracklist("A - One [05:32]\nB - Two [04:10]\n");
    EXPECT_EQ(lengths.tracks[1], (TrackEntry{std::nullopt, "Two [04:10]", "B"}));
    const MarkerSet some = ReadTracklist("A - One [00:00]\nB - Two\n");
    EXPECT_EQ(some.tracks[0], (TrackEntry{std::nullopt, "One [00:00]", "A"}));
}

TEST(Tracklist, ReadsAPostedListWithBlankLines) {
    const MarkerSet set = ReadTracklist("\xEF\xBB\xBF"
                                        "00:00 Rhythim Is Rhythim - Strings of Life\r\n"
                                        "\r\n"
                                        "05:12 Daft Punk \u2013 Around the World\r\n"
                                        "59:59 Porcelain by Moby\r\n"
                                        "1:00:00 Stand by Me\r\n");
    EXPECT_EQ(set.tracks, (std::vector<TrackEntry>{
                              {S(0), "Strings of Life", "Rhythim Is Rhythim"},
                              {S(312), "Around the World", "Daft Punk"},
                              {S(3599), "Porcelain", "Moby"},
                              {S(3600), "Stand by Me", ""}})); // "by" before a pronoun: title
}

TEST(Tracklist, ReadsNamesWithoutTimes) {
    const MarkerSet set = ReadTracklist("1. Rhythim Is Rhythim - Strings of Life\n"
                                        "02) Daft Punk - Around the World\n"
                                        "- Moby - Porcelain\n"
                                        "* Untitled\n"
                                        "\u2022 Porcelain by Moby\n"
                                        "1999 - Prince\n");
    EXPECT_EQ(set.tracks,
              (std::vector<TrackEntry>{{std::nullopt, "Strings of Life", "Rhythim Is Rhythim"},
                                       {std::nullopt, "Around the World", "Daft Punk"},
                                       {std::nullopt, "Porcelain", "Moby"}, // after a bullet
                                       {std::nullopt, "Untitled", ""},
                                       {std::nullopt, "Porcelain", "Moby"},
                                       {std::nullopt, "Prince", "1999"}})); // not a number
}

TEST(Tracklist, RefusesEachMalformedLineWithItsNumber) {
    struct Case {
        std::string text;
        std::size_t line;
        const char* reason;
    };
    const Case cases[] = {
        {"00:00 A - B\n\n03:00 C - D\nE - F\n", 4, "has no time, but line 1"},
        {"A - B\nC - D\nE - F\nG - H\n03:00 C - D\n", 5, "has a time, but line 4"},
        {"00:00 A - B\nw/ C - D\nE - F\n", 3, "has no time, but line 1"},
        {"00:00 A\n03:60 B\n", 2, "seconds past 59"},
        {"00:00 A\n1:60:00 B\n", 2, "minutes or seconds past 59"},
        {"00:00 A\n3:5 B\n", 2, "not m:ss"},
        {"00:00 A\n1:2:3:4 B\n", 2, "not m:ss"},
        {"00:00 A\n12345:00 B\n", 2, "not m:ss"},
        {"00:00 A\n[03:] B\n", 2, "not m:ss"},
        {"05:00 A\n04:59 B\n", 2, "earlier"},
        {"00:00 A - " + std::string(1025, 'x') + "\n", 1, "title is longer"},
        {"\n  \n", 0, "no track"},
    };
    for (const Case& c : cases) {
        const auto e = fixture::Thrown<InteropError>([&] { ReadTracklist(c.text); });
        ASSERT_TRUE(e) << "accepted:\n" << c.text;
        EXPECT_EQ(e->Line(), c.line) << e->what();
        EXPECT_NE(std::string(e->what()).find(c.reason), std::string::npos) << e->what();
    }
    // Equal times are read: the importer decides what two tracks at one time mean.
    EXPECT_EQ(ReadTracklist("01:00 A\n01:00 B\n").tracks.size(), 2u);
}

TEST(Tracklist, WritesWhatItReadsBack) {
    MarkerSet set;
    set.tracks = {{ExactTime{0, 44100}, "Strings of Life", "Rhythim Is Rhythim"},
                  {ExactTime{44100 * 195 + 22049, 44100}, "Stand by Me", ""},  // 195.49 s
                  {ExactTime{44100 * 300 + 22050, 44100}, "- dash first", ""}, // 300.5 s
                  {ExactTime{44100 * 400, 44100}, "4:44", ""},
                  {ExactTime{44100 * 500, 44100}, "", ""},
                  {ExactTime{44100 * 600, 44100}, "Tab\there", "New\nline"},
                  {ExactTime{44100 * 700, 44100}, "", "Artist only"}};
    const std::string text = WriteTracklist(set);
    EXPECT_EQ(text, "00:00 Rhythim Is Rhythim - Strings of Life\n"
                    "03:15 Stand by Me\n"
                    "05:01 - - - dash first\n"
                    "06:40 4:44\n"
                    "08:20\n"
                    "10:00 New line - Tab here\n"
                    "11:40 Artist only -\n");
    MarkerSet back = ReadTracklist(text);
    ASSERT_EQ(back.tracks.size(), set.tracks.size());
    for (std::size_t i = 0; i < set.tracks.size(); ++i) {
        EXPECT_EQ(*back.tracks[i].start, sundrel::Rescaled(*set.tracks[i].start, 1));
    }
    EXPECT_EQ(back.tracks[1].title, "Stand by Me");
    EXPECT_EQ(back.tracks[2].title, "- dash first");
    EXPECT_EQ(back.tracks[3].title, "4:44");
    EXPECT_EQ(back.tracks[5], (TrackEntry{S(600), "Tab here", "New line"}));
    EXPECT_EQ(back.tracks[6], (TrackEntry{S(700), "", "Artist only"}));

    // Past an hour every line gets hours.
    set.tracks.push_back({ExactTime{44100 * 3600, 44100}, "Late", "X"});
    const std::string longer = WriteTracklist(set);
    EXPECT_EQ(longer.substr(0, 8), "0:00:00 ");
    EXPECT_NE(longer.find("\n1:00:00 X - Late\n"), std::string::npos);
    EXPECT_EQ(ReadTracklist(longer).tracks.back().start, S(3600));
}

TEST(Tracklist, WritesNamesOnlyAndReadsThemBack) {
    MarkerSet set;
    set.tracks = {{std::nullopt, "Title", "Artist"},
                  {std::nullopt, "2. Not a number", ""},
                  {std::nullopt, "03:15 not a time", ""},
                  {std::nullopt, "", ""},
                  {std::nullopt, "* not a bullet", ""}};
    const std::string text = WriteTracklist(set);
    EXPECT_EQ(text, "Artist - Title\n- 2. Not a number\n- 03:15 not a time\n-\n- * not a bullet\n");
    const MarkerSet back = ReadTracklist(text);
    EXPECT_EQ(back.tracks, set.tracks);

    set.tracks[0].start = S(0); // some with a time, some without
    EXPECT_THROW(WriteTracklist(set), std::invalid_argument);
    set.tracks = {{S(5), "", ""}, {S(4), "", ""}};
    EXPECT_THROW(WriteTracklist(set), std::invalid_argument);
}

} // namespace
