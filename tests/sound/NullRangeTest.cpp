// A marker preview on the null device: the sound takes its real time, the clock ends exactly
// on the range's last frame (6-byte frames, so blocks end mid-frame), and the position stays.

#include "core/session/MixSession.h"
#include "sound/NullOut.h"
#include "support/WavFixture.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(NullRange, APreviewPlaysInRealTimeAndEndsOnItsLastFrame) {
    const fixture::Format f{1, 2, 8000, 24}; // 48,000 bytes a second
    fixture::TempDir dir;
    fixture::WriteFile(dir / "mix.wav", fixture::CanonicalWav(f, fixture::TestSignal(f, 16'000)));
    sundrel::MixSession session([] { return std::make_unique<sundrel::audio::NullOut>(); });
    session.Load(std::make_shared<CWaveFile>(dir / "mix.wav"), false);
    const std::size_t marker = *session.AddAtFrame(8'000); // at 1 s
    session.SetPosition(0.25f);

    std::promise<sundrel::PlayResult> ended;
    const auto start = std::chrono::steady_clock::now();
    // 0.1 s either side: frames 7,200 .. 8,799, 9,600 bytes.
    ASSERT_TRUE(session.PreviewMarker(marker, 0.1, 0.1, [&](std::uint64_t) {
        return sundrel::MixSession::PlayCallbacks{
            {}, [&](const sundrel::PlayResult& r) { ended.set_value(r); }};
    }));
    auto result = ended.get_future();
    double last = 0.9;
    while (result.wait_for(5ms) != std::future_status::ready) {
        const double now = session.PlayedPosition().value();
        EXPECT_GE(now, last); // the clock never runs back
        EXPECT_LE(now, 1.1);
        last = now;
        ASSERT_LT(std::chrono::steady_clock::now() - start, 10s);
    }
    EXPECT_EQ(result.get().end, sundrel::PlayEnd::Finished);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 180ms); // 0.2 s of sound
    EXPECT_DOUBLE_EQ(session.PlayedPosition().value(), 8'800 / 8000.0);
    EXPECT_EQ(session.Position(), 0.25);
    session.StopPlayback();
}

} // namespace
