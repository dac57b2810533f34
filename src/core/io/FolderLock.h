#pragma once

#include "core/io/UniqueFd.h"

#include <filesystem>
#include <functional>

namespace sundrel::io {

// Takes an exclusive flock on `folder` itself, held until the returned descriptor is closed
// (also when the process dies). When another holder has it: with `wait`, calls `onWait` (if
// set) and waits for it; without, returns an empty descriptor. A folder that cannot be opened
// is not locked: `opened` is set to false and the caller reports the folder's error where it
// uses it. On a file system without locks the folder counts as locked.
UniqueFd LockFolder(const std::filesystem::path& folder, bool wait,
                    const std::function<void()>& onWait, bool& opened);

} // namespace sundrel::io
