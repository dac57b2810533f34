#pragma once

#include "core/markers/Marker.h"
#include "core/match/MatchTracks.h"
#include "core/project/ProjectFields.h"
#include "core/project/ProjectFile.h"
#include "core/project/ProjectVersion3.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

// Version 5 of the .sdr project file: version 4's fields (the mix's title and artist, empty
// when unknown), then a section count (uint16) and that many sections, each
//
//   tag (4 ASCII bytes), body length (uint32), body
//
// and nothing after the last.
// A reader passes over a section whose tag it does not know (one a later version added) and
// says so in ProjectFile::notes; a section it knows must be whole, fill its length exactly and
// come at most once, else the file is refused naming the field at fault. The sections:
//
//   "TRKS" per marker, in the list's order: the track number its cue sheet gave it (uint16,
//          0..999, 0 for none), the file it was played from (uint16 length, at most
//          kProjectV3MaxPath bytes, no zero byte; empty when unknown)
//   "MTCH" the match of the DJ's files with the mix:
//          the mix's length in seconds (float64)
//          file count (uint16, at most kProjectMaxMatchFiles; each file plays at least once);
//            per file: its path (uint16
//            length, at most kProjectV3MaxPath bytes, no zero byte, not empty), then its
//            title, artist, album, BPM, key, year, genre and ISRC (each a uint16 length and
//            at most kProjectMaxName bytes of UTF-8)
//          play count (uint16, at most kProjectMaxMatchItems); per play: file (uint16, below
//            the file count), id (uint32), start, end, offset, ratio, confidence (float64;
//            0 <= start <= end, ratio > 0, confidence 0..1), key lock (1 byte, 0 or 1),
//            matches (uint32), middle present (1 byte, 0 or 1), middle (float64, 0 when absent)
//          unknown stretch count (uint16, at most kProjectMaxMatchItems); per stretch: start,
//            end (float64, start <= end)
//          boundary count (uint16, at most kProjectMaxMatchItems); per boundary: seconds
//            (float64), play (uint16, below the play count, or 65535 for an unknown stretch)
//          Every float64 is finite.
//
// Each section is written only when it holds something; a project with neither numbers,
// source files nor a match stays version 3 or 4, which older readers read.
namespace sundrel {

inline constexpr std::size_t kProjectMaxMatchFiles = 1024;
inline constexpr std::size_t kProjectMaxMatchItems = 4096;
inline constexpr int kProjectMaxTrackNumber = 999;
// The longest sections a file can hold: every field at its bound.
inline constexpr std::size_t kProjectSectionsLargest =
    2 + 2 * 8 + kProjectMaxMarkers * (2 + 2 + kProjectV3MaxPath) + 8 + 2 +
    kProjectMaxMatchFiles * (2 + kProjectV3MaxPath + 8 * (2 + kProjectMaxName)) + 3 * 2 +
    kProjectMaxMatchItems * (2 + 4 + 5 * 8 + 1 + 4 + 1 + 8 + 2 * 8 + 8 + 2);

// The longest project file of any version.
inline constexpr std::size_t kProjectLargest = kProjectV3Largest + kProjectSectionsLargest;

// Whether the markers or the match need version 5.
bool NeedsSections(std::span<const Marker> markers, const MatchResult* match);

// Why `match` cannot be stored, or an empty text when it can (the same rules the reader
// keeps): a field out of its bounds, a play of no file, or a file that no play names.
std::string MatchFault(const MatchResult& match);

// The part of `match` a project keeps: the files that play (in their order, the plays naming
// their new places) and their tags, the plays, unknown stretches and boundaries; not the
// candidates that never played, nor the ones that were skipped.
MatchResult MatchToKeep(const MatchResult& match);

// Appends the sections for `markers` and `match` (either may be left out). Throws
// ProjectError (Unsaveable) for a number outside 0..999, a source file too long or holding a
// zero byte, or a match that MatchFault refuses.
void EncodeSections(std::vector<std::byte>& out, std::span<const Marker> markers,
                    const MatchResult* match);

// Reads the sections that fill the rest of `in` into `project` (its markers already read).
void DecodeSections(project::FieldReader& in, ProjectFile& project);

} // namespace sundrel
