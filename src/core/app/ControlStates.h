#pragma once

#include <array>
#include <cstddef>

namespace sundrel::app {

// The controls of the main window whose enabled state the actions set, in table order.
enum class Control : std::size_t {
    Split,     // 1
    Play,      // 1002
    Stop,      // 1007
    Pause,     // 1008
    AddMarker, // 1003
    Anp,       // 1023
    Markers,   // 1010
    Slider,    // 1001
};
inline constexpr std::size_t kControlCount = 8;

// What one action does to one control.
enum class Change {
    Keep,               // leaves the control as it was
    Enable,             // on
    Disable,            // off
    EnableIfSplittable, // on when the marker list holds two or more markers, else unchanged
};

// The user actions that set control states.
enum class Action : std::size_t {
    WindowOpened,
    LoadWave,
    OpenProjectWithWave,
    OpenProjectWithoutWave,
    AddMarker,
    HeaderSelected,
    MarkerSelected,
    Play,
    Pause,
    Stop,
};
inline constexpr std::size_t kActionCount = 10;

using ControlRow = std::array<Change, kControlCount>;

// The row of the control-state table for an action.
const ControlRow& ControlChanges(Action action);

// The enabled state a control has after a change; `markerCount` counts the start marker.
bool ApplyChange(Change change, bool enabled, std::size_t markerCount);

} // namespace sundrel::app
