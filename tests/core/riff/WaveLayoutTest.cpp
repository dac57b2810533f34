#include "core/riff/WaveLayout.h"
#include "core/riff/MappedFile.h"
#include "support/Thrown.h"
#include "support/WavFixture.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

using fixture::Bytes;
using fixture::Format;
using fixture::WavBuilder;
using sundrel::ReadWaveLayout;
using sundrel::WaveFormatError;

Bytes Audio(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = std::byte(static_cast<unsigned char>(i * 7 + 3));
    }
    return b;
}

std::string Refusal(const Bytes& file) {
    return fixture::Refusal<WaveFormatError>([&] { ReadWaveLayout(file); });
}

auto Fields(const sundrel::WaveFormat& f) {
    return std::tuple{f.formatTag,   f.channels,   f.sampleRate, f.bitsPerSample,
                      f.FrameSize(), f.ByteRate(), f.extensible};
}

TEST(WaveLayout, FindsFmtAndDataAmongOtherChunks) {
    Bytes fmt18 = fixture::FmtBody(Format{1, 1, 22050, 8});
    fmt18.resize(18);
    Bytes truncated = WavBuilder().Fmt(Format{}).ChunkDeclared("data", 100000, Audio(1000)).Build();
    struct Case {
        Bytes file;
        std::uint64_t fmtAt, dataAt, dataSize;
        bool truncated;
    };
    const Case cases[] = {
        {fixture::CanonicalWav(Format{}, Audio(1000)), 20, 44, 1000, false},
        // 12 + (8+26) + (8+5+1 pad) + 8 = fmt body at 68; + 16 + (8+4) + (8+602) + 8 = 714.
        {WavBuilder()
             .Chunk("LIST", Audio(26))
             .Chunk("JUNK", Audio(5))
             .Fmt(Format{})
             .Chunk("fact", Audio(4))
             .Chunk("bext", Audio(602))
             .Data(Audio(400))
             .Chunk("LIST", Audio(26))
             .Build(),
         68, 714, 400, false},
        {WavBuilder().Chunk("fmt ", fmt18).Data(Audio(10)).Build(), 20, 46, 10, false},
        // Size fields past the end of the file, and a data chunk cut short.
        {truncated, 20, 44, 1000, true},
        {fixture::Slice(truncated, 0, truncated.size() - 301), 20, 44, 699, true},
    };
    for (const Case& c : cases) {
        const auto layout = ReadWaveLayout(c.file);
        EXPECT_EQ((std::tuple{layout.formatOffset, layout.dataOffset, layout.dataSize,
                              layout.dataTruncated}),
                  (std::tuple{c.fmtAt, c.dataAt, c.dataSize, c.truncated}))
            << c.file.size();
        EXPECT_EQ(fixture::Slice(c.file, layout.dataOffset, 4), Audio(4));
    }
}

TEST(WaveLayout, ReadsTheFormatAndComputesRatesItself) {
    auto format = [](const Bytes& file) { return ReadWaveLayout(file).format; };
    EXPECT_EQ(Fields(format(fixture::CanonicalWav(Format{}, Audio(8)))),
              (std::tuple{1, 2, 44100u, 16, 4u, 176400u, false}));
    EXPECT_EQ(
        Fields(format(WavBuilder().Fmt(Format{3, 2, 48000, 32}, true).Data(Audio(64)).Build())),
        (std::tuple{sundrel::kFormatFloat, 2, 48000u, 32, 8u, 384000u, true}));
    EXPECT_EQ(
        Fields(format(WavBuilder().Fmt(Format{1, 2, 96000, 24}, true).Data(Audio(60)).Build())),
        (std::tuple{sundrel::kFormatPcm, 2, 96000u, 24, 6u, 576000u, true}));
    // The header's byte rate and block align are ignored.
    Bytes fmt = fixture::FmtBody(Format{1, 1, 22050, 8});
    std::fill(fmt.begin() + 8, fmt.begin() + 14, std::byte{0});
    EXPECT_EQ(Fields(format(WavBuilder().Chunk("fmt ", fmt).Data(Audio(8)).Build())),
              (std::tuple{1, 1, 22050u, 8, 1u, 22050u, false}));
}

