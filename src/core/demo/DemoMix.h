#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

// A synthetic DJ mix for trying the program without a recording of one's own: a few
// distinct "tracks" (kick, bass, hats and pads at their own tempo, key and colour) joined by
// crossfades, 16-bit stereo at 44100 Hz.
namespace sundrel::demo {

inline constexpr std::uint32_t kDemoRate = 44100;

struct DemoTrack {
    double bpm = 120.0;
    double rootHz = 55.0;  // bass note; the pad chord is built on it
    double brightness = 1; // 0..1: how much upper harmonics and hats the track carries
    double seconds = 45.0; // length including the crossfades at its ends
};

struct DemoPlan {
    std::vector<DemoTrack> tracks;
    double crossfadeSeconds = 6.0;
};

// Four tracks of 48 s with 6 s crossfades: 2 min 54 s.
DemoPlan DefaultDemoPlan();

// Interleaved left/right samples of the whole mix.
std::vector<std::int16_t> GenerateDemoMix(const DemoPlan& plan);

// $XDG_CACHE_HOME/sundrel, else $HOME/.cache/sundrel, else the temporary folder's sundrel.
std::filesystem::path DemoCacheDir();

// The demo mix file in `cacheDir`, written the first time (through a temporary file renamed
// into place, so an interrupted run never leaves a torn file) and reused afterwards.
// Throws std::runtime_error naming the file when it cannot be written.
std::filesystem::path EnsureDemoMix(const std::filesystem::path& cacheDir,
                                    const DemoPlan& plan = DefaultDemoPlan());

} // namespace sundrel::demo
