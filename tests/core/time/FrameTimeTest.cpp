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
        {45, 44100, "0:00:00.001"},        // 1.02 ms
        {88'131, 44100, "0:00:01.998"},    // 1.99844 s
        {44, 44100, "0:00:00.000"},        // 0.998 ms: truncated, as the labels are
        {557'904, 48000, "0:00:11.623"},   // exactly 11.623 s (a double division gives .622)
        {3'223'159, 44100, "0:01:13.087"}, // 73.08753 s: the position label's text
        {std::int64_t{369} * 44100, 44100, "0:06:09.000"},
        {std::int64_t{369} * 96000 - 1, 96000, "0:06:08.999"},
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

// Every frame reads as the last millisecond at or before it (the labels' truncation), never
// the nearest one: the table, the status line and the command line agree with the position
// label. Checked against the text's own milliseconds in integer arithmetic at every rate.
TEST(FrameTime, TruncatesToTheMillisecondAtEveryRate) {
    for (const std::uint32_t rate : kRates) {
        for (std::int64_t frame = 0; frame < std::int64_t{rate} * 4 * 3600; frame += 99'991) {
            for (const std::int64_t f : {frame, frame + 1, frame + rate - 1}) {
                const std::string text = FormatFrameTime(f, rate);
                int h = 0, m = 0, s = 0, ms = 0;
                ASSERT_EQ(std::sscanf(text.c_str(), "%d:%d:%d.%d", &h, &m, &s, &ms), 4) << text;
                const std::int64_t shown = ((std::int64_t{h} * 60 + m) * 60 + s) * 1000 + ms;
                // shown ms <= f / rate < shown ms + 1
                ASSERT_LE(shown * rate, f * 1000) << rate << " Hz, frame " << f << ": " << text;
                ASSERT_GT((shown + 1) * rate, f * 1000)
                    << rate << " Hz, frame " << f << ": " << text;
            }
        }
    }
}

} // namespace
