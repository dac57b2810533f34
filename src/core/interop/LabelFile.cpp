#include "core/interop/LabelFile.h"

#include "core/interop/ArtistTitle.h"
#include "core/interop/ExactTimeMath.h"
#include "core/interop/FieldText.h"
#include "core/interop/InteropLimits.h"
#include "core/interop/NameText.h"
#include "core/interop/TextLines.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>

namespace sundrel {

namespace {

constexpr std::int64_t kMicroseconds = 1'000'000;

constexpr std::size_t kMostDecimals = 9; // nanoseconds

// Seconds as Audacity and other programs write them: digits, optionally a point (or comma)
// and any number of decimals, kept exactly up to nine and rounded to the nearest nanosecond
// beyond; at least microseconds as the unit, so that six decimals and fewer compare equal.
std::optional<ExactTime> ParseSeconds(std::string_view text) {
    text = TrimBlanks(text);
    const std::size_t point = text.find_first_of(".,");
    const std::string_view whole = text.substr(0, point);
    std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    const auto seconds = ParseDigits(whole, 9);
    if (!seconds || (point != std::string_view::npos &&
                     (fraction.empty() ||
                      fraction.find_first_not_of("0123456789") != std::string_view::npos))) {
        return std::nullopt;
    }
    const bool roundUp = fraction.size() > kMostDecimals && fraction[kMostDecimals] >= '5';
    fraction = fraction.substr(0, std::min(fraction.size(), kMostDecimals));
    const auto decimals =
        fraction.empty() ? std::optional<std::int64_t>{0} : ParseDigits(fraction, kMostDecimals);
    std::int64_t perSecond = kMicroseconds;
    std::int64_t ticks = *decimals;
    for (std::size_t d = fraction.size(); d < 6; ++d) {
        ticks *= 10;
    }
    for (std::size_t d = 6; d < fraction.size(); ++d) {
        perSecond *= 10;
    }
    return ExactTime{*seconds * perSecond + ticks + (roundUp ? 1 : 0), perSecond};
}

ExactTime ParseSeconds(std::string_view text, std::string_view what, std::size_t line) {
    if (const auto time = ParseSeconds(text)) {
        return *time;
    }
    throw InteropError(line, "the " + std::string(what) + " \"" +
                                 std::string(Excerpt(TrimBlanks(text))) +
                                 "\" is not a time in seconds");
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
        // start<TAB>end<TAB>label, or start<TAB>label and a lone start as Audacity also
        // reads them: a second field that is no time is the label.
        const std::size_t tab1 = text.find('\t');
        if (tab1 == std::string_view::npos && !ParseSeconds(text)) {
            throw InteropError(line, "is not start, end and label separated by tabs");
        }
        const ExactTime start = ParseSeconds(text.substr(0, tab1), "start", line);
        std::string_view label;
        if (tab1 != std::string_view::npos) {
            const std::string_view rest = text.substr(tab1 + 1);
            const std::size_t tab2 = rest.find('\t');
            if (const auto end = ParseSeconds(rest.substr(0, tab2))) {
                if (CompareTimes(*end, start) < 0) {
                    throw InteropError(line, "the label ends before it starts");
                }
                label = tab2 == std::string_view::npos ? std::string_view{} : rest.substr(tab2 + 1);
            } else {
                label = rest;
            }
        }
        if (set.tracks.size() >= kMaxMarkerFileTracks) {
            throw InteropError(line,
                               "more than " + std::to_string(kMaxMarkerFileTracks) + " labels");
        }
        ArtistTitle name = SplitArtistTitle(label, NameSeparators::Dashes);
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
