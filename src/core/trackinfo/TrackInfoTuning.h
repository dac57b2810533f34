#pragma once

#include <string_view>

namespace sundrel {

// The constants of a track's tempo and key, chosen by scripts/eval-trackinfo (each package of
// the development set scored with the values the other packages chose). The defaults are the
// values built in; the evaluation tries others through `sundrel-cli analyse --tuning`.
// The most harmonics a tempo's fit reads (each costs a pass over the candidate tempi).
inline constexpr int kMostTempoHarmonics = 16;

struct TrackInfoTuning {
    // How much stronger the onsets on the beats found must be than the track's onsets on
    // average: 1.15 to 1.2 for pink noise, whose "beats" fall anywhere, below 1 for a held
    // chord, 1.3 to 4 for real music with a beat and far more for a click track. Real music
    // scores the same from 0.9 to 1.15 and at 1.3; noise needs more than 1.2.
    double minBeatSalience = 1.3;
    // The harmonics of a tempo's pulse train its fit is measured on, and the width (octaves)
    // of the prior around 120 BPM that settles which of two tempi an octave apart is the beat.
    double harmonics = 3; // used as a whole number 1..kMostTempoHarmonics
    double priorWidth = 2.0;
    // Onsets count up to this many times the track's mean onset strength.
    double onsetCap = 5.0;
    // A key only where at least this share of the semitone magnitudes stands above its octave.
    double minTonalShare = 0.15;
};

// Reads "name=value,name=value" over `tuning` (names: salience, harmonics, prior-width,
// onset-cap, tonal-share). Throws std::invalid_argument naming the part it cannot use
// (an unknown name, a value that is not a finite number >= 0) and leaves `tuning` as it was.
void ParseTrackInfoTuning(std::string_view text, TrackInfoTuning& tuning);

} // namespace sundrel
