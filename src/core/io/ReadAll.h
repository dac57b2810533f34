#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace sundrel::io {

// What ReadAllAt got: the bytes read, and the errno of a failed read (0 when it stopped only
// at the end of the file or filled the buffer).
struct ReadResult {
    std::size_t bytes = 0;
    int error = 0;
};

// Reads `buffer.size()` bytes of `fd` from `offset` with pread, retrying interrupted and short
// reads, until the buffer is full, the file ends (a file that shrank gives fewer bytes, never
// a fault) or a read fails.
ReadResult ReadAllAt(int fd, std::span<std::byte> buffer, std::uint64_t offset);

} // namespace sundrel::io
