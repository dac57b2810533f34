#include "core/io/StaleTemps.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <string_view>
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
        std::error_code typeError;
        if (owner && *owner != ::getpid() && it->is_regular_file(typeError) &&
            ::kill(*owner, 0) != 0 && errno == ESRCH) {
            ::unlink(it->path().c_str());
        }
    }
}

} // namespace sundrel::io
