#include "core/audio/WaveFile.h"
#include "core/play/BlockRing.h"
#include "core/play/RecordingWaveOut.h"
#include "core/time/TimeCode.h"
#include "support/WavFixture.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

using fixture::Bytes;
using fixture::Counting;
using fixture::Slice;
using testing_play::RecordingWaveOut;

const fixture::Format kStereo16{1, 2, 44100, 16};

TEST(Player, SendsTheDataFromTheStartByte) {
    const fixture::Format mono8{1, 1, 22050, 8}, wide{1, 2, 1000, 24};
    struct Case {
        fixture::Format f;
        bool chunky;
        float start;
        std::size_t offset; // from the data start
    };
    const Case cases[] = {
        {kStereo16, false, 0.0f, 4},       // file byte 48
        {kStereo16, false, 1.0f, 176'404}, // file byte 176,448 at 176,400 B/s
        {mono8, false, 0.5f, 11'028},      // file byte 11,072 at 22,050 B/s
        {kStereo16, true, 0.0f, 4},        // the same offsets from a later data chunk
        {kStereo16, true, 1.0f, 176'404},
        {mono8, true, 0.5f, 11'028},
        {kStereo16, false, -3.0f, 4}, // no negative start
        // 24-bit stereo frames are 6 bytes: start on whole frames, past the byte.
        {wide, false, 0.0f, 6},
        {wide, false, 0.0205f, 126}, // byte 123 -> 120 + 6
    };
    fixture::TempDir dir;
    const Bytes audio = Counting(189'996); // 1.077 s of 16-bit stereo, whole 24-bit frames
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.f.bits << "-bit from " << c.start);
        fixture::WriteFile(dir / "mix.wav", c.chunky ? fixture::ChunkyWav(c.f, audio, true)
                                                     : fixture::CanonicalWav(c.f, audio));
        const CWaveFile wave(dir / "mix.wav");
        RecordingWaveOut out(true);
        std::vector<std::string> labels;
        const auto result = wave.Play(
            out, [&](const std::string& text) { labels.push_back(text); }, c.start);
        EXPECT_EQ(result.end, sundrel::PlayEnd::Finished);
        EXPECT_EQ(out.bytes, Slice(audio, c.offset)); // nothing of a chunk after the data
        // One label per read, the time read so far. (How the blocks are handed over and the
        // device closed: PlayRangeTest.)
        const std::size_t total = audio.size() - c.offset;
        EXPECT_EQ(labels.size(), (total + 1023) / 1024);
        CTimeCode last;
        last.Parse(labels.back());
        EXPECT_NEAR(last.GetSeconds(), c.start + double(total) / (c.f.rate * c.f.FrameSize()),
                    0.0011);
    }
}

TEST(Player, AMixCutShortOnDiskPlaysWhatIsLeftAndSaysItChanged) {
    fixture::TempDir dir;
    const Bytes audio = Counting(40'000);
    fixture::WriteFile(dir / "mix.wav", fixture::CanonicalWav(kStereo16, audio));
    const CWaveFile wave(dir / "mix.wav");
    std::filesystem::resize_file(dir / "mix.wav", 44 + 10'002); // half a frame at the end
    RecordingWaveOut out(true);
    const auto result = wave.Play(out, {}, 0.0f);
    EXPECT_EQ(result.end, sundrel::PlayEnd::ReadError);
    EXPECT_EQ(result.message, (dir / "mix.wav").string() +
                                  ": the mix changed on disk (it is now 10046 bytes, was 40044)");
    EXPECT_EQ(out.bytes, Slice(audio, 4, 10'000 - 4)); // whole frames only, from the start byte
    EXPECT_EQ(out.closes, 1);
}

TEST(Player, StartBeyondTheEndPlaysNothingAndEnds) {
    fixture::TempDir dir;
    fixture::WriteFile(dir / "short.wav", fixture::CanonicalWav(kStereo16, Counting(8000)));
    const CWaveFile wave(dir / "short.wav");
    RecordingWaveOut out(true);
    std::vector<std::string> labels;
    const auto result = wave.Play(
        out, [&](const std::string& t) { labels.push_back(t); }, 60.0f);
    EXPECT_EQ(result.end, sundrel::PlayEnd::Finished);
    EXPECT_TRUE(out.blockSizes.empty());
    EXPECT_EQ(labels, std::vector<std::string>{"0:01:00.000"}); // the start time
    EXPECT_EQ(out.closes, 1);
}

TEST(BlockRing, OnlyFullBlocksGoToTheDeviceAndACrossingChunkStartsTheNext) {
    RecordingWaveOut out;
    out.Open({}, nullptr);
    sundrel::BlockRing ring(out);
    const Bytes data = Counting(8 * 1024 + 8000 + 1024);
    // Eight 1024-byte chunks: the eighth completes a block, and the next starts empty.
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(out.Written(), 0u);
        ring.WriteAudio(data.data() + i * 1024, 1024, {});
    }
    EXPECT_EQ(out.blockSizes, std::vector<std::size_t>{8192});
    EXPECT_EQ(ring.CurrentFill(), 0u);
    EXPECT_EQ(ring.FreeBlocks(), 19);
    // A chunk that crosses a boundary puts the rest at the start of the next block.
    ring.WriteAudio(data.data() + 8192, 8000, {});
    ring.WriteAudio(data.data() + 8192 + 8000, 1024, {});
    EXPECT_EQ(ring.CurrentFill(), 832u);
    ring.WriteTail();
    EXPECT_EQ(out.bytes, data);
    EXPECT_EQ(out.blockSizes, (std::vector<std::size_t>{8192, 8192, 832}));
}

TEST(Player, The21stBlockWaitsUntilOneComesBackAndStopHandsNothingMore) {
    fixture::TempDir dir;
    const Bytes audio = Counting(30 * 8192);
    fixture::WriteFile(dir / "mix.wav", fixture::CanonicalWav(kStereo16, audio));
    const CWaveFile wave(dir / "mix.wav");
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
    stop.request_stop();
    worker.join();
    EXPECT_EQ(result.end, sundrel::PlayEnd::Stopped);
    EXPECT_EQ(out.Written(), 21u); // nothing more after the stop
    EXPECT_EQ(out.resets, 1);      // silenced at once
    EXPECT_EQ(out.closes, 1);
    EXPECT_EQ(out.bytes, Slice(audio, 4, 21 * 8192));

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
    EXPECT_EQ(Slice(out.bytes, 21 * 8192, 8192), Slice(audio, 4, 8192));
}

} // namespace
