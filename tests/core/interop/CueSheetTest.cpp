#include "core/interop/CueSheet.h"
#include "core/interop/ExactTimeMath.h"
#include "support/Thrown.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

namespace {

using sundrel::ExactTime;
using sundrel::InteropError;
using sundrel::MarkerSet;
using sundrel::ReadCueSheet;
using sundrel::TrackEntry;
using sundrel::WriteCueSheet;

ExactTime Cue(std::int64_t minutes, std::int64_t seconds, std::int64_t frames) {
    return {(minutes * 60 + seconds) * 75 + frames, 75};
}

// The sheet a DJ program writes beside a recording: a header with the date and program as
// REM lines, the mix's title and performer, the recording, then each track as it was played.
// Titles keep quotes as the program found them, unescaped.
constexpr const char* kRecordingSheet = R"(REM DATE 2026-12-05
REM COMMENT "Mixxx 2.4.1"
TITLE "Saturday Warmup"
PERFORMER "DJ Sundrel"
FILE "2026-12-05_21h04m.wav" WAVE
  TRACK 01 AUDIO
    TITLE "Strings of Life"
    PERFORMER "Rhythim Is Rhythim"
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    TITLE "The "Real" Thing"
    PERFORMER "Café Müller"
    INDEX 01 05:12:37
  TRACK 03 AUDIO
    TITLE "Late"
    PERFORMER "Nobody"
    INDEX 01 102:03:74
)";

TEST(CueSheet, ReadsTheSheetARecordingProgramWrites) {
    const MarkerSet set = ReadCueSheet(kRecordingSheet);
    EXPECT_EQ(set.title, "Saturday Warmup");
    EXPECT_EQ(set.artist, "DJ Sundrel");
    EXPECT_EQ(set.file, "2026-12-05_21h04m.wav");
    ASSERT_EQ(set.tracks.size(), 3u);
    EXPECT_EQ(set.tracks[0],
              (TrackEntry{Cue(0, 0, 0), "Strings of Life", "Rhythim Is Rhythim", "", 1}));
    EXPECT_EQ(set.tracks[1],
              (TrackEntry{Cue(5, 12, 37), "The \"Real\" Thing", "Café Müller", "", 2}));
    EXPECT_EQ(set.tracks[2], (TrackEntry{Cue(102, 3, 74), "Late", "Nobody", "", 3}));
    // 102 minutes 3 s 74/75 at 44.1 kHz, exactly.
    EXPECT_EQ(sundrel::FrameOf(*set.tracks[2].start, 44100), (102 * 60 + 3) * 44100 + 74 * 588);
}

TEST(CueSheet, ReadsMarksLineEndsRemarksAndLooseShapes) {
    // A hand-made sheet: byte order mark, CRLF, lower-case keywords, unquoted values, a
    // pregap, sub-indexes, lines that are read past, and no per-track performer.
    const std::string sheet = "\xEF\xBB\xBF"
                              "REM GENRE House\r\n"
                              "CATALOG 0000000000000\r\n"
                              "performer Various\r\n"
                              "title Summer Mix 2026\r\n"
                              "FILE summer mix.wav WAVE\r\n"
                              "\r\n"
                              "TRACK 1 AUDIO\r\n"
                              "  FLAGS DCP\r\n"
                              "  TITLE Opening\r\n"
                              "  REM a remark in a track\r\n"
                              "  INDEX 01 00:00:00\r\n"
                              "TRACK 2 audio\r\n"
                              "  title \"Second\"\r\n"
                              "  ISRC USXXX0000001\r\n"
                              "  INDEX 00 03:58:00\r\n"
                              "  INDEX 01 04:00:00\r\n"
                              "  INDEX 02 04:30:10\r\n"
                              "\tTRACK 7 AUDIO\r\n"
                              "\tPREGAP 00:02:00\r\n"
                              "\tINDEX 1 9:5:3\r\n"
                              "\tSONGWRITER \"Someone\"\r\n"
                              "\tPOSTGAP 00:01:00\r\n";
    const MarkerSet set = ReadCueSheet(sheet);
    EXPECT_EQ(set.title, "Summer Mix 2026");
    EXPECT_EQ(set.artist, "Various");
    EXPECT_EQ(set.file, "summer mix.wav");
    ASSERT_EQ(set.tracks.size(), 3u);
    EXPECT_EQ(set.tracks[0], (TrackEntry{Cue(0, 0, 0), "Opening", "", "", 1}));
    EXPECT_EQ(set.tracks[1], (TrackEntry{Cue(4, 0, 0), "Second", "", "", 2})); // INDEX 01, not 00
    EXPECT_EQ(set.tracks[2], (TrackEntry{Cue(9, 5, 3), "", "", "", 7}));       // its own number
}

