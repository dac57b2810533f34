#pragma once

#include "core/interop/MarkerSet.h"
#include "core/markers/Marker.h"
#include "core/markers/MixInfo.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace sundrel {

// Whether the set's tracks say where they start (the readers give all of them times or none).
bool HasTimes(const MarkerSet& set);

// What becomes of a cue sheet's pregap: the audio before its first track's INDEX 01 (or the
// second a recording program ran before the first track). Whatever precedes the first time of a
// label file or a tracklist is always a track of its own, unnamed: those lists name where the
// tracks they list begin, and the part before may be an intro or talk no name belongs to.
enum class LeadIn {
    JoinFirstTrack, // the first track starts at 0: a mix's first second belongs to it
    OwnTrack,       // an unnamed track of its own before the first listed one
};

// The markers a set with times makes for a mix of `frames` frames at `rate`, in time order:
// each track starts at the frame nearest its time, with the track's names, its number and its
// source file (TrackEntry); numbers that merely count 1, 2, 3... from the first track are left
// out (0), since the markers number so by their order. The first track names the start marker
// when it starts at 0 or `leadIn` joins a cue sheet's pregap to it; otherwise the start marker
// comes first, unnamed (the stretch before the first listed track). Throws InteropError (line 0)
// naming the track when a track has no time, starts at or after the end of the mix, or starts on
// the same frame as another, and when there would be more markers than a list holds.
std::vector<Marker> MarkersFromTimes(const MarkerSet& set, std::uint32_t rate, std::int64_t frames,
                                     LeadIn leadIn = LeadIn::JoinFirstTrack);

// Whether MarkersFromTimes with LeadIn::OwnTrack gives a cue sheet's pregap a track of its own:
// the first start lies after frame 0 at `rate`. Always false for other sets, whose audio before
// the first time is an ordinary (unnamed, numbered) track.
bool HasLeadIn(const MarkerSet& set, std::uint32_t rate);

// `markers` (any order) with the set's names given to them in time order, the start marker
// first. Throws InteropError (line 0) saying both counts when the set names another number
// of tracks than the markers make.
std::vector<Marker> NameMarkers(std::span<const Marker> markers, const MarkerSet& set);

// The set that writes out `markers` (any order; the set lists them in time order) of a mix at
// `rate` frames a second stored at `mixPath`: each track's start exactly as its frame, its
// names, number and source file, the mix's names, date and genre, and the mix's file name.
MarkerSet SetFromMarkers(std::span<const Marker> markers, std::uint32_t rate, const MixInfo& mix,
                         const std::filesystem::path& mixPath);

} // namespace sundrel
