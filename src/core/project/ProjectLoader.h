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

} // namespace sundrel
