#pragma once

#include "core/match/AlignTrack.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sundrel {

// Coarse spectra for following a track's level: kLevelBands half-octave band powers of every
// analysis frame (kMatchHop apart), frame after frame.
inline constexpr std::size_t kLevelBands = 12;
std::vector<float> LevelSpectra(std::span<const float> mono);
std::vector<float> LevelSpectra(std::span<const std::int16_t> mono);

// Where, in a blend from play `out` to play `in`, the incoming track becomes audible, the
// outgoing one stops being audible, and the middle of the blend (mix seconds). The mix's level
// spectra are explained, a second at a time, as the two files' spectra (at the aligned times,
// each through the EQ the mix shows where that track plays alone) times a gain each; each
// gain is taken relative to the track's gain where it plays alone. Each play's line is first
// set right (by up to half a second) where its track plays alone next to the blend, and a
// track too quiet in its file to explain a hundredth of the mix is not heard there. A track is
// audible where its gain is within 10 dB of that; the middle is where the incoming track's
// relative gain overtakes the outgoing one's (for an equal-power or linear crossfade the middle
// of the overlap, whatever the tracks' own levels). Where the incoming file's first sound and the
// outgoing file's last (at the plays' lines) lie about evenly around that middle, they are
// the overlap's exact ends. Where neither track fades before the middle (the outgoing one
// still holds most of the mix just before it, the incoming one just after), the handover is
// a cut there: inStart and outEnd both at the middle. Gives the plays' own ends and no middle
// when the two do not meet within a minute or either never plays alone.
struct Handover {
    double inStart = 0.0;
    double outEnd = 0.0;
    std::optional<double> middle;
};
Handover FindHandover(std::span<const float> mix, const TrackPlay& out,
                      std::span<const float> outFile, const TrackPlay& in,
                      std::span<const float> inFile);

// Whether two plays with a gap between them may still blend: the outgoing file, played on
// along its line past the play's end, has not reached its end (`outFileSeconds`, trailing
// silence included) where the incoming play begins, or the incoming file, traced back along
// its line, has begun where the outgoing play ends. Landmarks can miss a quiet or featureless
// outro or intro; FindHandover then decides from the levels whether the tracks meet.
bool LinesMeet(const TrackPlay& out, double outFileSeconds, const TrackPlay& in);

} // namespace sundrel
