#pragma once

#include "core/analysis/PulseFit.h"
#include "core/trackinfo/TrackInfoTuning.h"

#include <cstdint>
#include <span>
#include <vector>

namespace sundrel {

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

// What the tempo is read from: the onset strength of each hop of about 11.6 ms (aubio's
// spectral flux: the sum of the rises of the spectrum's magnitudes), and whether aubio's beat
// tracker found a steady grid of beats (FitBeatGrid) in the track.
struct OnsetEvidence {
    std::vector<double> onsets;
    double hopSeconds = 0;
    bool steadyBeats = false;
};
OnsetEvidence MeasureOnsets(std::span<const float> mono, double rate);

// The tempo (BPM, one decimal, folded into the range above) of the track of `evidence`: the
// tempo from 35 to 360 BPM whose pulse train fits the onsets of the whole track best (the
// magnitudes of their spectrum at its first tuning.harmonics harmonics, weighted by a
// log-normal prior around 120 BPM tuning.priorWidth octaves wide), refined on the onsets. 0 for
// a track without a steady beat: no steady grid of the tracker's beats, or onsets on that
// tempo's beats on average less than tuning.minBeatSalience times as strong as all its onsets.
double TempoOf(const OnsetEvidence& evidence, const TrackInfoTuning& tuning = {});

// TempoOf(MeasureOnsets(mono, rate), tuning) of a mono signal at `rate` Hz.
double TrackTempo(std::span<const float> mono, double rate, const TrackInfoTuning& tuning = {});

} // namespace sundrel
