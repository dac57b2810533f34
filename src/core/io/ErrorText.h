#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace sundrel::io {

// "<path>: <what>: <errno text>", the form of every file error the program reports.
std::string FileErrorText(const std::filesystem::path& path, const char* what, int error);

// A failed file operation: the message is FileErrorText, Error() the errno. Callers turn it
// into their own error types, keeping the message.
class IoError : public std::runtime_error {
  public:
    IoError(const std::filesystem::path& path, const char* what, int error)
        : std::runtime_error(FileErrorText(path, what, error)), m_error(error) {}
    // A failure that no errno describes ("<path>: not a regular file (a FIFO)").
    explicit IoError(const std::string& message) : std::runtime_error(message), m_error(0) {}
    int Error() const { return m_error; }

  private:
    int m_error;
};

} // namespace sundrel::io
