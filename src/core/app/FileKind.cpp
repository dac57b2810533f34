#include "core/app/FileKind.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <string>

namespace sundrel::app {

namespace {

// Enough for the RIFF header: the chunk id, its size and the form type.
constexpr std::size_t kHeadBytes = 12;

bool StartsWith(std::span<const std::byte> head, std::size_t at, std::string_view text) {
    if (head.size() < at + text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (head[at + i] != static_cast<std::byte>(text[i])) {
            return false;
        }
    }
    return true;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

} // namespace

FileKind KindOf(std::span<const std::byte> head, std::string_view extension) {
    if (StartsWith(head, 0, "Sndrl")) {
        return FileKind::Project;
    }
    if ((StartsWith(head, 0, "RIFF") || StartsWith(head, 0, "RF64") ||
         StartsWith(head, 0, "BW64")) &&
        StartsWith(head, 8, "WAVE")) {
        return FileKind::Wave;
    }
    const std::string ext = Lower(extension);
    if (ext == ".sdr") {
        return FileKind::Project;
    }
    if (ext == ".wav") {
        return FileKind::Wave;
    }
    if (ext == ".cue") {
        return FileKind::Cue;
    }
    return FileKind::Unknown;
}

FileKind KindOfFile(const std::filesystem::path& path) {
    std::array<std::byte, kHeadBytes> head{};
    std::size_t got = 0;
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        return FileKind::Unknown; // a folder (or a device) named like a mix is none
    }
    if (std::filesystem::is_regular_file(status)) {
        std::ifstream in(path, std::ios::binary);
        in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
        got = static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0));
    }
    return KindOf(std::span(head.data(), got), path.extension().string());
}

} // namespace sundrel::app
