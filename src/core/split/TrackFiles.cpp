#include "core/split/TrackFiles.h"

#include "core/io/ErrorText.h"

#include "core/split/FileCopy.h"
#include "core/split/SplitPlan.h"
#include "core/split/SplitTypes.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
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

} // namespace

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

void RemoveTrackFiles(std::span<const TrackFile> files) {
    for (const TrackFile& f : files) {
        if (::unlink(f.path.c_str()) != 0 && errno != ENOENT) {
            throw SplitError(SplitError::Side::Track,
                             io::FileErrorText(f.path, "cannot remove", errno));
        }
    }
}

} // namespace sundrel
