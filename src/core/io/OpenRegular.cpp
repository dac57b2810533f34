#include "core/io/OpenRegular.h"

#include "core/io/ErrorText.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>

namespace sundrel::io {

namespace {

std::string KindOf(mode_t mode) {
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISCHR(mode)) {
        return "a character device";
    }
    if (S_ISBLK(mode)) {
        return "a block device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISDIR(mode)) {
        return "a directory";
    }
    return "an unknown kind of file";
}

[[noreturn]] void ThrowNotRegular(const std::filesystem::path& path, mode_t mode) {
    throw NotRegularFileError(path.string() + ": not a regular file (" + KindOf(mode) + ")");
}

} // namespace

UniqueFd OpenRegularFile(const std::filesystem::path& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        const int error = errno;
        // A socket cannot be opened at all (ENXIO); name what it is rather than the errno.
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            ThrowNotRegular(path, st.st_mode);
        }
        throw IoError(path, "cannot open", error);
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        throw IoError(path, "cannot read size", errno);
    }
    if (!S_ISREG(st.st_mode)) {
        ThrowNotRegular(path, st.st_mode);
    }
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        throw IoError(path, "cannot open", errno);
    }
    return fd;
}

} // namespace sundrel::io
