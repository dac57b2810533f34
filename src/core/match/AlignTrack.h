#pragma once

#include "core/match/Landmarks.h"
#include "core/match/MixIndex.h"

#include <cstdint>
#include <span>
#include <vector>

namespace sundrel {

// One play of a track file in the mix, in seconds: the stretch of the mix where the file is
// audible, which part of the file plays there, and at what speed.
struct TrackPlay {
    double start = 0.0;      // mix seconds where the file becomes audible
    double end = 0.0;        // mix seconds where it stops being audible
    double offset = 0.0;     // file seconds that play at `start`
    double ratio = 1.0;      // file seconds per mix second (1.05: played 5 % fast)
    bool keyLock = true;     // the speed changed without changing the pitch
    double confidence = 0.0; // 0..1: how much of the file's landmarks the mix holds
    int matches = 0;         // landmark pairs of the file found on the play's line

    // The file's time at mix time `mix` (seconds).
    double FileAt(double mix) const { return offset + (mix - start) * ratio; }
};

struct AlignOptions {
    double maxSpeedChange = 0.10; // ratios from 1 - this to 1 + this are tried
    double ratioStep = 0.01;
    double minPlaySeconds = 10.0; // shorter stretches are not reported as plays
    int minMatches = 40;          // nor stretches with fewer matching pairs
    // nor stretches where the mix holds less of the file's landmarks than this: music that
    // shares a loop or a sample with the mix, not the file itself
    double minConfidence = 0.12;
};

// Where the track whose peak pairs are `track` (spectra 0..trackFrames) plays in the mix
// of `mix`, each play once, in time order. Every ratio of the grid is tried in both
// kinds of speed change by transforming the track's pairs (key lock: their times; resampling:
// times and bands), the pairs vote for an offset in the mix's table, and each offset that
// stands out of the chance level is refined: the matching pairs fit the exact line of mix time
// over file time, and the stretches of the line dense with matches become the plays.
std::vector<TrackPlay> AlignTrack(const MixIndex& mix, std::span<const PeakPair> track,
                                  std::int32_t trackFrames, const AlignOptions& options = {});

} // namespace sundrel
