// Playing a range and previewing a marker through the session: the frames played, the
// position left alone, the transport flag.

#include "core/play/RecordingWaveOut.h"
#include "core/session/MixSession.h"
#include "support/WavFixture.h"

#include <cmath>
#include <future>
#include <gtest/gtest.h>
#include <limits>

namespace {

using sundrel::MixSession;
using sundrel::PlayRange;
using testing_play::Devices;

// 16-bit stereo at 2500 Hz, 100 s: 5 s are 12,500 frames.
const fixture::Format kFormat{1, 2, 2500, 16};
constexpr std::int64_t kFrames = 250'000;

struct Listener : sundrel::SessionListener {
    std::vector<unsigned> told;
    void OnSessionChanged(unsigned what) override { told.push_back(what); }
};

class Preview : public ::testing::Test {
  protected:
    fixture::TempDir dir;
    fixture::Bytes audio = fixture::Counting(std::size_t(kFrames) * 4);
    Devices devices;
    MixSession session{devices.Factory()};
    Listener listener;
    std::promise<sundrel::PlayResult> ended;

    void SetUp() override {
        fixture::WriteFile(dir / "mix.wav", fixture::CanonicalWav(kFormat, audio));
        session.Load(std::make_shared<CWaveFile>(dir / "mix.wav"), false);
        for (const std::int64_t frame :
             {std::int64_t{100'000}, std::int64_t{1'000}, kFrames - 1'000}) {
            session.AddAtFrame(frame);
        }
        session.SetPosition(10.0f);
        session.AddListener(&listener);
    }
    void TearDown() override { session.RemoveListener(&listener); }

    // The list entry of the marker at `frame`.
    std::size_t At(std::int64_t frame) const {
        for (std::size_t k = 0; k < session.Markers().Count(); ++k) {
            if (session.Markers().At(k)->frame == frame) {
                return k;
            }
        }
        ADD_FAILURE() << "no marker at " << frame;
        return 0;
    }
    // Callbacks that report the end of the play to `ended`.
    MixSession::MakeCallbacks ToEnded() {
        return [this](std::uint64_t) {
            return MixSession::PlayCallbacks{
                {}, [this](const sundrel::PlayResult& r) { ended.set_value(r); }};
        };
    }
    static MixSession::PlayCallbacks Silent(std::uint64_t) { return {}; }
};

TEST_F(Preview, TheRangeIsTheMarkerLessBeforeToPlusAfterHeldWithinTheMix) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        std::int64_t marker; // its frame
        double before, after;
        PlayRange range;
    };
    const Case cases[] = {
        {100'000, 5.0, 5.0, {87'500, 112'500}},
        {1'000, 5.0, 5.0, {0, 13'500}},                           // held at the start
        {kFrames - 1'000, 5.0, 5.0, {kFrames - 13'500, kFrames}}, // held at the end
        {100'000, 0.5, 2.0, {98'750, 105'000}},                   // lengths of their own
        {100'000, 0.0002, 0.0001, {99'999, 100'000}},             // half a frame rounds up
        {100'000, -3.0, kNaN, {100'000, 100'000}},                // nothing: empty
        {100'000, 1e300, kInf, {0, kFrames}},                     // no overflow
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.marker << " -" << c.before << " +" << c.after);
        EXPECT_EQ(session.PreviewRangeOf(At(c.marker), c.before, c.after), c.range);
    }
    EXPECT_EQ(session.PreviewRangeOf(4, 5.0, 5.0), std::nullopt); // no such marker
}

TEST_F(Preview, APreviewPlaysItsFramesAndLeavesThePositionWhereItWas) {
    devices.autoComplete = true;
    ASSERT_TRUE(session.PreviewMarker(At(100'000), ToEnded())); // 5 s either side
    EXPECT_TRUE(session.IsPlaying());
    EXPECT_EQ(session.PlayingRange(), (PlayRange{87'500, 112'500}));
    EXPECT_EQ(listener.told, std::vector<unsigned>{sundrel::changed::kTransport});
    auto result = ended.get_future();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(result.get().end, sundrel::PlayEnd::Finished);
    EXPECT_EQ(devices.made.back()->bytes, fixture::Slice(audio, 87'500 * 4, 25'000 * 4));
    EXPECT_EQ(session.Position(), 10.0);
    EXPECT_NEAR(*session.PlayedPosition(), 45.0, 1e-9); // where the sound ended
    // The window answers the end as for any play: the transport goes idle.
    session.StopPlayback();
    EXPECT_FALSE(session.IsPlaying());
    EXPECT_EQ(session.PlayingRange(), std::nullopt);
    EXPECT_EQ(session.Position(), 10.0);
}

TEST_F(Preview, RangesAndPlaysReplaceEachOtherAndAFailedPreviewChangesNothing) {
    session.PlayRange(-10, 1'000, Silent);
    EXPECT_EQ(session.PlayingRange(), (PlayRange{0, 1'000}));
    EXPECT_DOUBLE_EQ(*session.PlayedPosition(), 0.0);

    // Play from the position ends the range: it is played from 10 s on.
    session.Play(Silent);
    ASSERT_EQ(devices.made.size(), 2u);
    EXPECT_EQ(devices.made[0]->resets, 1);
    EXPECT_EQ(session.PlayingRange(), std::nullopt);
    ASSERT_TRUE(devices.made[1]->WaitForBlocks(1));
    EXPECT_EQ(fixture::Slice(devices.made[1]->BytesSoFar(), 0, 4),
              fixture::Slice(audio, 100'004, 4));

    listener.told.clear();
    EXPECT_FALSE(session.PreviewMarker(9, Silent));
    EXPECT_TRUE(session.IsPlaying());
    EXPECT_EQ(devices.made.size(), 2u);
    EXPECT_EQ(devices.made[1]->resets, 0); // the play goes on
    EXPECT_TRUE(listener.told.empty());

    // Stop ends a range as it ends a play.
    ASSERT_TRUE(session.PreviewMarker(At(1'000), 1.0, 1.0, Silent));
    EXPECT_EQ(session.PlayingRange(), (PlayRange{0, 3'500}));
    session.StopPlayback();
    EXPECT_FALSE(session.IsPlaying());
    EXPECT_EQ(session.PlayingRange(), std::nullopt);
    EXPECT_EQ(devices.made.back()->resets, 1);
    EXPECT_EQ(session.Position(), 10.0);
}

TEST(PreviewWithoutMix, NothingPlays) {
    Devices devices;
    MixSession session{devices.Factory()};
    EXPECT_EQ(session.PreviewRangeOf(0, 5.0, 5.0), std::nullopt);
    EXPECT_FALSE(
        session.PreviewMarker(0, [](std::uint64_t) { return MixSession::PlayCallbacks{}; }));
    session.PlayRange(0, 100, [](std::uint64_t) { return MixSession::PlayCallbacks{}; });
    EXPECT_FALSE(session.IsPlaying());
    EXPECT_TRUE(devices.made.empty());
}

} // namespace
