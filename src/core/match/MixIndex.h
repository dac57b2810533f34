#pragma once

#include "core/match/Landmarks.h"

#include <cstdint>
#include <span>
#include <vector>

namespace sundrel {

// Every peak pair of the mix by its key: the frames of the pairs with key k are
// Frames(k), in time order. Read-only once built, so any number of threads look up at once.
class MixIndex {
  public:
    MixIndex() = default;
    explicit MixIndex(std::span<const PeakPair> pairs, std::int32_t frames);

    std::span<const std::int32_t> Frames(std::int32_t key) const {
        if (key < 0) {
            return {};
        }
        const auto k = static_cast<std::size_t>(key);
        return {m_frames.data() + m_start[k], m_start[k + 1] - m_start[k]};
    }
    std::int32_t MixFrames() const { return m_mixFrames; }
    std::size_t Size() const { return m_frames.size(); }

  private:
    std::vector<std::uint32_t> m_start; // kPairKeys + 1 offsets into m_frames
    std::vector<std::int32_t> m_frames;
    std::int32_t m_mixFrames = 0;
};

} // namespace sundrel
