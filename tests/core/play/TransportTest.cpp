#include "core/play/Transport.h"

#include <gtest/gtest.h>

namespace {

using sundrel::PauseTransport;
using sundrel::PositionTick;

TEST(Transport, StopGoesBackToTheStartAndAutoJumpShowsTheFirstTwoSeconds) {
    const auto out = sundrel::StopTransport(true);
    EXPECT_EQ(std::tuple(out.position, out.trackbar, out.label),
              std::tuple(0.0f, 0, "0:00:00.000"));
    ASSERT_TRUE(out.window.has_value());
    EXPECT_EQ(std::pair(out.window->from, out.window->to), std::pair(0.0, 2.0));
    EXPECT_FALSE(sundrel::StopTransport(false).window.has_value());
}

TEST(Transport, PauseReadsTheElevenCharacterLabelBackOrTheDeviceClock) {
    auto out = PauseTransport("0:01:05.250", 70.0f, true);
    EXPECT_FLOAT_EQ(out.position, 65.25f);
    EXPECT_FALSE(out.label.has_value()); // the label stays as it is
    ASSERT_TRUE(out.window.has_value());
    EXPECT_FLOAT_EQ(static_cast<float>(out.window->from), 64.25f);
    EXPECT_FLOAT_EQ(static_cast<float>(out.window->to), 66.25f);
    EXPECT_FALSE(PauseTransport("0:01:05.250", 70.0f, false).window.has_value());
    // Ten hours or more: 12 characters, the tick's value stays.
    EXPECT_FLOAT_EQ(PauseTransport("10:00:00.000", 36001.5f, false).position, 36001.5f);
    EXPECT_FLOAT_EQ(PauseTransport("", 3.0f, false).position, 3.0f);

    // With the device's clock, Pause resumes where the sound stopped.
    out = PauseTransport("0:00:41.900", 42.0f, true, 42.12345);
    EXPECT_EQ(out.label, std::optional<std::string>("0:00:42.123"));
    EXPECT_FLOAT_EQ(out.position, 42.123f);
    EXPECT_FLOAT_EQ(static_cast<float>(out.window->from), 41.123f);
}

TEST(Transport, TickAddsATenthOrFollowsTheDeviceClockUntilTheDuration) {
    auto tick = PositionTick(true, true, 99.9f, 100.0);
    EXPECT_EQ(std::tuple(tick.moved, tick.position, tick.trackbar), std::tuple(true, 100.0f, 1000));
    EXPECT_FALSE(tick.label.has_value());
    tick = PositionTick(true, true, 12.3f, 200.0);
    EXPECT_EQ(tick.position, static_cast<float>(static_cast<double>(12.3f) + 0.1));
    EXPECT_EQ(tick.trackbar, 62); // trunc(12400 / 200)
    EXPECT_FALSE(PositionTick(true, true, 100.0f, 100.0).moved);
    EXPECT_FALSE(PositionTick(false, true, 1.0f, 100.0).moved);
    EXPECT_FALSE(PositionTick(true, false, 1.0f, 100.0).moved);
    EXPECT_FALSE(PositionTick(false, true, 1.0f, 100.0, 2.0).moved);

    tick = PositionTick(true, true, 10.0f, 100.0, 10.0371);
    EXPECT_TRUE(tick.moved);
    EXPECT_FLOAT_EQ(tick.position, 10.0371f);
    EXPECT_EQ(tick.trackbar, 100);
    EXPECT_EQ(tick.label, std::optional<std::string>("0:00:10.037"));
    tick = PositionTick(true, true, 99.95f, 100.0, 100.2); // held at the duration
    EXPECT_EQ(std::pair(tick.position, tick.trackbar), std::pair(100.0f, 1000));
}

} // namespace
