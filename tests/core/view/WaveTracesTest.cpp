#include "core/view/WaveTraces.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace sundrel::view;

sundrel::WaveFormat Pcm(std::uint16_t channels, std::uint16_t bits) {
    return {sundrel::kFormatPcm, channels, 44100, bits, false};
}

std::vector<std::byte> Samples16(std::size_t n, std::initializer_list<std::int16_t> pattern) {
    std::vector<std::byte> b;
    for (std::size_t i = 0; i < n; ++i) {
        fixture::Put16(b, static_cast<std::uint16_t>(pattern.begin()[i % pattern.size()]));
    }
    return b;
}

// Elements [first, last) of the 0-2 s window drawn `width` x 300 pixels.
WaveWindow Window(std::int64_t first, std::int64_t last, int width, std::uint16_t channels,
                  std::uint32_t rate) {
    return {first, last, 0.0f, 2.0f, width, 300, channels, rate};
}

TEST(TraceStep, FifteenPointsPerColumnAndGuards) {
    EXPECT_EQ(TraceStep(Window(0, 0, 636, 1, 44100)), 9);  // perSecond 4770
    EXPECT_EQ(TraceStep(Window(0, 0, 636, 2, 44100)), 10); // made even for stereo
    EXPECT_EQ(TraceStep(Window(0, 0, 636, 1, 4000)), 1);   // rate below perSecond
    EXPECT_EQ(TraceStep(Window(0, 0, 0, 1, 44100)), 0);    // nothing to draw on
    WaveWindow w = Window(0, 0, 636, 1, 44100);
    w.from = 5.0f;
    w.to = 5.5f; // shorter than a second: counted as one second
    EXPECT_EQ(TraceStep(w), 4);
    w.to = 2.0f; // backwards
    EXPECT_GE(TraceStep(w), 1);
}

TEST(WaveTraces, ScalesValuesOntoTheQuarterLine) {
    // Mono 16-bit: 0, full scale up, full scale down, -1, repeated.
    const auto bytes = Samples16(400, {0, 32767, -32768, -1});
    const WaveTraces t =
        ComputeWaveTraces(sundrel::SampleReader(bytes, Pcm(1, 16)), Window(0, 400, 100, 1, 1000));
    ASSERT_EQ(t.step, 1);
    EXPECT_EQ(std::pair(t.quarter, t.base2), std::pair(75, 187));
    EXPECT_TRUE(t.second.empty()); // mono: one trace
    ASSERT_EQ(t.first.size(), 401u);
    // The start on the zero line, then 0, +quarter, -quarter (truncated toward zero), -1 -> 0.
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(t.first[static_cast<std::size_t>(i)].y, (std::array{75, 75, 0, 150, 75}[i]));
    }
    EXPECT_EQ(t.first[201].x, 50); // x = (pos - first) / N * W

    // 8-bit unsigned: 128 is the zero line, 0 is -quarter, 255 is 127 * 75 / 128 = 74 up.
    const std::vector<std::byte> u8 = {std::byte{128}, std::byte{0}, std::byte{255}};
    const WaveTraces t8 =
        ComputeWaveTraces(sundrel::SampleReader(u8, Pcm(1, 8)), Window(0, 3, 100, 1, 100));
    ASSERT_EQ(t8.first.size(), 4u);
    EXPECT_EQ((std::array{t8.first[1].y, t8.first[2].y, t8.first[3].y}), (std::array{75, 150, 1}));
}

TEST(WaveTraces, StereoTracesFollowOneChannelEach) {
    const auto bytes = Samples16(2000, {32767, -32768}); // left high, right low
    const WaveTraces t =
        ComputeWaveTraces(sundrel::SampleReader(bytes, Pcm(2, 16)), Window(0, 2000, 20, 2, 44100));
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

TEST(WaveTraces, NeverReadsPastTheDataAndStopsWhenCancelled) {
    const auto bytes = Samples16(100, {1000});
    const sundrel::SampleReader reader(bytes, Pcm(2, 16));
    // The window claims elements up to 130; the data holds 100.
    const WaveTraces t = ComputeWaveTraces(reader, Window(60, 130, 700, 2, 44100));
    for (const auto& pts : {t.first, t.second}) {
        ASSERT_FALSE(pts.empty());
        // The last plotted element lies inside the data: x of element 99 at most.
        EXPECT_LE(pts.back().x, static_cast<int>(39.0f / 70.0f * 700.0f));
    }
    // A window wholly past the data, or an empty one, plots only the starting points.
    for (const auto& w : {Window(200, 300, 700, 2, 44100), Window(40, 40, 700, 2, 44100)}) {
        const WaveTraces none = ComputeWaveTraces(reader, w);
        EXPECT_EQ(std::pair(none.first.size(), none.second.size()), std::pair(1ul, 1ul));
    }

    const auto many = Samples16(200000, {5});
    std::atomic<bool> cancel{true};
    const WaveTraces cancelled = ComputeWaveTraces(sundrel::SampleReader(many, Pcm(1, 16)),
                                                   Window(0, 200000, 10, 1, 1000000), &cancel);
    EXPECT_LT(cancelled.first.size(), 200000u);
}

TEST(Ruler, TwentyOneTicksAndFiveLabels) {
    const auto ticks = RulerTicks(10.0f, 12.0f, 640);
    EXPECT_EQ((std::array{ticks[0].x, ticks[1].x, ticks[10].x, ticks[20].x}),
              (std::array{0, 32, 320, 640}));
    std::vector<std::string> labels;
    for (const auto& tick : ticks) {
        EXPECT_EQ(tick.labelled, !tick.label.empty());
        if (tick.labelled) {
            labels.push_back(tick.label);
        }
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"0:00:10.000", "0:00:10.500", "0:00:11.000",
                                                "0:00:11.500", "0:00:12.000"}));
    EXPECT_EQ(RulerTicks(0.0f, 2.0f, 636)[5].x, 159);
}

} // namespace
