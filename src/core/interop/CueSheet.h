#pragma once

#include "core/interop/MarkerSet.h"

#include <string>
#include <string_view>

namespace sundrel {

// Reads a cue sheet (the bytes of a .cue file, decoded by DecodeLines) describing one audio
// file: FILE "name" TYPE, TITLE and PERFORMER (before the first TRACK: the mix; after it: the
// track), TRACK nn AUDIO, INDEX 01 mm:ss:ff (75 frames a second, minutes past 99 allowed),
// REM comments, and CATALOG, CDTEXTFILE, FLAGS, ISRC, SONGWRITER, PREGAP and POSTGAP, which
// are read past. Values are quoted or not; a quoted value runs from the first quote to the
// last one on its line, so quotes inside a name (as some writers leave them) stay in it.
//
// Each track starts at its INDEX 01 (ExactTime in 1/75 s). INDEX 00 (the pregap) and INDEX
// 02 and above are checked but do not move the start. Keywords are read in any case.
//
// Throws InteropError with the line and reason for any line it cannot read: an unknown
// keyword, a bad time, a track without INDEX 01, INDEX numbers that do not increase within a
// track, an index earlier than the one before it, TRACK numbers that do not increase (1..999)
// or a track that is not AUDIO, a second FILE naming another file (a sheet of several files
// does not describe one mix), a name longer than kMaxNameBytes, more than
// kMaxMarkerFileTracks tracks, or a sheet without tracks. Returns the whole set or nothing.
MarkerSet ReadCueSheet(std::string_view bytes);

// Writes `set` as a cue sheet that ReadCueSheet reads back to the same names and to each
// start rounded to the nearest 1/75 s: TITLE and PERFORMER of the mix when set, FILE "file"
// WAVE (MP3 or AIFF by the file's extension) when a file is set, then TRACK nn AUDIO with the
// track's TITLE and PERFORMER when set and INDEX 01. Names are written as CleanName gives
// them (control characters as spaces), quotes kept. UTF-8 without a byte order mark, LF line
// ends. Throws std::invalid_argument for a track without a start, a negative start, starts
// out of order or more than kMaxMarkerFileTracks tracks.
std::string WriteCueSheet(const MarkerSet& set);

} // namespace sundrel
