#include "core/interop/CueSheet.h"

#include "core/interop/ExactTimeMath.h"
#include "core/interop/FieldText.h"
#include "core/interop/InteropLimits.h"
#include "core/interop/NameText.h"
#include "core/interop/TextLines.h"
#include "core/markers/TrackNumbers.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <tuple>

namespace sundrel {

namespace {

constexpr std::int64_t kCueFramesPerSecond = 75;
constexpr std::int64_t kMostCueMinutes = 999'999; // six digits of mm:ss:ff

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

// An INDEX time as written: three fields, read as mm:ss:ff (75 frames a second) or, in a
// rekordbox recording sheet, as h:mm:ss. Both readings order times alike, field by field.
struct RawTime {
    std::int64_t first = 0;
    std::int64_t second = 0;
    std::int64_t third = 0;
    std::size_t line = 0;
    std::string text;
    auto Key() const { return std::tuple(first, second, third); }
};

RawTime ParseRawTime(std::string_view text, std::size_t line) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    const std::string bad = "the time \"" + std::string(Excerpt(text)) + "\" is not mm:ss:ff";
    if (second == std::string_view::npos) {
        throw InteropError(line, bad);
    }
    const auto a = ParseDigits(text.substr(0, first), 6);
    const auto b = ParseDigits(text.substr(first + 1, second - first - 1), 2);
    const auto c = ParseDigits(text.substr(second + 1), 2);
    if (!a || !b || !c) {
        throw InteropError(line, bad);
    }
    if (*b >= 60) {
        throw InteropError(line, "the seconds of " + std::string(text) + " are past 59");
    }
    if (*c >= kCueFramesPerSecond) {
        throw InteropError(line,
                           "the frames of " + std::string(text) + " are past 74 (a second has 75)");
    }
    return {*a, *b, *c, line, std::string(text)};
}

bool IsDataTrackType(std::string_view upper) {
    constexpr std::array<std::string_view, 9> kTypes = {"MODE1/2048", "MODE1/2352", "MODE2/2048",
                                                        "MODE2/2324", "MODE2/2336", "MODE2/2352",
                                                        "CDG",        "CDI/2336",   "CDI/2352"};
    return std::find(kTypes.begin(), kTypes.end(), upper) != kTypes.end();
}

// Keywords of the cue sheet format (CD-TEXT included) that say nothing about where tracks
// start or what they are called here.
bool IsReadPast(std::string_view keyword) {
    constexpr std::array<std::string_view, 16> kKeywords = {
        "CATALOG",   "CDTEXTFILE", "FLAGS",     "ISRC",    "SONGWRITER", "PREGAP",
        "POSTGAP",   "COMPOSER",   "ARRANGER",  "MESSAGE", "DISC_ID",    "UPC_EAN",
        "TOC_INFO1", "TOC_INFO2",  "SIZE_INFO", "GENRE"};
    return std::find(kKeywords.begin(), kKeywords.end(), keyword) != kKeywords.end();
}

// A REM value: quoted or not, an unclosed quote taken as text.
std::string RemValue(std::string_view rest) {
    rest = TrimBlanks(rest);
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
        rest = rest.substr(1, rest.size() - 2);
    }
    std::string value = CleanName(rest);
    if (value.size() > kMaxNameBytes) {
        value.clear(); // a remark, not worth refusing the sheet for
    }
    return value;
}

