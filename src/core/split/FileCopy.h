#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <stop_token>
#include <vector>

namespace sundrel {

// Copies `length` bytes at `srcOffset` of `src` to `dstOffset` of `dst` by explicit offsets
// (the source's file position is moved only by the search for holes). Uses copy_file_range,
// so the kernel (or a network file system's server) moves the data, where the file systems
// support it and, on a local file system, both offsets lie at the same place within a page;
// else reads and writes through `buffer` (grown to 256 KiB on first use). Holes in the source
// stay holes in the copy. Throws SplitError naming the file at fault: a failed read or write,
// or a source that ends before `srcOffset + length` (named by its size now and `srcSize`, the
// size it had, see MixChangedText); SplitCancelled between chunks once `stop` is requested.
void CopyRange(int src, std::uint64_t srcOffset, int dst, std::uint64_t dstOffset,
               std::uint64_t length, const std::filesystem::path& srcName,
               const std::filesystem::path& dstName, std::uint64_t srcSize,
               std::vector<std::byte>& buffer, std::stop_token stop = {});

// Writes all of `bytes` at `offset` of `fd` (see io::WriteAllAt); throws SplitError naming
// `name`.
void WriteAllAt(int fd, std::span<const std::byte> bytes, std::uint64_t offset,
                const std::filesystem::path& name);

} // namespace sundrel
