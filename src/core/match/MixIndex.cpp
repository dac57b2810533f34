#include "core/match/MixIndex.h"

namespace sundrel {

MixIndex::MixIndex(std::span<const PeakPair> pairs, std::int32_t frames)
    : m_start(std::size_t(kPairKeys) + 1, 0), m_mixFrames(frames) {
    std::vector<std::int32_t> keys(pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        keys[i] = PairKey(pairs[i].band, pairs[i].step, float(pairs[i].gap));
        if (keys[i] >= 0) {
            ++m_start[std::size_t(keys[i]) + 1];
        }
    }
    for (std::size_t k = 1; k < m_start.size(); ++k) {
        m_start[k] += m_start[k - 1];
    }
    m_frames.resize(m_start.back());
    std::vector<std::uint32_t> next(m_start.begin(), m_start.end() - 1);
    for (std::size_t i = 0; i < pairs.size(); ++i) { // pairs come in time order, so stay so
        if (keys[i] >= 0) {
            m_frames[next[std::size_t(keys[i])]++] = pairs[i].frame;
        }
    }
}

} // namespace sundrel
