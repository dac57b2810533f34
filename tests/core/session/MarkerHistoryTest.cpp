#include "core/session/MarkerHistory.h"

#include <gtest/gtest.h>

namespace {

using sundrel::MarkerHistory;

// A state told apart by the frame of its one added marker.
MarkerHistory::State StateAt(std::int64_t frame) {
    MarkerHistory::State state;
    state.markers.Add(sundrel::FrameMarker(frame));
    state.selected = 1;
    return state;
}

std::int64_t FrameOf(const MarkerHistory::State& state) {
    return state.markers.At(1)->frame;
}

// The oldest steps go once the history is long; the newest 1000 stay, in order, and the
// saved state that fell off can no longer be reached (the list stays unsaved).
TEST(MarkerHistory, KeepsTheNewestThousandSteps) {
    MarkerHistory history;
    for (std::int64_t i = 0; i < 1005; ++i) {
        history.Record(StateAt(i)); // the state before edit i
    }
    EXPECT_TRUE(history.IsModified());
    MarkerHistory::State current = StateAt(1005);
    std::int64_t expected = 1004;
    while (std::optional<MarkerHistory::State> state = history.Undo(current)) {
        ASSERT_EQ(FrameOf(*state), expected);
        current = std::move(*state);
        --expected;
        EXPECT_TRUE(history.IsModified());
    }
    EXPECT_EQ(expected, 4); // states 5..1004 came back: 1000 steps
    EXPECT_FALSE(history.CanUndo());
    // And all of them redo.
    int redone = 0;
    while (std::optional<MarkerHistory::State> state = history.Redo(current)) {
        current = std::move(*state);
        ++redone;
    }
    EXPECT_EQ(redone, 1000);
    EXPECT_EQ(FrameOf(current), 1005);
}

TEST(MarkerHistory, ResetForgetsStepsAndSetsTheSavedState) {
    MarkerHistory history;
    history.Record(StateAt(1));
    history.Record(StateAt(2));
    history.Undo(StateAt(3));
    history.Reset(false); // kept markers: unsaved until written
    EXPECT_FALSE(history.CanUndo());
    EXPECT_FALSE(history.CanRedo());
    EXPECT_TRUE(history.IsModified());
    history.Record(StateAt(4));
    ASSERT_TRUE(history.Undo(StateAt(5)).has_value());
    EXPECT_TRUE(history.IsModified()); // undoing back to unsaved work does not make it saved
    history.MarkSaved();
    EXPECT_FALSE(history.IsModified());
    history.Reset();
    EXPECT_FALSE(history.IsModified());
    EXPECT_FALSE(history.CanRedo());
}

TEST(MarkerHistory, AGestureRecordsItsFirstStateOnly) {
    MarkerHistory history;
    history.BeginGesture();
    history.Record(StateAt(1));
    history.Record(StateAt(2));
    history.Record(StateAt(3));
    EXPECT_FALSE(history.EndGesture(StateAt(3).markers)); // moved: the step stays
    history.Record(StateAt(4));
    std::optional<MarkerHistory::State> state = history.Undo(StateAt(5));
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(FrameOf(*state), 4);
    state = history.Undo(*state);
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(FrameOf(*state), 1);
    EXPECT_FALSE(history.CanUndo());
    EXPECT_FALSE(history.IsModified());
}

} // namespace
