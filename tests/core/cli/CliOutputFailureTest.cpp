#include "core/cli/CliRunner.h"
#include "core/markers/Marker.h"
#include "core/project/ProjectFile.h"
#include "support/WavFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using clitest::RunCliRedirected;
using testing::HasSubstr;

// Every command that prints something fails with status 3 when its output goes nowhere: a full
// device or a closed standard output.
TEST(CliOutputFailure, EveryCommandReportsAnOutputItCannotWrite) {
    const clitest::MixFolder m;
    const std::string mix = m.mix.string();
    const auto project = m.dir / "mix.sdr";
    sundrel::WriteProject(project, mix, std::vector<sundrel::Marker>{sundrel::FrameMarker(0)});
    const std::vector<std::vector<std::string>> commands{
        {"info", mix},
        {"project", project.string()},
        {"suggest", mix, "--json"},
        {"export", mix, "--at", "10", "--to-cue", "-"},
        {"--help"},
        {"split", "--help"},
        {"--version"},
    };
    for (const std::string redirect : {">/dev/full", ">&-"}) {
        for (const auto& args : commands) {
            SCOPED_TRACE(redirect + " " + args[0] + " " + args.back());
            const auto r = RunCliRedirected(args, redirect);
            EXPECT_EQ(r.status, 3) << r.err;
            EXPECT_THAT(r.err, HasSubstr("standard output cannot be written"));
        }
    }
}

// A split whose standard output is closed writes its list nowhere, never into a track file
// that took the closed descriptor's number.
TEST(CliOutputFailure, ClosedOutputNeverReachesATrack) {
    const clitest::MixFolder m;
    const auto r = RunCliRedirected(
        {"split", m.mix.string(), "--at", "10", "-o", m.dir.Path().string()}, ">&-");
    EXPECT_EQ(r.status, 3) << r.err;
    const auto track = fixture::ReadFile(m.dir / "track01.wav");
    ASSERT_EQ(track.size(), 44u + 80'000u);
    EXPECT_EQ(fixture::Slice(track, 44), fixture::Slice(m.bytes, 44, 80'000));
}

} // namespace
