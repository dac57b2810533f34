#include "core/interop/Tracklist.h"

#include "core/interop/ArtistTitle.h"
#include "core/interop/ExactTimeMath.h"
#include "core/interop/FieldText.h"
#include "core/interop/InteropLimits.h"
#include "core/interop/NameText.h"
#include "core/interop/TextLines.h"

#include <array>
#include <cstdio>
#include <optional>
#include <stdexcept>

namespace sundrel {

namespace {

constexpr NameSeparators kSeparators = NameSeparators::DashesAndBy;

struct TrackLine {
    std::optional<std::int64_t> seconds;
    ArtistTitle name;
    friend bool operator==(const TrackLine&, const TrackLine&) = default;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Digits and colons, starting with a digit and holding a colon: text meant as a time.
bool LooksLikeTime(std::string_view text) {
    if (text.empty() || text[0] < '0' || text[0] > '9' || text.find(':') == text.npos) {
        return false;
    }
    return text.find_first_not_of("0123456789:") == std::string_view::npos;
}

std::int64_t ParseTime(std::string_view text, std::size_t line) {
    const std::string quoted = "the time \"" + std::string(Excerpt(text)) + "\"";
    std::array<std::string_view, 3> fields;
    std::size_t count = 0;
    std::string_view rest = text;
    while (true) {
        if (count == fields.size()) {
            throw InteropError(line, quoted + " is not m:ss or h:mm:ss");
        }
        const std::size_t colon = rest.find(':');
        fields[count++] = rest.substr(0, colon);
        if (colon == std::string_view::npos) {
            break;
        }
        rest = rest.substr(colon + 1);
    }
    if (count < 2) {
        throw InteropError(line, quoted + " is not m:ss or h:mm:ss");
    }
    // Hours or minutes of up to three or four digits; the fields after them two digits each.
    std::array<std::int64_t, 3> values{};
    for (std::size_t i = 0; i < count; ++i) {
        const bool leading = i == 0;
        if (!leading && fields[i].size() != 2) {
            throw InteropError(line, quoted + " is not m:ss or h:mm:ss");
        }
        const auto value = ParseDigits(fields[i], leading ? (count == 2 ? 4 : 3) : 2);
        if (!value) {
            throw InteropError(line, quoted + " is not m:ss or h:mm:ss");
        }
        if (!leading && *value >= 60) {
            throw InteropError(line, quoted + (count == 2 ? " has seconds past 59"
                                                          : " has minutes or seconds past 59"));
        }
        values[i] = *value;
    }
    return count == 2 ? values[0] * 60 + values[1] : (values[0] * 60 + values[1]) * 60 + values[2];
}

// Drops `prefix` and the blanks after it when `text` starts with it and a blank or the end
// follows.
bool DropPrefix(std::string_view& text, std::string_view prefix) {
    if (!text.starts_with(prefix) ||
        (text.size() > prefix.size() && !IsBlank(text[prefix.size()]))) {
        return false;
    }
    text = TrimBlanks(text.substr(prefix.size()));
    return true;
}

TrackLine ParseLine(std::string_view text, std::size_t line) {
    std::string_view s = TrimBlanks(text);
    // "1." or "01)"
    std::size_t digits = 0;
    while (digits < s.size() && s[digits] >= '0' && s[digits] <= '9') {
        ++digits;
    }
    if (digits >= 1 && digits <= 3 && digits < s.size() && (s[digits] == '.' || s[digits] == ')')) {
        DropPrefix(s, s.substr(0, digits + 1));
    }
    TrackLine result;
    if (!s.empty() && (s[0] == '[' || s[0] == '(')) {
        const std::size_t close = s.find(s[0] == '[' ? ']' : ')');
        if (close != std::string_view::npos && LooksLikeTime(s.substr(1, close - 1))) {
            result.seconds = ParseTime(s.substr(1, close - 1), line);
            s = TrimBlanks(s.substr(close + 1));
        }
    } else {
        const std::string_view word = s.substr(0, std::min(s.find_first_of(" \t"), s.size()));
        if (LooksLikeTime(word)) {
            result.seconds = ParseTime(word, line);
            s = TrimBlanks(s.substr(word.size()));
        }
    }
    constexpr std::array<std::string_view, 6> kBullets = {"-", "\u2013", "\u2014",
                                                          "*", "\u2022", "|"};
    for (const std::string_view bullet : kBullets) {
        if (DropPrefix(s, bullet)) {
            break;
        }
    }
    result.name = SplitArtistTitle(s, kSeparators);
    return result;
}

std::string Clock(std::int64_t seconds, bool hours) {
    char text[64];
    if (hours) {
        std::snprintf(
            text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
            static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    } else {
        std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    }
    return text;
}

bool ReadsBackAs(const std::string& line, const TrackLine& expected) {
    try {
        return ParseLine(line, 0) == expected;
    } catch (const InteropError&) {
        return false;
    }
}

} // namespace

MarkerSet ReadTracklist(std::string_view bytes) {
    const std::vector<std::string> lines = DecodeLines(bytes);
    MarkerSet set;
    std::size_t firstLine = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t line = i + 1;
        if (TrimBlanks(lines[i]).empty()) {
            continue;
        }
        TrackLine track = ParseLine(lines[i], line);
        if (set.tracks.empty()) {
            firstLine = line;
        } else if (track.seconds.has_value() != set.tracks.front().start.has_value()) {
            throw InteropError(line, track.seconds
                                         ? "has a time, but line " + std::to_string(firstLine) +
                                               " has none: give every track a "
                                               "time, or none"
                                         : "has no time, but line " + std::to_string(firstLine) +
                                               " has one: give every track a "
                                               "time, or none");
        }
        if (track.seconds && !set.tracks.empty() &&
            *track.seconds < set.tracks.back().start->ticks) {
            throw InteropError(line, "the time is earlier than the track above it");
        }
        if (set.tracks.size() >= kMaxMarkerFileTracks) {
            throw InteropError(line,
                               "more than " + std::to_string(kMaxMarkerFileTracks) + " tracks");
        }
        CheckNameLength(track.name.artist, "artist", line);
        CheckNameLength(track.name.title, "title", line);
        TrackEntry entry;
        if (track.seconds) {
            entry.start = ExactTime{*track.seconds, 1};
        }
        entry.title = std::move(track.name.title);
        entry.artist = std::move(track.name.artist);
        set.tracks.push_back(std::move(entry));
    }
    if (set.tracks.empty()) {
        throw InteropError(0, "the tracklist holds no track");
    }
    return set;
}

std::string WriteTracklist(const MarkerSet& set) {
    std::size_t timed = 0;
    bool hours = false;
    std::optional<ExactTime> previous;
    for (const TrackEntry& track : set.tracks) {
        if (!track.start) {
            continue;
        }
        ++timed;
        if (track.start->ticks < 0) {
            throw std::invalid_argument("a tracklist time must be at or after 0");
        }
        if (previous && CompareTimes(*track.start, *previous) < 0) {
            throw std::invalid_argument("the tracks of a tracklist must be in time order");
        }
        previous = track.start;
        hours = hours || Rescaled(*track.start, 1).ticks >= 3600;
    }
    if (timed != 0 && timed != set.tracks.size()) {
        throw std::invalid_argument("a tracklist gives every track a time, or none");
    }
    std::string out;
    for (const TrackEntry& track : set.tracks) {
        TrackLine expected{std::nullopt, {CleanName(track.artist), CleanName(track.title)}};
        const std::string name = JoinArtistTitle(track.artist, track.title, kSeparators);
        std::string front;
        if (track.start) {
            expected.seconds = Rescaled(*track.start, 1).ticks;
            front = Clock(*expected.seconds, hours) + " ";
        }
        std::string line = front + name;
        if ((front.empty() && name.empty()) || !ReadsBackAs(line, expected)) {
            line = front + "- " + name;
        }
        out += std::string(TrimBlanks(line)) + "\n";
    }
    return out;
}

} // namespace sundrel
