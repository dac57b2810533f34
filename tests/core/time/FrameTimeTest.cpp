#include "core/markers/Marker.h"
#include "core/time/TimeCode.h"

#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace {

using sundrel::FormatFrameTime;

constexpr std::uint32_t kRates[] = {8000, 11025, 22050, 32000, 44100, 48000, 88200, 96000, 192000};

TEST(FrameTime, FieldsOfFrames) {
    struct Case {
        std::int64_t frame;
        std::uint32_t rate;
        const char* text;
    };
    const Case cases[] = {
        {13'230, 44100, "0:00:00.300"}, // 0.3 s: not .299
        {30'870, 44100, "0:00:00.700"},
        {0, 44100, "0:00:00.000"},
        {45, 44100, "0:00:00.001"},     // 1.02 ms
        {88'131, 44100, "0:00:01.998"}, // 1.99844 s
        {std::int64_t{3599} * 48000 + 47'952, 48000, "0:59:59.999"},
        {std::int64_t{3600} * 48000, 48000, "1:00:00.000"},
        {std::int64_t{7322} * 96000 + 72'000, 96000, "2:02:02.750"},
        // 100 hours at 384 kHz: beyond 32 bits of frames.
        {std::int64_t{360'000} * 384'000 + 192'000, 384'000, "100:00:00.500"},
        // No rate, or a frame before the start: the start.
        {12'345, 0, "0:00:00.000"},
        {-1, 44100, "0:00:00.000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatFrameTime(c.frame, c.rate), c.text) << c.frame << " at " << c.rate;
    }
}

// A time typed to the millisecond is cut at the frame nearest it and must show back as the
// same text, at every rate; otherwise a boundary typed as 0:00:00.001 would read 0:00:00.000.
TEST(FrameTime, ATypedTimeShowsBackAsTyped) {
    for (const std::uint32_t rate : kRates) {
        const std::int64_t frames = std::int64_t{rate} * 4 * 3600;
        for (std::int64_t ms = 0; ms < std::int64_t{4} * 3600 * 1000; ms += ms < 2000 ? 1 : 997) {
            char text[32];
            std::snprintf(text, sizeof text, "%d:%.2d:%.2d.%.3d", static_cast<int>(ms / 3'600'000),
                          static_cast<int>(ms / 60'000 % 60), static_cast<int>(ms / 1000 % 60),
                          static_cast<int>(ms % 1000));
            const std::int64_t frame =
                sundrel::FrameAtSeconds(static_cast<double>(ms) / 1000.0, rate, frames);
            ASSERT_EQ(FormatFrameTime(frame, rate), text) << rate << " Hz, frame " << frame;
        }
    }
}

} // namespace
