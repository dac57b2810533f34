#pragma once

#include "core/markers/Marker.h"

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <vector>

namespace sundrel {

// A list of markers that cannot be moved as asked; the message names the track (counted in
// time order from 1, the start marker's track being track 1) and says why. Nothing moved.
class MarkerMoveError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

// `markers` with every marker but the one at frame 0 (the start of the mix) moved by `delta`
// frames, for times stamped by a clock that ran ahead of or behind the recording. A moved
// marker keeps its names and becomes a marker of its frame alone (a percentage no longer
// says where it is). Throws MarkerMoveError when a marker would land at or before the start
// or at or after the end (`frames`).
std::vector<Marker> ShiftMarkers(std::span<const Marker> markers, std::int64_t delta,
                                 std::int64_t frames);

// A place the analysis found a change of sound (or a silence), and how strong it is there.
struct SnapTarget {
    std::int64_t frame = 0;
    double strength = 0.0;
};

// Where one marker went.
struct SnapMove {
    std::size_t marker = 0;         // its index in the list
    std::int64_t from = 0;          // its frame before
    std::optional<std::int64_t> to; // its frame now; empty when it stayed
};

// Moves every marker but the one at frame 0 to the strongest target within `within` frames
// of it (the nearer of two equally strong ones), leaving a marker without a target where it
// is. Markers keep their order: a target at or before the marker before it (as moved) or at
// or after the one after it is not taken. Returns a move for each marker but the start one,
// in time order.
std::vector<SnapMove> SnapMarkers(std::vector<Marker>& markers, std::span<const SnapTarget> targets,
                                  std::int64_t within);

} // namespace sundrel
