#include "core/io/PageCache.h"

#include <algorithm>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sundrel::io {

double CachedShare(int fd, std::uint64_t offset, std::uint64_t length) {
    if (length == 0) {
        return 1.0;
    }
    // For a file the process neither owns nor may write, the kernel does not tell the cache:
    // it reports every page as cached. Only the owner's (or root's) answer is taken.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || (st.st_uid != ::geteuid() && ::geteuid() != 0)) {
        return 0.0;
    }
    const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t from = offset / page * page;
    const std::uint64_t size = offset + length - from;
    // Mapping a file reads nothing; mincore then tells which pages the cache holds.
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, static_cast<off_t>(from));
    if (map == MAP_FAILED) {
        return 0.0;
    }
    std::vector<unsigned char> resident((size + page - 1) / page);
    const bool known = ::mincore(map, size, resident.data()) == 0;
    ::munmap(map, size);
    if (!known) {
        return 0.0;
    }
    const auto cached = std::count_if(resident.begin(), resident.end(),
                                      [](unsigned char r) { return (r & 1) != 0; });
    return static_cast<double>(cached) / static_cast<double>(resident.size());
}

} // namespace sundrel::io
