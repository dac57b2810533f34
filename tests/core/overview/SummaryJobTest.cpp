#include "core/overview/SummaryJob.h"
#include "core/audio/WaveFile.h"
#include "core/io/GuardedRead.h"
#include "core/io/UniqueFd.h"
#include "core/overview/FullScale.h"
#include "core/overview/SummaryReference.h"
#include "support/WavFixture.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace {

using sundrel::overview::MixSummary;
using sundrel::overview::Peak;
using sundrel::overview::SummaryJob;

constexpr std::int64_t kChunk = MixSummary::ChunkFrames();

void Put32At(fixture::Bytes& b, std::size_t at, float x) {
    const auto v = std::bit_cast<std::uint32_t>(x);
    for (std::size_t k = 0; k < 4; ++k) {
        b[at + k] = std::byte(static_cast<unsigned char>(v >> (8 * k)));
    }
}

void ExpectNear(const Peak& got, const Peak& want, const std::string& where) {
    EXPECT_EQ(got.min, want.min) << where;
    EXPECT_EQ(got.max, want.max) << where;
    EXPECT_NEAR(got.rms, want.rms, 1) << where;
}

// The summary of `audio` built without the loader: decoded and published chunk by chunk,
// each with the lead-in the band filters ask for.
std::shared_ptr<const MixSummary> SummariseDirectly(const fixture::Format& f,
                                                    const fixture::Bytes& audio) {
    const sundrel::WaveFormat format{f.tag, f.channels, f.rate, f.bits, false};
    auto summary = std::make_shared<MixSummary>(format, audio.size() / f.FrameSize());
    for (std::int64_t k = 0; k < summary->ChunkCount(); ++k) {
        const std::int64_t lead = std::min(summary->LeadInFrames(), k * kChunk);
        const std::size_t bytes =
            static_cast<std::size_t>(summary->ChunkFrameCount(k) + lead) * f.FrameSize();
        const fixture::Bytes piece = fixture::Slice(
            audio, static_cast<std::size_t>(k * kChunk - lead) * f.FrameSize(), bytes);
        std::vector<std::int16_t> samples(bytes / (f.bits / 8u));
        sundrel::overview::DecodeFullScale(piece, format, samples);
        summary->PublishChunk(k, samples, lead);
    }
    return summary;
}

struct FormatCase {
    const char* name;
    fixture::Format format;
    bool extensible;
    std::int64_t frames;
};

// Every format the loader takes, with lengths that end inside a block of every level.
const FormatCase kFormats[] = {
    {"pcm8 mono", {1, 1, 22050, 8}, false, 2 * kChunk + 40000 + 77},
    {"pcm16 mono", {1, 1, 44100, 16}, false, kChunk + 4096 * 3 + 511},
    {"pcm16 stereo", {1, 2, 44100, 16}, false, 2 * kChunk + 40000 + 77},
    {"pcm16 stereo, one partial block", {1, 2, 44100, 16}, false, 300},
    {"pcm24 stereo", {1, 2, 48000, 24}, false, kChunk + 33000},
    {"pcm32 stereo", {1, 2, 48000, 32}, false, kChunk + 513},
    {"float stereo", {3, 2, 48000, 32}, false, kChunk + 1000},
    {"pcm16 6 channels", {1, 6, 48000, 16}, false, kChunk + 2049},
    {"pcm24 6 channels", {1, 6, 48000, 24}, false, 70001},
    {"float 6 channels", {3, 6, 48000, 32}, false, 3000},
    {"float stereo, extensible", {3, 2, 96000, 32}, true, 9000},
    {"pcm16 stereo, extensible", {1, 2, 44100, 16}, true, 5000},
};

