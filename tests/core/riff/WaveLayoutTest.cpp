#include "core/riff/MappedFile.h"
#include "core/riff/WaveLayout.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>

namespace {

using fixture::Bytes;
using fixture::Format;
using fixture::WavBuilder;
using sundrel::ReadWaveLayout;
using sundrel::WaveFormatError;

std::span<const std::byte> Span(const Bytes& b) { return {b.data(), b.size()}; }

Bytes Audio(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = std::byte(static_cast<unsigned char>(i * 7 + 3));
    }
    return b;
}

std::string Refusal(const Bytes& file) {
    try {
        ReadWaveLayout(Span(file));
    } catch (const WaveFormatError& e) {
        return e.what();
    }
    return "accepted";
}

TEST(WaveLayout, CanonicalFileHasDataAtByte44) {
    const Bytes file = fixture::CanonicalWav(Format{}, Audio(1000));
    const auto layout = ReadWaveLayout(Span(file));
    EXPECT_EQ(layout.formatOffset, 20u);
    EXPECT_EQ(layout.dataOffset, 44u);
    EXPECT_EQ(layout.dataSize, 1000u);
    EXPECT_EQ(layout.format.formatTag, 1);
    EXPECT_EQ(layout.format.channels, 2);
    EXPECT_EQ(layout.format.sampleRate, 44100u);
    EXPECT_EQ(layout.format.bitsPerSample, 16);
    EXPECT_EQ(layout.format.FrameSize(), 4u);
    EXPECT_EQ(layout.format.ByteRate(), 176400u);
    EXPECT_FALSE(layout.dataTruncated);
}

TEST(WaveLayout, SkipsChunksBeforeBetweenAndAfter) {
    const Bytes list = Audio(26);
    const Bytes odd = Audio(5); // odd body: followed by a pad byte
    const Bytes file = WavBuilder()
                           .Chunk("LIST", list)
                           .Chunk("JUNK", odd)
                           .Fmt(Format{})
                           .Chunk("fact", Audio(4))
                           .Chunk("bext", Audio(602))
                           .Data(Audio(400))
                           .Chunk("LIST", list)
                           .Build();
    const auto layout = ReadWaveLayout(Span(file));
    // 12 + (8+26) + (8+5+1) + 8 = fmt body at 68; + 16 + (8+4) + (8+602) + 8 = data at 714.
    EXPECT_EQ(layout.formatOffset, 68u);
    EXPECT_EQ(layout.dataOffset, 714u);
    EXPECT_EQ(layout.dataSize, 400u);
    EXPECT_EQ(file[layout.dataOffset], Audio(400)[0]);
}

TEST(WaveLayout, LongerFmtChunkAndExtensibleAreRead) {
    Bytes fmt18 = fixture::FmtBody(Format{1, 1, 22050, 8});
    fmt18.push_back(std::byte{0});
    fmt18.push_back(std::byte{0});
    auto layout = ReadWaveLayout(Span(WavBuilder().Chunk("fmt ", fmt18).Data(Audio(10)).Build()));
    EXPECT_EQ(layout.format.channels, 1);
    EXPECT_EQ(layout.format.ByteRate(), 22050u);
    EXPECT_EQ(layout.dataOffset, 12u + 8 + 18 + 8);

    layout = ReadWaveLayout(Span(WavBuilder().Fmt(Format{3, 2, 48000, 32}, true).Data(Audio(64)).Build()));
    EXPECT_TRUE(layout.format.extensible);
    EXPECT_EQ(layout.format.formatTag, sundrel::kFormatFloat);
    EXPECT_EQ(sundrel::DescribeFormat(layout.format), "float 32-bit stereo 48000 Hz (extensible)");

    layout = ReadWaveLayout(Span(WavBuilder().Fmt(Format{1, 2, 96000, 24}, true).Data(Audio(60)).Build()));
    EXPECT_EQ(layout.format.formatTag, sundrel::kFormatPcm);
    EXPECT_EQ(layout.format.FrameSize(), 6u);
}

