#pragma once

#include "core/riff/FileError.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

namespace sundrel {

// A whole file mapped read-only into memory. Move-only; unmaps on destruction.
// An empty file maps to an empty span (mmap refuses zero-length mappings).
class MappedFile {
  public:
    MappedFile() = default;
    explicit MappedFile(const std::filesystem::path& path);
    ~MappedFile();
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::span<const std::byte> Bytes() const { return {m_pData, m_nSize}; }
    std::uint64_t Size() const { return m_nSize; }

  private:
    void Release() noexcept;

    const std::byte* m_pData = nullptr;
    std::size_t m_nSize = 0;
    bool m_bEmpty = false;
};

} // namespace sundrel
