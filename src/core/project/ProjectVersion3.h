#pragma once

#include "core/markers/Marker.h"
#include "core/markers/MixInfo.h"
#include "core/project/ProjectFile.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

// Version 3 of the .sdr project file: markers as exact frames, with their percentage when
// they have one and UTF-8 titles and artists. All numbers are little-endian:
//
//   "Sndrl"  version (1 byte, 3)
//   path length (uint16, at most kProjectV3MaxPath), the WAV path's bytes (no zero byte)
//   marker count (1 byte, at most kProjectMaxMarkers, the start marker included)
//   per marker:
//     frame (int64, >= 0)
//     flags (1 byte; bit 0: the marker has a percentage; the other bits are 0)
//     percentage (float32 in 0..100; +0.0 when the marker has none)
//     title length (uint16, at most kProjectMaxName), the title (UTF-8, no zero byte)
//     artist length (uint16, at most kProjectMaxName), the artist (UTF-8, no zero byte)
//
// and nothing after the last marker. Version 4 is the same with the mix's own title and artist
// after the last marker:
//
//   mix title length (uint16, at most kProjectMaxName), the title (UTF-8, no zero byte)
//   mix artist length (uint16, at most kProjectMaxName), the artist (UTF-8, no zero byte)
//
// and nothing after them. A list without the mix's names is written as version 3. Version 5
// (see ProjectSections.h) adds the markers' track numbers and source files and the match.
namespace sundrel {

inline constexpr std::size_t kProjectV3MaxPath = 4096;
inline constexpr std::size_t kProjectMaxName = 1024;
// The longest version 3 or 4 file: every field at its bound.
inline constexpr std::size_t kProjectV3Largest =
    6 + 2 + kProjectV3MaxPath + 1 + kProjectMaxMarkers * (8 + 1 + 4 + 2 * (2 + kProjectMaxName)) +
    2 * (2 + kProjectMaxName);

// The bytes of a version 3 file, version 4 when `mix` has a name, version 5 when a marker
// has a number or a source file or `match` is given (then see EncodeSections). Throws ProjectError
// (Unsaveable) for anything the reader would refuse: a path too long or holding a zero byte,
// more than kProjectMaxMarkers markers, a negative frame, a percentage outside 0..100, a title
// or artist too long, not UTF-8 or holding a zero byte.
std::vector<std::byte> EncodeProjectV3(const std::string& wavePath, std::span<const Marker> markers,
                                       const MixInfo& mix = {}, const MatchResult* match = nullptr);

// Reads a whole version 3, 4 or 5 file (its version byte already known to be one of them).
// Throws ProjectError (Malformed, naming `name`) unless every field is within its bounds and
// the file ends after the last marker (version 3), the mix's names (version 4) or its last
// section (version 5).
ProjectFile DecodeProjectV3(std::span<const std::byte> bytes, const std::string& name);

} // namespace sundrel
