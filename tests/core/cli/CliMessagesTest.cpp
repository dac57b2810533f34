// Refusals that say what is really wrong: a project marker past the end of the mix, text in
// UTF-16 without its mark, a WAV cut inside the data chunk's header, an unknown or missing
// command, a missing file, times and numbers that are none, and a folder that cannot be made.

#include "core/cli/CliRunner.h"
#include "core/markers/Marker.h"
#include "core/project/ProjectFile.h"
#include "support/WavFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using clitest::RunCli;
using testing::HasSubstr;

// A version 3 project (a named marker) whose marker lies past the mix is refused as a marker
// file with that time is; nothing is written.
TEST(CliMessages, ProjectMarkerPastTheEndIsRefused) {
    const clitest::MixFolder f;
    sundrel::Marker far = sundrel::FrameMarker(1'000'000'000'000);
    far.title = "Far";
    const fs::path project = f.dir / "far.sdr";
    sundrel::WriteProject(project, f.mix.string(),
                          std::vector<sundrel::Marker>{sundrel::FrameMarker(0), far});
    const auto r = RunCli({"split", "--project", project.string(), "-o", f.dir.Path().string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("marker 1 at frame 1000000000000"));
    EXPECT_THAT(r.err, HasSubstr("lies at or after the end of the mix (0:00:25.000)"));
    EXPECT_FALSE(fs::exists(f.dir / "track01.wav"));
    // Within the mix the same project splits.
    sundrel::Marker near = sundrel::FrameMarker(80'000);
    near.title = "Near";
    sundrel::WriteProject(project, f.mix.string(),
                          std::vector<sundrel::Marker>{sundrel::FrameMarker(0), near});
    EXPECT_EQ(RunCli({"split", "--project", project.string(), "-o", f.dir.Path().string()}).status,
              0);
}

// Each refusal names its cause, with the exit status for its kind (1 the command line, 2 an
// input, 3 an output), prints nothing on standard output and writes no track.
TEST(CliMessages, EachRefusalNamesItsCause) {
    const clitest::MixFolder f;
    const std::string mix = f.mix.string();
    fixture::WriteFile(f.dir / "plain", fixture::Bytes(3));
    fixture::WriteFile(f.dir / "bad.sdr", fixture::Bytes(10, std::byte{9}));
    fixture::WriteFile(f.dir / "bad.wav", fixture::Bytes(64, std::byte{'x'}));
    const std::string bad = (f.dir / "bad.wav").string();
    // "00:00 Intro" in UTF-16LE without the byte order mark.
    std::string utf16;
    for (const char c : std::string("00:00 Intro\n01:00 Next\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    fixture::WriteText(f.dir / "list.txt", utf16);
    // A WAV that ends four bytes into its data chunk's header.
    fixture::Bytes cut = fixture::CanonicalWav({}, fixture::Bytes(400));
    cut.resize(36 + 4);
    fixture::WriteFile(f.dir / "cut.wav", cut);
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;
    };
    const Case cases[] = {
        {{"split", mix, "--tracklist", (f.dir / "list.txt").string()},
         2,
         "UTF-16 text without a byte order mark"},
        {{"info", (f.dir / "cut.wav").string()}, 2, "ends inside the data chunk's header"},
        {{"frobnicate"}, 1, "frobnicate: not a command"},
        {{}, 1, "A subcommand is required"},
        {{"info"}, 1, "FILE is required"},
        {{"suggest", mix, "--min-track", "nan"}, 1, "--min-track: not a number"},
        {{"split"}, 1, "give MIX"},
        {{"split", mix, "--at", "3:7x"}, 1, "not a time"},
        {{"split", mix, "--at", "0.5"}, 1, "You can't set Marker at the begin point"},
        {{"split", mix, "--at", "24.5"}, 1, "You can't set Marker at the end point"},
        {{"split", mix, "--percent", "101"}, 1, "not a percentage"},
        {{"split", (f.dir / "none.wav").string()}, 2, "none.wav"},
        {{"split", mix, "--project", (f.dir / "bad.sdr").string()}, 2, "unknown version 9"},
        // A file where the folder should be: said before the mix is read.
        {{"split", mix, "-o", (f.dir / "plain").string()}, 3, "plain: cannot create the folder"},
        {{"project", (f.dir / "none.sdr").string()}, 2, "none.sdr"},
        {{"split", mix, "--tracks", "2"}, 1, "--tracks requires --suggested"},
        {{"suggest"}, 1, "MIX is required"},
        {{"suggest", mix, "--tracks", "0"}, 1, "--tracks: Value 0 not in range"},
        {{"suggest", mix, "--min-track", "-5"}, 1, "--min-track: Value -5 not in range"},
        {{"suggest", mix, "--bogus"}, 1, "not expected: --bogus"},
        {{"suggest", (f.dir / "missing.wav").string()}, 2, "missing.wav: cannot open"},
        {{"suggest", bad}, 2, "sundrel-cli suggest: " + bad + ": not a RIFF/WAVE file"},
        {{"analyse", bad}, 2, "sundrel-cli analyse: " + bad + ": not a RIFF/WAVE file"},
    };
    for (const Case& c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.status, c.status) << testing::PrintToString(c.args) << ": " << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.says));
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_FALSE(fs::exists(f.dir / "track01.wav"));
}

} // namespace
