#pragma once

#include "core/match/AlignTrack.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace sundrel {

// Where a boundary between two overlapping plays goes: where the incoming track becomes
// audible, the middle of the overlap, or where the outgoing track stops.
enum class BoundaryPlace { Start, Middle, End };

// "start", "middle", "end" -> the place; nullopt for any other text.
std::optional<BoundaryPlace> ParseBoundaryPlace(std::string_view text);

// A play of candidate file `file`.
struct FilePlay {
    TrackPlay play;
    std::size_t file = 0;
    std::size_t id = 0; // the caller's own number for the play
    // The middle of the blend from the play before, when known better than from the ends.
    std::optional<double> middle;
};

// A stretch of the mix (seconds).
struct Stretch {
    double start = 0.0;
    double end = 0.0;
    friend bool operator==(const Stretch&, const Stretch&) = default;
};

// A track boundary: where the track of play `play` (an index into Layout::plays) begins, or
// an unknown stretch when `play` is empty.
struct Boundary {
    double seconds = 0.0;
    std::optional<std::size_t> play;
};

// The mix as the plays cover it.
struct Layout {
    std::vector<FilePlay> plays;      // in order of their start
    std::vector<Stretch> unknown;     // stretches no play covers, longer than kUnknownSeconds
    std::vector<Boundary> boundaries; // in time order, the first at 0
};

// Gaps between plays up to this long are part of the neighbouring tracks.
inline constexpr double kUnknownSeconds = 4.0;

// Lays the plays out over a mix of `mixSeconds`: of two plays of different files over mostly
// the same stretch (or one inside the other) only the stronger stays; each remaining play
// starts a track at `place` of its overlap with the play before; gaps longer than
// kUnknownSeconds (also before the first play and after the last) are unknown stretches that
// start tracks of their own.
Layout LayOutPlays(std::vector<FilePlay> plays, double mixSeconds, BoundaryPlace place);

} // namespace sundrel
