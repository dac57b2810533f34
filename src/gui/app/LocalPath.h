#pragma once

// File names between Qt and the file system. Qt decodes names as UTF-8, so a name holding
// bytes that are not UTF-8 reaches the window (and comes back from a file dialog) with those
// bytes replaced by U+FFFD; LocalPath finds the file such a name stands for again.

#include <QString>
#include <filesystem>

namespace sundrel::gui {

// The file system's path for `name`, a path as a file dialog or the window gives it. Each
// part that does not exist as encoded and holds a replaced byte is matched against the
// entries of its folder: the one entry that Qt shows the same way is taken. A name without
// such a match stays as encoded.
std::filesystem::path LocalPath(const QString& name);

// `path` as the window shows it.
QString ShownPath(const std::filesystem::path& path);

} // namespace sundrel::gui
