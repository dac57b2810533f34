#include "core/interop/MarkerTextKind.h"

#include <gtest/gtest.h>

namespace {

using sundrel::GuessMarkerTextKind;
using sundrel::MarkerFileKind;

TEST(MarkerTextKind, TellsPastedTextByItsShape) {
    struct Case {
        const char* text;
        MarkerFileKind kind;
    };
    const Case cases[] = {
        // Cue sheets: TRACK and INDEX lines, indented or not, any case, CRLF, a BOM.
        {"FILE \"mix.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n", MarkerFileKind::Cue},
        {"\xEF\xBB\xBFtrack 01 audio\r\nindex 01 00:00:00\r\n", MarkerFileKind::Cue},
        {"REM x\n\tTRACK 01 AUDIO\n\tTITLE \"A\"\n\tINDEX\t01 00:00:00\n", MarkerFileKind::Cue},
        // Only one of the two keywords, or a keyword inside a word or a name: not a cue sheet.
        {"TRACK 01 AUDIO\n", MarkerFileKind::Tracklist},
        {"03:15 Index - Track Two\n04:00 Tracker - Indexed\n", MarkerFileKind::Tracklist},
        {"TRACKS 01\nINDEXES 01\n", MarkerFileKind::Tracklist},
        {"00:00 TRACK 1\n03:00 INDEX 2\n", MarkerFileKind::Tracklist},
        // Label files: two times and a tab, point or region, comma decimals, blank lines first.
        {"0.000000\t0.000000\tIntro\n", MarkerFileKind::Labels},
        {"\n\n12.5\t200,25\tArtist - Title\r\n", MarkerFileKind::Labels},
        {"3\t3\t\n", MarkerFileKind::Labels},
        // Times with spaces, one time only, or a tracklist time with colons: a tracklist.
        {"0.0 0.0 Intro\n", MarkerFileKind::Tracklist},
        {"12.5\tIntro\n", MarkerFileKind::Tracklist},
        {"03:15\t03:15\tIntro\n", MarkerFileKind::Tracklist},
        {" 1.0\t1.0\tIndented\n", MarkerFileKind::Tracklist},
        {"Artist - Title\nOther - Song\n", MarkerFileKind::Tracklist},
        {"", MarkerFileKind::Tracklist},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GuessMarkerTextKind(c.text), c.kind) << c.text;
    }
}

} // namespace