TEST(CueSheet, ReadsALatin1Sheet) {
    const MarkerSet set = ReadCueSheet("FILE \"mix.wav\" WAVE\n"
                                       "TRACK 01 AUDIO\n"
                                       "  TITLE \"D\xE9j\xE0 Vu\"\n"
                                       "  PERFORMER \"M\xFCller \x96 Band\"\n"
                                       "  INDEX 01 00:00:00\n");
    ASSERT_EQ(set.tracks.size(), 1u);
    EXPECT_EQ(set.tracks[0].title, "Déjà Vu");
    EXPECT_EQ(set.tracks[0].artist, "Müller – Band");
}

TEST(CueSheet, RefusesEachMalformedLineWithItsNumber) {
    const std::string head = "FILE \"mix.wav\" WAVE\nTRACK 01 AUDIO\n";
    struct Case {
        std::string sheet;
        std::size_t line;
        const char* reason;
    };
    const Case cases[] = {
        {head + "INDEX 01 00:00:00\nGARBAGE here\n", 4, "unknown command"},
        {head + "INDEX 01 00:60:00\n", 3, "seconds"},
        {head + "INDEX 01 00:00:75\n", 3, "frames"},
        {head + "INDEX 01 00:00\n", 3, "mm:ss:ff"},
        {head + "INDEX 01 0a:00:00\n", 3, "mm:ss:ff"},
        {head + "INDEX 01 1234567:00:00\n", 3, "mm:ss:ff"},
        {head + "INDEX 01 00:00:00 extra\n", 3, "mm:ss:ff"},
        {head + "INDEX x 00:00:00\n", 3, "index number"},
        {head + "INDEX 01 00:10:00\nINDEX 00 00:09:00\n", 4, "does not come after"},
        {head + "INDEX 01 00:10:00\nINDEX 02 00:09:00\n", 4, "earlier"},
        {head + "INDEX 00 00:10:00\nINDEX 01 00:09:00\n", 4, "earlier"},
        {head + "INDEX 01 00:10:00\nTRACK 02 AUDIO\nINDEX 01 00:09:74\n", 5, "earlier"},
        {head + "INDEX 01 00:00:00\nTRACK 01 AUDIO\nINDEX 01 00:01:00\n", 4, "come after"},
        {head + "INDEX 01 00:00:00\nTRACK 0 AUDIO\n", 4, "1..999"},
        {head + "INDEX 01 00:00:00\nTRACK 1000 AUDIO\n", 4, "1..999"},
        {head + "INDEX 01 00:00:00\nTRACK 02 MODE3/2352\n", 4, "not AUDIO"},
        {head + "INDEX 01 00:00:00\nTRACK 02\n", 4, "not AUDIO"},
        {head + "TITLE \"x\"\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n", 2, "no INDEX 01"},
        {head + "INDEX 00 00:00:00\n", 2, "no INDEX 01"},
        {"INDEX 01 00:00:00\n", 1, "before the first TRACK"},
        {"TITLE \"unclosed\n" + head, 1, "not closed"},
        {"TITLE \"a\" b\n" + head, 1, "after the quoted"},
        {head + "INDEX 01 00:00:00\nFILE \"other.wav\" WAVE\n", 4, "several audio files"},
        {"FILE \"01 Intro.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
         "FILE \"02 Song.wav\" WAVE\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n",
         4, "\"02 Song.wav\" after \"01 Intro.wav\""},
        {"FILE \"mix.wav\" WAVE extra\n", 1, "after the file type"},
        {"FILE \"\" WAVE\n", 1, "no file"},
        {"TITLE \"" + std::string(1025, 'x') + "\"\n" + head, 1, "longer than 1024"},
        {"REM only remarks\n", 0, "no TRACK"},
        {"FILE \"cd.bin\" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n", 0, "only data"},
        {"", 0, "no TRACK"},
    };
    for (const Case& c : cases) {
        const auto e = fixture::Thrown<InteropError>([&] { ReadCueSheet(c.sheet); });
        ASSERT_TRUE(e) << "accepted:\n" << c.sheet;
        EXPECT_EQ(e->Line(), c.line) << e->what() << "\n" << c.sheet;
        EXPECT_NE(std::string(e->what()).find(c.reason), std::string::npos) << e->what();
    }
}

