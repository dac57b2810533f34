#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace sundrel {

// A time exactly as a marker file wrote it: `ticks` of 1/`perSecond` second (a cue sheet
// counts 1/75 s, a label file microseconds, a tracklist whole seconds). Kept exact so that it
// becomes the nearest sample frame at any rate without a detour through floating point.
struct ExactTime {
    std::int64_t ticks = 0;
    std::int64_t perSecond = 1;
    friend bool operator==(const ExactTime&, const ExactTime&) = default;
};

// One track of a marker file: where it starts (when the file says) and its names (UTF-8).
struct TrackEntry {
    std::optional<ExactTime> start;
    std::string title;
    std::string artist;
    // The file the track was played from, as a recording program's cue sheet names it inside
    // the track (rekordbox); empty otherwise.
    std::string sourceFile{};
    // The track's number in its cue sheet (TRACK nn, 1..999); 0 for label files and tracklists,
    // whose tracks are numbered by their place.
    int number = 0;
    friend bool operator==(const TrackEntry&, const TrackEntry&) = default;
};

// What a cue sheet, a label file or a tracklist holds: the tracks in the file's order and,
// where the format has them, the mix's own title and artist and the audio file it names.
struct MarkerSet {
    std::string title;  // the mix (a cue sheet's TITLE before its first TRACK)
    std::string artist; // the mix (a cue sheet's PERFORMER before its first TRACK)
    std::string file;   // the audio file a cue sheet's FILE line names, as written
    std::string date;   // a cue sheet's REM DATE ("2026-12-05", "1997")
    std::string genre;  // a cue sheet's REM GENRE
    std::vector<TrackEntry> tracks;
    // A cue sheet: the audio before its first track's INDEX 01 is that track's pregap (or the
    // second a recording program ran before it) and belongs to it. A label file or a tracklist
    // that starts later leaves out a part of the mix it does not name.
    bool leadInIsPregap = false;
    // What the reader read past or had to guess, one sentence each ("line 40: track 13 is a
    // data track (MODE2/2336); skipped"): worth telling the user, no reason to refuse the file.
    std::vector<std::string> notes;
    friend bool operator==(const MarkerSet&, const MarkerSet&) = default;
};

// A marker file that cannot be read; the message says which line (counting from 1) and why.
class InteropError : public std::runtime_error {
  public:
    InteropError(std::size_t line, const std::string& reason)
        : std::runtime_error(line == 0 ? reason : "line " + std::to_string(line) + ": " + reason),
          m_line(line) {}
    // The line at fault, or 0 when the fault is the file as a whole.
    std::size_t Line() const { return m_line; }

  private:
    std::size_t m_line;
};

} // namespace sundrel
