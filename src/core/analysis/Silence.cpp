#include "core/analysis/Silence.h"

#include <algorithm>
#include <cmath>

namespace sundrel {

namespace {

class PeakProbe {
  public:
    PeakProbe(const SampleReader& reader, int channels, double amplitude)
        : m_reader(reader), m_nChannels(channels),
          m_limit(amplitude * static_cast<double>(reader.Scale())) {}

    bool Loud(std::int64_t frame) const {
        for (int c = 0; c < m_nChannels; ++c) {
            if (std::abs(static_cast<double>(m_reader.Element(frame * m_nChannels + c))) >
                m_limit) {
                return true;
            }
        }
        return false;
    }

  private:
    const SampleReader& m_reader;
    int m_nChannels;
    double m_limit;
};

double PowerDb(float power) {
    return power > 0.0f ? 10.0 * std::log10(static_cast<double>(power)) : -200.0;
}

} // namespace

std::vector<SilentStretch> FindSilences(const MixSignal& signal, const SampleReader& reader,
                                        double thresholdDb, double minSeconds) {
    std::vector<SilentStretch> found;
    const auto& blocks = signal.blockPower;
    const std::int64_t b = signal.blockFrames;
    const auto count = static_cast<std::int64_t>(blocks.size());
    const PeakProbe probe(reader, signal.channels, 4.0 * std::pow(10.0, thresholdDb / 20.0));
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
        for (std::int64_t f = std::min(signal.frames, (runFirst + 1) * b) - 1;
             f >= (runFirst - 1) * b; --f) {
            if (probe.Loud(f)) {
                first = f + 1;
                break;
            }
        }
        std::int64_t end = runEnd * b;
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
