#include "core/overview/MixSummary.h"
#include "core/overview/SummaryReference.h"
#include "support/WavFixture.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <numeric>
#include <random>
#include <thread>

namespace {

using sundrel::overview::MixSummary;
using sundrel::overview::Peak;

constexpr std::int64_t kChunk = MixSummary::ChunkFrames();

// A 16-bit mix held in memory with its summary filled chunk by chunk.
struct Mix {
    fixture::Format format;
    std::vector<std::int16_t> samples;
    summaryref::Samples ref;

    Mix(std::uint16_t channels, std::int64_t frames, std::uint32_t seed = 3)
        : format{1, channels, 48000, 16} {
        const fixture::Bytes audio =
            fixture::TestSignal(format, static_cast<std::size_t>(frames), seed);
        samples.resize(audio.size() / 2);
        std::memcpy(samples.data(), audio.data(), audio.size());
        ref = summaryref::Decode(audio, format);
    }
    sundrel::WaveFormat Wave() const {
        return {sundrel::kFormatPcm, format.channels, format.rate, 16, false};
    }
    std::int64_t Frames() const { return ref.Frames(); }
    void Publish(MixSummary& summary, std::int64_t chunk) const {
        const auto first = static_cast<std::size_t>(chunk * kChunk * format.channels);
        const auto count =
            static_cast<std::size_t>(summary.ChunkFrameCount(chunk) * format.channels);
        summary.PublishChunk(chunk, std::span(samples).subspan(first, count));
    }
};

// What Range promises: the blocks of the coarsest level that fits the range, those starting
// inside it (or the one holding `from`), summarised over their frames.
Peak Expected(const MixSummary& s, const summaryref::Samples& ref, int channel, std::int64_t from,
              std::int64_t to) {
    from = std::max<std::int64_t>(from, 0);
    to = std::min(to, s.Frames());
    int level = 0;
    while (level + 1 < s.Levels() && s.BlockFrames(level + 1) <= to - from) {
        ++level;
    }
    const std::int64_t size = s.BlockFrames(level);
    std::int64_t start = (from + size - 1) / size * size;
    if (start >= to) {
        start = from / size * size;
    }
    const std::int64_t end =
        std::min(s.Frames(), std::max(start + size, (to - 1) / size * size + size));
    return summaryref::Over(ref, channel, start, end);
}

TEST(MixSummary, RangeAndColumnsMatchBruteForceOnRandomRanges) {
    for (const int channels : {1, 2}) {
        const Mix mix(static_cast<std::uint16_t>(channels), 3 * kChunk + 12345);
        MixSummary summary(mix.Wave(), mix.Frames());
        for (std::int64_t k = 0; k < summary.ChunkCount(); ++k) {
            mix.Publish(summary, k);
        }
        std::mt19937_64 rng(channels);
        for (int i = 0; i < 400; ++i) {
            // Lengths from a few frames to the whole mix, on a log scale.
            const auto length = static_cast<std::int64_t>(
                std::exp(std::uniform_real_distribution<double>(0, std::log(mix.Frames()))(rng)));
            const std::int64_t from =
                std::uniform_int_distribution<std::int64_t>(-100, mix.Frames() - 1)(rng);
            const int ch = i % channels;
            const auto got = summary.Range(ch, from, from + length);
            if (from + length <= 0) {
                EXPECT_FALSE(got.has_value());
                continue;
            }
            ASSERT_TRUE(got.has_value()) << from << " +" << length;
            const Peak want = Expected(summary, mix.ref, ch, from, from + length);
            EXPECT_EQ(got->min, want.min) << from << " +" << length;
            EXPECT_EQ(got->max, want.max) << from << " +" << length;
            EXPECT_NEAR(got->rms, want.rms, 1) << from << " +" << length;
        }
        // Columns: one Range per column, the containing block when columns are narrower.
        for (const double perColumn : {0.37, 100.0, 511.9, 512.0, 1234.5, 70000.0}) {
            const double first = 777.25;
            std::vector<Peak> out(64);
            std::unique_ptr<bool[]> ready(new bool[64]);
            summary.Columns(0, first, perColumn, out, std::span(ready.get(), 64));
            for (std::size_t c = 0; c < out.size(); ++c) {
                const double start = first + double(c) * perColumn;
                const auto from = static_cast<std::int64_t>(start);
                const auto to = static_cast<std::int64_t>(start + perColumn);
                const bool inside = from < mix.Frames();
                ASSERT_EQ(ready[c], inside) << perColumn << " column " << c;
                if (!inside) {
                    continue;
                }
                const Peak want =
                    perColumn < 512 ? summary.Block(0, 0, from / 512) : *summary.Range(0, from, to);
                EXPECT_EQ(std::tuple(out[c].min, out[c].max, out[c].rms),
                          std::tuple(want.min, want.max, want.rms));
            }
        }
        // The whole mix in one column covers every frame.
        Peak whole;
        bool ready = false;
        summary.Columns(channels - 1, 0, double(mix.Frames()), std::span(&whole, 1),
                        std::span(&ready, 1));
        ASSERT_TRUE(ready);
        const Peak want = summaryref::Over(mix.ref, channels - 1, 0, mix.Frames());
        EXPECT_EQ(whole.min, want.min);
        EXPECT_EQ(whole.max, want.max);
        EXPECT_NEAR(whole.rms, want.rms, 1);
    }
}

TEST(MixSummary, RangeRefusesWhatItCannotAnswer) {
    const Mix mix(2, 2 * kChunk);
    MixSummary summary(mix.Wave(), mix.Frames());
    mix.Publish(summary, 1);
    struct Case {
        int channel;
        std::int64_t from, to;
    } const refused[] = {
        {0, 0, 10},                        // its chunk is not published
        {0, kChunk - 600, kChunk + 10},    // one block of it is not published
        {0, 2 * kChunk, 2 * kChunk + 100}, // past the end
        {0, -200, 0},                      // before the start
        {0, kChunk + 50, kChunk + 50},     // empty
        {2, kChunk, kChunk + 100},         // no such channel
    };
    for (const Case& c : refused) {
        EXPECT_FALSE(summary.Range(c.channel, c.from, c.to).has_value()) << c.from << ".." << c.to;
    }
    EXPECT_TRUE(summary.Range(1, kChunk, 2 * kChunk + 500).has_value()); // clipped to the mix
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, double> unusable[] = {{nan, 100},          {double(kChunk), nan},
                                                  {double(kChunk), 0}, {double(kChunk), -5},
                                                  {inf, 100},          {double(kChunk), inf}};
    for (const auto& [first, width] : unusable) {
        Peak out[3];
        bool ready[3] = {true, true, true};
        summary.Columns(0, first, width, out, ready);
        EXPECT_FALSE(ready[0] || ready[1] || ready[2]) << first << " +" << width;
    }
    Peak far[2];
    bool farReady[2];
    summary.Columns(0, 1e300, 1e299, far, farReady); // far past the end: defined, not ready
    EXPECT_FALSE(farReady[0] || farReady[1]);
    EXPECT_DOUBLE_EQ(summary.FilledShare(), 0.5);
    EXPECT_THROW(summary.Block(0, 0, 0), std::logic_error);
    EXPECT_THROW(mix.Publish(summary, 1), std::invalid_argument);
}

TEST(MixSummary, AnRmsHalfwayBetweenTwoValuesRoundsAwayFromZero) {
    // Mono blocks of 512 frames: a quarter at 1 makes an RMS of exactly 0.5; one frame less
    // stays below it. The last block of four frames (a mean over a count that is not a power
    // of two) again holds exactly 0.5.
    std::vector<std::int16_t> x(4 * 512 + 4, 0);
    for (int i = 0; i < 128; ++i) {
        x[static_cast<std::size_t>(i) * 4] = 1;
        x[512 + static_cast<std::size_t>(i) * 4] = i == 0 ? 0 : 1;
        x[1024 + static_cast<std::size_t>(i) * 4] = -1;
    }
    std::fill(x.begin() + 1536, x.begin() + 2048, std::int16_t{-32768});
    x[2048] = 1;
    MixSummary summary({sundrel::kFormatPcm, 1, 48000, 16, false},
                       static_cast<std::int64_t>(x.size()));
    summary.PublishChunk(0, x);
    const std::uint16_t want[] = {1, 0, 1, 32768, 1};
    for (std::int64_t b = 0; b < 5; ++b) {
        EXPECT_EQ(summary.Block(0, 0, b).rms, want[b]) << "block " << b;
    }
    // Over the whole mix, one block of the next level.
    const double whole = std::sqrt((128.0 + 127.0 + 128.0 + 512.0 * 1073741824.0 + 1.0) / 2052.0);
    EXPECT_EQ(summary.Block(1, 0, 0).rms, std::lround(whole));
}

// Readers on another thread see only published chunks, each whole and final. Run under
// ThreadSanitizer to check the publication.
TEST(MixSummary, ReaderSeesChunksOnlyWhenPublishedWhole) {
    const Mix mix(2, 24 * kChunk + 999);
    MixSummary reference(mix.Wave(), mix.Frames());
    for (std::int64_t k = 0; k < reference.ChunkCount(); ++k) {
        mix.Publish(reference, k);
    }
    MixSummary summary(mix.Wave(), mix.Frames());
    std::vector<std::int64_t> order(static_cast<std::size_t>(summary.ChunkCount()));
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(5));
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::atomic<int> mismatches{0};
    std::atomic<int> seenReady{0};
    std::thread reader([&] {
        double last = 0;
        std::vector<Peak> out(200);
        std::unique_ptr<bool[]> ready(new bool[200]);
        const double perColumn = double(mix.Frames()) / 200;
        while (!stop.load()) {
            const double share = summary.FilledShare();
            if (share < last) {
                ++mismatches;
            }
            last = share;
            summary.Columns(1, 0, perColumn, out, std::span(ready.get(), 200));
            for (std::size_t c = 0; c < out.size(); ++c) {
                if (ready[c]) {
                    ++seenReady;
                    const auto from = static_cast<std::int64_t>(double(c) * perColumn);
                    const auto to = static_cast<std::int64_t>(double(c + 1) * perColumn);
                    const Peak want = *reference.Range(1, from, to);
                    mismatches +=
                        out[c].min != want.min || out[c].max != want.max || out[c].rms != want.rms;
                }
            }
        }
    });
    std::vector<std::thread> writers;
    for (int w = 0; w < 2; ++w) {
        writers.emplace_back([&] {
            for (std::size_t i; (i = next.fetch_add(1)) < order.size();) {
                mix.Publish(summary, order[i]);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    for (std::thread& t : writers) {
        t.join();
    }
    stop = true;
    reader.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_GT(seenReady.load(), 0);
    EXPECT_TRUE(summary.IsComplete());
    for (int level = 0; level < summary.Levels(); ++level) {
        for (std::int64_t b = 0; b < summary.BlockCount(level); ++b) {
            const Peak a = summary.Block(level, 0, b);
            const Peak r = reference.Block(level, 0, b);
            ASSERT_TRUE(a.min == r.min && a.max == r.max && a.rms == r.rms);
        }
    }
}

TEST(MixSummary, EightHoursAtFortyEightKilohertzStereoStayUnder64MiB) {
    const std::int64_t frames = std::int64_t{8} * 3600 * 48000;
    const MixSummary summary({sundrel::kFormatPcm, 2, 48000, 16, false}, frames);
    EXPECT_LT(summary.MemoryBytes(), std::size_t{64} << 20);
}

} // namespace
