#include "core/io/FileIdentity.h"

#include "core/io/ErrorText.h"

#include <cerrno>
#include <sys/stat.h>
#include <system_error>

namespace sundrel::io {

std::optional<FileId> IdOf(const std::filesystem::path& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return FileId{st.st_dev, st.st_ino};
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    const auto idA = IdOf(a);
    return idA && idA == IdOf(b);
}

bool SameDestination(const std::filesystem::path& a, const std::filesystem::path& b) {
    if (SameFile(a, b)) {
        return true;
    }
    std::error_code ecA;
    std::error_code ecB;
    const auto fullA = std::filesystem::weakly_canonical(std::filesystem::absolute(a), ecA);
    const auto fullB = std::filesystem::weakly_canonical(std::filesystem::absolute(b), ecB);
    return !ecA && !ecB && fullA == fullB;
}

std::string KindOfFile(mode_t mode) {
    if (S_ISREG(mode)) {
        return "a regular file";
    }
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
        return "a folder";
    }
    return "an unknown kind of file";
}

std::filesystem::path RegularTarget(const std::filesystem::path& target) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0) {
        if (errno == ENOENT) {
            return target;
        }
        throw IoError(target, "cannot create", errno);
    }
    if (S_ISREG(st.st_mode)) {
        return target;
    }
    if (!S_ISLNK(st.st_mode)) {
        throw IoError(target.string() + ": not a regular file (" + KindOfFile(st.st_mode) +
                      "); only regular files are written");
    }
    if (::stat(target.c_str(), &st) != 0) {
        throw IoError(target.string() +
                      ": a symbolic link that leads to no file; only regular files are written");
    }
    if (!S_ISREG(st.st_mode)) {
        throw IoError(target.string() + ": a symbolic link to " + KindOfFile(st.st_mode) +
                      "; only regular files are written");
    }
    std::error_code ec;
    std::filesystem::path resolved = std::filesystem::canonical(target, ec);
    if (ec) {
        throw IoError(target, "cannot create", ec.value());
    }
    return resolved;
}

} // namespace sundrel::io