TEST(WaveLayout, HeaderByteRateAndBlockAlignAreIgnored) {
    Bytes fmt = fixture::FmtBody(Format{1, 1, 22050, 8});
    for (int i = 8; i < 14; ++i) {
        fmt[i] = std::byte{0}; // byte rate 0, block align 0
    }
    const auto layout = ReadWaveLayout(Span(WavBuilder().Chunk("fmt ", fmt).Data(Audio(8)).Build()));
    EXPECT_EQ(layout.format.FrameSize(), 1u);
    EXPECT_EQ(layout.format.ByteRate(), 22050u);
}

TEST(WaveLayout, DataSizeIsClampedToTheFile) {
    Bytes file = WavBuilder().Fmt(Format{}).ChunkDeclared("data", 100000, Audio(1000)).Build();
    auto layout = ReadWaveLayout(Span(file));
    EXPECT_EQ(layout.dataSize, 1000u);
    EXPECT_TRUE(layout.dataTruncated);
    // A data chunk cut short by the end of the file, as a recorder that crashed leaves it.
    file.resize(file.size() - 301);
    layout = ReadWaveLayout(Span(file));
    EXPECT_EQ(layout.dataSize, 699u);
}

TEST(WaveLayout, RefusesWhatItCannotUseWithAReason) {
    EXPECT_EQ(Refusal(Bytes(11)), "not a RIFF/WAVE file (only 11 bytes)");
    EXPECT_EQ(Refusal(Bytes(44)), "not a RIFF/WAVE file");
    Bytes riffOnly = WavBuilder().Build();
    EXPECT_EQ(Refusal(riffOnly), "not a RIFF/WAVE file (no fmt chunk)");
    EXPECT_EQ(Refusal(WavBuilder().Fmt(Format{}).Chunk("LIST", Audio(4)).Build()), "no data chunk");
    EXPECT_EQ(Refusal(WavBuilder().Fmt(Format{0x55, 2, 44100, 0}).Data(Audio(4)).Build()),
              "unsupported format: MPEG layer 3 (only PCM and 32-bit float WAV files can be used)");
    EXPECT_EQ(Refusal(WavBuilder().Fmt(Format{1, 0, 44100, 16}).Data(Audio(4)).Build()),
              "unsupported format: 0 channels");
    EXPECT_EQ(Refusal(WavBuilder().Fmt(Format{1, 2, 0, 16}).Data(Audio(4)).Build()),
              "unsupported format: sample rate 0");
    EXPECT_EQ(Refusal(WavBuilder().Fmt(Format{1, 2, 44100, 0}).Data(Audio(4)).Build()),
              "unsupported format: 0-bit PCM");
    EXPECT_EQ(Refusal(WavBuilder().Fmt(Format{1, 6, 44100, 16}).Data(Audio(4)).Build()),
              "unsupported format: 6 channels (only mono and stereo)");
    EXPECT_EQ(Refusal(WavBuilder().Fmt(Format{3, 2, 44100, 64}).Data(Audio(16)).Build()),
              "unsupported format: 64-bit float (only 32-bit)");
    Bytes shortFmt = WavBuilder().Chunk("fmt ", Audio(12)).Data(Audio(4)).Build();
    EXPECT_EQ(Refusal(shortFmt), "unsupported format: fmt chunk of 12 bytes is too short");
}

