#include "core/riff/ChunkSource.h"

#include "core/io/ErrorText.h"
#include "core/io/ReadAll.h"
#include "core/riff/FileError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace sundrel {

namespace {

// Read-ahead for chunk headers: one system call covers thousands of tiny chunks.
constexpr std::size_t kBlockBytes = 64 * 1024;

} // namespace

void MemoryChunkSource::Read(std::uint64_t at, std::span<std::byte> out) {
    std::memcpy(out.data(), m_bytes.data() + at, out.size());
}

FileChunkSource::FileChunkSource(int fd, const std::filesystem::path& path)
    : m_fd(fd), m_path(path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        throw FileError(io::FileErrorText(path, "cannot read size", errno));
    }
    m_nSize = static_cast<std::uint64_t>(st.st_size);
}

void FileChunkSource::Read(std::uint64_t at, std::span<std::byte> out) {
    if (at >= m_nBlockAt && at + out.size() <= m_nBlockAt + m_block.size()) {
        std::memcpy(out.data(), m_block.data() + (at - m_nBlockAt), out.size());
        return;
    }
    if (out.size() >= kBlockBytes) {
        if (ReadFile(at, out) < out.size()) {
            Shrank(at + out.size());
        }
        return;
    }
    m_block.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kBlockBytes, m_nSize - at)));
    m_nBlockAt = at;
    const std::size_t got = ReadFile(at, m_block);
    m_block.resize(got);
    if (got < out.size()) {
        Shrank(at + out.size());
    }
    std::memcpy(out.data(), m_block.data(), out.size());
}

std::size_t FileChunkSource::ReadFile(std::uint64_t at, std::span<std::byte> out) const {
    const io::ReadResult read = io::ReadAllAt(m_fd, out, at);
    if (read.error != 0) {
        throw FileError(io::FileErrorText(m_path, "cannot read", read.error));
    }
    return read.bytes;
}

void FileChunkSource::Shrank(std::uint64_t readEnd) const {
    struct stat st {};
    const std::uint64_t now = ::fstat(m_fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size)
                                                      : std::min(readEnd, m_nSize);
    throw FileError(MixChangedText(m_path, now, m_nSize));
}

} // namespace sundrel
