#pragma once

#include "core/view/TimeWindow.h"

// Moving a zoomed window along the mix without changing its span: paging and arrow steps,
// the scroll bar, and following the play position. Every result lies inside 0..duration.
namespace sundrel::view {

// The window moved by `pages` times its span (±1 a page, ±0.1 an arrow step or wheel notch).
TimeWindow ScrollBy(TimeWindow w, double pages, double duration);

// A Qt-style scroll bar over the mix. Its unit is a thousandth of the window's span (coarser
// on very long mixes, so the maximum stays below 10^9): the page step is the span, the single
// step a tenth of it, and the value the window's start.
struct ScrollBarState {
    int minimum = 0;
    int maximum = 0;
    int pageStep = 1;
    int singleStep = 1;
    int value = 0;
    friend bool operator==(const ScrollBarState&, const ScrollBarState&) = default;
};

ScrollBarState ScrollBarFor(TimeWindow w, double duration);

// The window of w's span that scroll-bar value `value` shows, in the units ScrollBarFor(w)
// uses. The maximum value ends the window exactly at the mix end.
TimeWindow WindowAtScrollValue(int value, TimeWindow w, double duration);

// Follows playback by paging: while `position` is inside the window (from <= position < to)
// the window stays; once it leaves, the window starts at the position (held inside the mix).
// The picture stays still while the sound plays through it.
TimeWindow FollowPosition(TimeWindow w, double position, double duration);

} // namespace sundrel::view
