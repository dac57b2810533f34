#include "core/play/PlaybackSession.h"
#include "core/play/RecordingWaveOut.h"
#include "core/play/StartOffset.h"
#include "support/WavFixture.h"

#include <future>
#include <gtest/gtest.h>

namespace {

using testing_play::RecordingWaveOut;

// The session owns its devices; this one forwards to a recording device the test keeps.
class Forwarding : public sundrel::WaveOut {
  public:
    explicit Forwarding(std::shared_ptr<RecordingWaveOut> target) : m_target(std::move(target)) {}
    sundrel::WaveOutStatus Open(const sundrel::WaveFormatEx& f, DoneCallback done) override {
        return m_target->Open(f, std::move(done));
    }
    void Write(std::span<const std::byte> block) override { m_target->Write(block); }
    void Reset() override { m_target->Reset(); }
    void Close() override { m_target->Close(); }
    std::uint64_t FramesPlayed() const override { return m_target->FramesPlayed(); }

  private:
    std::shared_ptr<RecordingWaveOut> m_target;
};

struct Devices {
    bool autoComplete = false;
    sundrel::WaveOutStatus openResult;
    std::vector<std::shared_ptr<RecordingWaveOut>> made;
    sundrel::PlaybackSession::DeviceFactory Factory() {
        return [this] {
            made.push_back(std::make_shared<RecordingWaveOut>(autoComplete));
            made.back()->openResult = openResult;
            return std::make_unique<Forwarding>(made.back());
        };
    }
};

class Session : public ::testing::Test {
  protected:
    fixture::TempDir dir;
    std::unique_ptr<CWaveFile> wave;
    void SetUp() override {
        const fixture::Format f{1, 2, 44100, 16};
        fixture::WriteFile(dir / "mix.wav",
                           fixture::CanonicalWav(f, fixture::TestSignal(f, 120000)));
        wave = std::make_unique<CWaveFile>(dir / "mix.wav");
    }
};

TEST_F(Session, EndsByItselfWithThePositionAtTheLastFramePlayed) {
    Devices devices;
    devices.autoComplete = true;
    sundrel::PlaybackSession session(devices.Factory());
    std::promise<sundrel::PlayResult> ended;
    session.Start(*wave, 0.25f, {}, [&](const sundrel::PlayResult& r) { ended.set_value(r); });
    auto future = ended.get_future();
    ASSERT_EQ(future.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(future.get().end, sundrel::PlayEnd::Finished);
    ASSERT_TRUE(session.Result().has_value());
    EXPECT_EQ(session.Result()->end, sundrel::PlayEnd::Finished);

    const auto frames =
        static_cast<double>((wave->m_nDataSize - sundrel::PlayStartOffset(wave->m_wfx, 0.25f)) / 4);
    const double expected = 0.25 + frames / 44100.0;
    ASSERT_TRUE(session.Position().has_value());
    EXPECT_DOUBLE_EQ(*session.Position(), expected);
    EXPECT_TRUE(session.IsActive());
    EXPECT_DOUBLE_EQ(session.Stop().value(), expected);
    EXPECT_FALSE(session.IsActive());
    EXPECT_FALSE(session.Result().has_value());
    EXPECT_FALSE(session.Position().has_value());
    EXPECT_FALSE(session.Stop().has_value());
}

TEST_F(Session, PositionFollowsTheFramesTheDeviceHasPlayed) {
    Devices devices;
    sundrel::PlaybackSession session(devices.Factory());
    session.Start(*wave, 1.0f);
    ASSERT_TRUE(devices.made.front()->WaitForBlocks(20));
    EXPECT_DOUBLE_EQ(*session.Position(), 1.0); // the ring is full, nothing heard yet
    devices.made.front()->Complete(2);
    EXPECT_DOUBLE_EQ(*session.Position(), 1.0 + 2 * 8192 / 4 / 44100.0);
    EXPECT_FALSE(session.Result().has_value()); // still running
    EXPECT_DOUBLE_EQ(session.Stop().value(), 1.0 + 2 * 8192 / 4 / 44100.0);
    EXPECT_EQ(devices.made.front()->resets, 1);
}

TEST_F(Session, StartingAgainStopsThePlayerBeforeTheNextOneOpensItsDevice) {
    Devices devices;
    sundrel::PlaybackSession session(devices.Factory());
    session.Start(*wave, 0.0f);
    ASSERT_TRUE(devices.made.at(0)->WaitForBlocks(20));
    session.Start(*wave, 0.5f);
    ASSERT_EQ(devices.made.size(), 2u);
    const auto& first = *devices.made[0];
    EXPECT_EQ(first.resets, 1);
    EXPECT_EQ(first.closes, 1);
    ASSERT_TRUE(devices.made[1]->WaitForBlocks(20));
    EXPECT_EQ(first.Written(), 20u); // the old player handed nothing more
    session.Stop();
}

TEST_F(Session, ADeviceThatCannotOpenIsReportedAndTheSessionStaysUsable) {
    Devices devices;
    devices.openResult = {sundrel::WaveOutError::NoDevice, "no sound output device"};
    sundrel::PlaybackSession session(devices.Factory());
    std::promise<sundrel::PlayResult> ended;
    session.Start(*wave, 0.0f, {}, [&](const sundrel::PlayResult& r) { ended.set_value(r); });
    auto future = ended.get_future();
    ASSERT_EQ(future.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(future.get().end, sundrel::PlayEnd::DeviceError);
    EXPECT_EQ(session.Result()->message, "no sound output device");
    session.Stop();

    devices.openResult = {};
    devices.autoComplete = true;
    std::promise<sundrel::PlayResult> again;
    session.Start(*wave, 0.0f, {}, [&](const sundrel::PlayResult& r) { again.set_value(r); });
    auto second = again.get_future();
    ASSERT_EQ(second.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(second.get().end, sundrel::PlayEnd::Finished);
}

} // namespace