TEST(WaveLayout, RefusesWhatItCannotUseWithAReason) {
    auto with = [](Format f) { return WavBuilder().Fmt(f).Data(Audio(16)).Build(); };
    Bytes cutFmt = WavBuilder().Fmt(Format{}).Build();
    cutFmt.resize(cutFmt.size() - 4);
    const std::pair<Bytes, std::string> cases[] = {
        {Bytes(11), "not a RIFF/WAVE file (only 11 bytes)"},
        {Bytes(44), "not a RIFF/WAVE file"},
        {WavBuilder().Build(), "not a RIFF/WAVE file (no fmt chunk)"},
        // A chunk before fmt claims 4 GB: the walk stops at the end of the file.
        {WavBuilder().ChunkDeclared("LIST", 0xFFFFFFF0u, Audio(10)).Fmt({}).Data(Audio(8)).Build(),
         "not a RIFF/WAVE file (no fmt chunk)"},
        {cutFmt, "not a RIFF/WAVE file (fmt chunk cut short)"},
        {WavBuilder().Fmt(Format{}).Chunk("LIST", Audio(4)).Build(), "no data chunk"},
        // A size that runs past the end names that chunk, not only the data it hides.
        {WavBuilder().ChunkDeclared("fmt ", 1000, fixture::FmtBody({})).Data(Audio(40)).Build(),
         "no data chunk: the fmt chunk is cut short (it claims 1000 bytes; the file holds 64)"},
        {WavBuilder().Fmt({}).ChunkDeclared("LIST", 500, Audio(10)).Build(),
         "no data chunk: the 'LIST' chunk is cut short (it claims 500 bytes; the file holds 10)"},
        {with({0x55, 2, 44100, 0}),
         "unsupported format: MPEG layer 3 (only PCM and 32-bit float WAV files can be used)"},
        {with({1, 0, 44100, 16}), "unsupported format: 0 channels"},
        {with({1, 2, 0, 16}), "unsupported format: sample rate 0 Hz (supported: 1000\u2013768000)"},
        {with({1, 2, 999, 16}),
         "unsupported format: sample rate 999 Hz (supported: 1000\u2013768000)"},
        {with({1, 2, 768001, 16}),
         "unsupported format: sample rate 768001 Hz (supported: 1000\u2013768000)"},
        {with({1, 1, 0xFFFFFFFFu, 8}),
         "unsupported format: sample rate 4294967295 Hz (supported: 1000\u2013768000)"},
        {with({1, 2, 44100, 0}), "unsupported format: 0-bit PCM"},
        {with({1, 6, 44100, 16}), "unsupported format: 6 channels (only mono and stereo)"},
        {with({3, 2, 44100, 64}), "unsupported format: 64-bit float (only 32-bit)"},
        {WavBuilder().Chunk("fmt ", Audio(12)).Data(Audio(4)).Build(),
         "unsupported format: fmt chunk of 12 bytes is too short"},
    };
    for (const auto& [file, message] : cases) {
        EXPECT_EQ(Refusal(file), message);
    }
    for (const std::uint32_t rate : {1000u, 768000u}) {
        EXPECT_EQ(ReadWaveLayout(with({1, 1, rate, 8})).format.sampleRate, rate);
    }
    // Every prefix of a good file is either refused or read inside its bounds.
    const Bytes good =
        WavBuilder().Chunk("LIST", Audio(9)).Fmt(Format{}, true).Data(Audio(40)).Build();
    for (std::size_t n = 0; n <= good.size(); ++n) {
        try {
            const auto layout = ReadWaveLayout(fixture::Slice(good, 0, n));
            EXPECT_LE(layout.dataOffset + layout.dataSize, n);
        } catch (const WaveFormatError&) {
        }
    }
}

// Over-4-GiB files are sparse: only their headers take disk space.
constexpr std::uint64_t kBig = 5ull * 1024 * 1024 * 1024 + 12345;

void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<std::size_t>(i)] = std::byte((v >> (8 * i)) & 0xFF);
    }
}

// The layout of a sparse file of `total` bytes: `head` at the start, then each of `writes`
// (an offset and its bytes).
using Writes = std::vector<std::pair<std::uint64_t, Bytes>>;
sundrel::WaveLayout SparseLayout(const Bytes& head, std::uint64_t total = kBig,
                                 const Writes& writes = {}) {
    fixture::TempDir dir;
    fixture::WriteSparse(dir / "big.wav", head, total);
    for (const auto& [at, bytes] : writes) {
        fixture::WriteAt(dir / "big.wav", at, bytes);
    }
    const sundrel::MappedFile mapped(dir / "big.wav");
    return ReadWaveLayout(mapped.Bytes());
}

