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
    std::string text{}; // the name as written, before it was split
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

// Marks DJs put between a number, a time and a name, or in front of a line.
constexpr std::array<std::string_view, 9> kBullets = {"-", "\u2013", "\u2014", "*", "\u2022",
                                                      "|", "\u00B7", ">",      "~"};

// Drops one bullet or separator at the start of `text`, with the blanks after it; with
// `glued`, also when no blank follows (a dash written against the time, "07:47–Artist").
bool DropBullet(std::string_view& text, bool glued) {
    for (const std::string_view bullet : kBullets) {
        if (DropPrefix(text, bullet)) {
            return true;
        }
        if (glued && text.starts_with(bullet)) {
            text = TrimBlanks(text.substr(bullet.size()));
            return true;
        }
    }
    return false;
}

// The time at the start of `s` ("03:15", "1:03:15", "[03:15]", "(03:15)"), which it then
// drops; a time ends at a blank, the end, or a mark glued to it ("07:47–", "12:20:").
std::optional<std::int64_t> TakeTime(std::string_view& s, std::size_t line) {
    if (!s.empty() && (s[0] == '[' || s[0] == '(')) {
        const std::size_t close = s.find(s[0] == '[' ? ']' : ')');
        if (close != std::string_view::npos && LooksLikeTime(s.substr(1, close - 1))) {
            const std::int64_t seconds = ParseTime(s.substr(1, close - 1), line);
            s = TrimBlanks(s.substr(close + 1));
            return seconds;
        }
        return std::nullopt;
    }
    std::size_t end = 0;
    while (end < s.size() && ((s[end] >= '0' && s[end] <= '9') || s[end] == ':')) {
        ++end;
    }
    std::string_view word = s.substr(0, end);
    const std::string_view after = s.substr(end);
    if (after.empty() || IsBlank(after[0])) {
        // a time followed by a blank or nothing
    } else {
        std::string_view rest = after;
        if (!DropBullet(rest, true)) {
            return std::nullopt; // "4:44pm", "12:20am": not a time
        }
    }
    if (word.ends_with(':') && word.size() > 1) {
        word.remove_suffix(1); // "12:20: Artist"
    }
    if (!LooksLikeTime(word)) {
        return std::nullopt;
    }
    const std::int64_t seconds = ParseTime(word, line);
    s = TrimBlanks(s.substr(end));
    return seconds;
}

// A track number in front: "1.", "01)", "#1", or bare digits when a time follows them.
void DropNumber(std::string_view& s) {
    const std::size_t start = s.starts_with('#') ? 1 : 0;
    std::size_t digits = start;
    while (digits < s.size() && s[digits] >= '0' && s[digits] <= '9') {
        ++digits;
    }
    const std::size_t count = digits - start;
    if (count < 1 || count > 3 || digits >= s.size()) {
        return;
    }
    if (s[digits] == '.' || s[digits] == ')') {
        std::string_view rest = s;
        if (DropPrefix(rest, s.substr(0, digits + 1))) {
            s = rest;
            return;
        }
    }
    if (!IsBlank(s[digits]) && start == 0) {
        return;
    }
    // "01 - 00:00 - Artist", "01 00:00 Artist", "#1 00:10 Artist": a number only when a time
    // follows it.
    std::string_view rest = TrimBlanks(s.substr(digits));
    DropBullet(rest, false);
    std::string_view probe = rest;
    try {
        if (TakeTime(probe, 0)) {
            s = rest;
        }
    } catch (const InteropError&) {
        s = rest; // a number, then a malformed time: the time's error says more
    }
}

TrackLine ParseLine(std::string_view text, std::size_t line) {
    std::string_view s = TrimBlanks(text);
    TrackLine result;
    DropNumber(s);
    // "• 00:10 - Artist": a bullet in front of the time. After a plain "- " what follows is
    // the name, whatever it looks like: the writer puts it before a name that would read as
    // a time, a number or a bullet.
    const bool escaped = DropPrefix(s, "-");
    if (!escaped) {
        DropBullet(s, false);
        result.seconds = TakeTime(s, line);
    }
    if (result.seconds && !DropBullet(s, true)) {
        DropPrefix(s, ":");
    }
    result.name = SplitArtistTitle(s, kSeparators);
    result.text = std::string(s);
    return result;
}

// A start at the end of a name, as "Artist - Title @22:10" or "Artist - Title [22:10]":
// its seconds, and the name without it.
std::optional<std::int64_t> TrailingTime(std::string_view name, std::string_view& rest) {
    name = TrimBlanks(name);
    std::string_view time;
    std::string_view before;
    if (name.ends_with(']')) {
        const std::size_t open = name.rfind('[');
        if (open == std::string_view::npos) {
            return std::nullopt;
        }
        time = name.substr(open + 1, name.size() - open - 2);
        before = name.substr(0, open);
    } else {
        const std::size_t at = name.rfind('@');
        if (at == std::string_view::npos) {
            return std::nullopt;
        }
        time = TrimBlanks(name.substr(at + 1));
        before = name.substr(0, at);
    }
    if (!LooksLikeTime(time)) {
        return std::nullopt;
    }
    try {
        const std::int64_t seconds = ParseTime(time, 0);
        rest = TrimBlanks(before);
        return seconds;
    } catch (const InteropError&) {
        return std::nullopt;
    }
}

