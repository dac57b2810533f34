#include "core/view/WaveColumns.h"

#include <algorithm>
#include <cmath>

namespace sundrel::view {

int LaneCount(std::uint16_t channels) {
    return channels == 2 ? 2 : 1;
}

std::vector<std::vector<float>> LaneSamples(const SampleReader& reader, std::uint16_t channels) {
    const int lanes = LaneCount(channels);
    if (channels == 0) {
        return std::vector<std::vector<float>>(static_cast<std::size_t>(lanes));
    }
    const std::int64_t frames = reader.ElementCount() / channels;
    std::vector<std::vector<float>> out(static_cast<std::size_t>(lanes),
                                        std::vector<float>(static_cast<std::size_t>(frames)));
    std::vector<std::int32_t> frame(channels);
    const float scale = 1.0f / static_cast<float>(reader.Scale());
    for (std::int64_t f = 0; f < frames; ++f) {
        reader.Elements(f * channels, frame);
        if (lanes == 2) {
            out[0][static_cast<std::size_t>(f)] = static_cast<float>(frame[0]) * scale;
            out[1][static_cast<std::size_t>(f)] = static_cast<float>(frame[1]) * scale;
        } else {
            double sum = 0.0;
            for (const std::int32_t v : frame) {
                sum += v;
            }
            out[0][static_cast<std::size_t>(f)] =
                static_cast<float>(sum / static_cast<double>(channels)) * scale;
        }
    }
    return out;
}

std::vector<ColumnPeak> SampleColumns(std::span<const float> lane, double first, double perColumn,
                                      int columns) {
    std::vector<ColumnPeak> out(static_cast<std::size_t>(std::max(columns, 0)));
    const auto size = static_cast<std::int64_t>(lane.size());
    for (int c = 0; c < columns; ++c) {
        const auto begin = static_cast<std::int64_t>(std::floor(first + c * perColumn));
        auto end = static_cast<std::int64_t>(std::floor(first + (c + 1) * perColumn));
        end = std::max(end, begin + 1);
        const std::int64_t from = std::max<std::int64_t>(begin, 0);
        const std::int64_t to = std::min(end, size);
        if (from >= to) {
            continue;
        }
        ColumnPeak& peak = out[static_cast<std::size_t>(c)];
        peak.min = peak.max = lane[static_cast<std::size_t>(from)];
        double squares = 0.0;
        for (std::int64_t i = from; i < to; ++i) {
            const float v = lane[static_cast<std::size_t>(i)];
            peak.min = std::min(peak.min, v);
            peak.max = std::max(peak.max, v);
            squares += static_cast<double>(v) * v;
        }
        peak.rms = static_cast<float>(std::sqrt(squares / static_cast<double>(to - from)));
        peak.ready = true;
    }
    return out;
}

} // namespace sundrel::view
