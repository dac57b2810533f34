#include "core/split/FileCopy.h"

#include "core/io/ErrorText.h"
#include "core/io/WriteAll.h"
#include "core/riff/FileError.h"
#include "core/split/SplitTypes.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <utility>

namespace sundrel {

namespace {

// Small enough to stay in the processor's cache between the read and the write.
constexpr std::size_t kBufferSize = std::size_t{256} << 10;
// Bytes per copy_file_range call: small enough that a cancel is seen within a moment.
constexpr std::uint64_t kKernelChunk = std::uint64_t{64} << 20;

[[noreturn]] void Fail(SplitError::Side side, const std::filesystem::path& path, const char* what,
                       int error) {
    throw SplitError(side, io::FileErrorText(path, what, error));
}

constexpr auto kMix = SplitError::Side::Mix;
constexpr auto kTrack = SplitError::Side::Track;

// copy_file_range refuses these when the files or file systems cannot do it; the same copy
// then works through read and write.
bool KernelCopyUnsupported(int error) {
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP ||
           error == ENOTSUP;
}

bool IsWriteError(int error) {
    return error == ENOSPC || error == EFBIG || error == EDQUOT || error == EROFS || error == EPERM;
}

// Network file systems copy on the server, at any offsets, without the data crossing the
// network twice.
bool CopiesOnTheServer(int fd) {
    struct statfs st {};
    if (::fstatfs(fd, &st) != 0) {
        return false;
    }
    const auto type = static_cast<unsigned long>(st.f_type);
    constexpr unsigned long kSmb2 = 0xFE534D42; // SMB2_MAGIC_NUMBER, not in every kernel header
    return type == NFS_SUPER_MAGIC || type == kSmb2 || type == CIFS_SUPER_MAGIC;
}

struct Copier {
    int src;
    int dst;
    const std::filesystem::path& srcName;
    const std::filesystem::path& dstName;
    std::uint64_t srcSize;
    std::vector<std::byte>& buffer;
    std::stop_token stop;
    bool kernel = true;
    bool serverSide = CopiesOnTheServer(dst);

    // Copies [from, to) of the source to dstAt of the destination.
    void Data(std::uint64_t from, std::uint64_t to, std::uint64_t dstAt) {
        // A local kernel copies page by page. Where the two offsets lie at different places
        // within a page, each page of the source lands across two pages of the copy, and
        // reading and writing through a buffer is faster.
        static const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
        if (from % page != dstAt % page && !serverSide) {
            kernel = false;
        }
        while (from < to) {
            if (stop.stop_requested()) {
                throw SplitCancelled();
            }
            const std::uint64_t want = to - from;
            if (kernel) {
                auto in = static_cast<loff_t>(from);
                auto out = static_cast<loff_t>(dstAt);
                const ssize_t n =
                    ::copy_file_range(src, &in, dst, &out, std::min(want, kKernelChunk), 0);
                if (n > 0) {
                    from += static_cast<std::uint64_t>(n);
                    dstAt += static_cast<std::uint64_t>(n);
                    continue;
                }
                if (n == 0) {
                    EndedEarly(SourceSize());
                }
                const int error = errno;
                if (error == EINTR) {
                    continue;
                }
                if (KernelCopyUnsupported(error)) {
                    kernel = false;
                    continue;
                }
                if (IsWriteError(error)) {
                    Fail(kTrack, dstName, "cannot write", error);
                }
                Fail(kTrack, dstName, ("cannot copy from " + srcName.string()).c_str(), error);
            }
            if (buffer.size() < kBufferSize) {
                buffer.resize(kBufferSize);
            }
            // Each write ends on a page boundary of the copy, so the next one fills whole pages.
            const std::size_t chunk =
                static_cast<std::size_t>(std::min<std::uint64_t>(want, kBufferSize - dstAt % page));
            const ssize_t n = ::pread(src, buffer.data(), chunk, static_cast<off_t>(from));
            if (n == 0) {
                EndedEarly(SourceSize());
            }
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                Fail(kMix, srcName, "cannot read", errno);
            }
            const auto got = static_cast<std::size_t>(n);
            WriteAt(buffer.data(), got, dstAt);
            from += got;
            dstAt += got;
        }
    }

    void WriteAt(const std::byte* data, std::size_t size, std::uint64_t at) {
        WriteAllAt(dst, std::span(data, size), at, dstName);
    }

    // The source holds fewer bytes than the range to copy: it shrank after the split began.
    [[noreturn]] void EndedEarly(std::uint64_t now) {
        throw SplitError(kMix, MixChangedText(srcName, now, srcSize));
    }

    std::uint64_t SourceSize() {
        struct stat st {};
        if (::fstat(src, &st) != 0) {
            Fail(kMix, srcName, "cannot read", errno);
        }
        return static_cast<std::uint64_t>(st.st_size);
    }
};

} // namespace

void CopyRange(int src, std::uint64_t srcOffset, int dst, std::uint64_t dstOffset,
               std::uint64_t length, const std::filesystem::path& srcName,
               const std::filesystem::path& dstName, std::uint64_t srcSize,
               std::vector<std::byte>& buffer, std::stop_token stop) {
    Copier copier{src, dst, srcName, dstName, srcSize, buffer, std::move(stop)};
    const std::uint64_t end = srcOffset + length;
    std::uint64_t pos = srcOffset;
    bool endsInHole = false;
    while (pos < end) {
        // Find the next stretch of data; what lies before it is a hole that reads as zeros
        // and is left unwritten in the copy.
        std::uint64_t dataAt = pos;
        const off_t data = ::lseek(src, static_cast<off_t>(pos), SEEK_DATA);
        if (data >= 0) {
            dataAt = static_cast<std::uint64_t>(data);
        } else if (errno == ENXIO) {
            const std::uint64_t size = copier.SourceSize();
            if (size < end) {
                copier.EndedEarly(size);
            }
            dataAt = end; // nothing but a hole up to the end of the range
        }
        if (dataAt > pos) {
            pos = std::min(dataAt, end);
            endsInHole = true;
            continue;
        }
        std::uint64_t holeAt = end;
        const off_t hole = ::lseek(src, static_cast<off_t>(pos), SEEK_HOLE);
        if (hole >= 0 && static_cast<std::uint64_t>(hole) > pos) {
            holeAt = std::min(static_cast<std::uint64_t>(hole), end);
        }
        copier.Data(pos, holeAt, dstOffset + (pos - srcOffset));
        pos = holeAt;
        endsInHole = false;
    }
    if (endsInHole && ::ftruncate(dst, static_cast<off_t>(dstOffset + length)) != 0) {
        Fail(kTrack, dstName, "cannot write", errno);
    }
}

void WriteAllAt(int fd, std::span<const std::byte> bytes, std::uint64_t offset,
                const std::filesystem::path& name) {
    if (const int error = io::WriteAllAt(fd, bytes, offset); error != 0) {
        Fail(kTrack, name, "cannot write", error);
    }
}

} // namespace sundrel