// Track 1000 is refused above; 999 tracks, the most a sheet can number, are all read.
TEST(CueSheet, ReadsTheMostTracksASheetCanNumber) {
    std::string sheet;
    for (int i = 1; i <= 999; ++i) {
        sheet += "TRACK " + std::to_string(i) + " AUDIO\nINDEX 01 00:00:00\n";
    }
    EXPECT_EQ(ReadCueSheet(sheet).tracks.size(), 999u);
}

TEST(CueSheet, WritesWhatItReadsBack) {
    MarkerSet set;
    set.title = "Night \"Live\" Mix";
    set.artist = "DJ Ü";
    set.file = "night mix.wav";
    // Starts in frames at 44.1 kHz: on a cue frame, just below half a frame, at half, and
    // past 99 minutes.
    set.tracks = {{ExactTime{0, 44100}, "Intro", ""},
                  {ExactTime{44100 * 61 + 293, 44100}, "Tab\there", "Line\nbreak"},
                  {ExactTime{44100 * 125 + 294, 44100}, "\"Quoted\"", "Sigur Rós"},
                  {ExactTime{44100LL * 6100 + 588 * 3, 44100}, "", "Artist only"}};
    const std::string text = WriteCueSheet(set);
    // Quotes inside names become typographic ones: a reader ends a value at its second quote.
    EXPECT_EQ(text, "TITLE \"Night \u201CLive\u201D Mix\"\n"
                    "PERFORMER \"DJ Ü\"\n"
                    "FILE \"night mix.wav\" WAVE\n"
                    "  TRACK 01 AUDIO\n"
                    "    TITLE \"Intro\"\n"
                    "    INDEX 01 00:00:00\n"
                    "  TRACK 02 AUDIO\n"
                    "    TITLE \"Tab here\"\n"
                    "    PERFORMER \"Line break\"\n"
                    "    INDEX 01 01:01:00\n"
                    "  TRACK 03 AUDIO\n"
                    "    TITLE \"\u201CQuoted\u201D\"\n"
                    "    PERFORMER \"Sigur Rós\"\n"
                    "    INDEX 01 02:05:01\n"
                    "  TRACK 04 AUDIO\n"
                    "    PERFORMER \"Artist only\"\n"
                    "    INDEX 01 101:40:03\n");
    const MarkerSet back = ReadCueSheet(text);
    EXPECT_EQ(back.title, "Night \u201CLive\u201D Mix");
    EXPECT_EQ(back.artist, set.artist);
    EXPECT_EQ(back.file, set.file);
    ASSERT_EQ(back.tracks.size(), set.tracks.size());
    for (std::size_t i = 0; i < set.tracks.size(); ++i) {
        EXPECT_EQ(*back.tracks[i].start, sundrel::Rescaled(*set.tracks[i].start, 75));
    }
    EXPECT_EQ(back.tracks[1].title, "Tab here"); // control characters become spaces
    EXPECT_EQ(back.tracks[1].artist, "Line break");
    EXPECT_EQ(back.tracks[2].title, "\u201CQuoted\u201D");
    EXPECT_EQ(back.tracks[3], (TrackEntry{Cue(101, 40, 3), "", "Artist only", "", 4}));
    // Reading and writing again changes nothing.
    EXPECT_EQ(WriteCueSheet(back), text);
}

