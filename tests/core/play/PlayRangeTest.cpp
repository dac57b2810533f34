// Playing a range of frames: through CWaveFile::Play directly and through PlaybackSession.

#include "core/audio/WaveFile.h"
#include "core/play/PlaybackSession.h"
#include "core/play/RecordingWaveOut.h"
#include "core/time/TimeCode.h"
#include "support/WavFixture.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace {

using fixture::Bytes;
using fixture::Slice;
using sundrel::PlayEnd;
using sundrel::PlayRange;
using testing_play::Devices;
using testing_play::RecordingWaveOut;

constexpr std::uint32_t kRate = 8000;
constexpr std::int64_t kFrames = 7001; // several 8192-byte blocks in every format below

// Every frame size a mix can have, odd ones included.
const fixture::Format kFormats[] = {
    {1, 1, kRate, 8},  // 1 byte
    {1, 1, kRate, 24}, // 3 bytes
    {1, 2, kRate, 16}, // 4 bytes
    {1, 2, kRate, 24}, // 6 bytes
    {3, 2, kRate, 32}, // 8 bytes
};

// The mix among other chunks; where frames are wider than a byte the data chunk also ends in
// a torn frame, which must never reach the device.
Bytes WriteMix(const std::filesystem::path& path, const fixture::Format& f,
               std::int64_t frames = kFrames) {
    const std::size_t torn = f.FrameSize() > 1 ? 1 : 0;
    const Bytes audio = fixture::Counting(std::size_t(frames) * f.FrameSize() + torn);
    fixture::WriteFile(path, fixture::ChunkyWav(f, audio));
    return audio;
}

TEST(PlayRange, TheDeviceGetsExactlyTheRangesFramesInEveryFormat) {
    struct Case {
        PlayRange asked;
        std::int64_t first, end; // what is played
    };
    const Case cases[] = {
        {{1, 2}, 1, 2},                                           // one frame
        {{1234, 5678}, 1234, 5678},                               // across several blocks
        {{0, kFrames}, 0, kFrames},                               // the whole mix, no torn frame
        {{-50, 300}, 0, 300},                                     // held at the start
        {{kFrames - 100, kFrames + 500}, kFrames - 100, kFrames}, // held at the end
        {{777, 777}, 777, 777},                                   // empty
        {{900, 100}, 900, 900},                                   // backwards: empty
        {{kFrames + 10, kFrames + 20}, kFrames, kFrames},         // past the end: empty
        {{INT64_MIN, INT64_MAX}, 0, kFrames},                     // no overflow at the extremes
    };
    fixture::TempDir dir;
    for (const fixture::Format& f : kFormats) {
        const Bytes audio = WriteMix(dir / "mix.wav", f);
        const CWaveFile wave(dir / "mix.wav");
        const std::size_t fs = f.FrameSize();
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message()
                         << f.bits << "-bit x" << f.channels << " [" << c.asked.firstFrame << ", "
                         << c.asked.endFrame << ")");
            RecordingWaveOut out(true);
            std::vector<std::string> labels;
            const auto result = wave.Play(
                out, [&](const std::string& t) { labels.push_back(t); }, c.asked);
            EXPECT_EQ(result.end, PlayEnd::Finished);
            const std::size_t bytes = std::size_t(c.end - c.first) * fs;
            ASSERT_EQ(out.bytes.size(), bytes);
            EXPECT_EQ(out.bytes, Slice(audio, std::size_t(c.first) * fs, bytes));
            // Full blocks, then the tail.
            for (std::size_t k = 0; k + 1 < out.blockSizes.size(); ++k) {
                EXPECT_EQ(out.blockSizes[k], 8192u) << k;
            }
            EXPECT_EQ(out.closes, 1);
            EXPECT_EQ(out.resets, 0);
            // The label counts from the first frame's time to the end's.
            ASSERT_FALSE(labels.empty());
            CTimeCode first, last;
            first.Parse(labels.front());
            last.Parse(labels.back());
            EXPECT_NEAR(last.GetSeconds(), double(c.end) / kRate, 0.0011);
            if (bytes == 0) {
                EXPECT_EQ(labels.size(), 1u);
            } else {
                EXPECT_NEAR(first.GetSeconds(),
                            double(c.first) / kRate +
                                double(std::min<std::size_t>(bytes, 1024)) / double(kRate * fs),
                            0.0011);
            }
        }
    }
}

// A session whose devices finish blocks only when the test says so, on a mix longer than
// the ring: 40,000 frames of 6 bytes (blocks end mid-frame).
constexpr std::int64_t kLong = 40'000;
class RangeSession : public ::testing::Test {
  protected:
    fixture::TempDir dir;
    const fixture::Format format{1, 2, kRate, 24};
    Bytes audio = WriteMix(dir / "mix.wav", format, kLong);
    CWaveFile wave{dir / "mix.wav"};
    Devices devices;
    sundrel::PlaybackSession session{devices.Factory()};
};

TEST_F(RangeSession, PositionCountsFromTheFirstFrameAndStopHandsNothingMore) {
    struct Case {
        PlayRange asked;
        double start; // seconds the position starts at
    };
    const Case cases[] = {
        {{4000, kLong}, 0.5},  // from frame 4000
        {{-4000, kLong}, 0.0}, // held at the start, as the sound is
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked.firstFrame);
        session.Start(wave, c.asked);
        RecordingWaveOut& out = *devices.made.back();
        ASSERT_TRUE(out.WaitForBlocks(20));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_EQ(out.Written(), 20u);                  // the ring is full: the player waits
        EXPECT_DOUBLE_EQ(*session.Position(), c.start); // nothing heard yet
        out.Complete(1);
        ASSERT_TRUE(out.WaitForBlocks(21));
        // 8192 bytes: 1365 whole frames and a part of the next one.
        EXPECT_DOUBLE_EQ(*session.Position(), c.start + 1365.0 / kRate);
        EXPECT_DOUBLE_EQ(session.Stop().value(), c.start + 1365.0 / kRate);
        EXPECT_EQ(out.resets, 1);
        EXPECT_EQ(out.Written(), 21u); // nothing more after the stop
        const std::size_t from = std::size_t(c.start * kRate) * 6;
        EXPECT_EQ(out.bytes, Slice(audio, from, 21 * 8192));
    }
}

TEST_F(RangeSession, ARangeThatEndsByItselfReportsFinishedAtItsEnd) {
    const PlayRange ranges[] = {{1000, 3000}, {kLong - 10, kLong + 10}, {50, 50}};
    devices.autoComplete = true;
    for (const PlayRange& range : ranges) {
        SCOPED_TRACE(range.firstFrame);
        std::promise<sundrel::PlayResult> ended;
        session.Start(wave, range, {}, [&](const sundrel::PlayResult& r) { ended.set_value(r); });
        auto future = ended.get_future();
        ASSERT_EQ(future.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        EXPECT_EQ(future.get().end, PlayEnd::Finished);
        EXPECT_EQ(session.Result()->end, PlayEnd::Finished);
        const std::int64_t end = std::min(range.endFrame, kLong);
        EXPECT_NEAR(*session.Position(), double(end) / kRate, 1e-9);
        EXPECT_EQ(devices.made.back()->bytes.size(), std::size_t(end - range.firstFrame) * 6);
        session.Stop();
    }
}

} // namespace
