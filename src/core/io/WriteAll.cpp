#include "core/io/WriteAll.h"

#include <cerrno>
#include <optional>
#include <unistd.h>

namespace sundrel::io {

namespace {

int WriteLoop(int fd, std::span<const std::byte> bytes, std::optional<std::uint64_t> offset) {
    while (!bytes.empty()) {
        const ssize_t n =
            offset ? ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(*offset))
                   : ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            return EIO;
        }
        const auto written = static_cast<std::size_t>(n);
        bytes = bytes.subspan(written);
        if (offset) {
            *offset += written;
        }
    }
    return 0;
}

} // namespace

int WriteAll(int fd, std::span<const std::byte> bytes) {
    return WriteLoop(fd, bytes, std::nullopt);
}

int WriteAllAt(int fd, std::span<const std::byte> bytes, std::uint64_t offset) {
    return WriteLoop(fd, bytes, offset);
}

} // namespace sundrel::io
