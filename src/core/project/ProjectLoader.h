#pragma once

#include "core/audio/WaveFile.h"
#include "core/project/ProjectFile.h"

#include <filesystem>
#include <memory>

namespace sundrel {

// A project read whole and checked, with the mix it names loaded (version 2) or none
// (version 1, which names no mix).
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
