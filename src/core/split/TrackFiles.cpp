#include "core/split/TrackFiles.h"

#include "core/split/SplitPlan.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace sundrel {

namespace {

// The number of a name Split writes ("track01.wav", "track100.wav"), or 0.
int TrackNumberOf(const std::string& name) {
    constexpr std::string_view prefix = "track";
    constexpr std::string_view suffix = ".wav";
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix)) {
        return 0;
    }
    const std::string digits =
        name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 4 || !std::all_of(digits.begin(), digits.end(), [](char c) {
            return c >= '0' && c <= '9';
        })) {
        return 0;
    }
    const int number = std::stoi(digits);
    return TrackName(number) == name ? number : 0; // "track1.wav" is no name of ours
}

} // namespace

std::vector<std::filesystem::path> TrackFilesIn(const std::filesystem::path& dir, int first,
                                                int last) {
    std::vector<std::pair<int, std::filesystem::path>> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end;
         it.increment(ec)) {
        const int number = TrackNumberOf(it->path().filename().string());
        if (number < first || number > last || number == 0) {
            continue;
        }
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) {
            found.emplace_back(number, it->path());
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::filesystem::path> files;
    for (auto& [number, path] : found) {
        files.push_back(std::move(path));
    }
    return files;
}

void RemoveTrackFiles(const std::vector<std::filesystem::path>& files) {
    std::string failure;
    for (const std::filesystem::path& file : files) {
        if (::unlink(file.c_str()) != 0 && errno != ENOENT && failure.empty()) {
            failure = file.string() + ": cannot remove: " + std::strerror(errno);
        }
    }
    if (!failure.empty()) {
        throw std::runtime_error(failure);
    }
}

} // namespace sundrel