// A recording sheet as rekordbox writes it: the recording's FILE on top, the file each track
// was played from inside the track, times as h:mm:ss, titles repeated during a blend.
constexpr const char* kRekordboxSheet = R"(REM DATE 2026/12/05
REM GENRE "Deep House"
REM RECORDED_BY "rekordbox-dj"
TITLE "REC-2026-12-05"
PERFORMER "DJ Sundrel"
FILE "REC-2026-12-05.wav" WAVE
  TRACK 01 AUDIO
    TITLE "Cafe Del Mar"
    PERFORMER "Energy 52"
    FILE "C:\Music\Energy 52 - Cafe Del Mar.mp3" WAVE
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    TITLE "Strings of Life"
    PERFORMER "Rhythim Is Rhythim"
    FILE "C:\Music\Strings of Life.flac" WAVE
    INDEX 01 00:36:24
  TRACK 03 AUDIO
    TITLE "Strings of Life"
    PERFORMER "Rhythim Is Rhythim"
    FILE "C:\Music\Strings of Life.flac" WAVE
    INDEX 01 01:02:05
)";

TEST(CueSheet, ReadsARekordboxRecordingSheetAsOneMix) {
    const MarkerSet set = ReadCueSheet(kRekordboxSheet);
    EXPECT_EQ(set.file, "REC-2026-12-05.wav");
    EXPECT_EQ(set.artist, "DJ Sundrel");
    EXPECT_EQ(set.date, "2026/12/05");
    EXPECT_EQ(set.genre, "Deep House");
    EXPECT_TRUE(set.notes.empty()); // the sheet says who wrote it: no guess to report
    ASSERT_EQ(set.tracks.size(), 3u);
    EXPECT_EQ(*set.tracks[1].start, (ExactTime{36 * 60 + 24, 1})); // 36 min 24 s
    EXPECT_EQ(*set.tracks[2].start, (ExactTime{3600 + 2 * 60 + 5, 1}));
    EXPECT_EQ(set.tracks[0].sourceFile, "C:\\Music\\Energy 52 - Cafe Del Mar.mp3");
    EXPECT_EQ(set.tracks[1].title, "Strings of Life");
    // A seconds field past 59 cannot be rekordbox's h:mm:ss.
    std::string bad = kRekordboxSheet;
    bad.replace(bad.find("01:02:05"), 8, "01:02:65");
    const auto e = fixture::Thrown<InteropError>([&] { ReadCueSheet(bad); });
    ASSERT_TRUE(e) << "accepted seconds past 59";
    EXPECT_EQ(e->Line(), 21u);
    EXPECT_NE(std::string(e->what()).find("h:mm:ss"), std::string::npos) << e->what();
}

TEST(CueSheet, AnUnsignedRecordingSheetSaysWhichReadingItTook) {
    // Without RECORDED_BY: h:mm:ss when every time fits it, noted.
    std::string sheet = kRekordboxSheet;
    sheet.erase(sheet.find("REM RECORDED_BY"), sheet.find("TITLE") - sheet.find("REM RECORDED_BY"));
    MarkerSet set = ReadCueSheet(sheet);
    ASSERT_EQ(set.notes.size(), 1u);
    EXPECT_NE(set.notes[0].find("h:mm:ss"), std::string::npos) << set.notes[0];
    EXPECT_EQ(*set.tracks[1].start, (ExactTime{36 * 60 + 24, 1}));
    // A third field past 59 only mm:ss:ff can hold: the whole sheet is read so, and noted.
    sheet.replace(sheet.find("01:02:05"), 8, "01:02:70");
    set = ReadCueSheet(sheet);
    ASSERT_EQ(set.notes.size(), 1u);
    EXPECT_NE(set.notes[0].find("mm:ss:ff, which line 20"), std::string::npos) << set.notes[0];
    EXPECT_EQ(*set.tracks[1].start, Cue(0, 36, 24));
}

