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

// The distance in octaves between two tempi up to the levels of a pulse: whole octaves
// (every other beat, the off-beats) count as none, and with `threeTwo` so do 3:2 and its
// octaves (three beats in the time of two: triplets, dotted figures), so that no two tempi lie
// more than about 0.21 octaves apart.
double PulseDistance(double a, double b, bool threeTwo);

// How a change of the dominant tempo is read across a point.
struct TempoReading {
    // Windows that read the pulse at 3:2 count as the same (see PulseDistance): a short
    // window's dominant pulse flips between such levels inside one steady track.
    bool threeTwo = false;
    // A side holds a steady pulse when the median distance of its windows from its tempo is
    // within this many octaves (more than half the windows for an even count: the median is the
    // upper middle value); without a steady pulse on both sides there is no change (music without a
    // beat reads a new tempo in every window, and two such sides differ anywhere).
    double steadyOctaves = 1.0;
};

// How much the dominant tempo changes at `seconds`: the windows that lie within `sideSeconds`
// before it and those within as much after it each give their tempo, and the change is the
// PulseDistance between the two, less the spread of the tempi on each side (their median
// distance from the side's tempo), so that windows that disagree among themselves claim less
// of a change. A side's tempo is the median of its tempi brought within half an octave of its
// first one, or with reading.threeTwo (where tempi have no order) the tempo with the least total
// distance to the others. 0 with fewer than three windows with a tempo on either side, or a
// side without a steady pulse.
double TempoChangeAt(const LocalTempi& tempi, double seconds, double sideSeconds,
                     const TempoReading& reading = {});

} // namespace sundrel
