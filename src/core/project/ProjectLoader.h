#pragma once

#include "core/audio/WaveFile.h"
#include "core/project/ProjectFile.h"

#include <filesystem>
#include <memory>

namespace sundrel {

// A project read whole and checked, with the mix it names loaded (versions 2 and 3) or none
// (version 1, which names no mix). With a mix loaded, the frames of the percentage markers
// are set for it (ResolvePercentFrames); the frames of version 1 markers stay 0.
struct OpenedProject {
    ProjectFile file;
    std::unique_ptr<CWaveFile> wave;
};

// Everything Open needs before it changes anything: reads and checks the project file, then
// loads the WAV it names. Throws ProjectError: Unreadable or Malformed for the project file,
// WaveMissing ("Wave file doesn't exist") when the WAV cannot be opened (or the path is
// empty), WaveUnusable with the reason when it opens but is not a mix this program can use.
OpenedProject OpenProject(const std::filesystem::path& path);

// Throws ProjectError (Malformed) naming `path`, the marker and the mix's length when a marker
// of a version 3 or 4 project is stored at a frame at or after the end of a mix of `frames`
// frames at `rate` a second, as marker files refuse such a time. Percentage markers (and every
// marker of versions 1 and 2) always fall within the mix.
void CheckMarkersWithinMix(const ProjectFile& project, const std::filesystem::path& path,
                           std::int64_t frames, std::uint32_t rate);

} // namespace sundrel
