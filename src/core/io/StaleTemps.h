#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

namespace sundrel::io {

// The process id in a temporary name made by TempNameBeside (".<name>.<pid>.<n>.part"), or
// nothing for any other name.
std::optional<pid_t> TempOwner(const std::string& fileName);

// Removes the temporary files (see TempNameBeside) in `folder` whose process no longer
// exists: what a process killed in the middle of writing left behind. Temporaries of running
// processes and every other entry are left alone; failures are ignored (the files are only
// clutter).
void RemoveStaleTemps(const std::filesystem::path& folder);

} // namespace sundrel::io
