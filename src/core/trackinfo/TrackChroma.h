#pragma once

#include "core/trackinfo/MusicalKey.h"
#include "core/trackinfo/TrackInfoTuning.h"

#include <cstddef>
#include <optional>
#include <span>

namespace sundrel {

// The chroma of a mono signal at `rate` Hz, from half-overlapping frames of about 0.75 s: the
// peak magnitude of the spectrum in each semitone of the five octaves from C2 (A = 440 Hz),
// less the mean of the octave around it (so the slope of the spectrum and broadband noise,
// drums included, add nothing), summed per pitch class. Each frame's share is made equal, so
// a loud drop does not outweigh a quiet break in which the harmony is clearest; silent frames
// count for nothing. All zero for a signal shorter than a frame or a rate below 4.2 kHz.
struct Harmony {
    Chroma chroma{};
    // The mean share of each frame's semitone magnitudes that stands above its octave: under
    // 0.1 for noise, over 0.3 where notes sound.
    double tonalShare = 0;
    std::size_t frames = 0; // not silent
};
Harmony TrackHarmony(std::span<const float> mono, double rate);

// The key of a mono signal at `rate` Hz (KeyOfChroma of its chroma); none when notes stand out
// too little from the spectrum for a key (a tonal share below `minTonalShare`).
std::optional<MusicalKey> TrackKey(std::span<const float> mono, double rate,
                                   double minTonalShare = TrackInfoTuning{}.minTonalShare);
// The same from the track's harmony.
std::optional<MusicalKey> KeyOfHarmony(const Harmony& harmony,
                                       double minTonalShare = TrackInfoTuning{}.minTonalShare);

inline constexpr double kChromaLow = 65.40639; // Hz, C2: the lowest semitone's centre
inline constexpr int kChromaSemitones = 60;    // to B6: bass lines and chords, few partials
// The sum of a frame's semitone magnitudes below which it is silent (a 16-bit frame of
// dither is far above it).
inline constexpr double kSilentLevel = 1e-6;

} // namespace sundrel
