#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sundrel {

// One boundary of the mix: the first frame of the track it starts, exact to the sample.
//
// A marker made by the percentage rule (the Add Marker button, "ANP", version 1 and 2 project
// files, `--percent`) keeps its percentage too; its frame is then derived from the percentage
// by the arithmetic Split has always cut at (see ResolvePercentFrames), so such markers cut
// exactly where they always did. Every other marker (a typed time, a key, a click, an import,
// a suggestion) is its frame alone.
struct Marker {
    std::int64_t frame = 0;       // frames from the first frame of the audio data
    std::optional<float> percent; // the percentage of the audio data it was made from
    std::string title;            // UTF-8; empty when the track has no name
    std::string artist;           // UTF-8; empty when unknown
    // The number a cue sheet gave the track this marker starts (its TRACK nn); 0 when the
    // track is numbered by its place (see TrackNumbers).
    int number = 0;
    // The file the track was played from, as a recording program's cue sheet names it; empty
    // when unknown.
    std::string sourceFile{};

    friend bool operator==(const Marker&, const Marker&) = default;
};

// A marker of the percentage rule; its frame is 0 until ResolvePercentFrames sets it.
Marker PercentMarker(float percent);

// A marker exactly at `frame`.
Marker FrameMarker(std::int64_t frame);

// The frame nearest `seconds` at `rate` frames a second (halves round up), held within
// 0..frames. Negative, NaN and infinite inputs give 0 (or `frames` for +infinity).
std::int64_t FrameAtSeconds(double seconds, std::uint32_t rate, std::int64_t frames);

// The time of a frame in seconds (frame / rate in double precision; 0 for a rate of 0).
double SecondsAtFrame(std::int64_t frame, std::uint32_t rate);

// Sets the frame of every percentage marker to where Split cuts for its percentage: the
// boundaries that PlanTracks gives for all the percentage markers in ascending order (with 0
// in front and 100 after them), in frames of `frameSize` bytes. Since PlanTracks carries each
// track's alignment remainder into the next, a percentage marker's frame depends on the
// percentage markers before it; markers of frames alone take no part and are left as they
// are, except that they are held within the data. The result is that a list of percentage markers
// only is cut byte for byte as Split always cut it.
void ResolvePercentFrames(std::span<Marker> markers, std::uint64_t dataSize,
                          std::uint32_t frameSize);

// The markers' indices in the order of their frames; markers at the same frame keep their order.
std::vector<std::size_t> FrameOrder(std::span<const Marker> markers);

// True when every marker carries its percentage and none has a title, artist, number or source
// file: such a list
// is stored as a version 2 project, byte for byte as before markers had frames and names.
bool AllPercentUnnamed(std::span<const Marker> markers);

} // namespace sundrel
