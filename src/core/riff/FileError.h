#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace sundrel {

// Raised when a file cannot be opened or read; the message names the file and the reason.
class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// "<path>: the mix changed on disk (it is now <now> bytes, was <was>)": the message for a mix
// that shrank after its size was taken, where reading it found fewer bytes than it held.
std::string MixChangedText(const std::filesystem::path& path, std::uint64_t now, std::uint64_t was);

} // namespace sundrel
