#pragma once

#include "core/view/TimeWindow.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// Picking a marker line with the mouse and moving it by dragging.
namespace sundrel::view {

// The index of the marker whose line (view x in `markerX`) is nearest `x`, if it is within
// `tolerancePx` pixels. Of equally near markers the later one wins, so a marker dropped onto
// another can be picked up again and dragged off it.
std::optional<std::size_t> HitMarker(std::span<const double> markerX, double x, double tolerancePx);

// The frame nearest the time at view x of window w (`width` pixels wide), held within
// 0..frames: where a dragged marker lands.
std::int64_t FrameAtX(TimeWindow w, double x, int width, std::uint32_t rate, std::int64_t frames);

} // namespace sundrel::view
