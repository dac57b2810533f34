// Marker files on the command line: a cue sheet (naming the mix) cut into named, tagged tracks
// in one step, a tracklist without times naming markers, export and its round trip, and the
// refusals that write nothing.

#include "core/cli/CliRunner.h"
#include "core/interop/MarkerFiles.h"
#include "core/project/ProjectFile.h"
#include "support/WavFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using clitest::RunCli;
using testing::HasSubstr;

// 300 s of 8-bit mono at 8 kHz, and a cue sheet for it in CRLF with a byte order mark.
struct Set : clitest::MixFolder {
    fs::path cue = dir / "night.cue";
    Set() : MixFolder(300, "Night Mix.wav") {
        fixture::WriteText(cue,
                           "\xEF\xBB\xBFPERFORMER \"DJ Ω\"\r\nTITLE \"Night\"\r\n"
                           "FILE \"Night Mix.wav\" WAVE\r\n"
                           "  TRACK 01 AUDIO\r\n    TITLE \"Intro\"\r\n    INDEX 01 00:00:00\r\n"
                           "  TRACK 02 AUDIO\r\n    TITLE \"Café\"\r\n    PERFORMER \"B/C\"\r\n"
                           "    INDEX 01 01:01:37\r\n"
                           "  TRACK 03 AUDIO\r\n    TITLE \"Last\"\r\n    INDEX 01 04:00:00\r\n");
    }
};

