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
    fixture::TempDir dir;
    const auto mix = dir / "mix.wav";
    const fixture::Format f{1, 1, 8000, 8};
    fixture::WriteFile(mix, fixture::CanonicalWav(f, fixture::TestSignal(f, 200'000)));
    const auto project = dir / "mix.sdr";
    sundrel::WriteProject(project, mix.string(),
                          std::vector<sundrel::Marker>{sundrel::FrameMarker(0)});
    const std::vector<std::vector<std::string>> commands{
        {"info", mix.string()},
        {"project", project.string()},
        {"suggest", mix.string(), "--json"},
        {"export", mix.string(), "--at", "10", "--to-cue", "-"},
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
    fixture::TempDir dir;
    const auto mix = dir / "mix.wav";
    const fixture::Format f{1, 1, 8000, 8};
    const auto audio = fixture::TestSignal(f, 200'000);
    fixture::WriteFile(mix, fixture::CanonicalWav(f, audio));
    const auto r =
        RunCliRedirected({"split", mix.string(), "--at", "10", "-o", dir.Path().string()}, ">&-");
    EXPECT_EQ(r.status, 3) << r.err;
    const auto track = fixture::ReadFile(dir / "track01.wav");
    ASSERT_EQ(track.size(), 44u + 80'000u);
    EXPECT_EQ(fixture::Slice(track, 44), fixture::Slice(audio, 0, 80'000));
}

} // namespace
