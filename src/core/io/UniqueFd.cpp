#include "core/io/UniqueFd.h"

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace sundrel::io {

UniqueFd::~UniqueFd() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

UniqueFd::UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

int UniqueFd::Close() {
    const int fd = std::exchange(m_fd, -1);
    if (fd >= 0 && ::close(fd) != 0) {
        return errno;
    }
    return 0;
}

} // namespace sundrel::io
