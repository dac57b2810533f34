#include "core/riff/MappedFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace sundrel {

namespace {
std::string Reason(const std::filesystem::path& path, const char* what) {
    return path.string() + ": " + what + ": " + std::strerror(errno);
}
} // namespace

MappedFile::MappedFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw FileError(Reason(path, "cannot open"));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const std::string msg = Reason(path, "cannot read size");
        ::close(fd);
        throw FileError(msg);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw FileError(path.string() + ": not a regular file");
    }
    if (st.st_size == 0) {
        ::close(fd);
        m_bEmpty = true;
        return;
    }
    void* p = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
        const std::string msg = Reason(path, "cannot map");
        ::close(fd);
        throw FileError(msg);
    }
    ::close(fd); // the mapping stays valid without the descriptor
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
