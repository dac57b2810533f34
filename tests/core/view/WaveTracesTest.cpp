#include "core/view/WaveTraces.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace sundrel::view;

sundrel::WaveFormat Format(std::uint16_t channels, std::uint16_t bits, std::uint32_t rate = 44100) {
    sundrel::WaveFormat f;
    f.formatTag = sundrel::kFormatPcm;
    f.channels = channels;
    f.bitsPerSample = bits;
    f.sampleRate = rate;
    return f;
}

std::vector<std::byte> Samples16(const std::vector<std::int16_t>& values) {
    std::vector<std::byte> b;
    for (const std::int16_t v : values) {
        const auto u = static_cast<std::uint16_t>(v);
        b.push_back(std::byte(u & 0xFF));
        b.push_back(std::byte(u >> 8));
    }
    return b;
}

WaveWindow Window(std::int64_t first, std::int64_t last, int width, int height,
                  std::uint16_t channels, std::uint32_t rate = 44100) {
    WaveWindow w;
    w.firstSample = first;
    w.lastSample = last;
    w.from = 0.0f;
    w.to = 2.0f;
    w.width = width;
    w.height = height;
    w.channels = channels;
    w.sampleRate = rate;
    return w;
}

TEST(TraceStep, FifteenPointsPerColumnAndGuards) {
    EXPECT_EQ(TraceStep(Window(0, 0, 636, 300, 1)), 9);       // perSecond 4770
    EXPECT_EQ(TraceStep(Window(0, 0, 636, 300, 2)), 10);      // made even for stereo
    EXPECT_EQ(TraceStep(Window(0, 0, 636, 300, 1, 4000)), 1); // rate below perSecond
    EXPECT_EQ(TraceStep(Window(0, 0, 0, 300, 1)), 0);         // nothing to draw on
    WaveWindow shortWindow = Window(0, 0, 636, 300, 1);
    shortWindow.from = 5.0f;
    shortWindow.to = 5.5f; // shorter than a second: counted as one second
    EXPECT_EQ(TraceStep(shortWindow), 4);
    WaveWindow backwards = Window(0, 0, 636, 300, 1);
    backwards.from = 4.0f;
    backwards.to = 2.0f;
    EXPECT_GE(TraceStep(backwards), 1);
}

TEST(WaveTraces, ScalesSixteenBitValuesOntoTheQuarterLine) {
    // Mono: 0, full scale up, full scale down, -1, repeated.
    std::vector<std::int16_t> values;
    for (int i = 0; i < 400; ++i) {
        values.push_back(std::array<std::int16_t, 4>{0, 32767, -32768, -1}[i % 4]);
    }
    const auto bytes = Samples16(values);
    const sundrel::SampleReader reader(bytes, Format(1, 16, 44100 / 9));
    const WaveTraces t = ComputeWaveTraces(reader, Window(0, 400, 100, 300, 1, 1000));
    ASSERT_EQ(t.step, 1);
    EXPECT_EQ(t.quarter, 75);
    EXPECT_EQ(t.base2, 187);
    EXPECT_TRUE(t.second.empty()); // mono: one trace
    ASSERT_EQ(t.first.size(), 401u);
    EXPECT_EQ(t.first[0].y, 75); // the start on the zero line
    EXPECT_EQ(t.first[1].y, 75);
    EXPECT_EQ(t.first[2].y, 0);   // 32767 -> +quarter
    EXPECT_EQ(t.first[3].y, 150); // -32768 -> -quarter (truncated toward zero)
    EXPECT_EQ(t.first[4].y, 75);  // -1 -> 0
    EXPECT_EQ(t.first[1].x, 0);
    EXPECT_EQ(t.first[201].x, 50); // x = (pos - first) / N * W
}

