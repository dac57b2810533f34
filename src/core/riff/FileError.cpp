#include "core/riff/FileError.h"

namespace sundrel {

std::string MixChangedText(const std::filesystem::path& path, std::uint64_t now,
                           std::uint64_t was) {
    return path.string() + ": the mix changed on disk (it is now " + std::to_string(now) +
           " bytes, was " + std::to_string(was) + ")";
}

} // namespace sundrel
