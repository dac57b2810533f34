#pragma once

#include "core/trackinfo/TrackAnalysis.h"

#include <cstdint>
#include <map>
#include <span>
#include <utility>
#include <vector>

namespace sundrel {

// A track of a mix by its frames: the first and how many.
struct FrameSpan {
    std::int64_t first = 0;
    std::int64_t frames = 0;
    friend auto operator<=>(const FrameSpan&, const FrameSpan&) = default;
};

// The analyses of a mix's tracks kept by their frames, so that when a boundary moves only the
// two tracks it bounds are analysed again: every other track keeps its frames and its entry.
// Entries of tracks that no longer exist are dropped by Keep.
class TrackInfoCache {
  public:
    // The analysis of `span`, if there is one.
    const TrackInfo* Find(const FrameSpan& span) const;
    // The spans of `spans` without an analysis, each once, in the order given.
    std::vector<FrameSpan> Missing(std::span<const FrameSpan> spans) const;
    void Store(const FrameSpan& span, const TrackInfo& info);
    // Forgets every span not in `spans` (a moved boundary's old tracks).
    void Keep(std::span<const FrameSpan> spans);
    void Clear() { m_infos.clear(); }
    std::size_t Size() const { return m_infos.size(); }

  private:
    std::map<FrameSpan, TrackInfo> m_infos;
};

} // namespace sundrel
