#include "core/view/WaveColumns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

using sundrel::view::ColumnPeak;

TEST(WaveColumns, LanesSplitStereoAndFoldEverythingElse) {
    // Frames of 16-bit elements: stereo keeps both channels, 3 channels fold to their mean.
    const std::vector<std::int16_t> stereo{32767, -16384, 0, 8192};
    const std::vector<std::int16_t> three{300, 600, 900, -300, -600, -900};
    const auto lanes = [](const std::vector<std::int16_t>& values, std::uint16_t channels) {
        const sundrel::WaveFormat format{sundrel::kFormatPcm, channels, 44100, 16};
        const sundrel::SampleReader reader(std::as_bytes(std::span(values)), format);
        return sundrel::view::LaneSamples(reader, channels);
    };
    const auto s = lanes(stereo, 2);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0], (std::vector<float>{1.0f, 0.0f}));
    EXPECT_EQ(s[1], (std::vector<float>{-16384.0f / 32767.0f, 8192.0f / 32767.0f}));
    const auto t = lanes(three, 3);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_FLOAT_EQ(t[0][0], 600.0f / 32767.0f);
    EXPECT_FLOAT_EQ(t[0][1], -600.0f / 32767.0f);
}

TEST(WaveColumns, ColumnsEqualMinMaxAndRmsOfTheirSamples) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::vector<float> lane(10007);
    std::generate(lane.begin(), lane.end(), [&] { return value(random); });
    for (const double perColumn : {1.0, 1.5, 7.25, 100.0, 511.9}) {
        for (const double first : {0.0, 3.7, -20.0, 9000.0}) {
            const int columns = 40;
            const std::vector<ColumnPeak> got =
                sundrel::view::SampleColumns(lane, first, perColumn, columns);
            for (int c = 0; c < columns; ++c) {
                const auto begin = static_cast<long>(std::floor(first + c * perColumn));
                const auto end =
                    std::max(begin + 1, static_cast<long>(std::floor(first + (c + 1) * perColumn)));
                const long from = std::max(begin, 0L);
                const long to = std::min(end, static_cast<long>(lane.size()));
                const ColumnPeak& peak = got[static_cast<std::size_t>(c)];
                ASSERT_EQ(peak.ready, from < to) << perColumn << " " << first << " " << c;
                if (!peak.ready) {
                    continue;
                }
                float lo = lane[from], hi = lane[from];
                double squares = 0.0;
                for (long i = from; i < to; ++i) {
                    lo = std::min(lo, lane[i]);
                    hi = std::max(hi, lane[i]);
                    squares += double(lane[i]) * lane[i];
                }
                EXPECT_EQ(peak.min, lo);
                EXPECT_EQ(peak.max, hi);
                EXPECT_NEAR(peak.rms, std::sqrt(squares / double(to - from)), 1e-6);
            }
        }
    }
}

} // namespace
