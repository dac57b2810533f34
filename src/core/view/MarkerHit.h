#pragma once

#include <cstddef>
#include <optional>
#include <span>

// Picking a marker line with the mouse.
namespace sundrel::view {

// The index of the marker whose line (view x in `markerX`) is nearest `x`, if it is within
// `tolerancePx` pixels. Of equally near markers the later one wins, so a marker dropped onto
// another can be picked up again and dragged off it.
std::optional<std::size_t> HitMarker(std::span<const double> markerX, double x, double tolerancePx);

} // namespace sundrel::view
