#include "core/io/AtomicFile.h"

#include "core/io/ErrorText.h"
#include "core/io/FileIdentity.h"
#include "core/io/WriteAll.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace sundrel::io {

namespace {

// Bytes of the target's name kept in a temporary name: with the dots, the process id, the
// counter and ".part" the name stays below the usual 255-byte limit.
constexpr std::size_t kNameKept = 200;
constexpr int kCreateAttempts = 100;

std::atomic<unsigned> g_nTempCounter{0};

} // namespace

std::filesystem::path FolderOf(const std::filesystem::path& path) {
    return path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
}

std::filesystem::path TempNameBeside(const std::filesystem::path& target) {
    const std::string name = target.filename().string().substr(0, kNameKept);
    return target.parent_path() / ("." + name + "." + std::to_string(::getpid()) + "." +
                                   std::to_string(g_nTempCounter++) + ".part");
}

TempFile CreateTempBeside(const std::filesystem::path& target) {
    TempFile temp;
    for (int attempt = 0;; ++attempt) {
        temp.path = TempNameBeside(target);
        const int fd = ::open(temp.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            temp.fd = UniqueFd(fd);
            return temp;
        }
        if (errno != EEXIST || attempt + 1 >= kCreateAttempts) {
            throw IoError(target, "cannot create", errno);
        }
    }
}

int SyncFolder(const std::filesystem::path& folder) {
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) {
        return 0;
    }
    if (::fsync(dir.Get()) != 0 && errno != EINVAL) {
        return errno;
    }
    return 0;
}

void WriteFileAtomically(const std::filesystem::path& given, std::span<const std::byte> bytes) {
    // Only a regular file is replaced: never a FIFO or a device (as root a rename would put a
    // regular file in place of /dev/null), and through a symbolic link the file it leads to.
    const std::filesystem::path target = RegularTarget(given);
    TempFile temp = CreateTempBeside(target);
    try {
        if (const int error = WriteAll(temp.fd.Get(), bytes); error != 0) {
            throw IoError(target, "cannot write", error);
        }
        if (::fsync(temp.fd.Get()) != 0) {
            throw IoError(target, "cannot write", errno);
        }
        if (const int error = temp.fd.Close(); error != 0) {
            throw IoError(target, "cannot write", error);
        }
        if (::rename(temp.path.c_str(), target.c_str()) != 0) {
            throw IoError(target, "cannot replace", errno);
        }
    } catch (...) {
        ::unlink(temp.path.c_str());
        throw;
    }
    const std::filesystem::path folder = FolderOf(target);
    if (const int error = SyncFolder(folder); error != 0) {
        throw IoError(folder, "cannot write", error);
    }
}

} // namespace sundrel::io
