#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sundrel {

// "<path>: <what>: <errno text>", the form of every file error Split reports.
std::string FileErrorText(const std::filesystem::path& path, const char* what, int error);

// An owned file descriptor, closed (unchecked) on destruction; Close() reports the result.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept;
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    // Closes the descriptor; returns 0 or the errno of a failed close.
    int Close();

  private:
    int m_fd = -1;
};

// Copies `length` bytes at `srcOffset` of `src` to `dstOffset` of `dst` without moving
// either file position. Uses copy_file_range, so the kernel moves the data, and falls back to
// reads and writes through `buffer` (grown to 1 MiB on first use) where the file systems do
// not support it. Holes in the source stay holes in the copy. Throws SplitError naming the
// file at fault: a failed read or write, or a source that ends before `srcOffset + length`.
void CopyRange(int src, std::uint64_t srcOffset, int dst, std::uint64_t dstOffset,
               std::uint64_t length, const std::filesystem::path& srcName,
               const std::filesystem::path& dstName, std::vector<std::byte>& buffer);

// Writes all of `bytes` at `offset` of `fd`; throws SplitError naming `name`.
void WriteAllAt(int fd, const std::vector<std::byte>& bytes, std::uint64_t offset,
                const std::filesystem::path& name);

} // namespace sundrel
