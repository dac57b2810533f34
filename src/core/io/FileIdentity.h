#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

namespace sundrel::io {

// What makes a file itself whatever its path: the device and inode that stat(2) gives (a hard
// link, a symbolic link and any spelling of the path lead to the same one).
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    friend bool operator==(const FileId&, const FileId&) = default;
};

// The identity of the file `path` leads to (symbolic links followed), or nothing when it leads
// to no file.
std::optional<FileId> IdOf(const std::filesystem::path& path);

// True when both paths lead to one existing file.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// True when writing `a` and writing `b` would write one file: both lead to one existing file,
// or neither exists yet and their paths (made absolute, "." and ".." and symbolic links of
// the folders resolved) are equal.
bool SameDestination(const std::filesystem::path& a, const std::filesystem::path& b);

// "a FIFO", "a character device", ... for the kind of file `mode` describes.
std::string KindOfFile(mode_t mode);

// The file a write to `target` must replace so that `target` then reads the new contents:
// `target` itself when it is a regular file or names nothing yet, the regular file a symbolic
// link leads to (so that the link stays). Throws IoError for anything else: a FIFO, a device,
// a socket or a folder ("<target>: not a regular file (a FIFO)"), a symbolic link that leads
// nowhere or to such a file; only regular files are ever replaced.
std::filesystem::path RegularTarget(const std::filesystem::path& target);

} // namespace sundrel::io
