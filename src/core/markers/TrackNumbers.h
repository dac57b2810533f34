#pragma once

#include <span>
#include <vector>

namespace sundrel {

// The number of each track of a mix, in time order, from the number each track's marker
// carries (Marker::number; 0 for none). A track keeps its own number when it is above the
// number before it; any other track takes the number after the one before it, so the numbers
// always rise and no two tracks share one. A cue sheet's TRACK 03, 04, 06 stay 3, 4, 6; a list
// without numbers counts 1, 2, 3; a marker added between 04 and 06 makes track 5, and one
// added between 04 and 05 pushes the 05 to 6. An unnumbered first track before track 1 is
// the audio before the sheet's first track (its pregap, written apart) and is numbered 0.
std::vector<int> TrackNumbers(std::span<const int> own);

} // namespace sundrel
