#include "core/interop/CueSheet.h"

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

constexpr std::int64_t kCueFramesPerSecond = 75;

std::string Upper(std::string_view word) {
    std::string out(word);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

// A value after a keyword, and what follows a quoted value.
struct Value {
    std::string_view text;
    std::string_view after;
    bool quoted = false;
};

Value ParseValue(std::string_view rest, std::size_t line) {
    if (!rest.starts_with('"')) {
        return {rest, {}, false};
    }
    const std::size_t last = rest.rfind('"');
    if (last == 0) {
        throw InteropError(line, "the quote is not closed");
    }
    return {rest.substr(1, last - 1), TrimBlanks(rest.substr(last + 1)), true};
}

std::string ParseName(std::string_view rest, std::string_view what, std::size_t line) {
    const Value value = ParseValue(rest, line);
    if (!value.after.empty()) {
        throw InteropError(line, "unexpected text after the quoted " + std::string(what));
    }
    std::string name = CleanName(value.text);
    CheckNameLength(name, what, line);
    return name;
}

bool IsFileType(std::string_view word) {
    constexpr std::array<std::string_view, 12> kTypes = {"WAVE",   "WAV",      "MP3",  "AIFF",
                                                         "BINARY", "MOTOROLA", "FLAC", "OGG",
                                                         "OPUS",   "AAC",      "M4A",  "WMA"};
    const std::string upper = Upper(word);
    for (const std::string_view type : kTypes) {
        if (upper == type) {
            return true;
        }
    }
    return false;
}

std::string ParseFile(std::string_view rest, std::size_t line) {
    const Value value = ParseValue(rest, line);
    std::string_view name = value.text;
    if (value.quoted) {
        if (value.after.find_first_of(" \t") != std::string_view::npos) {
            throw InteropError(line, "unexpected text after the file type");
        }
    } else {
        // Unquoted: the last word is the type when it is one.
        const std::size_t blank = name.find_last_of(" \t");
        if (blank != std::string_view::npos && IsFileType(name.substr(blank + 1))) {
            name = TrimBlanks(name.substr(0, blank));
        }
    }
    std::string file = CleanName(name);
    if (file.empty()) {
        throw InteropError(line, "FILE names no file");
    }
    CheckNameLength(file, "file name", line);
    return file;
}

// mm:ss:ff, minutes of up to six digits.
std::int64_t ParseCueTime(std::string_view text, std::size_t line) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos) {
        throw InteropError(line, "the time \"" + std::string(Excerpt(text)) + "\" is not mm:ss:ff");
    }
    const auto minutes = ParseDigits(text.substr(0, first), 6);
    const auto seconds = ParseDigits(text.substr(first + 1, second - first - 1), 2);
    const auto frames = ParseDigits(text.substr(second + 1), 2);
    if (!minutes || !seconds || !frames) {
        throw InteropError(line, "the time \"" + std::string(Excerpt(text)) + "\" is not mm:ss:ff");
    }
    if (*seconds >= 60) {
        throw InteropError(line, "the seconds of " + std::string(text) + " are past 59");
    }
    if (*frames >= kCueFramesPerSecond) {
        throw InteropError(line,
                           "the frames of " + std::string(text) + " are past 74 (a second has 75)");
    }
    return (*minutes * 60 + *seconds) * kCueFramesPerSecond + *frames;
}

class CueReader {
  public:
    void Line(std::string_view text, std::size_t line) {
        text = TrimBlanks(text);
        if (text.empty()) {
            return;
        }
        std::string_view rest = text;
        const std::string keyword = Upper(TakeWord(rest));
        if (keyword == "REM") {
            return;
        }
        if (keyword == "TITLE") {
            (m_track ? m_track->title : m_set.title) = ParseName(rest, "title", line);
        } else if (keyword == "PERFORMER") {
            (m_track ? m_track->artist : m_set.artist) = ParseName(rest, "performer", line);
        } else if (keyword == "FILE") {
            File(rest, line);
        } else if (keyword == "TRACK") {
            Track(rest, line);
        } else if (keyword == "INDEX") {
            Index(rest, line);
        } else if (keyword == "CATALOG" || keyword == "CDTEXTFILE" || keyword == "FLAGS" ||
                   keyword == "ISRC" || keyword == "SONGWRITER" || keyword == "PREGAP" ||
                   keyword == "POSTGAP") {
            return;
        } else {
            throw InteropError(line, "unknown command \"" + std::string(Excerpt(keyword)) + "\"");
        }
    }

    MarkerSet Finish() {
        EndTrack();
        if (m_set.tracks.empty()) {
            throw InteropError(0, "the cue sheet holds no TRACK");
        }
        return std::move(m_set);
    }

  private:
    void File(std::string_view rest, std::size_t line) {
        std::string file = ParseFile(rest, line);
        if (m_fileSeen && file != m_set.file) {
            throw InteropError(line, "a second FILE: the sheet describes more than one "
                                     "audio file, not one mix");
        }
        m_fileSeen = true;
        m_set.file = std::move(file);
    }

