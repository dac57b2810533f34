#pragma once

#include "core/io/UniqueFd.h"

#include <filesystem>
#include <stdexcept>

namespace sundrel::io {

// Raised by OpenRegularFile for a path that names a FIFO, device, socket or folder.
class NotRegularFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Opens `path` read-only without ever blocking: the open is non-blocking (a FIFO without a
// writer would otherwise wait for one for ever), then fstat must show a regular file, and the
// descriptor is made blocking again for ordinary reads. Throws IoError when the file cannot be
// opened or examined, NotRegularFileError ("<path>: not a regular file (a FIFO)") for anything
// but a regular file.
UniqueFd OpenRegularFile(const std::filesystem::path& path);

} // namespace sundrel::io
