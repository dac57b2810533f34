#include "core/io/StaleTemps.h"

#include "core/io/UniqueFd.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace sundrel::io {

namespace {

// The digits before the last '.' of `text`, which then ends there; false without them.
bool TakeNumber(std::string_view& text, long long& number) {
    const auto dot = text.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    const std::string_view digits = text.substr(dot + 1);
    const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (digits.empty() || ec != std::errc() || ptr != digits.data() + digits.size()) {
        return false;
    }
    text = text.substr(0, dot);
    return true;
}

// True for a regular file (not followed through a link) that starts as a track does: a WAV
// ("RIFF" or "RF64" with "WAVE") or FLAC ("fLaC") header.
bool HoldsATrack(const std::filesystem::path& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat st {};
    if (!fd || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    char head[12] = {};
    const ssize_t n = ::pread(fd.Get(), head, sizeof head, 0);
    if (n >= 4 && std::memcmp(head, "fLaC", 4) == 0) {
        return true;
    }
    return n == 12 && (std::memcmp(head, "RIFF", 4) == 0 || std::memcmp(head, "RF64", 4) == 0) &&
           std::memcmp(head + 8, "WAVE", 4) == 0;
}

} // namespace

std::optional<pid_t> TempOwner(const std::string& fileName) {
    constexpr std::string_view suffix = ".part";
    std::string_view name = fileName;
    if (!name.starts_with('.') || !name.ends_with(suffix)) {
        return std::nullopt;
    }
    name.remove_suffix(suffix.size());
    long long counter = 0;
    long long pid = 0;
    if (!TakeNumber(name, counter) || !TakeNumber(name, pid) || name.size() < 2 || pid <= 0 ||
        pid > 0x7fffffff) {
        return std::nullopt;
    }
    return static_cast<pid_t>(pid);
}

void RemoveStaleTemps(const std::filesystem::path& folder) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const auto owner = TempOwner(it->path().filename().string());
        if (owner && *owner != ::getpid() && ::kill(*owner, 0) != 0 && errno == ESRCH &&
            HoldsATrack(it->path())) {
            ::unlink(it->path().c_str());
        }
    }
}

} // namespace sundrel::io
