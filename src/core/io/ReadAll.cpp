#include "core/io/ReadAll.h"

#include <cerrno>
#include <unistd.h>

namespace sundrel::io {

ReadResult ReadAllAt(int fd, std::span<std::byte> buffer, std::uint64_t offset) {
    ReadResult result;
    while (result.bytes < buffer.size()) {
        const ssize_t n = ::pread(fd, buffer.data() + result.bytes, buffer.size() - result.bytes,
                                  static_cast<off_t>(offset + result.bytes));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            result.error = errno;
            break;
        }
        if (n == 0) {
            break;
        }
        result.bytes += static_cast<std::size_t>(n);
    }
    return result;
}

} // namespace sundrel::io
