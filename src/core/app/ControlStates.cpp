#include "core/app/ControlStates.h"

namespace sundrel::app {

namespace {

// What one table row does to one control.
enum class Change : unsigned char {
    Keep,               // leaves the control as it was
    Enable,             // on
    Disable,            // off
    EnableIfSplittable, // on when the marker list holds two or more markers, else unchanged
};

constexpr Change K = Change::Keep;
constexpr Change E = Change::Enable;
constexpr Change D = Change::Disable;
constexpr Change S = Change::EnableIfSplittable;

constexpr std::size_t kTableRows = static_cast<std::size_t>(Event::Stop) + 1;

// Columns: Split, Play, Stop, Pause, Add Marker, ANP, marker list, slider, Remove.
constexpr std::array<std::array<Change, kControlCount>, kTableRows> kTable = {{
    /* WindowOpened           */ {D, D, D, D, D, D, D, D, D},
    /* LoadWave               */ {K, E, K, K, E, K, E, E, K},
    /* OpenProjectWithWave    */ {S, E, K, K, E, K, E, E, K},
    /* OpenProjectWithoutWave */ {S, K, K, K, K, K, K, K, K},
    /* AddMarker              */ {E, K, K, K, K, E, K, K, K},
    /* HeaderSelected         */ {K, K, K, K, K, D, K, K, K},
    /* MarkerSelected         */ {K, K, K, K, K, E, K, K, K},
    /* Play                   */ {D, D, E, E, K, K, K, K, K},
    /* Pause                  */ {E, E, K, D, K, K, K, K, K},
    /* Stop                   */ {E, E, D, D, K, K, K, K, K},
}};

bool Changed(Change change, bool enabled, std::size_t markers) {
    switch (change) {
    case Change::Enable:
        return true;
    case Change::Disable:
        return false;
    case Change::EnableIfSplittable:
        return markers >= 2 || enabled;
    case Change::Keep:
        break;
    }
    return enabled;
}

} // namespace

ControlStates::ControlStates() {
    m_controls.fill(true);
    m_commands.fill(true);
}

void ControlStates::Feed(Event event, const SessionFacts& facts) {
    const auto set = [this](Control control, bool on) {
        m_controls[static_cast<std::size_t>(control)] = on;
    };
    switch (event) {
    case Event::TimedImport:
        if (!facts.playing && facts.markers >= 2) {
            set(Control::Split, true);
        }
        return;
    case Event::SelectionChanged:
        // "ANP" and Remove act on the selected marker, never on the start marker.
        set(Control::Remove, facts.selected > 0);
        if (facts.loaded) {
            set(Control::Anp, facts.selected > 0);
        }
        return;
    case Event::SessionChanged: {
        const auto command = [this](Command c, bool on) {
            m_commands[static_cast<std::size_t>(c)] = on;
        };
        command(Command::Undo, facts.canUndo);
        command(Command::Redo, facts.canRedo);
        command(Command::RemoveMarker, facts.selected > 0 || facts.currentSuggestion);
        command(Command::RenameMarker, facts.selected > 0);
        command(Command::NextSuggestion, facts.suggestions);
        command(Command::PreviousSuggestion, facts.suggestions);
        command(Command::AcceptAllSuggestions, facts.suggestions);
        command(Command::AcceptSuggestion, facts.currentSuggestion);
        command(Command::DismissSuggestion, facts.currentSuggestion);
        command(Command::OtherPlace, facts.currentSuggestion && facts.alternatives);
        return;
    }
    case Event::WindowOpened:
        m_commands.fill(false); // nothing to undo, redo, remove or accept yet
        break;
    default:
        break;
    }
    const auto& row = kTable.at(static_cast<std::size_t>(event));
    for (std::size_t i = 0; i < kControlCount; ++i) {
        m_controls[i] = Changed(row[i], m_controls[i], facts.markers);
    }
}

} // namespace sundrel::app
