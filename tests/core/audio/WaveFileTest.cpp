#include "core/audio/WaveFile.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>

namespace {

using fixture::Format;
using fixture::WavBuilder;

TEST(WaveFile, CanonicalStereoFileOfAMillionDataBytes) {
    fixture::TempDir dir;
    fixture::WriteFile(dir / "mix.wav", fixture::CanonicalWav(Format{}, fixture::Bytes(1000000)));
    const CWaveFile wave(dir / "mix.wav");
    EXPECT_EQ(wave.m_nFileSize, 1000044u);
    EXPECT_EQ(wave.GetLength(), 1000044u);
    EXPECT_EQ(wave.m_wfx.wFormatTag, 1);
    EXPECT_EQ(wave.m_wfx.nBlockAlign, 4);
    EXPECT_EQ(wave.m_wfx.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(wave.m_wfx.cbSize, 0);
    EXPECT_DOUBLE_EQ(wave.GetDuration(), 1000000.0 / 176400.0);
    EXPECT_FALSE(wave.m_bStop);
}

TEST(WaveFile, EightBitMonoAndComputedRates) {
    fixture::TempDir dir;
    fixture::WriteFile(dir / "m.wav", fixture::CanonicalWav(Format{1, 1, 22050, 8}, fixture::Bytes(22050)));
    const CWaveFile wave(dir / "m.wav");
    EXPECT_EQ(wave.m_wfx.nBlockAlign, 1);
    EXPECT_EQ(wave.m_wfx.nAvgBytesPerSec, 22050u);
    EXPECT_DOUBLE_EQ(wave.GetDuration(), 1.0);
}

TEST(WaveFile, ExtraChunksAreNotAudio) {
    // The described program counted everything after byte 44 as audio; here only the data
    // chunk is, so the duration and the data range are those of the audio alone.
    fixture::TempDir dir;
    fixture::WriteFile(dir / "x.wav", WavBuilder()
                                          .Chunk("LIST", fixture::Bytes(70))
                                          .Fmt(Format{})
                                          .Data(fixture::Bytes(176400))
                                          .Chunk("id3 ", fixture::Bytes(1000))
                                          .Build());
    const CWaveFile wave(dir / "x.wav");
    EXPECT_EQ(wave.m_nDataOffset, 12u + 78 + 24 + 8);
    EXPECT_EQ(wave.m_nDataSize, 176400u);
    EXPECT_DOUBLE_EQ(wave.GetDuration(), 1.0);
    EXPECT_EQ(wave.GetLength(), 176444u);
}

TEST(WaveFile, LengthsBeyondFloatPrecisionStayExact) {
    // 700,000,044 bytes used to be held as the float 700,000,064.
    fixture::TempDir dir;
    const fixture::Bytes head = fixture::CanonicalWav(Format{}, {});
    fixture::Bytes header(head.begin(), head.begin() + 40);
    fixture::Put32(header, 700000000u);
    fixture::WriteSparse(dir / "long.wav", header, 700000044u);
    const CWaveFile wave(dir / "long.wav");
    EXPECT_EQ(wave.m_nDataSize, 700000000u);
    EXPECT_EQ(wave.GetLength(), 700000044u);
    EXPECT_DOUBLE_EQ(wave.GetDuration(), 700000000.0 / 176400.0);
}

TEST(WaveFile, RefusalNamesTheFileAndTheReason) {
    fixture::TempDir dir;
    const auto message = [](const std::filesystem::path& p) -> std::string {
        try {
            CWaveFile wave(p);
        } catch (const sundrel::WaveFileError& e) {
            return e.what();
        }
        return "accepted";
    };
    EXPECT_EQ(message(dir / "missing.wav"),
              (dir / "missing.wav").string() + ": cannot open: No such file or directory");
    fixture::WriteFile(dir / "text.wav", fixture::Bytes(100, std::byte{'a'}));
    EXPECT_EQ(message(dir / "text.wav"), (dir / "text.wav").string() + ": not a RIFF/WAVE file");
    fixture::WriteFile(dir / "empty.wav", {});
    EXPECT_EQ(message(dir / "empty.wav"),
              (dir / "empty.wav").string() + ": not a RIFF/WAVE file (only 0 bytes)");
    EXPECT_EQ(message(dir.Path()), dir.Path().string() + ": not a regular file");
}

} // namespace
