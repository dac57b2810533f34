#include "core/trackinfo/TrackInfoText.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace sundrel {

namespace {

// `value` with `decimals` digits after a point, whatever the process's locale: tags and the
// command line's output are read by programs that expect "128.0", and the window runs in the
// user's locale, where printf would write "128,0".
std::string Format(int decimals, double value) {
    char text[64];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    std::string s = error == std::errc{} ? std::string(text, end) : std::string();
    if (s == "-0.0" || s == "-0.00") {
        s.erase(0, 1); // a rounded-away sign reads as a fault
    }
    return s;
}

} // namespace

std::string BpmText(const TrackInfo& info) {
    return info.bpm > 0 ? Format(1, info.bpm) : std::string();
}

std::string LufsText(const TrackInfo& info) {
    return info.HasLoudness() ? Format(1, info.loudness.integrated) : std::string();
}

std::string TruePeakText(const TrackInfo& info) {
    if (!info.HasLoudness() || !(info.loudness.truePeak > 0)) {
        return {};
    }
    return Format(1, 20.0 * std::log10(info.loudness.truePeak));
}

std::string TrackGainText(const TrackInfo& info) {
    if (!info.HasLoudness()) {
        return {};
    }
    std::string text = Format(2, ReplayGain(info.loudness.integrated));
    text += " dB";
    return text;
}

std::string TrackPeakText(const TrackInfo& info) {
    return info.HasLoudness() ? Format(6, info.loudness.truePeak) : std::string();
}

void AddTrackInfoTags(std::vector<TrackTags>& tags, std::span<const TrackInfo> infos) {
    for (std::size_t i = 0; i < tags.size() && i < infos.size(); ++i) {
        tags[i].bpm = BpmText(infos[i]);
        tags[i].key = infos[i].key ? KeyShortName(*infos[i].key) : std::string();
        tags[i].trackGain = TrackGainText(infos[i]);
        tags[i].trackPeak = TrackPeakText(infos[i]);
    }
}

} // namespace sundrel