TEST(WaveTraces, EightBitUnsignedExtremes) {
    std::vector<std::byte> bytes;
    for (int i = 0; i < 30; ++i) {
        bytes.push_back(std::byte(std::array<unsigned char, 3>{128, 0, 255}[i % 3]));
    }
    const sundrel::SampleReader reader(bytes, Format(1, 8));
    const WaveTraces t = ComputeWaveTraces(reader, Window(0, 30, 100, 300, 1, 100));
    ASSERT_EQ(t.first.size(), 31u);
    EXPECT_EQ(t.first[1].y, 75);
    EXPECT_EQ(t.first[2].y, 150);     // byte 0 -> -quarter
    EXPECT_EQ(t.first[3].y, 75 - 74); // byte 255 -> 127 * 75 / 128 = 74
}

TEST(WaveTraces, StereoTracesFollowOneChannelEach) {
    std::vector<std::int16_t> values;
    for (int i = 0; i < 2000; ++i) {
        values.push_back(i % 2 == 0 ? 32767 : -32768); // left high, right low
    }
    const auto bytes = Samples16(values);
    const sundrel::SampleReader reader(bytes, Format(2, 16));
    const WaveTraces t = ComputeWaveTraces(reader, Window(0, 2000, 20, 300, 2, 44100));
    EXPECT_EQ(t.step % 2, 0);
    ASSERT_GT(t.first.size(), 2u);
    ASSERT_GT(t.second.size(), 2u);
    for (std::size_t i = 1; i < t.first.size(); ++i) {
        EXPECT_EQ(t.first[i].y, 0);
    }
    for (std::size_t i = 1; i < t.second.size(); ++i) {
        EXPECT_EQ(t.second[i].y, t.base2 + t.quarter);
    }
}

TEST(WaveTraces, NeverReadsPastTheData) {
    const auto bytes = Samples16(std::vector<std::int16_t>(100, 1000));
    const sundrel::SampleReader reader(bytes, Format(2, 16));
    // The window claims elements up to 130; the data holds 100.
    const WaveTraces t = ComputeWaveTraces(reader, Window(60, 130, 700, 300, 2, 44100));
    for (const auto& pts : {t.first, t.second}) {
        ASSERT_FALSE(pts.empty());
        // The last plotted element lies inside the data: x of element 99 at most.
        EXPECT_LE(pts.back().x, static_cast<int>(39.0f / 70.0f * 700.0f));
    }
    // A window wholly past the data plots only the starting points.
    const WaveTraces beyond = ComputeWaveTraces(reader, Window(200, 300, 700, 300, 2, 44100));
    EXPECT_EQ(beyond.first.size(), 1u);
    EXPECT_EQ(beyond.second.size(), 1u);
    // An empty window plots nothing either.
    const WaveTraces empty = ComputeWaveTraces(reader, Window(40, 40, 700, 300, 2, 44100));
    EXPECT_EQ(empty.first.size(), 1u);
    EXPECT_EQ(empty.second.size(), 1u);
}

TEST(WaveTraces, StopsWhenCancelled) {
    const auto bytes = Samples16(std::vector<std::int16_t>(200000, 5));
    const sundrel::SampleReader reader(bytes, Format(1, 16));
    std::atomic<bool> cancel{true};
    const WaveTraces t = ComputeWaveTraces(reader, Window(0, 200000, 10, 300, 1, 1000000), &cancel);
    EXPECT_LT(t.first.size(), 200000u);
}

TEST(Ruler, TwentyOneTicksAndFiveLabels) {
    const auto ticks = RulerTicks(10.0f, 12.0f, 640);
    EXPECT_EQ(ticks[0].x, 0);
    EXPECT_EQ(ticks[1].x, 32);
    EXPECT_EQ(ticks[10].x, 320);
    EXPECT_EQ(ticks[20].x, 640);
    std::vector<std::string> labels;
    for (const auto& tick : ticks) {
        if (tick.labelled) {
            labels.push_back(tick.label);
        } else {
            EXPECT_TRUE(tick.label.empty());
        }
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"0:00:10.000", "0:00:10.500", "0:00:11.000",
                                                "0:00:11.500", "0:00:12.000"}));
    EXPECT_EQ(RulerTicks(0.0f, 2.0f, 636)[5].x, 159);
}

} // namespace
