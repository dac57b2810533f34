#pragma once

#include "core/analysis/PulseFit.h"

#include <string_view>

namespace sundrel {

// The constants of a track's tempo and key, chosen by scripts/eval-trackinfo (each package of
// the development set scored with the values the other packages chose). The defaults are the
// values built in; the evaluation tries others through `sundrel-cli analyse --tuning`.
struct TrackInfoTuning {
    // How much stronger the onsets on the beats found must be than the track's onsets on
    // average: 1.15 to 1.2 for pink noise, whose "beats" fall anywhere, below 1 for a held
    // chord, 1.3 to 4 for real music with a beat and far more for a click track. Real music
    // scores the same from 0.9 to 1.15 and at 1.3; noise needs more than 1.2.
    double minBeatSalience = 1.3;
    // The pulse fit's constants (see PulseFitTuning): its harmonics (a whole number
    // 1..kMostTempoHarmonics), the width of its prior and the cap on the onsets.
    double harmonics = PulseFitTuning{}.harmonics;
    double priorWidth = PulseFitTuning{}.priorWidth;
    double onsetCap = PulseFitTuning{}.onsetCap;
    // A key only where at least this share of the semitone magnitudes stands above its octave.
    double minTonalShare = 0.15;
};

// Reads "name=value,name=value" over `tuning` (names: salience, harmonics, prior-width,
// onset-cap, tonal-share). Throws std::invalid_argument naming the part it cannot use
// (an unknown name, a value that is not a finite number >= 0) and leaves `tuning` as it was.
void ParseTrackInfoTuning(std::string_view text, TrackInfoTuning& tuning);

} // namespace sundrel
