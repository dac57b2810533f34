#include "core/cli/CliRunner.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>

namespace {

using clitest::RunCli;
using fixture::Format;

TEST(CliInfo, ReportsEveryFileAndNamesTheUnusableOnes) {
    fixture::TempDir dir;
    fixture::WriteFile(dir / "a.wav", fixture::CanonicalWav(Format{}, fixture::Bytes(1000000)));
    fixture::WriteFile(dir / "b.wav", fixture::WavBuilder()
                                          .Chunk("LIST", fixture::Bytes(10))
                                          .Fmt(Format{3, 1, 48000, 32}, true)
                                          .Data(fixture::Bytes(192000 * 3))
                                          .Build());
    fixture::WriteFile(dir / "bad.wav", fixture::Bytes(50, std::byte{'x'}));

    const auto r = RunCli(
        {"info", (dir / "a.wav").string(), (dir / "bad.wav").string(), (dir / "b.wav").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, (dir / "a.wav").string() +
                         "\n"
                         "  format:      PCM 16-bit stereo 44100 Hz\n"
                         "  frame size:  4 bytes\n"
                         "  data offset: 44\n"
                         "  data size:   1000000 bytes\n"
                         "  duration:    0:00:05.668\n"
                         "\n" +
                         (dir / "b.wav").string() +
                         "\n"
                         "  format:      float 32-bit mono 48000 Hz (extensible)\n"
                         "  frame size:  4 bytes\n"
                         "  data offset: 86\n"
                         "  data size:   576000 bytes\n"
                         "  duration:    0:00:03.000\n");
    EXPECT_EQ(r.err, "sundrel-cli: " + (dir / "bad.wav").string() + ": not a RIFF/WAVE file\n");
}

TEST(CliInfo, UsageErrorsExitWithOne) {
    EXPECT_EQ(RunCli({}).status, 1);
    EXPECT_EQ(RunCli({"info"}).status, 1);
    EXPECT_EQ(RunCli({"frobnicate"}).status, 1);
    const auto help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("info"), std::string::npos);
}

TEST(CliInfo, ReportsSparseFilesOverFourGiB) {
    fixture::TempDir dir;
    const std::uint64_t total = 6ull << 30;
    fixture::WriteSparse(
        dir / "long.wav",
        fixture::WavBuilder().Fmt({}).ChunkDeclared("data", 0xFFFFFFFFu, {}).Build(), total);
    const auto r = RunCli({"info", (dir / "long.wav").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("  data size:   " + std::to_string(total - 44) +
                         " bytes (size field wrapped at 4 GiB; read to the end of the file)\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("  duration:    10:08:41.830"), std::string::npos) << r.out;
}

} // namespace
