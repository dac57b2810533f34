#pragma once

#include "core/interop/MarkerSet.h"

#include <string>
#include <string_view>

namespace sundrel {

// Reads tracklist text the way mixes are posted: one track a line, blank lines skipped. A line
// is, in order, an optional number ("1.", "01)", or "01 -", "#3" before a time), an optional
// bullet ("•", "*", "–", "·", "|", ...), an optional start time ("03:15", "1:03:15",
// "[03:15]", "(03:15)", also with a dash or colon glued to it: "07:47–", "12:20:"; minutes
// of the m:ss form may pass 59), an optional separator ("-", "–", "—", ":", "|", "~", ...)
// and the name, split by SplitArtistTitle with dashes and "by". A line that starts with "- "
// is a name whatever follows (the writer's escape). Starts are whole seconds (ExactTime in
// seconds); times must not decrease.
//
// When any line starts with a time the list is timed: up to three lines without a
// time above the first timed one are its heading, and below it a line without a time is an
// error. When none does, times at the end of every line ("Title @22:10", "Title [22:10]")
// that never go back are the starts; otherwise they stay in the names (lists put lengths
// there too). Either way headings ("Tracklist:", "Setlist", a line ending in ':', "-----")
// are skipped and a "w/ ..." line is joined to the title of the track above; each of these
// is said in the set's notes.
//
// Throws InteropError with the line and reason for a time with seconds or minutes past 59, a
// track line without a time in a timed list (or the other way round), a time earlier than
// the line before, a name longer than kMaxNameBytes, more than kMaxMarkerFileTracks tracks or
// a text without tracks. Returns the whole set or nothing.
MarkerSet ReadTracklist(std::string_view bytes);

// Writes one line per track: its start rounded to the nearest second, as m:ss, or h:mm:ss for
// every line when any start reaches an hour, then JoinArtistTitle(artist, title) (dashes and
// "by"). When every track lacks a start the lines hold names only. A name that would be read
// as a number, a time or a bullet gets a "- " in front so it reads back whole. ReadTracklist
// reads it back to the same starts (to the second) and names. LF line ends. Throws
// std::invalid_argument when some tracks have a start and some do not, for a negative start,
// for starts out of order, and for names without starts that would read back as times.
std::string WriteTracklist(const MarkerSet& set);

} // namespace sundrel
