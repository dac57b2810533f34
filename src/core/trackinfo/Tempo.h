#pragma once

#include <cstdint>
#include <span>

namespace sundrel {

// The slowest and fastest tempo reported: a beat tracker may lock onto every other beat or
// onto eighth notes, and DJ music is counted in this range.
inline constexpr double kMinTempo = 70.0;
inline constexpr double kMaxTempo = 180.0;

// `bpm` halved or doubled until it lies in [kMinTempo, kMaxTempo); 0 stays 0.
double FoldTempo(double bpm);

// The beat period (seconds) that best fits beat times `beats` (seconds, ascending) over their
// whole length: each beat is numbered from the one before it at a first guess of the period
// (the median gap), so missed and doubled beats keep their place, and a least-squares line
// through (number, time) gives the period; beats far off that line (a fill, a break) are left
// out and the line is fitted again. 0 when fewer than 8 beats remain.
double BeatPeriod(std::span<const double> beats);

// The tempo (BPM, one decimal, folded into the range above) of a mono signal at `rate` Hz,
// from the beats aubio's tracker finds in it, refined over the whole signal by BeatPeriod.
// 0 for a signal without a steady beat.
double TrackTempo(std::span<const float> mono, double rate);

} // namespace sundrel
