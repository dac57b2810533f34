#pragma once

#include <cstddef>

namespace sundrel {

// Bounds every marker file reader keeps, so that no input can make it hold much memory. A real
// cue sheet, label file or tracklist of a thousand tracks is a few hundred kilobytes; the
// file bound is above what the writers can produce from the most tracks with the longest
// names, so everything written can be read back.
inline constexpr std::size_t kMaxMarkerFileBytes = 4 << 20; // the file as read
inline constexpr std::size_t kMaxMarkerFileLines = 1 << 16;
inline constexpr std::size_t kMaxMarkerLineBytes = 4096; // one decoded line
// Tracks in one file. The marker list holds fewer (core/markers/MarkerMath.h kMaxMarkers);
// the importer refuses a set that does not fit, since only it knows whether a track at 0
// takes the start marker and what markers are already there.
inline constexpr std::size_t kMaxMarkerFileTracks = 999;
// A title or artist: the most a project file can store (core/project/ProjectVersion3.h).
inline constexpr std::size_t kMaxNameBytes = 1024;

} // namespace sundrel