// A track as read so far.
struct PendingTrack {
    TrackEntry entry;
    std::int64_t number = 0;
    std::size_t line = 0;
    std::string dataType; // MODE1/2352 ...; empty for an audio track
    bool indexed = false;
    std::optional<RawTime> start; // INDEX 01
};

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
            Remark(rest);
        } else if (keyword == "TITLE") {
            (m_track ? m_track->entry.title : m_set.title) = ParseName(rest, "title", line);
        } else if (keyword == "PERFORMER") {
            (m_track ? m_track->entry.artist : m_set.artist) = ParseName(rest, "performer", line);
        } else if (keyword == "FILE") {
            File(rest, line);
        } else if (keyword == "TRACK") {
            Track(rest, line);
        } else if (keyword == "INDEX") {
            Index(rest, line);
        } else if (!IsReadPast(keyword)) {
            throw InteropError(line, "unknown command \"" + std::string(Excerpt(keyword)) + "\"");
        }
    }

    MarkerSet Finish() {
        EndTrack();
        if (m_tracks.empty()) {
            throw InteropError(0, m_dataTracks > 0 ? "the cue sheet holds only data tracks"
                                                   : "the cue sheet holds no TRACK");
        }
        const bool clock = ReadsClockTimes();
        for (PendingTrack& track : m_tracks) {
            const RawTime& t = *track.start;
            if (clock) {
                if (t.third >= 60) {
                    throw InteropError(t.line, "the seconds of " + t.text +
                                                   " are past 59 (this sheet gives h:mm:ss)");
                }
                if (t.first * 60 + t.second > kMostCueMinutes) {
                    throw InteropError(t.line, "the time " + t.text + " is longer than " +
                                                   std::to_string(kMostCueMinutes) +
                                                   " minutes, which no cue sheet can hold");
                }
                track.entry.start = ExactTime{(t.first * 60 + t.second) * 60 + t.third, 1};
            } else {
                track.entry.start = ExactTime{
                    (t.first * 60 + t.second) * kCueFramesPerSecond + t.third, kCueFramesPerSecond};
            }
            m_set.tracks.push_back(std::move(track.entry));
        }
        m_set.leadInIsPregap = true;
        return std::move(m_set);
    }

  private:
    void Remark(std::string_view rest) {
        const std::string word = Upper(TakeWord(rest));
        if (m_track) {
            return;
        }
        if (word == "DATE") {
            m_set.date = RemValue(rest);
        } else if (word == "GENRE") {
            m_set.genre = RemValue(rest);
        } else if (word == "RECORDED_BY") {
            m_rekordbox = Upper(rest).find("REKORDBOX") != std::string::npos;
        }
    }

    // Whether the INDEX times are h:mm:ss. rekordbox says so by its REM RECORDED_BY line; a
    // sheet that names a played file inside each track without saying who wrote it is read
    // the same way unless a time fits only mm:ss:ff, and the reading taken is noted.
    bool ReadsClockTimes() {
        if (m_rekordbox) {
            return true;
        }
        if (m_sourceFiles == 0) {
            return false;
        }
        const RawTime* proof = nullptr;
        for (const PendingTrack& track : m_tracks) {
            if (track.start->third >= 60 || track.start->first >= 24) {
                proof = &*track.start;
                break;
            }
        }
        const std::string what = "the sheet names a played file inside each track, as a "
                                 "rekordbox recording sheet does, but not the program that wrote "
                                 "it: ";
        if (proof) {
            m_set.notes.push_back(what + "read its times as mm:ss:ff, which line " +
                                  std::to_string(proof->line) + " (" + proof->text + ") needs");
            return false;
        }
        m_set.notes.push_back(what + "read its times as h:mm:ss, as rekordbox writes them (" +
                              m_tracks.back().start->text + " is " +
                              ClockText(*m_tracks.back().start) +
                              "); were they mm:ss:ff, the tracks would all lie in the first " +
                              std::to_string(m_tracks.back().start->first + 1) + " minutes");
        return true;
    }

    static std::string ClockText(const RawTime& t) {
        char text[64];
        std::snprintf(text, sizeof text, "%lld h %02lld min %02lld s",
                      static_cast<long long>(t.first), static_cast<long long>(t.second),
                      static_cast<long long>(t.third));
        return text;
    }

    void File(std::string_view rest, std::size_t line) {
        std::string file = ParseFile(rest, line);
        if (m_track && !m_track->indexed) {
            // Inside a track before its indexes: the file the track was played from, as a
            // recording program notes it, unless it repeats the recording's own.
            if (!(m_fileSeen && file == m_set.file)) {
                m_track->entry.sourceFile = std::move(file);
                ++m_sourceFiles;
            }
            return;
        }
        if (m_fileSeen && file != m_set.file) {
            throw InteropError(line, "a second FILE (\"" + std::string(Excerpt(file)) +
                                         "\" after \"" + std::string(Excerpt(m_set.file)) +
                                         "\"): the sheet describes several audio files, as a "
                                         "sheet for a CD's tracks does, not one recording");
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
        const std::string type = Upper(rest);
        if (type != "AUDIO" && !IsDataTrackType(type)) {
            throw InteropError(line, "track " + std::to_string(*number) + " is not AUDIO (\"" +
                                         std::string(Excerpt(rest)) + "\" is no track type)");
        }
        if (m_tracks.size() >= kMaxMarkerFileTracks) {
            throw InteropError(line,
                               "more than " + std::to_string(kMaxMarkerFileTracks) + " tracks");
        }
        m_lastNumber = *number;
        m_track.emplace();
        m_track->number = *number;
        m_track->entry.number = static_cast<int>(*number);
        m_track->line = line;
        if (type != "AUDIO") {
            m_track->dataType = type;
        }
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
        RawTime time = ParseRawTime(rest, line);
        if (*number <= m_lastIndex) {
            throw InteropError(line, "INDEX " + std::string(numberText) +
                                         " does not come after INDEX " +
                                         std::to_string(m_lastIndex) + " of this track");
        }
        if (m_lastTime && time.Key() < m_lastTime->Key()) {
            throw InteropError(line, "the index is earlier than the one above it");
        }
        m_lastIndex = *number;
        m_lastTime = time;
        m_track->indexed = true;
        if (*number == 1) {
            m_track->start = std::move(time);
        }
    }

    void EndTrack() {
        if (!m_track) {
            return;
        }
        if (!m_track->start) {
            throw InteropError(m_track->line,
                               "track " + std::to_string(m_track->number) + " has no INDEX 01");
        }
        if (!m_track->dataType.empty()) {
            ++m_dataTracks;
            m_set.notes.push_back("line " + std::to_string(m_track->line) + ": track " +
                                  std::to_string(m_track->number) + " is a data track (" +
                                  m_track->dataType + "); skipped");
        } else {
            m_tracks.push_back(std::move(*m_track));
        }
        m_track.reset();
    }

    MarkerSet m_set;
    std::vector<PendingTrack> m_tracks;
    std::optional<PendingTrack> m_track;
    std::int64_t m_lastNumber = 0;
    std::int64_t m_lastIndex = -1;
    std::optional<RawTime> m_lastTime;
    std::size_t m_sourceFiles = 0;
    std::size_t m_dataTracks = 0;
    bool m_fileSeen = false;
    bool m_rekordbox = false;
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
    const std::string clean = CueName(value);
    if (!clean.empty()) {
        out.append(indent).append(keyword).append(" \"").append(clean).append("\"\n");
    }
}

} // namespace

