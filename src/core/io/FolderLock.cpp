#include "core/io/FolderLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

namespace sundrel::io {

UniqueFd LockFolder(const std::filesystem::path& folder, bool wait,
                    const std::function<void()>& onWait, bool& opened) {
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    opened = static_cast<bool>(fd);
    if (!fd) {
        return {};
    }
    while (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) {
            continue;
        }
        if (errno != EWOULDBLOCK) {
            return fd; // a file system without locks: nothing to wait for
        }
        if (!wait) {
            return {};
        }
        if (onWait) {
            onWait();
        }
        while (::flock(fd.Get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                return fd;
            }
        }
        break;
    }
    return fd;
}

} // namespace sundrel::io
