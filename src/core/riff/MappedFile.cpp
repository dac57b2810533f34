#include "core/riff/MappedFile.h"

#include "core/io/ErrorText.h"
#include "core/io/OpenRegular.h"
#include "core/io/UniqueFd.h"

#include <cerrno>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace sundrel {

MappedFile::MappedFile(const std::filesystem::path& path) {
    // The mapping stays valid once the descriptor is closed.
    io::UniqueFd fd;
    try {
        fd = io::OpenRegularFile(path);
    } catch (const std::runtime_error& e) {
        throw FileError(e.what());
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        throw FileError(io::FileErrorText(path, "cannot read size", errno));
    }
    if (st.st_size == 0) {
        m_bEmpty = true;
        return;
    }
    void* p =
        ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_SHARED, fd.Get(), 0);
    if (p == MAP_FAILED) {
        throw FileError(io::FileErrorText(path, "cannot map", errno));
    }
    m_pData = static_cast<const std::byte*>(p);
    m_nSize = static_cast<std::size_t>(st.st_size);
}

MappedFile::~MappedFile() {
    Release();
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : m_pData(std::exchange(other.m_pData, nullptr)), m_nSize(std::exchange(other.m_nSize, 0)),
      m_bEmpty(std::exchange(other.m_bEmpty, false)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        Release();
        m_pData = std::exchange(other.m_pData, nullptr);
        m_nSize = std::exchange(other.m_nSize, 0);
        m_bEmpty = std::exchange(other.m_bEmpty, false);
    }
    return *this;
}

void MappedFile::Release() noexcept {
    if (m_pData != nullptr) {
        ::munmap(const_cast<std::byte*>(m_pData), m_nSize);
    }
    m_pData = nullptr;
    m_nSize = 0;
    m_bEmpty = false;
}

} // namespace sundrel
