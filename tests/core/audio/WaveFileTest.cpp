#include "core/audio/WaveFile.h"
#include "support/Thrown.h"
#include "support/WavFixture.h"

#include <cstring>
#include <gtest/gtest.h>
#include <tuple>

namespace {

using fixture::Bytes;
using fixture::Format;

// The mix keeps each fact of the file once; what it says must match the chunk reader's view.
TEST(WaveFile, KeepsEveryFactTheChunksGive) {
    fixture::TempDir dir;
    const Bytes audio(4800);
    Bytes rf64 = fixture::WavBuilder().Fmt({}).Data(audio).Build();
    {
        // The same file as RF64: sizes in a ds64 chunk, 0xFFFFFFFF in the 32-bit fields.
        Bytes ds64;
        fixture::Put64(ds64, rf64.size() + 36 - 8);
        fixture::Put64(ds64, audio.size());
        fixture::Put64(ds64, audio.size() / 4);
        fixture::Put32(ds64, 0);
        rf64 = fixture::WavBuilder()
                   .Chunk("ds64", ds64)
                   .Fmt({})
                   .ChunkDeclared("data", 0xFFFFFFFFu, audio)
                   .Build();
        std::memcpy(rf64.data(), "RF64", 4);
        for (int i = 4; i < 8; ++i) {
            rf64[static_cast<std::size_t>(i)] = std::byte{0xFF};
        }
    }
    const Bytes files[] = {
        fixture::CanonicalWav({}, audio),
        fixture::ChunkyWav({3, 1, 48000, 32}, audio, true),
        fixture::WavBuilder().Fmt({1, 2, 96000, 24}, true).Data(audio).Build(),
        fixture::WavBuilder().Fmt({}).ChunkDeclared("data", 100000, audio).Build(),
        rf64,
    };
    int rf64Files = 0;
    int truncatedFiles = 0;
    int extensibleFiles = 0;
    for (const Bytes& file : files) {
        fixture::WriteFile(dir / "mix.wav", file);
        const sundrel::WaveLayout layout = sundrel::ReadWaveLayout(file);
        const CWaveFile wave(dir / "mix.wav");
        const sundrel::WaveFormat f = wave.GetFormat();
        EXPECT_EQ((std::tuple{f.formatTag, f.channels, f.sampleRate, f.bitsPerSample, f.extensible,
                              wave.m_container, wave.m_bDataTruncated, wave.m_bDataSizeRecovered,
                              wave.m_nDataOffset, wave.m_nDataSize}),
                  (std::tuple{layout.format.formatTag, layout.format.channels,
                              layout.format.sampleRate, layout.format.bitsPerSample,
                              layout.format.extensible, layout.container, layout.dataTruncated,
                              layout.dataSizeRecovered, layout.dataOffset, layout.dataSize}));
        EXPECT_EQ(sundrel::DescribeFormat(f), sundrel::DescribeFormat(layout.format));
        // Only the data chunk is audio: other chunks count for neither length nor duration.
        EXPECT_EQ(wave.GetLength(), layout.dataSize + 44);
        EXPECT_DOUBLE_EQ(wave.GetDuration(),
                         double(layout.dataSize) / double(layout.format.ByteRate()));
        rf64Files += wave.m_container == sundrel::Container::Rf64;
        truncatedFiles += wave.m_bDataTruncated;
        extensibleFiles += f.extensible;
    }
    EXPECT_EQ(std::tuple(rf64Files, truncatedFiles, extensibleFiles), std::tuple(1, 1, 2));
}

TEST(WaveFile, LengthsBeyondFloatPrecisionStayExact) {
    // 700,000,044 bytes used to be held as the float 700,000,064.
    fixture::TempDir dir;
    fixture::WriteSparse(
        dir / "long.wav",
        fixture::WavBuilder().Fmt({}).ChunkDeclared("data", 700000000u, {}).Build(), 700000044u);
    const CWaveFile wave(dir / "long.wav");
    EXPECT_EQ(wave.m_nDataSize, 700000000u);
    EXPECT_EQ(wave.GetLength(), 700000044u);
    EXPECT_DOUBLE_EQ(wave.GetDuration(), 700000000.0 / 176400.0);
}

TEST(WaveFile, RefusalNamesTheFileAndTheReason) {
    fixture::TempDir dir;
    fixture::WriteFile(dir / "text.wav", Bytes(100, std::byte{'a'}));
    fixture::WriteFile(dir / "empty.wav", {});
    for (const auto& [name, reason] :
         {std::pair{"missing.wav", ": cannot open: No such file or directory"},
          {"text.wav", ": not a RIFF/WAVE file"},
          {"empty.wav", ": not a RIFF/WAVE file (only 0 bytes)"},
          {"", ": not a regular file (a directory)"}}) {
        const auto path = std::string(name).empty() ? dir.Path() : dir / name;
        EXPECT_EQ(fixture::Refusal<sundrel::WaveFileError>([&] { CWaveFile wave(path); }),
                  path.string() + reason);
    }
}

} // namespace
