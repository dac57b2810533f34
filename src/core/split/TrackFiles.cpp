#include "core/split/TrackFiles.h"

#include "core/interop/TrackNames.h"
#include "core/io/ErrorText.h"
#include "core/io/StaleTemps.h"

#include "core/split/FileCopy.h"
#include "core/split/SplitPlan.h"
#include "core/split/SplitTypes.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace sundrel {

namespace {

// The number of a track's file name, or 0 when Split would not give a track this name.
int TrackNumber(const std::string& name) {
    constexpr std::string_view prefix = "track";
    constexpr std::string_view suffix = ".wav";
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix)) {
        return 0;
    }
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size() - suffix.size();
    int number = 0;
    const auto [ptr, ec] = std::from_chars(first, last, number);
    if (ec != std::errc() || ptr != last || number < 1 || TrackName(number) != name) {
        return 0;
    }
    return number;
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// `name` for a message: control characters (a NUL would end the text) shown as '?'.
std::string Shown(std::string name) {
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return name;
}

// Why `name` cannot be a track's file name, or nothing when it can.
const char* NameFault(const std::string& name) {
    if (name.empty()) {
        return "is empty";
    }
    if (name == "." || name == "..") {
        return "names a folder";
    }
    if (name.find('/') != std::string::npos) {
        return "holds a '/' (track names are file names, not paths)";
    }
    if (name.find('\0') != std::string::npos) {
        return "holds a NUL character";
    }
    if (name.size() > 255) {
        return "is longer than 255 bytes";
    }
    if (io::TempOwner(name)) {
        return "looks like a split's temporary file";
    }
    if (name.starts_with(".sundrel-split")) {
        return "is the name of the folder's record of splits";
    }
    return nullptr;
}

} // namespace

std::vector<std::string> SplitTrackNames(std::size_t count, const SplitOptions& options) {
    if (!options.tags.empty() && options.tags.size() != count) {
        throw std::invalid_argument("the split has " + std::to_string(count) + " tracks but " +
                                    std::to_string(options.tags.size()) + " sets of tags");
    }
    std::vector<std::string> names;
    if (options.names.empty()) {
        for (std::size_t k = 1; k <= count; ++k) {
            names.push_back(TrackName(static_cast<int>(k), options.format));
        }
        return names;
    }
    if (options.names.size() != count) {
        throw std::invalid_argument("the split has " + std::to_string(count) + " tracks but " +
                                    std::to_string(options.names.size()) + " file names");
    }
    std::set<std::string> seen;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& name = options.names[i];
        const std::string which =
            "the file name of track " + std::to_string(i + 1) + " (\"" + Shown(name) + "\")";
        if (const char* fault = NameFault(name)) {
            throw std::invalid_argument(which + " " + fault);
        }
        if (!seen.insert(FoldNameCase(name)).second) {
            throw std::invalid_argument(which + " is the name of an earlier track");
        }
    }
    return options.names;
}

std::vector<TrackFile> TrackFilesIn(const std::filesystem::path& dir) {
    std::vector<TrackFile> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const int number = TrackNumber(it->path().filename().string());
        std::error_code typeError;
        if (number > 0 && !it->is_directory(typeError)) {
            files.push_back({number, it->path()});
        }
    }
    std::sort(files.begin(), files.end(),
              [](const TrackFile& a, const TrackFile& b) { return a.number < b.number; });
    return files;
}

std::vector<TrackFile> ReplacedTracks(const std::filesystem::path& dir, std::size_t count) {
    std::vector<TrackFile> files = TrackFilesIn(dir);
    std::erase_if(files, [count](const TrackFile& f) { return std::size_t(f.number) > count; });
    return files;
}

std::vector<TrackFile> StaleTracks(const std::filesystem::path& dir, std::size_t count,
                                   const std::filesystem::path& mix) {
    std::vector<TrackFile> files = TrackFilesIn(dir);
    std::erase_if(files, [&](const TrackFile& f) {
        return std::size_t(f.number) <= count || (!mix.empty() && SameFile(f.path, mix));
    });
    return files;
}

std::vector<TrackFile> ReplacedTracks(const std::filesystem::path& dir,
                                      std::span<const std::string> names) {
    std::vector<TrackFile> files;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::filesystem::path path = dir / names[i];
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
            files.push_back({static_cast<int>(i + 1), path});
        }
    }
    return files;
}

std::vector<TrackFile> StaleTracks(const std::filesystem::path& dir,
                                   std::span<const std::string> names,
                                   const std::filesystem::path& mix) {
    std::set<std::string> current;
    for (const std::string& name : names) {
        current.insert(FoldNameCase(name));
    }
    std::vector<TrackFile> files = TrackFilesIn(dir);
    std::erase_if(files, [&](const TrackFile& f) {
        return current.contains(FoldNameCase(f.path.filename().string())) ||
               (!mix.empty() && SameFile(f.path, mix));
    });
    return files;
}

void RemoveTrackFiles(std::span<const TrackFile> files) {
    for (const TrackFile& f : files) {
        if (::unlink(f.path.c_str()) != 0 && errno != ENOENT) {
            throw SplitError(SplitError::Side::Track,
                             io::FileErrorText(f.path, "cannot remove", errno));
        }
    }
}

} // namespace sundrel