// A FILE repeated inside a track that names the recording itself is no second file (one file
// per track, as a CD's tracks are ripped, is refused above).
TEST(CueSheet, AFileRepeatedForTheRecordingIsNoSecondFile) {
    const MarkerSet set = ReadCueSheet("FILE \"mix.wav\" WAVE\nTRACK 01 AUDIO\n"
                                       "FILE \"mix.wav\" WAVE\nINDEX 01 00:00:00\n");
    EXPECT_EQ(set.tracks.at(0).sourceFile, "");
    EXPECT_EQ(*set.tracks[0].start, Cue(0, 0, 0));
}

// A CD image's sheet: CD-TEXT keywords, a pregap before track 1 and a data track at the end.
TEST(CueSheet, ReadsPastCdTextAndSkipsDataTracks) {
    const MarkerSet set = ReadCueSheet("REM DISCID 9A0B7C0C\n"
                                       "DISC_ID \"9A0B7C0C\"\n"
                                       "UPC_EAN \"0724384960650\"\n"
                                       "TOC_INFO1 \"x\"\nTOC_INFO2 \"y\"\nSIZE_INFO \"z\"\n"
                                       "GENRE \"Rock\"\n"
                                       "MESSAGE \"Enhanced CD\"\n"
                                       "PERFORMER \"Jethro Tull\"\nTITLE \"Aqualung\"\n"
                                       "FILE \"Aqualung.bin\" BINARY\n"
                                       "  TRACK 01 AUDIO\n"
                                       "    TITLE \"Aqualung\"\n"
                                       "    COMPOSER \"Ian Anderson\"\n"
                                       "    ARRANGER \"Dee Palmer\"\n"
                                       "    SONGWRITER \"Ian Anderson\"\n"
                                       "    INDEX 00 00:00:00\n"
                                       "    INDEX 01 00:01:33\n"
                                       "  TRACK 02 AUDIO\n"
                                       "    TITLE \"Wond'ring Aloud\"\n"
                                       "    INDEX 01 06:35:10\n"
                                       "  TRACK 03 MODE2/2336\n"
                                       "    TITLE \"Video\"\n"
                                       "    INDEX 01 08:30:00\n");
    ASSERT_EQ(set.tracks.size(), 2u);
    EXPECT_EQ(set.tracks[0], (TrackEntry{Cue(0, 1, 33), "Aqualung", "", "", 1}));
    EXPECT_EQ(set.tracks[1].title, "Wond'ring Aloud");
    ASSERT_EQ(set.notes.size(), 1u);
    EXPECT_EQ(set.notes[0], "line 22: track 3 is a data track (MODE2/2336); skipped");
}

