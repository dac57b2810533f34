#include "core/play/TestTone.h"

#include "core/play/RecordingWaveOut.h"
#include "core/riff/WaveLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

std::int16_t SampleAt(const std::vector<std::byte>& bytes, std::size_t index) {
    const auto lo = static_cast<std::uint16_t>(bytes[index * 2]);
    const auto hi = static_cast<std::uint16_t>(bytes[index * 2 + 1]);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
}

TEST(TestTone, SineBlockIsTheToneOnEveryChannelFadedAtBothEnds) {
    const sundrel::WaveFormatEx format =
        sundrel::MakeWaveFormatEx({sundrel::kFormatPcm, 2, 8000, 16, false});
    const std::vector<std::byte> block = sundrel::SineBlock(format, 1000.0, 0.5, 0.5);
    ASSERT_EQ(block.size(), 4000u * 2u * 2u);
    const std::size_t fade = 80; // 10 ms at 8 kHz
    EXPECT_EQ(SampleAt(block, 0), 0);
    EXPECT_EQ(SampleAt(block, 2 * 3999), 0); // the last frame is silent again
    double peak = 0.0;
    for (std::size_t i = fade; i < 4000 - fade; ++i) {
        const double expected =
            0.5 * 32767.0 *
            std::sin(2.0 * std::numbers::pi * 1000.0 * static_cast<double>(i) / 8000.0);
        ASSERT_NEAR(SampleAt(block, 2 * i), expected, 1.0) << i;
        ASSERT_EQ(SampleAt(block, 2 * i), SampleAt(block, 2 * i + 1)) << i;
        peak = std::max(peak, std::abs(static_cast<double>(SampleAt(block, 2 * i))));
    }
    EXPECT_NEAR(peak, 0.5 * 32767.0, 1.0);
    // Inside the fade the level grows from nothing: a quarter period in (2 samples), the sine
    // is at its crest but the gain is 2/80.
    EXPECT_NEAR(SampleAt(block, 2 * 2), 0.5 * 32767.0 * 2.0 / 80.0, 1.0);
}

// A device that plays only some rates and finishes each block as it is written.
class RateDevice final : public sundrel::WaveOut {
  public:
    explicit RateDevice(std::uint32_t rate) : m_rate(rate) {}
    sundrel::WaveOutStatus Open(const sundrel::WaveFormatEx& format, DoneCallback onDone) override {
        opened.push_back(format.nSamplesPerSec);
        if (m_rate == 0) {
            return {sundrel::WaveOutError::NoDevice, "unplugged"};
        }
        if (format.nSamplesPerSec != m_rate) {
            return {sundrel::WaveOutError::UnsupportedFormat, "rate"};
        }
        m_onDone = std::move(onDone);
        return {};
    }
    void Write(std::span<const std::byte> block) override {
        written += block.size();
        m_onDone();
    }
    void Reset() override {}
    void Close() override { ++closes; }
    std::uint64_t FramesPlayed() const override { return 0; }

    std::vector<std::uint32_t> opened;
    std::size_t written = 0;
    int closes = 0;

  private:
    std::uint32_t m_rate;
    DoneCallback m_onDone;
};

TEST(TestTone, PlaysAtTheFirstRateTheDeviceTakesAndReportsARefusal) {
    struct Case {
        std::uint32_t deviceRate;
        std::vector<std::uint32_t> tried;
        bool ok;
        std::size_t bytes;
    };
    const Case cases[] = {
        {44100, {44100}, true, 26460u * 4u},
        {48000, {44100, 48000}, true, 28800u * 4u},
        {96000, {44100, 48000}, false, 0},
        {0, {44100}, false, 0}, // no device: no second try
    };
    for (const Case& c : cases) {
        RateDevice device(c.deviceRate);
        const sundrel::WaveOutStatus status = sundrel::PlayTestTone(device);
        EXPECT_EQ(status.Ok(), c.ok) << c.deviceRate;
        EXPECT_EQ(device.opened, c.tried) << c.deviceRate;
        EXPECT_EQ(device.written, c.bytes) << c.deviceRate;
        EXPECT_EQ(device.closes, c.ok ? 1 : 0) << c.deviceRate;
    }
}

TEST(TestTone, AStopEndsItEarly) {
    testing_play::RecordingWaveOut device; // never finishes a block by itself
    std::stop_source stop;
    stop.request_stop();
    EXPECT_TRUE(sundrel::PlayTestTone(device, stop.get_token()).Ok());
    EXPECT_EQ(device.resets, 1);
    EXPECT_EQ(device.closes, 1);
}

} // namespace