TEST(WaveLayout, Rf64TakesTheDataSizeFromDs64) {
    const std::uint64_t dataOffset = 12 + 8 + 28 + 8 + 16 + 8;
    const std::uint64_t dataSize = kBig - dataOffset - 100; // a 100-byte chunk may follow
    Bytes ds64;
    fixture::Put64(ds64, kBig - 8);
    fixture::Put64(ds64, dataSize);
    fixture::Put64(ds64, dataSize / 4);
    fixture::Put32(ds64, 0);
    Bytes head = WavBuilder()
                     .Chunk("ds64", ds64)
                     .Fmt(Format{})
                     .ChunkDeclared("data", 0xFFFFFFFFu, {})
                     .Build();
    std::memcpy(head.data(), "RF64", 4);
    Set32(head, 4, 0xFFFFFFFFu);
    const auto layout = SparseLayout(head);
    EXPECT_EQ(std::tuple(layout.container, layout.dataOffset, layout.dataSize),
              std::tuple(sundrel::Container::Rf64, dataOffset, dataSize));
}

TEST(WaveLayout, WrappedSizesOfLargeRiffFilesAreReadToTheEndInWholeFrames) {
    const std::uint64_t available = kBig - 44;
    // The size modulo 2^32, as most recorders wrap it; then 0xFFFFFFFF and 0.
    for (const std::uint32_t field : {static_cast<std::uint32_t>(available), 0xFFFFFFFFu, 0u}) {
        Bytes head = WavBuilder().Fmt(Format{}).ChunkDeclared("data", field, {}).Build();
        Set32(head, 4, field == 0xFFFFFFFFu ? field : field + 36);
        const auto layout = SparseLayout(head);
        EXPECT_EQ(layout.dataOffset, 44u);
        EXPECT_EQ(layout.dataSize, available - available % 4) << field;
        EXPECT_TRUE(layout.dataSizeRecovered);
    }
    // An honest small data chunk in a large file keeps its size.
    const auto honest = SparseLayout(WavBuilder()
                                         .Fmt(Format{})
                                         .Data(Audio(4000))
                                         .ChunkDeclared("JUNK", 0xFFFFFFF0u, {})
                                         .Build());
    EXPECT_EQ(honest.dataSize, 4000u);
    EXPECT_FALSE(honest.dataSizeRecovered);
}

// A wrapped size followed by a chunk: the chunks that really follow the audio decide its size,
// even where audio bytes happen to read as a chunk header at the wrapped field's end, or the
// field wrapped to 0; bytes that are no chunk leave the field, and the doubt is reported.
TEST(WaveLayout, WrappedSizesFollowedByAChunkAreFoundOrFlagged) {
    const std::uint64_t audio = 5ull * 1024 * 1024 * 1024 + 1000; // whole 4-byte frames
    const Bytes list = fixture::Slice(WavBuilder().Chunk("LIST", Audio(26)).Build(), 12);
    const Bytes decoy = fixture::BytesOf(std::string("abcd\x10\0\0\0", 8)); // a chunk header
    const struct {
        const char* what;
        std::uint64_t audio;
        Bytes tail; // after the audio
        bool decoy; // at the end the field gives
        std::uint64_t size;
        bool recovered;
        bool uncertain;
    } cases[] = {
        {"a LIST chunk after the audio", audio, list, false, audio, true, false},
        {"no chunk after the audio", audio, Bytes(34), false, audio % (1ull << 32), false, true},
        {"audio that reads as a chunk", audio, list, true, audio, true, false},
        {"exactly 4 GiB of audio", 1ull << 32, list, false, 1ull << 32, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto field = static_cast<std::uint32_t>(c.audio);
        Writes writes{{44 + c.audio, c.tail}};
        if (c.decoy) {
            writes.push_back({44 + field, decoy});
        }
        const auto layout =
            SparseLayout(WavBuilder().Fmt(Format{}).ChunkDeclared("data", field, {}).Build(),
                         44 + c.audio + c.tail.size(), writes);
        EXPECT_EQ((std::tuple{layout.dataOffset, layout.dataSize, layout.dataSizeRecovered,
                              layout.dataSizeUncertain}),
                  (std::tuple{std::uint64_t{44}, c.size, c.recovered, c.uncertain}));
    }
}

} // namespace
