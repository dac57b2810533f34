#pragma once

#include "core/match/AlignTrack.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sundrel {

// A short piece of a track file (mono at kMatchRate) starting at file second `fileStart`.
struct FileSnippet {
    double fileStart = 0.0;
    std::vector<float> samples;
    bool toEnd = false; // the samples run to the file's end: silence follows
};

// Seconds either side of a hard cut's rough place that RefineCut and CutAtFileEdge search.
inline constexpr double kCutReachSeconds = 1.0;
// Seconds of file audio kept on either side of a play's ends for RefineCut: a play's landmarks
// may end (begin) a few seconds from the cut, where the track's sound goes on in the next one
// (a shared loop, a passage alike), and the cut's search reaches a second further.
inline constexpr double kSnippetSeconds = 6.0;

// The piece of `file` (mono at kMatchRate) around file second `at`, kSnippetSeconds either side.
FileSnippet SnippetAround(std::span<const float> file, double at);

// The exact point of a hard cut near mix second `coarse` (within kCutReachSeconds) from
// play `out` to play `in`: the split of the mix (mono at kMatchRate, full scale 32768) that
// best agrees with `out`'s file before it and `in`'s file after it, compared as short
// spectra every 2 ms. `outTail` holds `out`'s file around its end, `inHead` `in`'s around its
// start.
double RefineCut(std::span<const std::int16_t> mix, double coarse, const TrackPlay& out,
                 const FileSnippet& outTail, const TrackPlay& in, const FileSnippet& inHead);

// Where the files' own edges put a hard cut from play `out` to play `in`: the mix time of the
// incoming file's first sample when that lies between the outgoing play's last landmarks and
// the incoming play's first (`reach` seconds of slack either side), else that of the last
// sample of the outgoing file (`outSeconds` long) when that does; nothing otherwise. A file is
// heard from its first sample to its last, and a play's line (its offset and speed) holds to a
// few milliseconds over the whole play, where short spectra around the cut can be fooled by
// two tracks of much the same sound.
std::optional<double> CutAtFileEdge(const TrackPlay& out, double outSeconds, const TrackPlay& in,
                                    double reach = kCutReachSeconds);

} // namespace sundrel
