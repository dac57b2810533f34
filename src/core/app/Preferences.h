#pragma once

#include "core/session/MixSession.h"

#include <string>

namespace sundrel::app {

// The longest preview, either side of the marker.
inline constexpr double kLongestPreviewSeconds = 600.0;

// What Edit > Preferences sets (and the program remembers).
struct Preferences {
    std::string outputDevice; // an id from the device list; empty: the system's default
    double previewBefore = kPreviewBeforeSeconds;
    double previewAfter = kPreviewAfterSeconds;
    bool confirmAddMarker = true; // Add Marker asks "Do you really want to add Marker"
    bool splitSync = false;       // Split waits until the tracks are on the disk

    bool operator==(const Preferences&) const = default;
};

// Preview lengths are seconds from 0 to kLongestPreviewSeconds each, and not both 0.
bool ValidPreviewLengths(double before, double after);

} // namespace sundrel::app
