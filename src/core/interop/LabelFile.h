#pragma once

#include "core/interop/MarkerSet.h"

#include <string>
#include <string_view>

namespace sundrel {

// Reads an Audacity label file: one label a line, `start<TAB>end<TAB>label`, the times in
// seconds with a decimal point (or the comma some locales write) and any number of decimals,
// read exactly up to nine (ExactTime in microseconds, or finer when the file has more
// decimals) and rounded to the nanosecond beyond. Point labels (end = start) and region
// labels (end after start) both give a track starting at the start; the end is checked and
// not kept. As in Audacity's importer, a label may have one side: `start<TAB>label` (a second
// field that is no time is the label) or a start alone. The label is split as "Artist - Title"
// (SplitArtistTitle with dashes). Lines starting with a backslash (the frequency range of a
// spectral label) and blank lines are skipped. Labels are kept in the file's order.
//
// Throws InteropError with the line and reason for a line that does not start with a time
// in seconds, an end time that is not a plain non-negative decimal, an end before its start, a name
// longer than kMaxNameBytes or more than kMaxMarkerFileTracks labels; a file without labels is an
// error too. Returns the whole set or nothing.
MarkerSet ReadLabelFile(std::string_view bytes);

// Writes each track as a point label at its start, in seconds with six decimals (the nearest
// microsecond), labelled JoinArtistTitle(artist, title) with dashes; a label with control
// characters gets spaces for them. ReadLabelFile reads it back to the same starts to the
// microsecond and the same names. LF line ends. Throws std::invalid_argument for a track
// without a start or with a negative one.
std::string WriteLabelFile(const MarkerSet& set);

} // namespace sundrel
