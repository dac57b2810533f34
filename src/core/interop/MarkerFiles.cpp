#include "core/interop/MarkerFiles.h"

#include "core/interop/CueSheet.h"
#include "core/interop/InteropLimits.h"
#include "core/interop/LabelFile.h"
#include "core/interop/Tracklist.h"
#include "core/io/AtomicFile.h"
#include "core/io/ErrorText.h"
#include "core/io/OpenRegular.h"
#include "core/io/ReadAll.h"

#include <algorithm>
#include <cctype>
#include <span>
#include <sys/stat.h>
#include <vector>

namespace sundrel {

const char* MarkerFileKindName(MarkerFileKind kind) {
    switch (kind) {
    case MarkerFileKind::Cue:
        return "cue sheet";
    case MarkerFileKind::Labels:
        return "label file";
    case MarkerFileKind::Tracklist:
        return "tracklist";
    }
    return "marker file";
}

std::optional<MarkerFileKind> KindOfMarkerFile(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".cue") {
        return MarkerFileKind::Cue;
    }
    return std::nullopt;
}

MarkerSet ParseMarkerText(std::string_view text, MarkerFileKind kind) {
    switch (kind) {
    case MarkerFileKind::Cue:
        return ReadCueSheet(text);
    case MarkerFileKind::Labels:
        return ReadLabelFile(text);
    case MarkerFileKind::Tracklist:
        break;
    }
    return ReadTracklist(text);
}

MarkerSet ReadMarkerFile(const std::filesystem::path& path, MarkerFileKind kind) {
    std::string text;
    try {
        const io::UniqueFd fd = io::OpenRegularFile(path);
        struct stat st {};
        if (::fstat(fd.Get(), &st) != 0) {
            throw io::IoError(path, "cannot read", errno);
        }
        if (static_cast<std::uint64_t>(st.st_size) > kMaxMarkerFileBytes) {
            throw MarkerFileError(path.string() + ": " + std::to_string(st.st_size) +
                                  " bytes is too large for a " + MarkerFileKindName(kind));
        }
        // One byte more than the file said: a file that grew meanwhile is noticed.
        text.resize(static_cast<std::size_t>(st.st_size) + 1);
        const io::ReadResult read = io::ReadAllAt(
            fd.Get(), std::as_writable_bytes(std::span<char>(text.data(), text.size())), 0);
        if (read.error != 0) {
            throw io::IoError(path, "cannot read", read.error);
        }
        if (read.bytes > kMaxMarkerFileBytes) {
            throw MarkerFileError(path.string() + ": the file is too large for a " +
                                  MarkerFileKindName(kind));
        }
        text.resize(read.bytes);
    } catch (const std::runtime_error& e) {
        if (dynamic_cast<const MarkerFileError*>(&e) != nullptr) {
            throw;
        }
        throw MarkerFileError(e.what());
    }
    try {
        return ParseMarkerText(text, kind);
    } catch (const InteropError& e) {
        throw MarkerFileError(path.string() + ": not a usable " + MarkerFileKindName(kind) + ": " +
                              e.what());
    }
}

std::string MarkerText(const MarkerSet& set, MarkerFileKind kind) {
    try {
        switch (kind) {
        case MarkerFileKind::Cue:
            return WriteCueSheet(set);
        case MarkerFileKind::Labels:
            return WriteLabelFile(set);
        case MarkerFileKind::Tracklist:
            break;
        }
        return WriteTracklist(set);
    } catch (const std::invalid_argument& e) {
        throw MarkerFileError(std::string("cannot write a ") + MarkerFileKindName(kind) + ": " +
                              e.what());
    }
}

void WriteMarkerFile(const std::filesystem::path& path, const MarkerSet& set, MarkerFileKind kind) {
    const std::string text = MarkerText(set, kind);
    try {
        io::WriteFileAtomically(path,
                                std::as_bytes(std::span<const char>(text.data(), text.size())));
    } catch (const io::IoError& e) {
        throw MarkerFileError(e.what());
    }
}

std::filesystem::path FileNamedBy(const MarkerSet& set, const std::filesystem::path& sheet) {
    if (set.file.empty()) {
        return {};
    }
    std::string named = set.file;
    std::replace(named.begin(), named.end(), '\\', '/');
    const std::filesystem::path file(named);
    return file.is_absolute() ? file : (sheet.parent_path() / file).lexically_normal();
}

bool NamesOtherFile(const MarkerSet& set, const std::filesystem::path& mix) {
    return !set.file.empty() && FileNamedBy(set, {}).filename() != mix.filename();
}

} // namespace sundrel
