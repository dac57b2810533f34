#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace sundrel::io {

// Writes all of `bytes` to `fd` at its file position, retrying interrupted and short writes.
// Returns 0, or the errno of the write that failed (EIO for a write that wrote nothing).
int WriteAll(int fd, std::span<const std::byte> bytes);

// The same at `offset` of the file, without moving the file position.
int WriteAllAt(int fd, std::span<const std::byte> bytes, std::uint64_t offset);

} // namespace sundrel::io
