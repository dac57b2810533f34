#pragma once

#include "core/interop/MarkerSet.h"

#include <string>
#include <string_view>

namespace sundrel {

// Reads tracklist text the way mixes are posted: one track a line, blank lines skipped. A line
// is, in order, an optional number ("1." or "01)"), an optional start time ("03:15",
// "1:03:15", "[03:15]", "(03:15)"; minutes of the m:ss form may pass 59), an optional bullet
// or separator ("-", "–", "—", "*", "•" or "|" followed by a blank) and the name, split by
// SplitArtistTitle with dashes and "by". Starts are whole seconds (ExactTime in seconds).
// Either every track line has a time or none has; times must not decrease. A time after the
// name ("Title [03:15]") stays part of the name: posted lists use that place for lengths as
// often as for starts.
//
// Throws InteropError with the line and reason for a time with seconds or minutes past 59, a
// line with a time among lines without (or the other way round), a time earlier than the
// line before, a name longer than kMaxNameBytes, more than kMaxMarkerFileTracks tracks or a
// text without tracks. Returns the whole set or nothing.
MarkerSet ReadTracklist(std::string_view bytes);

// Writes one line per track: its start rounded to the nearest second, as m:ss, or h:mm:ss for
// every line when any start reaches an hour, then JoinArtistTitle(artist, title) (dashes and
// "by"). When every track lacks a start the lines hold names only. A name that would be read
// as a number, a time or a bullet gets a "- " in front so it reads back whole. ReadTracklist
// reads it back to the same starts (to the second) and names. LF line ends. Throws
// std::invalid_argument when some tracks have a start and some do not, for a negative start
// or for starts out of order.
std::string WriteTracklist(const MarkerSet& set);

} // namespace sundrel
