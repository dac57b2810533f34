#pragma once

#include <filesystem>
#include <vector>

namespace sundrel::io {

// Makes `folder` ready to take new files before any long work starts: creates every missing
// folder on its path, as `mkdir -p` does, and checks that the folder can be written into.
// Returns the folders it created, outermost first (empty when the folder was there). Throws
// IoError naming the folder and the reason when it cannot be created (a file in the way, no
// permission, a read-only file system) or cannot be written into; what it created before the
// failure stays, as with mkdir -p.
std::vector<std::filesystem::path> PrepareOutputFolder(const std::filesystem::path& folder);

} // namespace sundrel::io
