#include "core/audio/WaveFile.h"
#include "core/play/BlockRing.h"
#include "core/play/RecordingWaveOut.h"
#include "core/play/StartOffset.h"
#include "core/time/TimeCode.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

using testing_play::RecordingWaveOut;

// Audio whose every 4-byte word holds its own byte offset in the data, so any byte that
// reaches the device tells where it came from.
fixture::Bytes Counting(std::size_t size) {
    fixture::Bytes b;
    for (std::uint32_t i = 0; b.size() < size; i += 4) {
        fixture::Put32(b, i);
    }
    b.resize(size);
    return b;
}

fixture::Bytes Slice(const fixture::Bytes& b, std::size_t from) {
    return from >= b.size() ? fixture::Bytes{} : fixture::Bytes(b.begin() + long(from), b.end());
}

struct PlayRun {
    sundrel::PlayResult result;
    std::vector<std::string> labels;
};

PlayRun PlayAll(const CWaveFile& wave, RecordingWaveOut& out, float start) {
    PlayRun run;
    run.result = wave.Play(
        out, [&](const std::string& text) { run.labels.push_back(text); }, start);
    return run;
}

const fixture::Format kStereo16{1, 2, 44100, 16};
const fixture::Format kMono8{1, 1, 22050, 8};

class Player : public ::testing::Test {
  protected:
    fixture::TempDir dir;
    std::filesystem::path Write(const std::string& name, const fixture::Bytes& file) {
        fixture::WriteFile(dir / name, file);
        return dir / name;
    }
};

