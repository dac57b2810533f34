#pragma once

// Test music with known answers, synthesized at test time: click tracks and drum loops at a
// known tempo, chord progressions in a known key, pink noise at a known loudness.

#include "support/WavFixture.h"

#include <cstdint>
#include <vector>

namespace testmusic {

// Mono samples in [-1, 1].
using Signal = std::vector<float>;

// A sine of `hz` from `phase` (radians) at `amplitude`.
Signal Sine(double hz, double phase, double amplitude, double seconds, double rate);

// A short decaying 1.5 kHz click on every beat (the first at 0.1 s).
Signal ClickTrack(double bpm, double seconds, double rate);

// A four-on-the-floor loop: kick on every beat, snare on 2 and 4, closed hats on the eighths,
// a little noise; `seed` varies the hats' levels.
Signal DrumLoop(double bpm, double seconds, double rate, std::uint32_t seed = 1);

// Three beats to the bar: a kick on the first, a snare on the second and third.
Signal Waltz(double bpm, double seconds, double rate, std::uint32_t seed = 1);

// `in` played `ratio` times as fast (linear interpolation): its tempo times `ratio`.
Signal Resample(const Signal& in, double ratio);

// A progression of four chords in the key of `tonic` (0 = C) and mode, each for `chordSeconds`:
// I-IV-V-I in major; i-iv-V-i in minor, or with `variant` 1: I-vi-IV-V / i-VI-iv-V, 2:
// I-V-vi-IV / i-ii°-V-i. Each minor progression has the major V (harmonic minor's raised
// seventh), without which its chords are those of the relative major and the key is not
// known. Notes are tones with five decaying partials, the root also two octaves below.
Signal ChordProgression(int tonic, bool minor, int variant, double chordSeconds, double rate);

// Pink noise (Voss-McCartney, 16 rows) of RMS about `rms`.
Signal PinkNoise(double seconds, double rate, double rms, std::uint32_t seed = 1);

// `a` + `b` sample by sample (the shorter padded with silence).
Signal Mix(const Signal& a, const Signal& b, float gainB = 1.0f);

// 16-bit PCM interleaved for `channels` channels, each the same signal (scaled by `gains[c]`
// when given).
fixture::Bytes Pcm16(const Signal& s, unsigned channels, const std::vector<float>& gains = {});

} // namespace testmusic
