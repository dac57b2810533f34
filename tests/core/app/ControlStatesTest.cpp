#include "core/app/ControlStates.h"

#include <gtest/gtest.h>

namespace {

using sundrel::app::Action;
using sundrel::app::kControlCount;

// Enabled states as one character per control, in the order Split, Play, Stop, Pause,
// AddMarker, Anp, Markers, Slider ('1' enabled).
std::string After(std::string state, std::initializer_list<Action> actions,
                  std::size_t markers = 1) {
    for (const Action action : actions) {
        const auto& row = sundrel::app::ControlChanges(action);
        for (std::size_t i = 0; i < kControlCount; ++i) {
            state[i] = sundrel::app::ApplyChange(row[i], state[i] == '1', markers) ? '1' : '0';
        }
    }
    return state;
}

TEST(ControlStates, AUsualSessionEnablesWhatEachStepNeeds) {
    std::string s = After("11111111", {Action::WindowOpened});
    EXPECT_EQ(s, "00000000");
    // Split, Play, Stop, Pause, AddMarker, Anp, Markers, Slider
    for (const auto& [action, expected] : {std::pair{Action::LoadWave, "01001011"},
                                           {Action::Play, "00111011"},
                                           {Action::Pause, "11101011"}, // Stop stays as it was
                                           {Action::Stop, "11001011"},
                                           {Action::AddMarker, "11001111"},
                                           {Action::HeaderSelected, "11001011"},
                                           {Action::MarkerSelected, "11001111"}}) {
        s = After(s, {action});
        EXPECT_EQ(s, expected) << static_cast<int>(action);
    }
}

TEST(ControlStates, OpeningAProjectEnablesSplitOnlyWithTwoMarkers) {
    EXPECT_EQ(After("00000000", {Action::OpenProjectWithWave}, 1), "01001011");
    EXPECT_EQ(After("00000000", {Action::OpenProjectWithWave}, 2), "11001011");
    EXPECT_EQ(After("00000000", {Action::OpenProjectWithoutWave}, 3), "10000000");
    // A project with only the start marker leaves an enabled Split as it was.
    EXPECT_EQ(After("11111111", {Action::OpenProjectWithWave}, 1)[0], '1');
}

} // namespace
