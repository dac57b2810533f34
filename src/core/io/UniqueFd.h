#pragma once

namespace sundrel::io {

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

} // namespace sundrel::io