// A line that heads the list ("Tracklist:", "Track listing", "Setlist") or rules it off
// ("-----", "=====").
bool IsHeading(std::string_view line) {
    line = TrimBlanks(line);
    if (line.size() >= 3 && line.find_first_not_of("-=_*~#") == std::string_view::npos) {
        return true;
    }
    std::string_view bulleted = line;
    if (DropBullet(bulleted, false)) {
        return false; // a bulleted line is a track
    }
    std::string lower;
    for (const char c : line) {
        lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    while (!lower.empty() && (lower.back() == ':' || lower.back() == ' ')) {
        lower.pop_back();
    }
    constexpr std::array<std::string_view, 8> kHeadings = {
        "tracklist", "track list", "tracklisting", "track listing",
        "setlist",   "set list",   "playlist",     "tracks"};
    for (const std::string_view heading : kHeadings) {
        if (lower == heading) {
            return true;
        }
    }
    return line.ends_with(':') && line.size() <= 60;
}

// "w/ Artist - Acapella": a record played over the track above.
bool IsWithLine(std::string_view line) {
    line = TrimBlanks(line);
    return line.starts_with("w/ ") || line.starts_with("W/ ") || line.starts_with("w/") ||
           line.starts_with("+ w/");
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
        const TrackLine read = ParseLine(line, 0);
        if (!expected.seconds && (IsHeading(line) || IsWithLine(line))) {
            return false;
        }
        return read.seconds == expected.seconds && read.name == expected.name;
    } catch (const InteropError&) {
        return false;
    }
}

// Lines without a time above the first timed one that are taken for the list's heading
// ("Live at ...", the date): a few; more and they are tracks without times.
constexpr std::size_t kMostLeadLines = 3;

// Times after every name ("Title @22:10", "Title [22:10]") that never go back are the
// tracks' starts, as some lists give them; when one is missing or goes back they are lengths
// or part of the names, and stay there.
void UseTrailingTimes(MarkerSet& set, const std::vector<std::string>& texts) {
    std::vector<std::int64_t> starts;
    std::vector<std::string_view> names;
    for (const std::string& text : texts) {
        std::string_view rest;
        const auto seconds = TrailingTime(text, rest);
        if (!seconds || (!starts.empty() && *seconds < starts.back())) {
            return;
        }
        starts.push_back(*seconds);
        names.push_back(rest);
    }
    for (std::size_t i = 0; i < set.tracks.size(); ++i) {
        ArtistTitle name = SplitArtistTitle(names[i], kSeparators);
        set.tracks[i].start = ExactTime{starts[i], 1};
        set.tracks[i].title = std::move(name.title);
        set.tracks[i].artist = std::move(name.artist);
    }
}

} // namespace

MarkerSet ReadTracklist(std::string_view bytes) {
    const std::vector<std::string> lines = DecodeLines(bytes);
    struct Parsed {
        std::size_t line;
        TrackLine track;
    };
    std::vector<Parsed> parsed;
    std::size_t firstTimed = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (TrimBlanks(lines[i]).empty()) {
            continue;
        }
        parsed.push_back({i + 1, ParseLine(lines[i], i + 1)});
        if (parsed.back().track.seconds && firstTimed == 0) {
            firstTimed = i + 1;
        }
    }
    const auto quoted = [&](std::size_t line) {
        std::string text = "\"";
        text += Excerpt(TrimBlanks(lines[line - 1]));
        text += '"';
        return text;
    };
    MarkerSet set;
    std::size_t firstLine = 0;
    std::size_t lead = 0;           // lines without a time above the first timed one
    std::vector<std::string> texts; // each track's name as written
    std::vector<std::string> withs; // each track's "w/" lines
    for (Parsed& p : parsed) {
        const std::size_t line = p.line;
        TrackLine& track = p.track;
        const std::string_view text = lines[line - 1];
        if (!track.seconds) {
            if (IsWithLine(text) && !set.tracks.empty()) {
                std::string& with = withs.back();
                with += with.empty() ? "" : " ";
                with += CleanName(text);
                CheckNameLength(set.tracks.back().title + " " + with, "title", line);
                set.notes.push_back("line " + std::to_string(line) + ": " + quoted(line) +
                                    " joined to the track above");
                continue;
            }
            if (IsHeading(text) || (firstTimed > line && ++lead <= kMostLeadLines)) {
                set.notes.push_back("line " + std::to_string(line) + ": " + quoted(line) +
                                    " is a heading, not a track; skipped");
                continue;
            }
        }
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
        texts.push_back(std::move(track.text));
        withs.emplace_back();
    }
    if (set.tracks.empty()) {
        throw InteropError(0, "the tracklist holds no track");
    }
    if (!set.tracks.front().start) {
        UseTrailingTimes(set, texts);
    }
    for (std::size_t i = 0; i < set.tracks.size(); ++i) {
        std::string& title = set.tracks[i].title;
        if (!withs[i].empty()) {
            title += title.empty() ? "" : " ";
            title += withs[i];
        }
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
            if (!front.empty() || !name.empty()) {
                if (!ReadsBackAs(std::string(TrimBlanks(line)), expected)) {
                    throw std::invalid_argument("the name \"" + std::string(Excerpt(name)) +
                                                "\" would read back as a time");
                }
            }
        }
        out += std::string(TrimBlanks(line)) + "\n";
    }
    if (timed == 0) {
        std::vector<std::string> texts;
        for (const TrackEntry& track : set.tracks) {
            texts.push_back(JoinArtistTitle(track.artist, track.title, kSeparators));
        }
        MarkerSet probe = set;
        UseTrailingTimes(probe, texts);
        if (!set.tracks.empty() && probe.tracks.front().start) {
            throw std::invalid_argument("every name ends in a time: a tracklist without times "
                                        "would read back with them");
        }
    }
    return out;
}

} // namespace sundrel
