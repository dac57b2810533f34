// Refusals that say what is really wrong: a project marker past the end of the mix, text in
// UTF-16 without its mark, a WAV cut inside the data chunk's header, an unknown or missing
// command, a missing file and a --min-track that is not a number.

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

TEST(CliMessages, EachRefusalNamesItsCause) {
    const clitest::MixFolder f;
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
        const char* says;
    };
    const Case cases[] = {
        {{"split", f.mix.string(), "--tracklist", (f.dir / "list.txt").string()},
         2,
         "UTF-16 text without a byte order mark"},
        {{"info", (f.dir / "cut.wav").string()}, 2, "ends inside the data chunk's header"},
        {{"frobnicate"}, 1, "frobnicate: not a command"},
        {{}, 1, "A subcommand is required"},
        {{"info"}, 1, "FILE is required"},
        {{"suggest", f.mix.string(), "--min-track", "nan"}, 1, "--min-track: not a number"},
    };
    for (const Case& c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.status, c.status) << testing::PrintToString(c.args) << ": " << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.says));
    }
}

} // namespace
