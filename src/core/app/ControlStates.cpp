#include "core/app/ControlStates.h"

namespace sundrel::app {

namespace {

constexpr Change K = Change::Keep;
constexpr Change E = Change::Enable;
constexpr Change D = Change::Disable;
constexpr Change S = Change::EnableIfSplittable;

// Columns: Split, Play, Stop, Pause, Add Marker, ANP, marker list, slider.
constexpr std::array<ControlRow, kActionCount> kTable = {{
    /* WindowOpened           */ {D, D, D, D, D, D, D, D},
    /* LoadWave               */ {K, E, K, K, E, K, E, E},
    /* OpenProjectWithWave    */ {S, E, K, K, E, K, E, E},
    /* OpenProjectWithoutWave */ {S, K, K, K, K, K, K, K},
    /* AddMarker              */ {E, K, K, K, K, E, K, K},
    /* HeaderSelected         */ {K, K, K, K, K, D, K, K},
    /* MarkerSelected         */ {K, K, K, K, K, E, K, K},
    /* Play                   */ {D, D, E, E, K, K, K, K},
    /* Pause                  */ {E, E, K, D, K, K, K, K},
    /* Stop                   */ {E, E, D, D, K, K, K, K},
}};

} // namespace

const ControlRow& ControlChanges(Action action) {
    return kTable.at(static_cast<std::size_t>(action));
}

bool ApplyChange(Change change, bool enabled, std::size_t markerCount) {
    switch (change) {
    case Change::Enable:
        return true;
    case Change::Disable:
        return false;
    case Change::EnableIfSplittable:
        return markerCount >= 2 ? true : enabled;
    case Change::Keep:
        break;
    }
    return enabled;
}

} // namespace sundrel::app
