#include "core/io/UnnamedFile.h"

#include "core/io/ErrorText.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace sundrel::io {

namespace {

constexpr int kLinkAttempts = 100;

// O_TMPFILE fails with these where the file system (or the kernel) cannot make unnamed files,
// and with EPERM in a folder that was removed: the named way then says what is wrong.
bool UnnamedUnsupported(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOENT ||
           error == EPERM;
}

} // namespace

TempFile CreateUnnamedBeside(const std::filesystem::path& target) {
    const int fd = ::open(FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
        return {UniqueFd(fd), {}};
    }
    if (!UnnamedUnsupported(errno)) {
        throw IoError(target, "cannot create", errno);
    }
    return CreateTempBeside(target);
}

void LinkBeside(TempFile& file, const std::filesystem::path& target) {
    if (!file.path.empty()) {
        return;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(file.fd.Get());
    for (int attempt = 0;; ++attempt) {
        std::filesystem::path name = TempNameBeside(target);
        // Through /proc (any user), or where /proc is missing, by the descriptor itself
        // (which needs CAP_DAC_READ_SEARCH).
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            file.path = std::move(name);
            return;
        }
        int error = errno;
        if (error == ENOENT) {
            if (::linkat(file.fd.Get(), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) {
                file.path = std::move(name);
                return;
            }
            // Without the capability the second way says only "not permitted"; the first
            // way's answer (the folder is gone) is the one to report then.
            if (errno != EPERM && errno != EACCES) {
                error = errno;
            }
        }
        if (error != EEXIST || attempt + 1 >= kLinkAttempts) {
            throw IoError(target, "cannot create", error);
        }
    }
}

void LinkAs(TempFile& file, const std::filesystem::path& name,
            const std::filesystem::path& target) {
    if (!file.path.empty()) {
        return;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(file.fd.Get());
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        file.path = name;
        return;
    }
    int error = errno;
    if (error == ENOENT) {
        if (::linkat(file.fd.Get(), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) {
            file.path = name;
            return;
        }
        if (errno != EPERM && errno != EACCES) {
            error = errno;
        }
    }
    throw IoError(target, "cannot create", error);
}

} // namespace sundrel::io
