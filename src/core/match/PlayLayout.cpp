#include "core/match/PlayLayout.h"

#include <algorithm>

namespace sundrel {

namespace {

double Strength(const TrackPlay& p) {
    return double(p.matches) * (0.5 + p.confidence);
}

// Whether `weak` lies mostly inside one of the `kept` plays: it adds nothing a listener would
// hear as a track. Or almost wholly inside them together while the mix holds less than
// kFaintShare of its landmarks than of theirs: music sharing a passage with the tracks on
// either side of a blend. A short track blended at both ends is still matched about as well
// as they are, though their landmark ends may reach far into it.
constexpr double kFaintShare = 0.5;
bool Covered(const TrackPlay& weak, const std::vector<FilePlay>& kept) {
    const double length = weak.end - weak.start;
    std::vector<Stretch> inside;
    bool faint = true;
    for (const FilePlay& k : kept) {
        const Stretch s{std::max(weak.start, k.play.start), std::min(weak.end, k.play.end)};
        if (s.end > s.start) {
            if (s.end - s.start > 0.8 * length) {
                return true;
            }
            inside.push_back(s);
            faint = faint && weak.confidence < kFaintShare * k.play.confidence;
        }
    }
    if (!faint) {
        return false;
    }
    std::sort(inside.begin(), inside.end(),
              [](const Stretch& a, const Stretch& b) { return a.start < b.start; });
    double joint = 0.0;
    double reached = weak.start;
    for (const Stretch& s : inside) {
        joint += std::max(0.0, s.end - std::max(s.start, reached));
        reached = std::max(reached, s.end);
    }
    return joint > 0.9 * length;
}

} // namespace

std::optional<BoundaryPlace> ParseBoundaryPlace(std::string_view text) {
    if (text == "start") {
        return BoundaryPlace::Start;
    }
    if (text == "middle") {
        return BoundaryPlace::Middle;
    }
    if (text == "end") {
        return BoundaryPlace::End;
    }
    return std::nullopt;
}

Layout LayOutPlays(std::vector<FilePlay> plays, double mixSeconds, BoundaryPlace place) {
    std::sort(plays.begin(), plays.end(), [](const FilePlay& a, const FilePlay& b) {
        return Strength(a.play) > Strength(b.play);
    });
    Layout layout;
    for (const FilePlay& p : plays) {
        if (!Covered(p.play, layout.plays)) {
            layout.plays.push_back(p);
        }
    }
    std::sort(layout.plays.begin(), layout.plays.end(),
              [](const FilePlay& a, const FilePlay& b) { return a.play.start < b.play.start; });

    double covered = 0.0; // the end of the audio the plays so far cover
    for (std::size_t i = 0; i < layout.plays.size(); ++i) {
        const TrackPlay& in = layout.plays[i].play;
        if (i == 0 || in.start - covered > kUnknownSeconds) {
            const double from = i == 0 ? 0.0 : covered;
            if (in.start - from > kUnknownSeconds) {
                layout.unknown.push_back({from, in.start});
                layout.boundaries.push_back({from, std::nullopt});
                layout.boundaries.push_back({in.start, i});
            } else {
                layout.boundaries.push_back({i == 0 ? 0.0 : in.start, i});
            }
        } else {
            const double end = covered;
            double at = 0.5 * (in.start + end);
            const std::optional<double>& middle = layout.plays[i].middle;
            if (middle && *middle >= std::min(in.start, end) - 1.0 &&
                *middle <= std::max(in.start, end) + 1.0) {
                at = *middle;
            }
            if (place == BoundaryPlace::Start) {
                at = in.start;
            } else if (place == BoundaryPlace::End) {
                at = std::max(end, in.start);
            }
            // Never before the previous boundary: a play that starts inside the previous
            // one's first moments still starts after it.
            at = std::max(at, layout.boundaries.back().seconds + 0.001);
            layout.boundaries.push_back({at, i});
        }
        covered = std::max(covered, in.end);
    }
    if (layout.plays.empty()) {
        layout.unknown.push_back({0.0, mixSeconds});
        layout.boundaries.push_back({0.0, std::nullopt});
    } else if (mixSeconds - covered > kUnknownSeconds) {
        layout.unknown.push_back({covered, mixSeconds});
        layout.boundaries.push_back({covered, std::nullopt});
    }
    return layout;
}

} // namespace sundrel
