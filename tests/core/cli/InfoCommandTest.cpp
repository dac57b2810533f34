#include "core/cli/CliRunner.h"
#include "support/WavFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using clitest::RunCli;
using fixture::Bytes;
using fixture::Format;
using testing::HasSubstr;

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

// Over-4-GiB data sizes: read to the end, to the chunk after the audio, or reported as uncertain.
TEST(CliInfo, WrappedSizesAreReportedWithHowTheyWereFound) {
    fixture::TempDir dir;
    const std::uint64_t audio = 5ull << 30; // 8:27:14.858 of 16-bit stereo 44.1 kHz
    const Bytes head = fixture::WavBuilder()
                           .Fmt({})
                           .ChunkDeclared("data", static_cast<std::uint32_t>(audio), {})
                           .Build();
    const Bytes list = fixture::BytesOf(std::string("LIST\x04\0\0\0INFO", 12));
    fixture::WriteSparse(dir / "list.wav", head, 44 + audio);
    fixture::WriteAt(dir / "list.wav", 44 + audio, list);
    fixture::WriteSparse(dir / "odd.wav", head, 44 + audio + 12);
    const std::uint64_t total = 6ull << 30;
    fixture::WriteSparse(
        dir / "long.wav",
        fixture::WavBuilder().Fmt({}).ChunkDeclared("data", 0xFFFFFFFFu, {}).Build(), total);

    const auto r = RunCli({"info", (dir / "list.wav").string(), (dir / "odd.wav").string(),
                           (dir / "long.wav").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("  data size:   " + std::to_string(audio) +
                                 " bytes (size field wrapped at 4 GiB; read to the chunk after "
                                 "the audio)\n  duration:    8:27:14.858\n"));
    EXPECT_THAT(r.out, HasSubstr("  data size:   1073741824 bytes (WARNING: the file holds " +
                                 std::to_string(audio - (1u << 30) + 12) +
                                 " more bytes, and no chunk stands where the 32-bit size field "
                                 "ends; if it wrapped at 4 GiB, audio after this is not read)\n"));
    EXPECT_THAT(r.out, HasSubstr("  data size:   " + std::to_string(total - 44) +
                                 " bytes (size field wrapped at 4 GiB; read to the end of the "
                                 "file)\n  duration:    10:08:41.830"));
}

} // namespace
