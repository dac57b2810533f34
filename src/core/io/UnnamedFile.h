#pragma once

#include "core/io/AtomicFile.h"

#include <filesystem>

namespace sundrel::io {

// A new file in the folder of `target`, open for writing, that has no name yet (O_TMPFILE):
// if the process dies before LinkBeside, the file system drops it and nothing is left behind.
// Where the file system cannot make unnamed files, a named temporary (CreateTempBeside).
// `path` is empty for an unnamed file. Throws IoError naming `target` ("cannot create").
TempFile CreateUnnamedBeside(const std::filesystem::path& target);

// Gives an unnamed file a temporary name beside `target` (see TempNameBeside) and sets
// `file.path`; a file that has a name already keeps it. Throws IoError naming `target`.
void LinkBeside(TempFile& file, const std::filesystem::path& target);

// Gives an unnamed file the name `name` (which must not exist) and sets `file.path`; a file
// that has a name already keeps it. Throws IoError naming `target`.
void LinkAs(TempFile& file, const std::filesystem::path& name, const std::filesystem::path& target);

} // namespace sundrel::io
