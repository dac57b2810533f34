#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace sundrel {

// Where the chunk walk gets the bytes of a WAV file: the file's size when the walk starts, and
// bounded reads inside it. Reading never faults: a source that cannot deliver bytes it counted
// (a file that shrank, a failed read) throws.
class ChunkSource {
  public:
    virtual ~ChunkSource() = default;

    // Bytes of the file; the walk reads nothing at or after this.
    virtual std::uint64_t Size() const = 0;
    // Bytes at .. at + out.size() - 1 (all below Size()) into `out`. Throws FileError when
    // they cannot be read.
    virtual void Read(std::uint64_t at, std::span<std::byte> out) = 0;
};

// A whole file held in memory.
class MemoryChunkSource final : public ChunkSource {
  public:
    explicit MemoryChunkSource(std::span<const std::byte> bytes) : m_bytes(bytes) {}

    std::uint64_t Size() const override { return m_bytes.size(); }
    void Read(std::uint64_t at, std::span<std::byte> out) override;

  private:
    std::span<const std::byte> m_bytes;
};

// An open file read with pread, its size taken from fstat at construction. Small reads are
// served from a read-ahead block, so walking many tiny chunks costs few system calls. A file
// that has shrunk below a read gives FileError "<path>: the mix changed on disk (...)".
class FileChunkSource final : public ChunkSource {
  public:
    // `fd` stays owned by the caller and must outlive the source; `path` names it in errors.
    // Throws FileError when the size cannot be read.
    FileChunkSource(int fd, const std::filesystem::path& path);

    std::uint64_t Size() const override { return m_nSize; }
    void Read(std::uint64_t at, std::span<std::byte> out) override;

  private:
    // Reads out.size() bytes at `at` straight from the file; returns how many it got.
    std::size_t ReadFile(std::uint64_t at, std::span<std::byte> out) const;
    [[noreturn]] void Shrank(std::uint64_t readEnd) const;

    int m_fd;
    std::filesystem::path m_path;
    std::uint64_t m_nSize = 0;
    std::vector<std::byte> m_block; // bytes m_nBlockAt .. m_nBlockAt + m_block.size() - 1
    std::uint64_t m_nBlockAt = 0;
};

} // namespace sundrel
