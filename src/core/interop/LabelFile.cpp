#include "core/interop/LabelFile.h"

#include "core/interop/ArtistTitle.h"
#include "core/interop/ExactTimeMath.h"
#include "core/interop/FieldText.h"
#include "core/interop/InteropLimits.h"
#include "core/interop/NameText.h"
#include "core/interop/TextLines.h"

#include <cstdio>
#include <stdexcept>

namespace sundrel {

namespace {

constexpr std::int64_t kMicroseconds = 1'000'000;

// Seconds as Audacity writes them: digits, optionally a point (or comma) and up to nine
// decimals; at least microseconds as the unit, so that six decimals and fewer compare equal.
ExactTime ParseSeconds(std::string_view text, std::string_view what, std::size_t line) {
    text = TrimBlanks(text);
    const std::size_t point = text.find_first_of(".,");
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    const auto seconds = ParseDigits(whole, 9);
    const auto decimals =
        fraction.empty() ? std::optional<std::int64_t>{0} : ParseDigits(fraction, 9);
    if (!seconds || !decimals || (point != std::string_view::npos && fraction.empty())) {
        throw InteropError(line, "the " + std::string(what) + " \"" + std::string(Excerpt(text)) +
                                     "\" is not a time in seconds");
    }
    std::int64_t perSecond = kMicroseconds;
    std::int64_t ticks = *decimals;
    for (std::size_t d = fraction.size(); d < 6; ++d) {
        ticks *= 10;
    }
    for (std::size_t d = 6; d < fraction.size(); ++d) {
        perSecond *= 10;
    }
    return {*seconds * perSecond + ticks, perSecond};
}

std::string Seconds(ExactTime time) {
    const std::int64_t us = Rescaled(time, kMicroseconds).ticks;
    char text[48];
    std::snprintf(text, sizeof text, "%lld.%06lld", static_cast<long long>(us / kMicroseconds),
                  static_cast<long long>(us % kMicroseconds));
    return text;
}

} // namespace

MarkerSet ReadLabelFile(std::string_view bytes) {
    const std::vector<std::string> lines = DecodeLines(bytes);
    MarkerSet set;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t line = i + 1;
        const std::string_view text = lines[i];
        if (text.starts_with('\\') || TrimBlanks(text).empty()) {
            continue;
        }
        const std::size_t tab1 = text.find('\t');
        const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : text.find('\t', tab1 + 1);
        if (tab2 == std::string_view::npos) {
            throw InteropError(line, "is not start, end and label separated by tabs");
        }
        const ExactTime start = ParseSeconds(text.substr(0, tab1), "start", line);
        const ExactTime end = ParseSeconds(text.substr(tab1 + 1, tab2 - tab1 - 1), "end", line);
        if (CompareTimes(end, start) < 0) {
            throw InteropError(line, "the label ends before it starts");
        }
        if (set.tracks.size() >= kMaxMarkerFileTracks) {
            throw InteropError(line,
                               "more than " + std::to_string(kMaxMarkerFileTracks) + " labels");
        }
        ArtistTitle name = SplitArtistTitle(text.substr(tab2 + 1), NameSeparators::Dashes);
        CheckNameLength(name.artist, "artist", line);
        CheckNameLength(name.title, "title", line);
        set.tracks.push_back({start, std::move(name.title), std::move(name.artist)});
    }
    if (set.tracks.empty()) {
        throw InteropError(0, "the label file holds no label");
    }
    return set;
}

std::string WriteLabelFile(const MarkerSet& set) {
    std::string out;
    for (const TrackEntry& track : set.tracks) {
        if (!track.start || track.start->ticks < 0) {
            throw std::invalid_argument("every label needs a start at or after 0");
        }
        const std::string at = Seconds(*track.start);
        out += at + "\t" + at + "\t" +
               JoinArtistTitle(track.artist, track.title, NameSeparators::Dashes) + "\n";
    }
    return out;
}

} // namespace sundrel
