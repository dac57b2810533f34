#pragma once

#include "core/interop/MarkerSet.h"

#include <string>
#include <string_view>

namespace sundrel {

// Reads a cue sheet (the bytes of a .cue file, decoded by DecodeLines) describing one audio
// file: FILE "name" TYPE, TITLE and PERFORMER (before the first TRACK: the mix; after it: the
// track), TRACK nn AUDIO, INDEX 01 mm:ss:ff (75 frames a second, minutes past 99 allowed),
// REM DATE and REM GENRE of the mix, other REM comments, and the keywords that place or name
// nothing here (CATALOG, CDTEXTFILE, FLAGS, ISRC, PREGAP, POSTGAP and CD-TEXT's SONGWRITER,
// COMPOSER, ARRANGER, MESSAGE, DISC_ID, UPC_EAN, TOC_INFO1/2, SIZE_INFO, GENRE), which are
// read past. Values are quoted or not; a quoted value runs from the first quote to the last
// one on its line, so quotes inside a name (as some writers leave them) stay in it.
//
// Each track starts at its INDEX 01 (ExactTime in 1/75 s) and keeps its TRACK number. INDEX 00 (the
// pregap) and INDEX 02 and above are checked but do not move the start. Keywords are read in any
// case. Data tracks (MODE1/..., MODE2/..., CDG, CDI/...) are checked and skipped with a note.
//
// A recording sheet names the file each track was played from in a FILE line inside the
// track (before its INDEX): that name becomes the track's sourceFile, and the sheet still
// describes one recording. rekordbox writes such sheets with REM RECORDED_BY "rekordbox-dj"
// and its INDEX times as h:mm:ss; those are read so. A sheet with files inside its tracks
// that does not say who wrote it is read as h:mm:ss too unless a time fits only mm:ss:ff
// (a third field past 59 or a first past 23), and a note says which reading was taken.
//
// Throws InteropError with the line and reason for any line it cannot read: an unknown
// keyword, a bad time, a track without INDEX 01, INDEX numbers that do not increase within a
// track, an index earlier than the one before it, TRACK numbers that do not increase (1..999)
// or a track type that is none, a second FILE outside the tracks naming another file (a
// sheet for several files, as for a CD's tracks, does not describe one recording), a name
// longer than kMaxNameBytes, more than kMaxMarkerFileTracks tracks, or a sheet without audio
// tracks. Returns the whole set or nothing.
MarkerSet ReadCueSheet(std::string_view bytes);

// Writes `set` as a cue sheet that ReadCueSheet reads back to the same names and to each
// start rounded to the nearest 1/75 s: TITLE and PERFORMER of the mix when set, FILE "file"
// WAVE (MP3 or AIFF by the file's extension) when a file is set, then TRACK nn AUDIO with the
// track's TITLE and PERFORMER when set and INDEX 01; nn is the track's own number as
// TrackNumbers keeps it (1, 2, ... for tracks without one; all of them when the numbers would
// not fit 1..999). A track's source file is not written: a FILE line inside a track makes
// readers take the sheet for a recording program's; REM DATE and REM GENRE when set. Names
// are written as CueName gives them, so that no reader ends a quoted value early. UTF-8
// without a byte order mark, LF line ends. Throws std::invalid_argument for a track without a
// start, a negative start, starts out of order or more than kMaxMarkerFileTracks tracks.
std::string WriteCueSheet(const MarkerSet& set);

// A name as WriteCueSheet writes it: CleanName's text with each straight double quote
// replaced by a typographic one (U+201C at the start or after a blank or an opening bracket,
// U+201D elsewhere, as in 12”), since cue readers end a quoted value at its second quote.
std::string CueName(std::string_view text);

} // namespace sundrel
