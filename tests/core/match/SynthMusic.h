#pragma once

// Synthetic "music" for the matching tests: a random score of short notes with a few
// partials each, rendered at any speed by resampling (times and pitches scaled together) or
// with the key kept (times alone scaled).

#include <cstdint>
#include <vector>

namespace matchtest {

struct Note {
    double start = 0.0; // seconds in the score
    double length = 0.0;
    double hz[3] = {};
    double level = 0.0;
};

// Notes covering `seconds` of score, from `seed`.
std::vector<Note> Score(double seconds, std::uint32_t seed);

// Adds the notes starting in [from, to) of the score to `out` (mono at `rate`), played at
// `ratio` (1.05: 5 % fast) from `at` seconds of `out` on, at `gain`; `keyLock` keeps the
// pitch. `out` grows as needed.
void Render(const std::vector<Note>& score, double from, double to, double ratio, bool keyLock,
            double at, double gain, std::uint32_t rate, std::vector<float>& out);

// The whole score at its own speed.
std::vector<float> RenderAll(const std::vector<Note>& score, double seconds, std::uint32_t rate);

} // namespace matchtest