TEST(WaveLayout, SizeFieldsPastTheEndNeverLeadOutsideTheFile) {
    // A chunk before fmt claims 4 GB: the walk stops at the end of the file.
    Bytes file = WavBuilder().ChunkDeclared("LIST", 0xFFFFFFF0u, Audio(10)).Fmt(Format{}).Data(Audio(8)).Build();
    EXPECT_EQ(Refusal(file), "not a RIFF/WAVE file (no fmt chunk)");
    // A fmt chunk whose body runs past the end of the file.
    Bytes cut = WavBuilder().Fmt(Format{}).Build();
    cut.resize(cut.size() - 4);
    EXPECT_EQ(Refusal(cut), "not a RIFF/WAVE file (fmt chunk cut short)");
    // Every prefix of a good file is either refused or read inside its bounds.
    const Bytes good = WavBuilder().Chunk("LIST", Audio(9)).Fmt(Format{}, true).Data(Audio(40)).Build();
    for (std::size_t n = 0; n <= good.size(); ++n) {
        const Bytes prefix(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        try {
            const auto layout = ReadWaveLayout(Span(prefix));
            EXPECT_LE(layout.dataOffset + layout.dataSize, n);
        } catch (const WaveFormatError&) {
        }
    }
}

// Over-4-GiB files are sparse: only their headers take disk space.
constexpr std::uint64_t kBig = 5ull * 1024 * 1024 * 1024 + 12345;

TEST(WaveLayout, Rf64TakesTheDataSizeFromDs64) {
    fixture::TempDir dir;
    fixture::Bytes head;
    fixture::PutId(head, "RF64");
    fixture::Put32(head, 0xFFFFFFFFu);
    fixture::PutId(head, "WAVE");
    fixture::PutId(head, "ds64");
    fixture::Put32(head, 28);
    const std::uint64_t dataOffset = 12 + 8 + 28 + 8 + 16 + 8;
    const std::uint64_t dataSize = kBig - dataOffset - 100; // a 100-byte chunk may follow
    fixture::Put64(head, kBig - 8);
    fixture::Put64(head, dataSize);
    fixture::Put64(head, dataSize / 4);
    fixture::Put32(head, 0);
    fixture::PutId(head, "fmt ");
    fixture::Put32(head, 16);
    const Bytes fmt = fixture::FmtBody(Format{});
    head.insert(head.end(), fmt.begin(), fmt.end());
    fixture::PutId(head, "data");
    fixture::Put32(head, 0xFFFFFFFFu);
    ASSERT_EQ(head.size(), dataOffset);
    fixture::WriteSparse(dir / "big.wav", head, kBig);

    const sundrel::MappedFile mapped(dir / "big.wav");
    const auto layout = ReadWaveLayout(mapped.Bytes());
    EXPECT_EQ(layout.container, sundrel::Container::Rf64);
    EXPECT_EQ(layout.dataOffset, dataOffset);
    EXPECT_EQ(layout.dataSize, dataSize);
}

class WrappedRiff : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(WrappedRiff, ReadsToTheEndOfTheFileInWholeFrames) {
    fixture::TempDir dir;
    const std::uint64_t available = kBig - 44;
    const std::uint32_t field = GetParam() == 1 ? static_cast<std::uint32_t>(available) : GetParam();
    Bytes head;
    fixture::PutId(head, "RIFF");
    fixture::Put32(head, field == 0xFFFFFFFFu ? field : field + 36);
    fixture::PutId(head, "WAVE");
    fixture::PutId(head, "fmt ");
    fixture::Put32(head, 16);
    const Bytes fmt = fixture::FmtBody(Format{});
    head.insert(head.end(), fmt.begin(), fmt.end());
    fixture::PutId(head, "data");
    fixture::Put32(head, field);
    fixture::WriteSparse(dir / "wrapped.wav", head, kBig);

    const sundrel::MappedFile mapped(dir / "wrapped.wav");
    const auto layout = ReadWaveLayout(mapped.Bytes());
    EXPECT_EQ(layout.dataOffset, 44u);
    EXPECT_EQ(layout.dataSize, available - available % 4);
    EXPECT_TRUE(layout.dataSizeRecovered);
}

// 1: the size modulo 2^32, as most recorders wrap it; then 0xFFFFFFFF and 0.
INSTANTIATE_TEST_SUITE_P(SizeFields, WrappedRiff, ::testing::Values(1u, 0xFFFFFFFFu, 0u));

TEST(WaveLayout, LargeRiffWithAnHonestSmallDataChunkKeepsItsSize) {
    fixture::TempDir dir;
    const Bytes head = WavBuilder().Fmt(Format{}).Data(Audio(4000)).Build();
    Bytes withTrailer = head;
    fixture::PutId(withTrailer, "JUNK");
    fixture::Put32(withTrailer, 0xFFFFFFF0u);
    fixture::WriteSparse(dir / "junk.wav", withTrailer, kBig);
    const sundrel::MappedFile mapped(dir / "junk.wav");
    const auto layout = ReadWaveLayout(mapped.Bytes());
    EXPECT_EQ(layout.dataSize, 4000u);
    EXPECT_FALSE(layout.dataSizeRecovered);
}

} // namespace
