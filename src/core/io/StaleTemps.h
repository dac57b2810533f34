#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

namespace sundrel::io {

// The process id in a temporary name made by TempNameBeside (".<name>.<pid>.<n>.part"), or
// nothing for any other name.
std::optional<pid_t> TempOwner(const std::string& fileName);

// Removes the temporary track files (see TempNameBeside) in `folder` whose process no longer
// exists and that hold a track's header (WAV or FLAC): what a split killed in the middle of
// writing left behind on a file system without unnamed files. Temporaries of running
// processes, files that only have such a name, and every other entry are left alone; failures
// are ignored (the files are only clutter).
void RemoveStaleTemps(const std::filesystem::path& folder);

} // namespace sundrel::io
