#include "core/play/Transport.h"

#include <gtest/gtest.h>

namespace {

using sundrel::TransportState;

TEST(Transport, ControlStatesFollowTheTable) {
    auto c = sundrel::ControlsFor(TransportState::Idle);
    EXPECT_TRUE(c.play);
    EXPECT_FALSE(c.stop);
    EXPECT_FALSE(c.pause);
    EXPECT_FALSE(c.split.has_value()); // left as it was
    c = sundrel::ControlsFor(TransportState::Playing);
    EXPECT_EQ((std::tuple{c.play, c.stop, c.pause, c.split}),
              (std::tuple{false, true, true, std::optional{false}}));
    c = sundrel::ControlsFor(TransportState::Paused);
    EXPECT_EQ((std::tuple{c.play, c.stop, c.pause, c.split}),
              (std::tuple{true, true, false, std::optional{true}}));
    c = sundrel::ControlsFor(TransportState::Stopped);
    EXPECT_EQ((std::tuple{c.play, c.stop, c.pause, c.split}),
              (std::tuple{true, false, false, std::optional{true}}));
}

TEST(Transport, StopGoesBackToTheStartAndAutoJumpShowsTheFirstTwoSeconds) {
    const auto out = sundrel::StopTransport(true);
    EXPECT_EQ(out.position, 0.0f);
    EXPECT_EQ(out.trackbar, 0);
    EXPECT_EQ(out.label, "0:00:00.000");
    ASSERT_TRUE(out.window.has_value());
    EXPECT_EQ(out.window->from, 0.0f);
    EXPECT_EQ(out.window->to, 2.0f);
    EXPECT_FALSE(sundrel::StopTransport(false).window.has_value());
}

TEST(Transport, PauseReadsTheElevenCharacterLabelBack) {
    auto out = sundrel::PauseTransport("0:01:05.250", 70.0f, true);
    EXPECT_FLOAT_EQ(out.position, 65.25f);
    EXPECT_FALSE(out.label.has_value()); // the label stays as it is
    ASSERT_TRUE(out.window.has_value());
    EXPECT_FLOAT_EQ(out.window->from, 64.25f);
    EXPECT_FLOAT_EQ(out.window->to, 66.25f);

    EXPECT_FALSE(sundrel::PauseTransport("0:01:05.250", 70.0f, false).window.has_value());
    // Ten hours or more: 12 characters, the tick's value stays.
    EXPECT_FLOAT_EQ(sundrel::PauseTransport("10:00:00.000", 36001.5f, false).position, 36001.5f);
    EXPECT_FLOAT_EQ(sundrel::PauseTransport("", 3.0f, false).position, 3.0f);
}

TEST(Transport, PauseWithTheDeviceClockResumesWhereTheSoundStopped) {
    const auto out = sundrel::PauseTransport("0:00:41.900", 42.0f, true, 42.12345);
    ASSERT_TRUE(out.label.has_value());
    EXPECT_EQ(*out.label, "0:00:42.123");
    EXPECT_FLOAT_EQ(out.position, 42.123f);
    EXPECT_FLOAT_EQ(out.window->from, 41.123f);
}

TEST(Transport, TickAddsATenthUntilTheDuration) {
    auto tick = sundrel::PositionTick(true, true, 99.9f, 100.0);
    EXPECT_TRUE(tick.moved);
    EXPECT_EQ(tick.position, 100.0f);
    EXPECT_EQ(tick.trackbar, 1000);
    EXPECT_FALSE(tick.label.has_value());
    EXPECT_FALSE(sundrel::PositionTick(true, true, 100.0f, 100.0).moved);

    tick = sundrel::PositionTick(true, true, 12.3f, 200.0);
    EXPECT_EQ(tick.position, static_cast<float>(static_cast<double>(12.3f) + 0.1));
    EXPECT_EQ(tick.trackbar, 62); // trunc(12400 / 200)

    EXPECT_FALSE(sundrel::PositionTick(false, true, 1.0f, 100.0).moved);
    EXPECT_FALSE(sundrel::PositionTick(true, false, 1.0f, 100.0).moved);
    EXPECT_FALSE(sundrel::PositionTick(false, true, 1.0f, 100.0, 2.0).moved);
}

TEST(Transport, TickFollowsTheDeviceClockWhenThereIsOne) {
    auto tick = sundrel::PositionTick(true, true, 10.0f, 100.0, 10.0371);
    EXPECT_TRUE(tick.moved);
    EXPECT_FLOAT_EQ(tick.position, 10.0371f);
    EXPECT_EQ(tick.trackbar, 100);
    EXPECT_EQ(tick.label, std::optional<std::string>("0:00:10.037"));
    // Held at the duration.
    tick = sundrel::PositionTick(true, true, 99.95f, 100.0, 100.2);
    EXPECT_EQ(tick.position, 100.0f);
    EXPECT_EQ(tick.trackbar, 1000);
}

} // namespace