TEST(SummaryJob, EveryLevelEqualsBruteForceOnEveryFormat) {
    for (const FormatCase& c : kFormats) {
        SCOPED_TRACE(c.name);
        fixture::TempDir dir;
        fixture::Bytes audio = fixture::TestSignal(c.format, static_cast<std::size_t>(c.frames), 7);
        if (c.format.tag == 3) { // out of range and NaN floats clamp and draw as silence
            Put32At(audio, 0, 1.5f);
            Put32At(audio, 4, -3.0f);
            Put32At(audio, 8, std::nanf(""));
        }
        std::shared_ptr<const MixSummary> summary;
        if (c.format.channels <= 2) {
            fixture::WriteFile(dir / "mix.wav", c.extensible
                                                    ? fixture::ChunkyWav(c.format, audio, true)
                                                    : fixture::CanonicalWav(c.format, audio));
            const CWaveFile wave(dir / "mix.wav");
            SummaryJob job(wave, 2);
            job.Start();
            job.Wait();
            ASSERT_TRUE(job.Done());
            EXPECT_EQ(job.Error(), std::nullopt);
            EXPECT_DOUBLE_EQ(job.Progress(), 1.0);
            summary = job.Summary();
            // The job reads each chunk's lead-in for the bands from the right place.
            const auto direct = SummariseDirectly(c.format, audio);
            for (int level = 0; level < summary->Levels(); ++level) {
                for (std::int64_t b = 0; b < summary->BlockCount(level); ++b) {
                    const auto got = summary->BandBlock(level, b);
                    const auto want = direct->BandBlock(level, b);
                    ASSERT_TRUE(got.low == want.low && got.mid == want.mid && got.high == want.high)
                        << "level " << level << " block " << b;
                }
            }
        } else {
            // The loader takes mono and stereo only; the fold of wider mixes is fed directly.
            summary = SummariseDirectly(c.format, audio);
        }
        ASSERT_TRUE(summary->IsComplete());
        ASSERT_EQ(summary->Frames(), c.frames);

        const summaryref::Samples ref = summaryref::Decode(audio, c.format);
        ASSERT_EQ(summary->Channels(), ref.channels);
        for (int level = 0; level < summary->Levels(); ++level) {
            const std::int64_t size = summary->BlockFrames(level);
            ASSERT_EQ(summary->BlockCount(level), (c.frames + size - 1) / size);
            for (int ch = 0; ch < ref.channels; ++ch) {
                for (std::int64_t b = 0; b < summary->BlockCount(level); ++b) {
                    const Peak want =
                        summaryref::Over(ref, ch, b * size, std::min(c.frames, (b + 1) * size));
                    ExpectNear(summary->Block(level, ch, b), want,
                               "level " + std::to_string(level) + " block " + std::to_string(b));
                    if (HasFailure()) {
                        return;
                    }
                }
            }
        }
    }
}

