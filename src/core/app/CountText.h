#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sundrel::app {

// "1 track", "0 tracks", "12 tracks": a count with its noun, singular only for one. The noun
// takes a plain "s" in the plural (track, marker, suggestion, folder).
std::string CountText(std::size_t n, std::string_view noun);

// What a split of the markers will write, said before it runs: "1 track: the whole mix" when
// no marker cuts it, otherwise "12 tracks".
std::string SplitSummary(std::size_t tracks);

} // namespace sundrel::app
