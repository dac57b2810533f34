#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace sundrel {

// The onset strength of each block of `blockPower` (mean squares of short blocks): how much
// the level in dB rises from the block before, 0 where it falls. A beat shows as a rise of
// the broadband level, above all from the kick and the bass.
std::vector<double> LevelOnsets(std::span<const float> blockPower);

// The dominant tempo of a mix along its length: the tempo that fits the onsets (one every
// `blockSeconds`) of the window of `windowSeconds` starting at every `strideSeconds` (see
// FittingTempo), BPM, 0 where the window has no onsets. Window i starts at i * strideSeconds.
struct LocalTempi {
    std::vector<double> bpm;
    double strideSeconds = 0;
    double windowSeconds = 0;
};
LocalTempi ComputeLocalTempi(std::span<const double> onsets, double blockSeconds,
                             double windowSeconds, double strideSeconds);

// How much the dominant tempo changes at `seconds`: the windows that lie within `sideSeconds`
// before it and those within as much after it each give the median of their tempi, and the
// change is the distance between the two medians in octaves (a tempo heard at double or half
// speed counts as the same: the distance to the nearest whole octave), less the spread of the
// tempi on each side (their median distance from their own median), so that windows that
// disagree among themselves claim less of a change. 0 with fewer than three windows with a
// tempo on either side.
double TempoChangeAt(const LocalTempi& tempi, double seconds, double sideSeconds);

} // namespace sundrel
