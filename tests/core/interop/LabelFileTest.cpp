#include "core/interop/LabelFile.h"
#include "core/interop/ExactTimeMath.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

namespace {

using sundrel::ExactTime;
using sundrel::InteropError;
using sundrel::MarkerSet;
using sundrel::ReadLabelFile;
using sundrel::TrackEntry;
using sundrel::WriteLabelFile;

ExactTime Us(std::int64_t microseconds) {
    return {microseconds, 1'000'000};
}

TEST(LabelFile, ReadsPointAndRegionLabelsInTheFilesOrderAndSkipsSpectralLines) {
    // As Audacity exports them: point labels, a region label, a spectral label whose
    // frequency range follows on a line of its own, a label without text, CRLF.
    const MarkerSet set = ReadLabelFile("0.000000\t0.000000\tDJ Intro\r\n"
                                        "312.493333\t312.493333\tDaft Punk - Around the World\r\n"
                                        "600.500000\t845.250000\tMoby \u2013 Porcelain\r\n"
                                        "\\\t200.000000\t4000.000000\r\n"
                                        "1200.000001\t1200.000001\t\r\n"
                                        "3661.25\t3661.25\tShort decimals\r\n"
                                        "4000,5\t4000,5\tComma decimals\r\n"
                                        "5000.123456789\t5000.2\tNine decimals\r\n"
                                        "\r\n"
                                        "10.0\t10.0\tA\tB - C\r\n");
    ASSERT_EQ(set.tracks.size(), 8u);
    EXPECT_EQ(set.tracks[0], (TrackEntry{Us(0), "DJ Intro", ""}));
    EXPECT_EQ(set.tracks[1], (TrackEntry{Us(312'493'333), "Around the World", "Daft Punk"}));
    EXPECT_EQ(set.tracks[2], (TrackEntry{Us(600'500'000), "Porcelain", "Moby"}));
    EXPECT_EQ(set.tracks[3], (TrackEntry{Us(1'200'000'001), "", ""}));
    EXPECT_EQ(set.tracks[4], (TrackEntry{Us(3'661'250'000), "Short decimals", ""}));
    EXPECT_EQ(set.tracks[5], (TrackEntry{Us(4'000'500'000), "Comma decimals", ""}));
    EXPECT_EQ(set.tracks[6].start, (ExactTime{5'000'123'456'789, 1'000'000'000}));
    // The file's order is kept; a tab inside the label is a blank.
    EXPECT_EQ(set.tracks[7], (TrackEntry{Us(10'000'000), "C", "A B"}));
    EXPECT_TRUE(set.title.empty() && set.artist.empty() && set.file.empty());
    // Exact: 312.493333 s at 48 kHz is frame 14999679.984, so 14999680.
    EXPECT_EQ(sundrel::FrameOf(*set.tracks[1].start, 48000), 14'999'680);
}

// What other programs write and Audacity's importer takes: more decimals than nine (rounded to
// the nanosecond), one-sided labels with the label after the start, a start alone.
TEST(LabelFile, ReadsLongDecimalsAndOneSidedLabels) {
    const MarkerSet set = ReadLabelFile("0.7698181682\t0.7698181682\tAn Intro\n"
                                        "12.12345678949999\tArtist - One sided\n"
                                        "20.5\n"
                                        "30.000000\t31.000000\n"
                                        "40\tTitle\twith a tab\n");
    ASSERT_EQ(set.tracks.size(), 5u);
    EXPECT_EQ(*set.tracks[0].start, (ExactTime{769'818'168, 1'000'000'000}));
    EXPECT_EQ(set.tracks[0].title, "An Intro");
    EXPECT_EQ(*set.tracks[1].start, (ExactTime{12'123'456'789, 1'000'000'000}));
    EXPECT_EQ(set.tracks[1], (TrackEntry{set.tracks[1].start, "One sided", "Artist"}));
    EXPECT_EQ(set.tracks[2], (TrackEntry{Us(20'500'000), "", ""}));
    EXPECT_EQ(set.tracks[3], (TrackEntry{Us(30'000'000), "", ""}));
    EXPECT_EQ(set.tracks[4], (TrackEntry{Us(40'000'000), "Title with a tab", ""}));
}

TEST(LabelFile, RefusesEachMalformedLineWithItsNumber) {
    const std::string ok = "1.000000\t1.000000\tfine\n";
    struct Case {
        std::string file;
        std::size_t line;
        const char* reason;
    };
    const Case cases[] = {
        {ok + "1.000000 1.000000 spaces\n", 2, "tabs"},
        {ok + "-1.000000\t1.000000\tx\n", 2, "start"},
        {ok + "1.\t1.0\tx\n", 2, "start"},
        {ok + "\t1.0\tx\n", 2, "start"},
        {ok + "1.0000000001x\t2.0\tx\n", 2, "start"},
        {ok + "no time\n", 2, "tabs"},
        {ok + "1234567890.0\t1234567890.0\tx\n", 2, "start"},
        {ok + "1.5\t1.4\tx\n", 2, "ends before"},
        {ok + "1.0\t1.0\t" + std::string(1025, 'x') + "\n", 2, "title is longer"},
        {ok + "1.0\t1.0\t" + std::string(1025, 'x') + " - t\n", 2, "artist is longer"},
        {"\\\t1.0\t2.0\n\n", 0, "no label"},
        {"", 0, "no label"},
    };
    for (const Case& c : cases) {
        const auto e = fixture::Thrown<InteropError>([&] { ReadLabelFile(c.file); });
        ASSERT_TRUE(e) << "accepted:\n" << c.file;
        EXPECT_EQ(e->Line(), c.line) << e->what();
        EXPECT_NE(std::string(e->what()).find(c.reason), std::string::npos) << e->what();
    }
}

TEST(LabelFile, WritesWhatItReadsBackToTheMicrosecond) {
    MarkerSet set;
    set.title = "not in a label file";
    for (const std::uint32_t rate : {44100u, 48000u, 96000u}) {
        set.tracks.clear();
        set.tracks = {{ExactTime{0, rate}, "Intro", ""},
                      {ExactTime{rate * 61LL + 1, rate}, "Title", "Artist"},
                      {ExactTime{rate * 3600LL * 5 + rate - 1, rate}, "Stand by Me", ""},
                      {ExactTime{rate * 7000LL, rate}, "Song - Radio Edit", ""},
                      {ExactTime{rate * 7001LL, rate}, "Tab\tin title", "Ünïcødé\n"},
                      {ExactTime{rate * 7002LL, rate}, "", "Artist only"},
                      {ExactTime{rate * 7003LL, rate}, "\"Quoted\" - part", "A"}};
        const MarkerSet back = ReadLabelFile(WriteLabelFile(set));
        ASSERT_EQ(back.tracks.size(), set.tracks.size());
        for (std::size_t i = 0; i < set.tracks.size(); ++i) {
            EXPECT_EQ(*back.tracks[i].start, sundrel::Rescaled(*set.tracks[i].start, 1'000'000));
            EXPECT_EQ(sundrel::FrameOf(*back.tracks[i].start, rate), set.tracks[i].start->ticks);
        }
        EXPECT_EQ(back.tracks[0].title, "Intro");
        EXPECT_EQ(back.tracks[1].artist, "Artist");
        EXPECT_EQ(back.tracks[2].title, "Stand by Me");
        EXPECT_EQ(back.tracks[3], (TrackEntry{Us(7'000'000'000), "Song - Radio Edit", ""}));
        EXPECT_EQ(back.tracks[4].title, "Tab in title");
        EXPECT_EQ(back.tracks[4].artist, "Ünïcødé");
        EXPECT_EQ(back.tracks[5].artist, "Artist only");
        EXPECT_EQ(back.tracks[6].title, "\"Quoted\" - part");
    }
    MarkerSet small;
    small.tracks = {{ExactTime{1, 3}, "x", "y"}, {ExactTime{2, 1}, "Song - Edit", ""}};
    EXPECT_EQ(WriteLabelFile(small),
              "0.333333\t0.333333\ty - x\n2.000000\t2.000000\t- Song - Edit\n");
    small.tracks[0].start.reset();
    EXPECT_THROW(WriteLabelFile(small), std::invalid_argument);
}

} // namespace