TEST(CliMarkerFiles, ACueSheetAloneGivesNamedTaggedTracks) {
    Set s;
    const fs::path out = s.dir / "out";
    fs::create_directory(out);
    const auto run = RunCli({"split", "--cue", s.cue.string(), "--names", "{nn} {artist} - {title}",
                             "-o", out.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    // 61 s + 37/75 s is frame 488,000 - 8000 * 37 / 75 = 3946.67, rounded to 488,000 + 3947.
    EXPECT_EQ(run.out, "01 Intro.wav  0:00:00.000  0:01:01.493\n"
                       "02 B_C - Café.wav  0:01:01.493  0:02:58.506\n"
                       "03 Last.wav  0:04:00.000  0:01:00.000\n");
    const fixture::Bytes track2 = fixture::ReadFile(out / "02 B_C - Café.wav");
    const fixture::Bytes audio = fixture::ReadFile(s.mix);
    EXPECT_EQ(fixture::Slice(track2, 44, 1'920'000 - 491'947),
              fixture::Slice(audio, 44 + 491'947, 1'920'000 - 491'947));
    // The tags follow the audio: the title and the mix's title as the album.
    const std::string tail(reinterpret_cast<const char*>(track2.data()) + 44 + 1'428'053,
                           track2.size() - 44 - 1'428'053);
    EXPECT_THAT(tail, HasSubstr("Café"));
    EXPECT_THAT(tail, HasSubstr("Night"));
}

TEST(CliMarkerFiles, TracklistNamesAndExportRoundTrips) {
    Set s;
    fixture::WriteText(s.dir / "names.txt", "1. A - One\n2. B – Two\n3) Three by C\n");
    const fs::path out = s.dir / "out";
    fs::create_directory(out);
    // Names without times for the markers --at places; a wrong count changes nothing.
    auto run = RunCli({"split", s.mix.string(), "--at", "100", "--tracklist",
                       (s.dir / "names.txt").string(), "-o", out.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("names 3 tracks, but the markers make 2"));
    EXPECT_TRUE(fs::is_empty(out));
    run = RunCli({"export", s.mix.string(), "--at", "100", "--at", "200", "--tracklist",
                  (s.dir / "names.txt").string(), "--to-cue", (s.dir / "back.cue").string(),
                  "--to-labels", (s.dir / "back.txt").string(), "--to-tracklist", "-"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "00:00 A - One\n01:40 B - Two\n03:20 C - Three\n");
    for (const auto& [file, kind] : {std::pair{"back.cue", sundrel::MarkerFileKind::Cue},
                                     std::pair{"back.txt", sundrel::MarkerFileKind::Labels}}) {
        const sundrel::MarkerSet set = sundrel::ReadMarkerFile(s.dir / file, kind);
        ASSERT_EQ(set.tracks.size(), 3u) << file;
        EXPECT_EQ(set.tracks[2].title, "Three");
        EXPECT_EQ(set.tracks[2].artist, "C");
    }
    // Both outputs of one export keep the mix's names (that the cue writer's starts and names
    // read back: CueSheetTest).
    run = RunCli({"export", "--cue", s.cue.string(), "--to-cue", (s.dir / "again.cue").string(),
                  "--to-project", (s.dir / "p.sdr").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(sundrel::ReadMarkerFile(s.dir / "again.cue", sundrel::MarkerFileKind::Cue).title,
              "Night");
    const sundrel::ProjectFile project = sundrel::ReadProject(s.dir / "p.sdr");
    EXPECT_EQ(project.mix, (sundrel::MixInfo{"Night", "DJ Ω"}));
    EXPECT_EQ(project.markers.at(1).frame, 491'947);
}

TEST(CliMarkerFiles, RefusalsSayWhy) {
    Set s;
    fixture::WriteText(s.dir / "bad.cue",
                       "FILE \"x.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:99:00\n");
    fixture::WriteText(s.dir / "other.cue",
                       "FILE \"other.wav\" WAVE\nTRACK 01 AUDIO\n"
                       "INDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:10:00\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;
    };
    const std::string mix = s.mix.string();
    const std::vector<Case> cases = {
        {{"split", mix, "--cue", (s.dir / "bad.cue").string()},
         2,
         "bad.cue: not a usable cue sheet: line 3"},
        {{"split", mix, "--cue", s.cue.string(), "--labels", s.cue.string()}, 2, "label file"},
        {{"split", mix, "--cue", s.cue.string(), "--project", s.cue.string()}, 2, "night.cue"},
        {{"split", mix, "--names", "{nn} {titel}"}, 1, "--names: "},
        {{"split", mix, "--format", "mp3"}, 1, "mp3"},
        {{"export", mix, "--at", "10"}, 1, "say what to write"},
        {{"suggest", mix, "--tracklist", (s.dir / "none.txt").string()}, 2, "none.txt"},
    };
    for (const Case& c : cases) {
        const auto run = RunCli(c.args);
        EXPECT_EQ(run.status, c.status) << c.args[2] << " " << run.err;
        EXPECT_THAT(run.err, HasSubstr(c.says)) << c.args[2];
    }
    // A sheet for another file is used for the mix given, with a warning.
    const fs::path out = s.dir / "o";
    fs::create_directory(out);
    const auto run =
        RunCli({"split", mix, "--cue", (s.dir / "other.cue").string(), "-o", out.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("other.cue is for other.wav; using its tracks for"));
    EXPECT_TRUE(fs::exists(out / "track02.wav"));
}

// Mixxx's first track starts 1.8 s in: --pregap separate makes that second a track 0 of its
// own, which --strict does not count as too short; an unknown choice is refused. (Reading the
// sheet and the lead-in itself: CueSheetTest, MixSessionSourcesTest.)
TEST(CliMarkerFiles, PregapChoosesTheLeadInTrack) {
    Set s;
    fixture::WriteText(s.dir / "mixxx.cue", "PERFORMER \"DJ\"\nFILE \"Night Mix.wav\" WAVE\n"
                                            "TRACK 01 AUDIO\n  TITLE \"A\"\n  INDEX 01 00:01:60\n"
                                            "TRACK 02 AUDIO\n  TITLE \"B\"\n  INDEX 01 01:00:00\n");
    const fs::path separate = s.dir / "separate";
    fs::create_directory(separate);
    auto run = RunCli({"split", "--cue", (s.dir / "mixxx.cue").string(), "--names", "{nn} {title}",
                       "--pregap", "separate", "--strict", "-o", separate.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "00 pregap.wav  0:00:00.000  0:00:01.800\n"
                       "01 A.wav  0:00:01.800  0:00:58.200\n"
                       "02 B.wav  0:01:00.000  0:04:00.000\n");
    run = RunCli({"split", "--cue", (s.dir / "mixxx.cue").string(), "--pregap", "apart"});
    EXPECT_EQ(run.status, 1);
}

// --shift moves every marker but the start, from any source; out of the mix it is refused.
// --snap reports where each marker went.
TEST(CliMarkerFiles, ShiftAndSnapMoveTheImportedMarkers) {
    Set s;
    auto run = RunCli({"export", "--cue", s.cue.string(), "--shift", "-1.25", "--at", "200",
                       "--to-tracklist", "-"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "00:00 Intro\n01:00 B/C - Café\n03:19\n03:59 Last\n");
    run = RunCli({"export", "--cue", s.cue.string(), "--shift", "61", "--to-tracklist", "-"});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("--shift +61.000 s: track 3 would start at or after the end"));
    run = RunCli({"export", "--cue", s.cue.string(), "--snap", "5", "--to-tracklist", "-"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.err, testing::ContainsRegex("--snap: track 2 (from 0:01:01.493 to .* s\\)|"
                                                "stays at 0:01:01.493: no transition within 5 s)"));
    EXPECT_THAT(run.err, HasSubstr("--snap: track 3 "));
}

} // namespace
