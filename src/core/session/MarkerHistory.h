#pragma once

#include "core/markers/MarkerList.h"
#include "core/markers/MixInfo.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace sundrel {

// Undo and redo of marker edits, and whether the markers differ from what was last saved.
// Each step keeps the whole list as it was (a list holds at most 255 markers, so a copy is
// cheap and restoring it is exact, labels included). Every state has an id; the list is
// unsaved while the current id differs from the saved one, so undoing back to the saved
// state makes it clean again.
class MarkerHistory {
  public:
    struct State {
        MarkerList markers;
        std::size_t selected = 0;
        MixInfo mix;
    };

    // Before an edit: `before` becomes an undo step and the redo steps go. Inside a gesture
    // only the first edit records.
    void Record(State before);
    // Undo: returns the state to restore, taking `current` onto the redo steps.
    std::optional<State> Undo(State current);
    std::optional<State> Redo(State current);
    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }

    void BeginGesture();
    // Ends the gesture; one that left the markers as they were before it leaves no step
    // (returns true when its step was dropped).
    bool EndGesture(const MarkerList& current);

    // Forgets every step; the current state is the saved one (a fresh list, an opened
    // project) or, with `saved` false, unsaved work (markers kept for another mix).
    void Reset(bool saved = true);
    // The current state has just been written.
    void MarkSaved() { m_savedId = m_currentId; }
    bool IsModified() const { return m_savedId != m_currentId; }

  private:
    struct Step {
        State state;
        std::uint64_t id = 0;
    };
    // Takes the newest step of `from` as the state to restore, `current` onto `to`.
    std::optional<State> Move(std::vector<Step>& from, std::vector<Step>& to, State current);

    std::vector<Step> m_undo;
    std::vector<Step> m_redo;
    std::uint64_t m_currentId = 0;
    std::optional<std::uint64_t> m_savedId = 0;
    std::uint64_t m_nextId = 1;
    bool m_bInGesture = false;
    bool m_bGestureRecorded = false;
};

} // namespace sundrel
