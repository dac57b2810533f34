// A mix that shrinks on disk while it is being read: every reader reports it and the process
// keeps running (a read through a mapping past the new end would kill it with SIGBUS).
#include "core/analysis/Signals.h"
#include "core/analysis/SuggestBoundaries.h"
#include "core/audio/WaveFile.h"
#include "core/riff/ChunkSource.h"
#include "core/riff/FileError.h"
#include "support/Thrown.h"
#include "support/WavFixture.h"

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace {

using fixture::Bytes;

// A valid mix whose fmt and data chunks stand after `tinyChunks` empty JUNK chunks, so the
// walk reads a header every 8 bytes through the whole file before it finds them.
Bytes TinyChunkMix(std::size_t tinyChunks) {
    Bytes junk;
    junk.reserve(tinyChunks * 8);
    for (std::size_t i = 0; i < tinyChunks; ++i) {
        fixture::PutId(junk, "JUNK");
        fixture::Put32(junk, 0);
    }
    Bytes file = fixture::WavBuilder().Fmt({}).Data(Bytes(400)).Build();
    // Splice the tiny chunks in after "RIFF", size, "WAVE".
    file.insert(file.begin() + 12, junk.begin(), junk.end());
    return file;
}

// Reads the file through FileChunkSource and cuts it to `cutTo` bytes after the first read.
class CuttingSource final : public sundrel::ChunkSource {
  public:
    CuttingSource(int fd, const std::filesystem::path& path, std::uint64_t cutTo)
        : m_file(fd, path), m_path(path), m_nCutTo(cutTo) {}

    std::uint64_t Size() const override { return m_file.Size(); }
    void Read(std::uint64_t at, std::span<std::byte> out) override {
        m_file.Read(at, out);
        if (!m_bCut) {
            std::filesystem::resize_file(m_path, m_nCutTo);
            m_bCut = true;
        }
    }

  private:
    sundrel::FileChunkSource m_file;
    std::filesystem::path m_path;
    std::uint64_t m_nCutTo;
    bool m_bCut = false;
};

TEST(ShrinkingMix, TheChunkWalkReadsFilesAsItReadsMemory) {
    // Layouts that cross the file source's read-ahead blocks in every way: many tiny chunks,
    // a fmt body and a data header straddling a block edge, an RF64 file.
    Bytes straddling = fixture::WavBuilder()
                           .Chunk("JUNK", Bytes(65536 - 12 - 8 - 8 - 6))
                           .Fmt({1, 2, 48000, 24})
                           .Chunk("LIST", Bytes(65536 - 3))
                           .Data(Bytes(600))
                           .Build();
    Bytes rf64 = fixture::WavBuilder().Chunk("ds64", Bytes(28)).Fmt({}).Data(Bytes(40)).Build();
    std::memcpy(rf64.data(), "RF64", 4);
    const Bytes files[] = {fixture::ChunkyWav({3, 1, 44100, 32}, Bytes(4000), true),
                           TinyChunkMix(50000), straddling, rf64};
    fixture::TempDir dir;
    for (const Bytes& file : files) {
        fixture::WriteFile(dir / "mix.wav", file);
        const int fd = ::open((dir / "mix.wav").c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        sundrel::FileChunkSource source(fd, dir / "mix.wav");
        const sundrel::WaveLayout fromFile = sundrel::ReadWaveLayout(source);
        ::close(fd);
        const sundrel::WaveLayout fromMemory = sundrel::ReadWaveLayout(file);
        EXPECT_EQ((std::tuple{fromFile.formatOffset, fromFile.dataOffset, fromFile.dataSize,
                              fromFile.format.sampleRate, fromFile.format.bitsPerSample,
                              fromFile.container}),
                  (std::tuple{fromMemory.formatOffset, fromMemory.dataOffset, fromMemory.dataSize,
                              fromMemory.format.sampleRate, fromMemory.format.bitsPerSample,
                              fromMemory.container}));
    }
}

TEST(ShrinkingMix, AWalkThatRunsIntoTheNewEndSaysTheMixChanged) {
    fixture::TempDir dir;
    const auto path = dir / "tiny.wav";
    const Bytes file = TinyChunkMix(100000);
    for (const std::uint64_t cutTo :
         {std::uint64_t{0}, std::uint64_t{200000}, std::uint64_t{file.size() - 410}}) {
        SCOPED_TRACE(cutTo);
        fixture::WriteFile(path, file);
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        CuttingSource source(fd, path, cutTo);
        EXPECT_EQ(fixture::Refusal<sundrel::FileError>([&] { sundrel::ReadWaveLayout(source); }),
                  path.string() + ": the mix changed on disk (it is now " + std::to_string(cutTo) +
                      " bytes, was " + std::to_string(file.size()) + ")");
        ::close(fd);
    }
}

TEST(ShrinkingMix, OpeningAMixCutShortDuringTheChunkWalkFailsCleanly) {
    fixture::TempDir dir;
    const auto path = dir / "tiny.wav";
    const Bytes file = TinyChunkMix(2 * 1024 * 1024); // 16 MiB of chunk headers
    // Each round cuts the file to a quarter while the walk runs on this thread. Whenever the
    // cut lands, the outcome is a loaded mix (the walk was done) or a refusal, never a fault.
    for (int round = 0; round < 6; ++round) {
        fixture::WriteFile(path, file);
        std::atomic<bool> go{false};
        std::thread cutter([&] {
            while (!go.load()) {
            }
            std::filesystem::resize_file(path, file.size() / 4);
        });
        go = true;
        try {
            const CWaveFile wave(path);
            EXPECT_EQ(wave.m_nDataSize, 400u);
        } catch (const sundrel::WaveFileError& e) {
            const std::string what = e.what();
            EXPECT_TRUE(what.find("changed on disk") != std::string::npos ||
                        what.find("no fmt chunk") != std::string::npos)
                << what;
        }
        cutter.join();
    }
}

TEST(ShrinkingMix, AnalysisOfAMixCutShortReportsItInEveryStage) {
    using analysistest::Piece;
    constexpr std::uint32_t kRate = 44100;
    // Two tracks with a silence at 20..22 s, whose edges the analysis reads again after its
    // pass over the samples.
    const std::vector<Piece> pieces{{Piece::Kind::Square, 20 * kRate, -12.0, 220.0},
                                    {Piece::Kind::Silence, 2 * kRate, 0, 0},
                                    {Piece::Kind::Square, 20 * kRate, -12.0, 330.0}};
    const Bytes audio = analysistest::Pcm16Bytes(analysistest::Render(pieces, kRate));
    const Bytes file = fixture::CanonicalWav({}, audio);
    const std::uint64_t cutTo = 44 + 10 * kRate * 4; // 10 s of audio are left
    fixture::TempDir dir;
    const auto path = dir / "mix.wav";
    const std::string expected = path.string() + ": the mix changed on disk (it is now " +
                                 std::to_string(cutTo) + " bytes, was " +
                                 std::to_string(file.size()) + ")";
    struct Case {
        const char* stage;
        double cutAt; // the progress figure at which the file is cut
    };
    // 0.55 is where the pass over the samples ends and the silences are placed.
    for (const Case c : {Case{"during the pass", 0.0}, Case{"after the pass", 0.55}}) {
        SCOPED_TRACE(c.stage);
        fixture::WriteFile(path, file);
        bool cut = false;
        const auto cutOnce = [&](double p) {
            if (!cut && p >= c.cutAt) {
                std::filesystem::resize_file(path, cutTo);
                cut = true;
            }
        };
        sundrel::SuggestOptions options;
        options.minTrackSeconds = 10.0;
        EXPECT_EQ(fixture::Refusal<sundrel::FileError>(
                      [&] { sundrel::SuggestBoundaries(path, options, cutOnce); }),
                  expected);
        EXPECT_TRUE(cut);
    }
}

} // namespace
