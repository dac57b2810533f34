#include "core/session/MarkerHistory.h"

#include <utility>

namespace sundrel {

namespace {
// Undo keeps this many steps; the oldest go first.
constexpr std::size_t kMaxSteps = 1000;
} // namespace

void MarkerHistory::Record(State before) {
    if (m_bInGesture && m_bGestureRecorded) {
        return; // the gesture's step already holds the state before it
    }
    m_bGestureRecorded = m_bInGesture;
    m_undo.push_back({std::move(before), m_currentId});
    if (m_undo.size() > kMaxSteps) {
        m_undo.erase(m_undo.begin());
    }
    m_redo.clear();
    m_currentId = m_nextId++;
}

std::optional<MarkerHistory::State> MarkerHistory::Undo(State current) {
    return Move(m_undo, m_redo, std::move(current));
}

std::optional<MarkerHistory::State> MarkerHistory::Redo(State current) {
    return Move(m_redo, m_undo, std::move(current));
}

std::optional<MarkerHistory::State> MarkerHistory::Move(std::vector<Step>& from,
                                                        std::vector<Step>& to, State current) {
    if (from.empty()) {
        return std::nullopt;
    }
    Step step = std::move(from.back());
    from.pop_back();
    to.push_back({std::move(current), m_currentId});
    m_currentId = step.id;
    return std::move(step.state);
}

void MarkerHistory::BeginGesture() {
    m_bInGesture = true;
    m_bGestureRecorded = false;
}

bool MarkerHistory::EndGesture(const MarkerList& current) {
    const bool drop =
        m_bGestureRecorded && !m_undo.empty() && m_undo.back().state.markers == current;
    if (drop) {
        m_currentId = m_undo.back().id;
        m_undo.pop_back();
    }
    m_bInGesture = false;
    m_bGestureRecorded = false;
    return drop;
}

void MarkerHistory::Reset(bool saved) {
    m_undo.clear();
    m_redo.clear();
    m_currentId = m_nextId++;
    m_savedId = saved ? std::optional<std::uint64_t>(m_currentId) : std::nullopt;
    // A gesture of the previous history cannot go on in this one.
    m_bInGesture = false;
    m_bGestureRecorded = false;
}

} // namespace sundrel
