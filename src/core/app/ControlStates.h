#pragma once

#include <array>
#include <cstddef>

namespace sundrel::app {

// The controls of the main window whose enabled state the control-state machine owns: the
// eight of the classic table, in its order, then Remove Marker.
enum class Control : std::size_t {
    Split,     // 1
    Play,      // 1002
    Stop,      // 1007
    Pause,     // 1008
    AddMarker, // 1003
    Anp,       // 1023
    Markers,   // 1010
    Slider,    // 1001
    Remove,    // Remove Marker
};
inline constexpr std::size_t kControlCount = 9;

// The menu commands whose enabled state follows the session's edits (the rules consulted when
// a drop-down opens stay with the menus).
enum class Command : std::size_t {
    Undo,
    Redo,
    RemoveMarker, // Delete: the selected marker, or the suggestion being looked at
    RenameMarker,
    NextSuggestion,
    PreviousSuggestion,
    AcceptAllSuggestions,
    AcceptSuggestion,
    DismissSuggestion,
    OtherPlace, // the suggestion being looked at has other places to go
};
inline constexpr std::size_t kCommandCount = 10;

// What the window tells the machine. The first ten are the rows of the classic table; the
// rest are the window's own actions.
enum class Event : std::size_t {
    WindowOpened,
    LoadWave,
    OpenProjectWithWave,
    OpenProjectWithoutWave,
    AddMarker, // also markers placed by a key, a suggestion or a match
    HeaderSelected,
    MarkerSelected,
    Play, // also a preview or a range
    Pause,
    Stop,
    TimedImport,      // markers imported with times: Split as Add Marker enables it, unless playing
    SelectionChanged, // the marker list or the selected entry changed (edit, undo, redo)
    SessionChanged,   // anything of the session changed: the menu commands follow it
};
inline constexpr std::size_t kEventCount = 13;

// What the machine reads of the session when an event arrives.
struct SessionFacts {
    bool loaded = false;
    bool playing = false;
    std::size_t markers = 1;  // counts the start marker
    std::size_t selected = 0; // 0: the header entry (the start marker)
    bool canUndo = false;
    bool canRedo = false;
    bool suggestions = false;       // suggestions are offered
    bool currentSuggestion = false; // one of them is being looked at
    bool alternatives = false;      // ... and the analysis found other places for it
};

// The enabled state of the main window's controls, owned in one place. Most states depend on
// the actions that led to them, not on the session as it is now (Pause and Stop enable Split
// with no marker, Open never disables Split, loading enables Play even while playing), so the
// machine latches each state and each event changes only what its row names.
class ControlStates {
  public:
    // The states before the window opens: everything enabled, as a widget starts.
    ControlStates();

    void Feed(Event event, const SessionFacts& facts);

    bool Enabled(Control control) const { return m_controls[static_cast<std::size_t>(control)]; }
    bool Enabled(Command command) const { return m_commands[static_cast<std::size_t>(command)]; }

  private:
    std::array<bool, kControlCount> m_controls;
    std::array<bool, kCommandCount> m_commands;
};

} // namespace sundrel::app