    void Track(std::string_view rest, std::size_t line) {
        EndTrack();
        const std::string_view numberText = TakeWord(rest);
        const auto number = ParseDigits(numberText, 3);
        if (!number || *number < 1) {
            throw InteropError(line, "the track number \"" + std::string(Excerpt(numberText)) +
                                         "\" is not 1..999");
        }
        if (*number <= m_lastNumber) {
            throw InteropError(line, "track " + std::to_string(*number) +
                                         " does not come after track " +
                                         std::to_string(m_lastNumber));
        }
        if (Upper(rest) != "AUDIO") {
            throw InteropError(line, "track " + std::to_string(*number) + " is not AUDIO");
        }
        if (m_set.tracks.size() >= kMaxMarkerFileTracks) {
            throw InteropError(line,
                               "more than " + std::to_string(kMaxMarkerFileTracks) + " tracks");
        }
        m_lastNumber = *number;
        m_track.emplace();
        m_trackLine = line;
        m_lastIndex = -1;
    }

    void Index(std::string_view rest, std::size_t line) {
        if (!m_track) {
            throw InteropError(line, "INDEX before the first TRACK");
        }
        const std::string_view numberText = TakeWord(rest);
        const auto number = ParseDigits(numberText, 2);
        if (!number) {
            throw InteropError(line, "the index number \"" + std::string(Excerpt(numberText)) +
                                         "\" is not 0..99");
        }
        const std::int64_t frames = ParseCueTime(rest, line);
        if (*number <= m_lastIndex) {
            throw InteropError(line, "INDEX " + std::string(numberText) +
                                         " does not come after INDEX " +
                                         std::to_string(m_lastIndex) + " of this track");
        }
        if (frames < m_lastTime) {
            throw InteropError(line, "the index is earlier than the one above it");
        }
        m_lastIndex = *number;
        m_lastTime = frames;
        if (*number == 1) {
            m_track->start = ExactTime{frames, kCueFramesPerSecond};
        }
    }

    void EndTrack() {
        if (!m_track) {
            return;
        }
        if (!m_track->start) {
            throw InteropError(m_trackLine,
                               "track " + std::to_string(m_lastNumber) + " has no INDEX 01");
        }
        m_set.tracks.push_back(std::move(*m_track));
        m_track.reset();
    }

    MarkerSet m_set;
    std::optional<TrackEntry> m_track;
    std::size_t m_trackLine = 0;
    std::int64_t m_lastNumber = 0;
    std::int64_t m_lastIndex = -1;
    std::int64_t m_lastTime = 0;
    bool m_fileSeen = false;
};

std::string FileType(std::string_view file) {
    const std::size_t dot = file.rfind('.');
    const std::string extension = dot == std::string_view::npos ? "" : Upper(file.substr(dot + 1));
    if (extension == "MP3") {
        return "MP3";
    }
    if (extension == "AIF" || extension == "AIFF") {
        return "AIFF";
    }
    return "WAVE";
}

std::string CueTime(std::int64_t frames) {
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld",
                  static_cast<long long>(frames / (60 * kCueFramesPerSecond)),
                  static_cast<long long>(frames / kCueFramesPerSecond % 60),
                  static_cast<long long>(frames % kCueFramesPerSecond));
    return text;
}

void PutName(std::string& out, std::string_view indent, std::string_view keyword,
             std::string_view value) {
    const std::string clean = CleanName(value);
    if (!clean.empty()) {
        out.append(indent).append(keyword).append(" \"").append(clean).append("\"\n");
    }
}

} // namespace

MarkerSet ReadCueSheet(std::string_view bytes) {
    const std::vector<std::string> lines = DecodeLines(bytes);
    CueReader reader;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        reader.Line(lines[i], i + 1);
    }
    return reader.Finish();
}

std::string WriteCueSheet(const MarkerSet& set) {
    if (set.tracks.size() > kMaxMarkerFileTracks) {
        throw std::invalid_argument("a cue sheet holds at most " +
                                    std::to_string(kMaxMarkerFileTracks) + " tracks");
    }
    std::string out;
    PutName(out, "", "TITLE", set.title);
    PutName(out, "", "PERFORMER", set.artist);
    const std::string file = CleanName(set.file);
    if (!file.empty()) {
        out += "FILE \"" + file + "\" " + FileType(file) + "\n";
    }
    std::optional<ExactTime> previous;
    for (std::size_t i = 0; i < set.tracks.size(); ++i) {
        const TrackEntry& track = set.tracks[i];
        if (!track.start || track.start->ticks < 0) {
            throw std::invalid_argument("every track of a cue sheet needs a start at or after 0");
        }
        if (previous && CompareTimes(*track.start, *previous) < 0) {
            throw std::invalid_argument("the tracks of a cue sheet must be in time order");
        }
        previous = track.start;
        char number[24];
        std::snprintf(number, sizeof number, "%02zu", i + 1);
        out += "  TRACK " + std::string(number) + " AUDIO\n";
        PutName(out, "    ", "TITLE", track.title);
        PutName(out, "    ", "PERFORMER", track.artist);
        out += "    INDEX 01 " + CueTime(Rescaled(*track.start, kCueFramesPerSecond).ticks) + "\n";
    }
    return out;
}

} // namespace sundrel
