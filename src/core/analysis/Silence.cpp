#include "core/analysis/Silence.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

namespace sundrel {

namespace {

// Reads the frames around a silence's edge in one piece and finds the loud ones among them.
class PeakProbe {
  public:
    PeakProbe(const ElementSource& source, int channels, double amplitude, std::int32_t scale)
        : m_source(source), m_nChannels(channels), m_limit(amplitude * static_cast<double>(scale)) {
    }

    // Frames [first, end) for Loud.
    void Load(std::int64_t first, std::int64_t end) {
        m_nFirst = first;
        m_elements.resize(
            static_cast<std::size_t>(std::max<std::int64_t>(0, end - first) * m_nChannels));
        m_source(first, m_elements);
    }

    // Frame `frame` (among those loaded) has a sample above the limit on some channel.
    bool Loud(std::int64_t frame) const {
        const auto at = static_cast<std::size_t>((frame - m_nFirst) * m_nChannels);
        for (std::size_t c = 0; c < static_cast<std::size_t>(m_nChannels); ++c) {
            if (std::abs(static_cast<double>(m_elements[at + c])) > m_limit) {
                return true;
            }
        }
        return false;
    }

  private:
    const ElementSource& m_source;
    int m_nChannels;
    double m_limit;
    std::int64_t m_nFirst = 0;
    std::vector<std::int32_t> m_elements;
};

double PowerDb(float power) {
    return power > 0.0f ? 10.0 * std::log10(static_cast<double>(power)) : -200.0;
}

} // namespace

std::vector<SilentStretch> FindSilences(const MixSignal& signal, const SampleReader& reader,
                                        double thresholdDb, double minSeconds) {
    const int channels = signal.channels;
    return FindSilences(
        signal,
        [&reader, channels](std::int64_t firstFrame, std::span<std::int32_t> out) {
            reader.Elements(firstFrame * channels, out);
        },
        reader.Scale(), thresholdDb, minSeconds);
}

std::vector<SilentStretch> FindSilences(const MixSignal& signal, const ElementSource& source,
                                        std::int32_t scale, double thresholdDb, double minSeconds) {
    std::vector<SilentStretch> found;
    const auto& blocks = signal.blockPower;
    const std::int64_t b = signal.blockFrames;
    const auto count = static_cast<std::int64_t>(blocks.size());
    PeakProbe probe(source, signal.channels, 4.0 * std::pow(10.0, thresholdDb / 20.0), scale);
    const auto minFrames = static_cast<std::int64_t>(std::ceil(minSeconds * signal.rate));

    std::int64_t i = 0;
    while (i < count) {
        if (PowerDb(blocks[static_cast<std::size_t>(i)]) >= thresholdDb) {
            ++i;
            continue;
        }
        const std::int64_t runFirst = i;
        double loudest = -200.0;
        while (i < count && PowerDb(blocks[static_cast<std::size_t>(i)]) < thresholdDb) {
            loudest = std::max(loudest, PowerDb(blocks[static_cast<std::size_t>(i)]));
            ++i;
        }
        const std::int64_t runEnd = i; // first loud block, or count
        if (runFirst == 0 || runEnd == count) {
            continue; // leading or trailing silence
        }
        // Search the loud block on each side and the run's own edge block.
        std::int64_t first = runFirst * b;
        probe.Load((runFirst - 1) * b, std::min(signal.frames, (runFirst + 1) * b));
        for (std::int64_t f = std::min(signal.frames, (runFirst + 1) * b) - 1;
             f >= (runFirst - 1) * b; --f) {
            if (probe.Loud(f)) {
                first = f + 1;
                break;
            }
        }
        std::int64_t end = runEnd * b;
        probe.Load((runEnd - 1) * b, std::min(signal.frames, (runEnd + 1) * b));
        for (std::int64_t f = (runEnd - 1) * b; f < std::min(signal.frames, (runEnd + 1) * b);
             ++f) {
            if (probe.Loud(f)) {
                end = f;
                break;
            }
        }
        if (end - first >= minFrames && end > first) {
            found.push_back({first, end, loudest});
        }
    }
    return found;
}

} // namespace sundrel
