#include "core/trackinfo/TrackInfoText.h"

#include <cmath>
#include <cstdio>

namespace sundrel {

namespace {

std::string Format(const char* format, double value) {
    char text[32];
    const int n = std::snprintf(text, sizeof text, format, value);
    std::string s(text, static_cast<std::size_t>(std::max(n, 0)));
    if (s == "-0.0" || s == "-0.00") {
        s.erase(0, 1); // a rounded-away sign reads as a fault
    }
    return s;
}

} // namespace

std::string BpmText(const TrackInfo& info) {
    return info.bpm > 0 ? Format("%.1f", info.bpm) : std::string();
}

std::string LufsText(const TrackInfo& info) {
    return info.HasLoudness() ? Format("%.1f", info.loudness.integrated) : std::string();
}

std::string TruePeakText(const TrackInfo& info) {
    if (!info.HasLoudness() || !(info.loudness.truePeak > 0)) {
        return {};
    }
    return Format("%.1f", 20.0 * std::log10(info.loudness.truePeak));
}

std::string TrackGainText(const TrackInfo& info) {
    if (!info.HasLoudness()) {
        return {};
    }
    std::string text = Format("%.2f", ReplayGain(info.loudness.integrated));
    text += " dB";
    return text;
}

std::string TrackPeakText(const TrackInfo& info) {
    return info.HasLoudness() ? Format("%.6f", info.loudness.truePeak) : std::string();
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
