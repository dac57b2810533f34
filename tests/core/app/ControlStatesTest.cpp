// The machine alone, where the window cannot lead it: the window stops playback before it
// loads or opens, and follows every Open with the header entry's selection. Every action the
// window can take is driven through it in tests/gui/ControlStatesWindowTest.cpp.
#include "core/app/ControlStates.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using sundrel::app::Control;
using sundrel::app::ControlStates;
using sundrel::app::Event;
using sundrel::app::SessionFacts;

// One character per control, in the order Split, Play, Stop, Pause, Add Marker, ANP, marker
// list, slider, Remove ('1' enabled).
std::string States(const ControlStates& m) {
    std::string s;
    for (std::size_t i = 0; i < sundrel::app::kControlCount; ++i) {
        s += m.Enabled(static_cast<Control>(i)) ? '1' : '0';
    }
    return s;
}

SessionFacts Loaded(std::size_t markers = 1, bool playing = false) {
    SessionFacts facts;
    facts.loaded = true;
    facts.playing = playing;
    facts.markers = markers;
    return facts;
}

TEST(ControlStates, LoadingOrOpeningDuringPlaybackLeavesTheTransportAsPlayLeftIt) {
    ControlStates m;
    m.Feed(Event::WindowOpened, {});
    m.Feed(Event::LoadWave, Loaded());
    m.Feed(Event::Play, Loaded(1, true));
    EXPECT_EQ(States(m), "001110110");
    // Play comes back on beside Stop and Pause; Split stays off.
    m.Feed(Event::LoadWave, Loaded(1, true));
    EXPECT_EQ(States(m), "011110110");
    m.Feed(Event::Play, Loaded(1, true));
    m.Feed(Event::OpenProjectWithWave, Loaded(3, true));
    EXPECT_EQ(States(m), "111110110");
}

TEST(ControlStates, OpenKeepsAnpAndNeverDisablesSplit) {
    ControlStates m;
    m.Feed(Event::WindowOpened, {});
    m.Feed(Event::LoadWave, Loaded());
    m.Feed(Event::AddMarker, Loaded(2));
    ASSERT_EQ(States(m), "110011110");
    for (const Event open : {Event::OpenProjectWithWave, Event::OpenProjectWithoutWave}) {
        m.Feed(open, Loaded(1));
        EXPECT_TRUE(m.Enabled(Control::Anp));
        EXPECT_TRUE(m.Enabled(Control::Split)) << "one marker leaves Split as it was";
    }
}

TEST(ControlStates, EditsMoveAnpAndRemoveOnlyWithAMix) {
    ControlStates m;
    m.Feed(Event::WindowOpened, {});
    SessionFacts facts;
    facts.markers = 3;
    facts.selected = 2;
    m.Feed(Event::SelectionChanged, facts); // markers of a project without a mix
    EXPECT_TRUE(m.Enabled(Control::Remove));
    EXPECT_FALSE(m.Enabled(Control::Anp));
    facts.loaded = true;
    m.Feed(Event::SelectionChanged, facts);
    EXPECT_TRUE(m.Enabled(Control::Anp));
    facts.selected = 0;
    m.Feed(Event::SelectionChanged, facts);
    EXPECT_EQ(States(m), "000000000");
}

} // namespace
