#include "core/app/ControlStates.h"

#include <gtest/gtest.h>

namespace {

using sundrel::app::Action;
using sundrel::app::ApplyChange;
using sundrel::app::Control;
using sundrel::app::ControlChanges;
using sundrel::app::kControlCount;

// The enabled states after `actions` run in order from `start`, with `markers` markers.
std::array<bool, kControlCount> After(std::array<bool, kControlCount> start,
                                      std::initializer_list<Action> actions,
                                      std::size_t markers = 1) {
    for (const Action action : actions) {
        const auto& row = ControlChanges(action);
        for (std::size_t i = 0; i < kControlCount; ++i) {
            start[i] = ApplyChange(row[i], start[i], markers);
        }
    }
    return start;
}

bool On(const std::array<bool, kControlCount>& s, Control c) {
    return s[static_cast<std::size_t>(c)];
}

TEST(ControlStates, AUsualSessionEnablesWhatEachStepNeeds) {
    std::array<bool, kControlCount> s{};
    s.fill(true);
    s = After(s, {Action::WindowOpened});
    for (bool enabled : s) {
        EXPECT_FALSE(enabled);
    }
    s = After(s, {Action::LoadWave});
    EXPECT_TRUE(On(s, Control::Play));
    EXPECT_TRUE(On(s, Control::AddMarker));
    EXPECT_TRUE(On(s, Control::Markers));
    EXPECT_TRUE(On(s, Control::Slider));
    EXPECT_FALSE(On(s, Control::Split));
    EXPECT_FALSE(On(s, Control::Stop));

    s = After(s, {Action::Play});
    EXPECT_FALSE(On(s, Control::Play));
    EXPECT_FALSE(On(s, Control::Split));
    EXPECT_TRUE(On(s, Control::Stop));
    EXPECT_TRUE(On(s, Control::Pause));
    s = After(s, {Action::Pause});
    EXPECT_TRUE(On(s, Control::Play));
    EXPECT_TRUE(On(s, Control::Split));
    EXPECT_TRUE(On(s, Control::Stop)); // Pause leaves Stop as it was
    EXPECT_FALSE(On(s, Control::Pause));
    s = After(s, {Action::Stop});
    EXPECT_FALSE(On(s, Control::Stop));

    s = After(s, {Action::AddMarker});
    EXPECT_TRUE(On(s, Control::Anp));
    s = After(s, {Action::HeaderSelected});
    EXPECT_FALSE(On(s, Control::Anp));
    s = After(s, {Action::MarkerSelected});
    EXPECT_TRUE(On(s, Control::Anp));
}

TEST(ControlStates, OpeningAProjectEnablesSplitOnlyWithTwoMarkers) {
    std::array<bool, kControlCount> closed{};
    EXPECT_FALSE(On(After(closed, {Action::OpenProjectWithWave}, 1), Control::Split));
    EXPECT_TRUE(On(After(closed, {Action::OpenProjectWithWave}, 2), Control::Split));
    EXPECT_TRUE(On(After(closed, {Action::OpenProjectWithoutWave}, 3), Control::Split));
    // A project with only the start marker leaves an enabled Split as it was.
    std::array<bool, kControlCount> open{};
    open.fill(true);
    EXPECT_TRUE(On(After(open, {Action::OpenProjectWithWave}, 1), Control::Split));

    const auto withoutWave = After(closed, {Action::OpenProjectWithoutWave}, 2);
    EXPECT_FALSE(On(withoutWave, Control::Play));
    EXPECT_FALSE(On(withoutWave, Control::Slider));
    const auto withWave = After(closed, {Action::OpenProjectWithWave}, 2);
    EXPECT_TRUE(On(withWave, Control::Play));
    EXPECT_TRUE(On(withWave, Control::Markers));
}

} // namespace