std::string CueName(std::string_view text) {
    const std::string clean = CleanName(text);
    std::string out;
    out.reserve(clean.size());
    for (std::size_t i = 0; i < clean.size(); ++i) {
        if (clean[i] != '"') {
            out += clean[i];
            continue;
        }
        // An opening quote at the start or after a blank or a bracket, a closing one (which
        // also stands for an inch mark) elsewhere.
        const bool opening =
            i == 0 || clean[i - 1] == ' ' || clean[i - 1] == '(' || clean[i - 1] == '[';
        out += opening ? "\u201C" : "\u201D";
    }
    return out;
}

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
    const std::string date = CueName(set.date);
    if (!date.empty()) {
        out += date.find(' ') == std::string::npos ? "REM DATE " + date + "\n"
                                                   : "REM DATE \"" + date + "\"\n";
    }
    PutName(out, "", "REM GENRE", set.genre);
    PutName(out, "", "TITLE", set.title);
    PutName(out, "", "PERFORMER", set.artist);
    const std::string file = CleanName(set.file);
    if (!file.empty()) {
        out += "FILE \"" + file + "\" " + FileType(file) + "\n";
    }
    // The tracks' own numbers where they rise from 1 and stay within 999, else 1, 2, ...
    std::vector<int> own;
    for (const TrackEntry& track : set.tracks) {
        own.push_back(track.number);
    }
    std::vector<int> numbers = TrackNumbers(own);
    if (!numbers.empty() && (numbers.front() < 1 || numbers.back() > 999)) {
        numbers = TrackNumbers(std::vector<int>(numbers.size(), 0));
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
        std::snprintf(number, sizeof number, "%02d", numbers[i]);
        out += "  TRACK " + std::string(number) + " AUDIO\n";
        PutName(out, "    ", "TITLE", track.title);
        PutName(out, "    ", "PERFORMER", track.artist);
        out += "    INDEX 01 " + CueTime(Rescaled(*track.start, kCueFramesPerSecond).ticks) + "\n";
    }
    return out;
}

} // namespace sundrel