// Waits until the job ends, at most `limit`; returns how long that took.
std::chrono::milliseconds WaitDone(const SummaryJob& job, std::chrono::milliseconds limit) {
    const auto start = std::chrono::steady_clock::now();
    while (!job.Done() && std::chrono::steady_clock::now() - start < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

// A 1 GiB 16-bit stereo mix that reads as silence without taking disk space.
void WriteLongMix(const std::filesystem::path& path) {
    const fixture::Format f{1, 2, 48000, 16};
    const fixture::Bytes head = fixture::CanonicalWav(f, fixture::TestSignal(f, 1000));
    const std::uint64_t data = 1ull << 30;
    fixture::Bytes header = fixture::Slice(head, 0, 44);
    for (std::size_t k = 0; k < 4; ++k) { // the RIFF and data sizes
        header[4 + k] = std::byte(static_cast<unsigned char>((36 + data) >> (8 * k)));
        header[40 + k] = std::byte(static_cast<unsigned char>(data >> (8 * k)));
    }
    fixture::WriteSparse(path, header, 44 + data);
}

TEST(SummaryJob, CancelAndDestructionEndWithinAChunk) {
    fixture::TempDir dir;
    WriteLongMix(dir / "long.wav");
    const CWaveFile wave(dir / "long.wav");
    {
        SummaryJob job(wave, 2);
        job.Start();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        job.Cancel();
        EXPECT_LT(WaitDone(job, std::chrono::seconds(5)).count(), 200);
        EXPECT_TRUE(job.Done());
        EXPECT_LT(job.Summary()->FilledShare(), 1.0);
        EXPECT_EQ(job.Error(), std::nullopt);
    }
    auto job = std::make_unique<SummaryJob>(wave, 2);
    job->Start();
    const std::shared_ptr<const MixSummary> kept = job->Summary();
    const auto start = std::chrono::steady_clock::now();
    job.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_FALSE(kept->IsComplete()); // still usable after the job is gone
    EXPECT_TRUE(kept->ChunkReady(0) || !kept->Range(0, 0, 10).has_value());
}

TEST(SummaryJob, FileShrunkOrGoneEndsWithAnErrorAndKeepsWhatWasRead) {
    const fixture::Format f{1, 2, 44100, 16};
    const std::int64_t frames = 5 * kChunk;
    struct Case {
        const char* name;
        std::int64_t keptFrames; // -1: the file is removed
        std::string reason;
    };
    const Case cases[] = {
        {"cut inside the third chunk", 2 * kChunk + 1000,
         "the mix changed on disk (it is now " + std::to_string(44 + (2 * kChunk + 1000) * 4) +
             " bytes, was " + std::to_string(44 + frames * 4) + ")"},
        {"cut at the start of the audio", 0,
         "the mix changed on disk (it is now 44 bytes, was " + std::to_string(44 + frames * 4) +
             ")"},
        {"cut inside the last page", frames - 1,
         "the mix changed on disk (it is now " + std::to_string(44 + (frames - 1) * 4) +
             " bytes, was " + std::to_string(44 + frames * 4) + ")"},
        {"removed", -1, "No such file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fixture::TempDir dir;
        const fixture::Bytes audio = fixture::TestSignal(f, static_cast<std::size_t>(frames));
        fixture::WriteFile(dir / "mix.wav", fixture::CanonicalWav(f, audio));
        const CWaveFile wave(dir / "mix.wav");
        if (c.keptFrames < 0) {
            std::filesystem::remove(dir / "mix.wav");
        } else {
            std::filesystem::resize_file(dir / "mix.wav",
                                         44 + static_cast<std::uint64_t>(c.keptFrames) * 4);
        }
        SummaryJob job(wave, 2);
        job.Start();
        job.Wait();
        ASSERT_TRUE(job.Done());
        ASSERT_TRUE(job.Error().has_value());
        EXPECT_NE(job.Error()->find((dir / "mix.wav").string()), std::string::npos);
        EXPECT_NE(job.Error()->find(c.reason), std::string::npos) << *job.Error();
        const auto summary = job.Summary();
        const std::int64_t whole = std::max<std::int64_t>(0, c.keptFrames) / kChunk;
        for (std::int64_t k = 0; k < summary->ChunkCount(); ++k) {
            EXPECT_EQ(summary->ChunkReady(k), k < whole) << "chunk " << k;
        }
        EXPECT_FALSE(summary->Range(0, 0, frames).has_value());
        if (whole > 0) {
            const summaryref::Samples ref = summaryref::Decode(audio, f);
            ExpectNear(*summary->Range(1, 0, whole * kChunk),
                       summaryref::Over(ref, 1, 0, whole * kChunk), "kept part");
        }
    }
}

TEST(SummaryJob, FileShrinkingWhileReadEndsWithoutAFault) {
    fixture::TempDir dir;
    WriteLongMix(dir / "long.wav");
    const CWaveFile wave(dir / "long.wav");
    SummaryJob job(wave, 2);
    job.Start();
    std::filesystem::resize_file(dir / "long.wav", 44 + (std::uint64_t{1} << 28) + 2);
    job.Wait();
    const auto summary = job.Summary();
    // Whether the workers got past the cut before it happened depends on timing; either way
    // nothing past the cut is summarised from bytes the file no longer holds.
    if (job.Error()) {
        EXPECT_FALSE(summary->IsComplete());
        EXPECT_NE(job.Error()->find("the mix changed on disk"), std::string::npos);
    }
}

// A chunk whose file is cut while its guarded scan runs (the cut lands inside the chunk)
// stays unpublished, and the thread's next chunks come out as if nothing had happened.
TEST(SummaryJob, MappedChunkCutDuringItsScanIsNotPublished) {
    const fixture::Format f{1, 2, 44100, 16};
    const std::int64_t frames = 3 * kChunk;
    fixture::TempDir dir;
    const fixture::Bytes audio = fixture::TestSignal(f, static_cast<std::size_t>(frames), 3);
    fixture::WriteFile(dir / "mix.wav", fixture::CanonicalWav(f, audio));
    const sundrel::io::UniqueFd fd(::open((dir / "mix.wav").c_str(), O_RDWR | O_CLOEXEC));
    const std::uint64_t size = 44 + static_cast<std::uint64_t>(frames) * 4;
    const sundrel::WaveFormat format{1, 2, 44100, 16, false};
    MixSummary summary(format, frames);
    sundrel::io::MappedWindows windows(fd.Get(), 44, size, 4 << 20);
    const auto view = windows.View(44, static_cast<std::size_t>(kChunk) * 4);
    ASSERT_FALSE(view.empty());
    const std::span samples(reinterpret_cast<const std::int16_t*>(view.data()), view.size() / 2);
    bool faulted = false;
    const bool published =
        summary.PublishChunk(0, samples, 0, [&](const std::function<void()>& read) {
            // Cut half way into the chunk just before it is scanned.
            EXPECT_EQ(::ftruncate(fd.Get(), 44 + kChunk * 2), 0);
            faulted = sundrel::io::GuardedRead(view, read) == sundrel::io::GuardResult::Faulted;
            return !faulted;
        });
    EXPECT_TRUE(faulted);
    EXPECT_FALSE(published);
    EXPECT_FALSE(summary.ChunkReady(0));
    EXPECT_EQ(summary.FilledShare(), 0.0);

    // The same thread then publishes every chunk from the samples: all as they should be.
    const auto direct = SummariseDirectly(f, audio);
    std::vector<std::int16_t> whole(audio.size() / 2);
    std::memcpy(whole.data(), audio.data(), audio.size());
    for (std::int64_t k = 0; k < summary.ChunkCount(); ++k) {
        const std::int64_t lead = std::min(summary.LeadInFrames(), k * kChunk);
        summary.PublishChunk(
            k,
            std::span(whole).subspan(static_cast<std::size_t>(k * kChunk - lead) * 2,
                                     static_cast<std::size_t>(kChunk + lead) * 2),
            lead);
    }
    ASSERT_TRUE(summary.IsComplete());
    for (int level = 0; level < summary.Levels(); ++level) {
        for (std::int64_t b = 0; b < summary.BlockCount(level); ++b) {
            for (int c = 0; c < 2; ++c) {
                const Peak got = summary.Block(level, c, b);
                const Peak want = direct->Block(level, c, b);
                ASSERT_TRUE(got.min == want.min && got.max == want.max && got.rms == want.rms);
            }
            const auto got = summary.BandBlock(level, b);
            const auto want = direct->BandBlock(level, b);
            ASSERT_TRUE(got.low == want.low && got.mid == want.mid && got.high == want.high);
        }
    }
}

// Another thread cuts the mix while the job reads it, on one and on two workers: the job
// ends with the mix reported changed, and only chunks before the cut are summarised.
TEST(SummaryJob, MixCutWhileReadGivesTheChangedResult) {
    for (const int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        bool cutInTime = false;
        // The workers may (rarely, on a busy machine) get past the cut before it happens:
        // then the round is done again.
        for (int round = 0; round < 5 && !cutInTime; ++round) {
            fixture::TempDir dir;
            WriteLongMix(dir / "long.wav");
            const CWaveFile wave(dir / "long.wav");
            SummaryJob job(wave, threads);
            const std::int64_t seen = 4 + round;
            const std::int64_t cutChunk = seen + 96;
            const std::uint64_t cut = 44 + static_cast<std::uint64_t>(cutChunk * kChunk) * 4 + 1234;
            job.Start();
            const auto summary = job.Summary();
            while (!summary->ChunkReady(seen) && !job.Done()) {
                std::this_thread::yield();
            }
            std::filesystem::resize_file(dir / "long.wav", cut);
            job.Wait();
            if (!job.Error()) {
                EXPECT_TRUE(summary->IsComplete());
                continue;
            }
            cutInTime = true;
            EXPECT_NE(job.Error()->find("the mix changed on disk (it is now " +
                                        std::to_string(cut) + " bytes"),
                      std::string::npos)
                << *job.Error();
            EXPECT_FALSE(summary->IsComplete());
            for (std::int64_t k = cutChunk; k < summary->ChunkCount(); ++k) {
                ASSERT_FALSE(summary->ChunkReady(k)) << k;
            }
        }
        EXPECT_TRUE(cutInTime);
    }
}

} // namespace
