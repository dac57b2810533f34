#include "core/play/PlaybackSession.h"
#include "core/play/RecordingWaveOut.h"
#include "support/WavFixture.h"

#include <future>
#include <gtest/gtest.h>

namespace {

using testing_play::Devices;
using testing_play::RecordingWaveOut;

class Session : public ::testing::Test {
  protected:
    fixture::TempDir dir;
    std::unique_ptr<CWaveFile> wave;
    Devices devices;
    sundrel::PlaybackSession session{devices.Factory()};
    void SetUp() override {
        const fixture::Format f{1, 2, 44100, 16};
        fixture::WriteFile(dir / "mix.wav",
                           fixture::CanonicalWav(f, fixture::TestSignal(f, 120000)));
        wave = std::make_unique<CWaveFile>(dir / "mix.wav");
    }
};

// Starts a player and waits until it ends by itself.
sundrel::PlayResult PlayToTheEnd(sundrel::PlaybackSession& session, const CWaveFile& wave,
                                 float start) {
    std::promise<sundrel::PlayResult> ended;
    session.Start(wave, start, {}, [&](const sundrel::PlayResult& r) { ended.set_value(r); });
    auto future = ended.get_future();
    EXPECT_EQ(future.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    return future.get();
}

TEST_F(Session, EndsByItselfWithThePositionAtTheLastFramePlayed) {
    devices.autoComplete = true;
    EXPECT_EQ(PlayToTheEnd(session, *wave, 0.25f).end, sundrel::PlayEnd::Finished);
    EXPECT_EQ(session.Result()->end, sundrel::PlayEnd::Finished);
    // 0.25 s is byte 44,100 of the data, plus the 4 bytes the start is raised by.
    const double expected = 0.25 + double((wave->m_nDataSize - 44'104) / 4) / 44100.0;
    EXPECT_DOUBLE_EQ(session.Position().value(), expected);
    EXPECT_TRUE(session.IsActive());
    EXPECT_DOUBLE_EQ(session.Stop().value(), expected);
    EXPECT_FALSE(session.IsActive());
    EXPECT_FALSE(session.Result().has_value());
    EXPECT_FALSE(session.Position().has_value());
}

TEST_F(Session, StartingAgainStopsThePlayerBeforeTheNextOneOpensItsDevice) {
    session.Start(*wave, 0.0f);
    ASSERT_TRUE(devices.made.at(0)->WaitForBlocks(20));
    session.Start(*wave, 0.5f);
    ASSERT_EQ(devices.made.size(), 2u);
    EXPECT_EQ(devices.made[0]->resets, 1);
    EXPECT_EQ(devices.made[0]->closes, 1);
    ASSERT_TRUE(devices.made[1]->WaitForBlocks(20));
    EXPECT_EQ(devices.made[0]->Written(), 20u); // the old player handed nothing more
    session.Stop();
}

TEST_F(Session, ADeviceThatCannotOpenIsReportedAndTheSessionStaysUsable) {
    devices.openResult = {sundrel::WaveOutError::NoDevice, "no sound output device"};
    const auto failed = PlayToTheEnd(session, *wave, 0.0f);
    EXPECT_EQ(failed.end, sundrel::PlayEnd::DeviceError);
    EXPECT_EQ(failed.message, "no sound output device");
    EXPECT_TRUE(devices.made[0]->blockSizes.empty());
    session.Stop();

    devices.openResult = {};
    devices.autoComplete = true;
    EXPECT_EQ(PlayToTheEnd(session, *wave, 0.0f).end, sundrel::PlayEnd::Finished);
}

} // namespace
