#include "core/markers/MarkerMoves.h"

#include <algorithm>
#include <string>

namespace sundrel {

std::vector<Marker> ShiftMarkers(std::span<const Marker> markers, std::int64_t delta,
                                 std::int64_t frames) {
    std::vector<Marker> out(markers.begin(), markers.end());
    const std::vector<std::size_t> order = FrameOrder(markers);
    for (std::size_t k = 0; k < order.size(); ++k) {
        Marker& m = out[order[k]];
        if (m.frame == 0) {
            continue;
        }
        const std::int64_t moved = m.frame + delta;
        if (moved <= 0 || moved >= frames) {
            throw MarkerMoveError("track " + std::to_string(k + 1) + " would start " +
                                  (moved <= 0 ? "at or before the start of the mix"
                                              : "at or after the end of the mix"));
        }
        m.frame = moved;
        m.percent.reset();
    }
    return out;
}

std::vector<SnapMove> SnapMarkers(std::vector<Marker>& markers, std::span<const SnapTarget> targets,
                                  std::int64_t within) {
    std::vector<SnapTarget> sorted(targets.begin(), targets.end());
    std::sort(sorted.begin(), sorted.end(),
              [](const SnapTarget& a, const SnapTarget& b) { return a.frame < b.frame; });
    const std::vector<std::size_t> order = FrameOrder(markers);
    std::vector<SnapMove> moves;
    for (std::size_t k = 0; k < order.size(); ++k) {
        Marker& m = markers[order[k]];
        if (m.frame == 0) {
            continue;
        }
        const std::int64_t low =
            std::max(m.frame - within, k == 0 ? 1 : markers[order[k - 1]].frame + 1);
        const std::int64_t high =
            std::min(m.frame + within,
                     k + 1 < order.size() ? markers[order[k + 1]].frame - 1 : m.frame + within);
        SnapMove move{order[k], m.frame, std::nullopt};
        const SnapTarget* best = nullptr;
        auto it = std::lower_bound(sorted.begin(), sorted.end(), low,
                                   [](const SnapTarget& t, std::int64_t f) { return t.frame < f; });
        for (; it != sorted.end() && it->frame <= high; ++it) {
            const auto distance = [&](const SnapTarget& t) {
                return t.frame > m.frame ? t.frame - m.frame : m.frame - t.frame;
            };
            if (!best || it->strength > best->strength ||
                (it->strength == best->strength && distance(*it) < distance(*best))) {
                best = &*it;
            }
        }
        if (best) {
            move.to = best->frame;
            m.frame = best->frame;
            m.percent.reset();
        }
        moves.push_back(move);
    }
    return moves;
}

} // namespace sundrel
