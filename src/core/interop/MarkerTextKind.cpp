#include "core/interop/MarkerTextKind.h"

#include <cctype>

namespace sundrel {

namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

// `line` begins with `keyword` (upper case) followed by a blank, in any case.
bool StartsWithKeyword(std::string_view line, std::string_view keyword) {
    if (line.size() <= keyword.size()) {
        return false;
    }
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(line[i])) != keyword[i]) {
            return false;
        }
    }
    return line[keyword.size()] == ' ' || line[keyword.size()] == '\t';
}

// Takes a decimal number ("12", "12.5", "12,500000") and the tab after it off the front.
bool TakeTimeAndTab(std::string_view& s) {
    std::size_t i = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) != 0) {
        ++i;
    }
    if (i == 0) {
        return false;
    }
    if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) != 0) {
            ++i;
        }
    }
    if (i >= s.size() || s[i] != '\t') {
        return false;
    }
    s.remove_prefix(i + 1);
    return true;
}

} // namespace

MarkerFileKind GuessMarkerTextKind(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    bool track = false;
    bool index = false;
    bool first = true;
    bool labels = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::string_view line = TrimBlanks(raw);
        if (line.empty()) {
            continue;
        }
        if (first) {
            // Untrimmed at the front: a label line starts with its time.
            std::string_view rest = raw;
            labels = TakeTimeAndTab(rest) && TakeTimeAndTab(rest);
            first = false;
        }
        track = track || StartsWithKeyword(line, "TRACK");
        index = index || StartsWithKeyword(line, "INDEX");
    }
    if (track && index) {
        return MarkerFileKind::Cue;
    }
    return labels ? MarkerFileKind::Labels : MarkerFileKind::Tracklist;
}

} // namespace sundrel