TEST(StartOffset, CountsFromTheCanonicalHeaderAndAlignsPastTheByte) {
    const auto wfx = [](fixture::Format f) {
        return sundrel::MakeWaveFormatEx({f.tag, f.channels, f.rate, f.bits, false});
    };
    EXPECT_EQ(sundrel::PlayStartOffset(wfx(kStereo16), 0.0f), 4u);       // file byte 48
    EXPECT_EQ(sundrel::PlayStartOffset(wfx(kStereo16), 1.0f), 176'404u); // 176,448
    EXPECT_EQ(sundrel::PlayStartOffset(wfx(kMono8), 0.5f), 11'028u);     // 11,072
    EXPECT_EQ(sundrel::PlayStartOffset(wfx(kStereo16), -3.0f), 4u);      // no negative start
    // 24-bit stereo frames are 6 bytes: start on whole frames, past the byte.
    const auto wide = wfx({1, 2, 1000, 24}); // 6000 B/s
    EXPECT_EQ(sundrel::PlayStartOffset(wide, 0.0f), 6u);
    EXPECT_EQ(sundrel::PlayStartOffset(wide, 0.0205f), 126u); // b = 123 -> 120 + 6
}

TEST_F(Player, SendsTheDataFromTheStartByteInFullBlocksThenTheTail) {
    const fixture::Bytes audio = Counting(190'000); // 1.077 s of 16-bit stereo
    const CWaveFile wave(Write("mix.wav", fixture::CanonicalWav(kStereo16, audio)));
    for (const auto& [start, offset] : {std::pair{0.0f, 4u}, std::pair{1.0f, 176'404u}}) {
        SCOPED_TRACE(start);
        RecordingWaveOut out(true);
        const PlayRun run = PlayAll(wave, out, start);
        EXPECT_EQ(run.result.end, sundrel::PlayEnd::Finished);
        EXPECT_EQ(out.bytes, Slice(audio, offset)); // byte 48 / 176,448 of the file first
        const std::size_t total = audio.size() - offset;
        ASSERT_EQ(out.blockSizes.size(), (total + 8191) / 8192);
        for (std::size_t i = 0; i + 1 < out.blockSizes.size(); ++i) {
            EXPECT_EQ(out.blockSizes[i], 8192u);
        }
        EXPECT_EQ(out.blockSizes.back(), total % 8192); // the tail is played
        EXPECT_EQ(out.closes, 1);
        EXPECT_EQ(out.resets, 0);
        // One label per read, the time read so far.
        EXPECT_EQ(run.labels.size(), (total + 1023) / 1024);
        CTimeCode end;
        end.SetSeconds(static_cast<float>(start + static_cast<double>(total) / 176400.0));
        EXPECT_EQ(run.labels.back(), end.Format());
    }
}

TEST_F(Player, EightBitMonoStartsAtByte11072ForHalfASecond) {
    const fixture::Bytes audio = Counting(30'000);
    const CWaveFile wave(Write("mono.wav", fixture::CanonicalWav(kMono8, audio)));
    RecordingWaveOut out(true);
    PlayAll(wave, out, 0.5f);
    EXPECT_EQ(out.bytes, Slice(audio, 11'028));
}

TEST_F(Player, PlaysOnlyTheDataChunkOfAFileWithExtraChunks) {
    const fixture::Bytes audio = Counting(40'000);
    fixture::Bytes list(37, std::byte{0x4C});
    const fixture::Bytes file = fixture::WavBuilder()
                                    .Chunk("LIST", list)
                                    .Fmt(kStereo16, true) // 40-byte extensible fmt
                                    .Chunk("fact", fixture::Bytes(4, std::byte{1}))
                                    .Data(audio)
                                    .Chunk("JUNK", fixture::Bytes(5000, std::byte{0x7F}))
                                    .Build();
    const CWaveFile wave(Write("chunks.wav", file));
    ASSERT_NE(wave.m_nDataOffset, 44u);
    for (const auto& [start, offset] : {std::pair{0.0f, 4u}, std::pair{0.1f, 17'644u}}) {
        RecordingWaveOut out(true);
        PlayAll(wave, out, start);
        EXPECT_EQ(out.bytes, Slice(audio, offset)); // nothing of the JUNK chunk after it
    }
}

TEST_F(Player, StartBeyondTheEndPlaysNothingAndEnds) {
    const CWaveFile wave(Write("short.wav", fixture::CanonicalWav(kStereo16, Counting(8000))));
    RecordingWaveOut out(true);
    const PlayRun run = PlayAll(wave, out, 60.0f);
    EXPECT_EQ(run.result.end, sundrel::PlayEnd::Finished);
    EXPECT_TRUE(out.blockSizes.empty());
    EXPECT_EQ(run.labels, std::vector<std::string>{"0:01:00.000"}); // the start time
    EXPECT_EQ(out.closes, 1);
}

TEST_F(Player, DeviceThatCannotOpenIsReportedAndNothingIsRead) {
    const CWaveFile wave(Write("mix.wav", fixture::CanonicalWav(kStereo16, Counting(50'000))));
    RecordingWaveOut out(true);
    out.openResult = {sundrel::WaveOutError::NoDevice, "no sound output device"};
    const PlayRun run = PlayAll(wave, out, 0.0f);
    EXPECT_EQ(run.result.end, sundrel::PlayEnd::DeviceError);
    EXPECT_EQ(run.result.message, "no sound output device");
    EXPECT_TRUE(out.blockSizes.empty());
    EXPECT_TRUE(run.labels.empty());
}

TEST(BlockRingTest, AChunkThatCompletesABlockQueuesItAndTheNextStartsEmpty) {
    RecordingWaveOut out;
    out.Open({}, nullptr);
    sundrel::BlockRing ring(out);
    const fixture::Bytes chunk = Counting(1024);
    for (int i = 0; i < 7; ++i) {
        ring.WriteAudio(chunk.data(), chunk.size(), {});
    }
    EXPECT_EQ(out.Written(), 0u); // only full blocks go to the device
    ring.WriteAudio(chunk.data(), chunk.size(), {});
    EXPECT_EQ(out.blockSizes, std::vector<std::size_t>{8192});
    EXPECT_EQ(ring.CurrentFill(), 0u);
    EXPECT_EQ(ring.FreeBlocks(), 19);
}

TEST(BlockRingTest, AChunkThatCrossesABoundaryPutsTheRestAtTheStartOfTheNextBlock) {
    RecordingWaveOut out;
    out.Open({}, nullptr);
    sundrel::BlockRing ring(out);
    const fixture::Bytes data = Counting(8000 + 1024);
    ring.WriteAudio(data.data(), 8000, {});
    ring.WriteAudio(data.data() + 8000, 1024, {});
    EXPECT_EQ(out.bytes, fixture::Bytes(data.begin(), data.begin() + 8192));
    EXPECT_EQ(ring.CurrentFill(), 832u);
    ring.WriteTail();
    EXPECT_EQ(out.bytes, data);
    EXPECT_EQ(out.blockSizes, (std::vector<std::size_t>{8192, 832}));
}

TEST_F(Player, The21stBlockWaitsUntilOneComesBackAndStopHandsNothingMore) {
    const fixture::Bytes audio = Counting(30 * 8192);
    const CWaveFile wave(Write("mix.wav", fixture::CanonicalWav(kStereo16, audio)));
    RecordingWaveOut out;
    std::stop_source stop;
    sundrel::PlayResult result;
    std::thread worker([&] { result = wave.Play(out, {}, 0.0f, stop.get_token()); });

    ASSERT_TRUE(out.WaitForBlocks(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(out.Written(), 20u); // every block is with the device: the writer waits
    out.Complete(1);
    ASSERT_TRUE(out.WaitForBlocks(21));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(out.Written(), 21u);

    stop.request_stop();
    worker.join();
    EXPECT_EQ(result.end, sundrel::PlayEnd::Stopped);
    EXPECT_EQ(out.Written(), 21u); // nothing more after the stop
    EXPECT_EQ(out.resets, 1);      // silenced at once
    EXPECT_EQ(out.closes, 1);
    EXPECT_EQ(out.bytes, fixture::Bytes(audio.begin() + 4, audio.begin() + 4 + 21 * 8192));

    // A later Play on the same device has a ring and a count of its own: it again hands
    // out exactly 20 blocks before it waits, and starts from its own start byte.
    std::stop_source stop2;
    std::thread second([&] { result = wave.Play(out, {}, 0.0f, stop2.get_token()); });
    ASSERT_TRUE(out.WaitForBlocks(41));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(out.Written(), 41u);
    EXPECT_EQ(out.Pending(), 20u);
    stop2.request_stop();
    second.join();
    EXPECT_EQ(fixture::Bytes(out.bytes.begin() + 21 * 8192, out.bytes.begin() + 22 * 8192),
              fixture::Bytes(audio.begin() + 4, audio.begin() + 4 + 8192));
}

} // namespace
