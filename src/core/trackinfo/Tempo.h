#pragma once

#include <cstdint>
#include <span>

namespace sundrel {

// The slowest and fastest tempo reported: a beat tracker may lock onto every other beat or
// onto eighth notes, and DJ music is counted in this range.
inline constexpr double kMinTempo = 70.0;
inline constexpr double kMaxTempo = 180.0;

// How much stronger the onsets on the beats found must be than the track's onsets on average:
// about 1.1 for noise, whose "beats" fall anywhere, below 1 for a held chord, 1.3 to 4 for
// real music with a beat (scripts/eval-trackinfo) and far more for a click track.
inline constexpr double kMinBeatSalience = 1.25;

// `bpm` halved or doubled until it lies in [kMinTempo, kMaxTempo); 0 stays 0.
double FoldTempo(double bpm);

// Beats at `first` + n * `period` seconds.
struct BeatGrid {
    double period = 0;
    double first = 0;
};

// The grid that best fits beat times `beats` (seconds, ascending) over their whole length: the
// period within 4 % of the median gap at which the beats' phases agree best, then refined by a
// least-squares line through the beats numbered on that grid, those far off it (a fill, a
// break, a stray beat) left out. A period of 0 when fewer than 8 beats fit.
BeatGrid FitBeatGrid(std::span<const double> beats);
double BeatPeriod(std::span<const double> beats); // FitBeatGrid(beats).period

// The tempo (BPM, one decimal, folded into the range above) of a mono signal at `rate` Hz,
// from the beats aubio's tracker finds in it, refined over the whole signal by FitBeatGrid,
// and counted at the finest division of the tracker's beat whose onsets are as strong. 0 for a
// signal without a steady beat: one whose onsets (aubio's spectral flux) on the beats found
// are on average less than kMinBeatSalience times as strong as all its onsets.
double TrackTempo(std::span<const float> mono, double rate);

} // namespace sundrel
