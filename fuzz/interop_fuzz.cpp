// Feeds arbitrary bytes to the cue sheet, label file and tracklist readers. Whatever a reader
// accepts must be written by the matching writer and read back: to the same starts (in the
// writer's unit), the same mix title, artist, file, date and genre, the same names as the
// writer puts them (a cue sheet's straight quotes become typographic ones; an artist that
// itself holds " - " is left out, since no "Artist - Title" text can tell it apart), and
// writing again must give the same text; a cue sheet's tracks keep their TRACK numbers. A tracklist
// writer may refuse names that would read back as times, and only those.
#include "core/interop/CueSheet.h"
#include "core/interop/ExactTimeMath.h"
#include "core/interop/InteropLimits.h"
#include "core/interop/LabelFile.h"
#include "core/interop/Tracklist.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

using namespace sundrel;

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

bool ArtistHoldsDash(const std::string& artist) {
    const std::string padded = " " + artist + " ";
    return padded.find(" - ") != std::string::npos ||
           padded.find(" \u2013 ") != std::string::npos ||
           padded.find(" \u2014 ") != std::string::npos;
}

std::string Same(std::string_view text) {
    return std::string(text);
}

template <typename Read, typename Write, typename Written>
void RoundTrip(std::string_view bytes, Read read, Write write, Written written, std::int64_t unit,
               bool splitsNames) {
    MarkerSet first;
    try {
        first = read(bytes);
    } catch (const InteropError&) {
        return;
    }
    Check(!first.tracks.empty() && first.tracks.size() <= kMaxMarkerFileTracks);
    std::string text;
    try {
        text = write(first);
    } catch (const std::invalid_argument&) {
        Check(unit == 1); // only the tracklist writer refuses what its reader read
        return;
    }
    const MarkerSet second = read(text); // throws, and so fails, if the writer's text is refused
    Check(second.title == written(first.title) && second.artist == written(first.artist) &&
          second.file == first.file);
    if (unit == 75) {
        Check(second.date == written(first.date) && second.genre == written(first.genre));
    }
    Check(second.tracks.size() == first.tracks.size());
    for (std::size_t i = 0; i < first.tracks.size(); ++i) {
        const TrackEntry& a = first.tracks[i];
        const TrackEntry& b = second.tracks[i];
        Check(a.start.has_value() == b.start.has_value());
        if (a.start) {
            Check(*b.start == Rescaled(*a.start, unit));
        }
        if (unit == 75) {
            Check(a.number == b.number); // a sheet's TRACK numbers are written back as read
        }
        if (!splitsNames || !ArtistHoldsDash(a.artist)) {
            Check(written(a.title) == b.title && written(a.artist) == b.artist);
        }
    }
    Check(write(second) == text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    RoundTrip(bytes, ReadCueSheet, WriteCueSheet, CueName, 75, false);
    RoundTrip(bytes, ReadLabelFile, WriteLabelFile, Same, 1'000'000, true);
    RoundTrip(bytes, ReadTracklist, WriteTracklist, Same, 1, true);
    return 0;
}
