#include "core/io/OutputFolder.h"

#include "core/io/ErrorText.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace sundrel::io {

namespace {

// 0: a folder; ENOENT: nothing there; ENOTDIR: something else; other: stat's error.
int FolderState(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return errno;
    }
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

} // namespace

std::vector<std::filesystem::path> PrepareOutputFolder(const std::filesystem::path& folder) {
    const std::filesystem::path target = folder.empty() ? std::filesystem::path(".") : folder;
    // The missing part of the path, innermost first.
    std::vector<std::filesystem::path> missing;
    std::filesystem::path at = target.lexically_normal();
    if (at.has_filename() == false && at.has_parent_path() && at != at.root_path()) {
        at = at.parent_path(); // "new/" names the folder "new"
    }
    for (;;) {
        const int state = FolderState(at);
        if (state == 0) {
            break;
        }
        if (state != ENOENT) {
            throw IoError(
                at, state == ENOTDIR ? "cannot create the folder" : "cannot use the folder", state);
        }
        missing.push_back(at);
        const std::filesystem::path parent = at.parent_path();
        if (parent.empty() || parent == at) {
            break; // a relative path's first folder is missing: created in the current one
        }
        at = parent;
    }
    std::vector<std::filesystem::path> created;
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0777) != 0) {
            const int error = errno;
            if (error == EEXIST && FolderState(*it) == 0) {
                continue; // made meanwhile by someone else
            }
            throw IoError(*it, "cannot create the folder", error);
        }
        created.push_back(*it);
    }
    if (::access(target.c_str(), W_OK | X_OK) != 0) {
        throw IoError(target, "cannot write into the folder", errno);
    }
    return created;
}

} // namespace sundrel::io
