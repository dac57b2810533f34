#pragma once

// Synthetic "music" for the matching tests: a random score of short notes with a few
// partials each, rendered at any speed by resampling (times and pitches scaled together) or
// with the key kept (times alone scaled).

#include <cstdint>
#include <filesystem>
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

// Writes `x` as a 16-bit mono WAV file at `rate`, clipped to full scale.
void WriteMono(const std::filesystem::path& path, const std::vector<float>& x, std::uint32_t rate);

// The DJ's files and a mix that plays some of them, mono at 8000 Hz, written into `dir`:
// Alpha plays from its start to mix second 40, then Bravo (3 % fast, from its second 5) after
// a hard cut, to about 83.7 s; Charlie is among the files but never plays. `unknownTail` adds
// 15 s of music that none of the files holds from 85 s on (the mix then ends at 100 s).
struct PlayedSet {
    static constexpr std::uint32_t kRate = 8000;
    std::filesystem::path mix;    // dir/mix.wav
    std::filesystem::path tracks; // dir/tracks: Alpha.wav, more/Bravo.wav, Charlie.wav

    PlayedSet(const std::filesystem::path& dir, bool unknownTail);
};

} // namespace matchtest
