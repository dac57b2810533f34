#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace sundrel {

// Copies `length` bytes at `srcOffset` of `src` to `dstOffset` of `dst` without moving
// either file position. Uses copy_file_range, so the kernel moves the data, where both offsets
// lie at the same place within a page and the file systems support it; else reads and writes
// through `buffer` (grown to 256 KiB on first use). Holes in the source stay holes in the copy.
// Throws SplitError naming the file at fault: a failed read or write, or a source that ends before
// `srcOffset + length` (named by its size now and `srcSize`, the size it had, see MixChangedText).
void CopyRange(int src, std::uint64_t srcOffset, int dst, std::uint64_t dstOffset,
               std::uint64_t length, const std::filesystem::path& srcName,
               const std::filesystem::path& dstName, std::uint64_t srcSize,
               std::vector<std::byte>& buffer);

// Writes all of `bytes` at `offset` of `fd` (see io::WriteAllAt); throws SplitError naming
// `name`.
void WriteAllAt(int fd, std::span<const std::byte> bytes, std::uint64_t offset,
                const std::filesystem::path& name);

} // namespace sundrel