// Tracks keep the numbers their sheet gives them: a sheet that starts at TRACK 03, one whose
// first track is data, one with a gap. The writer writes them back.
TEST(CueSheet, TracksKeepTheSheetsNumbersBothWays) {
    const std::string sheet = "FILE \"mix.wav\" WAVE\n"
                              "  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n"
                              "  TRACK 03 AUDIO\n    TITLE \"Three\"\n    INDEX 01 00:02:00\n"
                              "  TRACK 04 AUDIO\n    INDEX 00 03:00:00\n    INDEX 01 03:02:00\n"
                              "  TRACK 07 AUDIO\n    INDEX 01 09:00:00\n";
    const MarkerSet set = ReadCueSheet(sheet);
    ASSERT_EQ(set.tracks.size(), 3u);
    EXPECT_EQ(set.tracks[0].number, 3);
    EXPECT_EQ(set.tracks[1].number, 4);
    EXPECT_EQ(set.tracks[2].number, 7);
    EXPECT_EQ(set.notes.size(), 1u); // the data track
    const std::string written = WriteCueSheet(set);
    EXPECT_NE(written.find("TRACK 03 AUDIO\n    TITLE \"Three\"\n    INDEX 01 00:02:00"),
              std::string::npos)
        << written;
    EXPECT_NE(written.find("TRACK 07 AUDIO\n    INDEX 01 09:00:00"), std::string::npos);
    EXPECT_EQ(ReadCueSheet(written).tracks, set.tracks);

    // Numbers that do not rise, or none, are made to: the sheet must read back.
    MarkerSet odd;
    odd.tracks = {{ExactTime{0, 75}, "A", "", "", 5},
                  {ExactTime{75, 75}, "B", "", "", 2},
                  {ExactTime{150, 75}, "C", "", "", 0}};
    MarkerSet back = ReadCueSheet(WriteCueSheet(odd));
    EXPECT_EQ(back.tracks.at(0).number, 5);
    EXPECT_EQ(back.tracks.at(1).number, 6);
    EXPECT_EQ(back.tracks.at(2).number, 7);
    // Past 999 no sheet can number them: all are counted from 1 instead.
    odd.tracks[0].number = 998;
    back = ReadCueSheet(WriteCueSheet(odd));
    EXPECT_EQ(back.tracks.at(0).number, 1);
    EXPECT_EQ(back.tracks.at(2).number, 3);
}

TEST(CueSheet, WrittenQuotesAndRemarksReadBackInEveryReader) {
    MarkerSet set;
    set.date = "2026-12-05";
    set.genre = "Deep \"House\"";
    set.tracks = {{ExactTime{0, 75}, "Blue Monday (12\" Version)", "New Order"},
                  {ExactTime{75, 75}, "\"Heroes\"", "David Bowie"}};
    const std::string text = WriteCueSheet(set);
    EXPECT_EQ(text, "REM DATE 2026-12-05\n"
                    "REM GENRE \"Deep \u201CHouse\u201D\"\n"
                    "  TRACK 01 AUDIO\n"
                    "    TITLE \"Blue Monday (12\u201D Version)\"\n"
                    "    PERFORMER \"New Order\"\n"
                    "    INDEX 01 00:00:00\n"
                    "  TRACK 02 AUDIO\n"
                    "    TITLE \"\u201CHeroes\u201D\"\n"
                    "    PERFORMER \"David Bowie\"\n"
                    "    INDEX 01 00:01:00\n");
    // Each quoted value holds exactly two straight quotes, as every reader expects: the text above.
    const MarkerSet back = ReadCueSheet(text);
    EXPECT_EQ(back.date, "2026-12-05");
    EXPECT_EQ(back.genre, "Deep \u201CHouse\u201D");
    EXPECT_EQ(back.tracks[0].title, "Blue Monday (12\u201D Version)");
}

TEST(CueSheet, WriterNamesTheFileTypeAndRefusesWhatItCannotWrite) {
    MarkerSet set;
    set.tracks = {{ExactTime{0, 75}, "", ""}};
    set.file = "mix.MP3";
    EXPECT_NE(WriteCueSheet(set).find("FILE \"mix.MP3\" MP3\n"), std::string::npos);
    set.file = "mix.aiff";
    EXPECT_NE(WriteCueSheet(set).find("FILE \"mix.aiff\" AIFF\n"), std::string::npos);
    set.file = "";
    EXPECT_EQ(WriteCueSheet(set), "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");

    MarkerSet bad = set;
    bad.tracks.push_back({std::nullopt, "no start", ""});
    EXPECT_THROW(WriteCueSheet(bad), std::invalid_argument);
    bad.tracks.back().start = ExactTime{-1, 75};
    EXPECT_THROW(WriteCueSheet(bad), std::invalid_argument);
    bad.tracks = {{ExactTime{2, 75}, "", ""}, {ExactTime{1, 75}, "", ""}};
    EXPECT_THROW(WriteCueSheet(bad), std::invalid_argument);
}

} // namespace
