#include "core/io/ErrorText.h"

#include <cstring>

namespace sundrel::io {

std::string FileErrorText(const std::filesystem::path& path, const char* what, int error) {
    return path.string() + ": " + what + ": " + std::strerror(error);
}

} // namespace sundrel::io
