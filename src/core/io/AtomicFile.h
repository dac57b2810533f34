#pragma once

#include "core/io/UniqueFd.h"

#include <cstddef>
#include <filesystem>
#include <span>

namespace sundrel::io {

// A new, empty file under a hidden temporary name in the folder of `target`, open for
// writing: ".<name>.<pid>.<n>.part", so that no one takes it for the target. Long names are
// shortened so the temporary name stays within the file system's limit.
struct TempFile {
    UniqueFd fd;
    std::filesystem::path path;
};

// The next candidate temporary name for `target` (".<name>.<pid>.<n>.part", n counting up in
// the process); it may exist already, so whoever creates it must do so exclusively.
std::filesystem::path TempNameBeside(const std::filesystem::path& target);

// Creates the temporary file for `target` (never an existing file). Throws IoError naming
// `target` ("cannot create") when the folder cannot hold it.
TempFile CreateTempBeside(const std::filesystem::path& target);

// The folder a file named `path` lies in ("." for a bare name).
std::filesystem::path FolderOf(const std::filesystem::path& path);

// Flushes the entries of `folder` (new names, renames) to disk. Returns 0 or the errno of the
// failed fsync. A folder that cannot be opened for reading, or a file system that cannot sync
// folders (EINVAL), counts as done: there is nothing more the program could do.
int SyncFolder(const std::filesystem::path& folder);

// Replaces `target` with a file holding exactly `bytes`: the bytes go to a temporary file
// beside it, are flushed to disk, and the temporary is renamed over `target`; then the folder
// is flushed so the new name is durable. `target` holds either its old contents or the whole
// new file, and the temporary is removed on every failure. Throws IoError naming `target`
// ("cannot create", "cannot write", "cannot replace") or, when only the final flush of the
// folder fails (the new file is in place), naming the folder. Only regular files are replaced:
// a symbolic link to one keeps its link and the file it leads to gets the new contents;
// a FIFO, device, socket or folder (or a link to one, or to nothing) is refused with IoError
// (see RegularTarget).
void WriteFileAtomically(const std::filesystem::path& target, std::span<const std::byte> bytes);

} // namespace sundrel::io
