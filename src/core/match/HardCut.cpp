#include "core/match/HardCut.h"

#include "core/analysis/FrameFft.h"
#include "core/match/Landmarks.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace sundrel {

namespace {

constexpr std::size_t kShortFft = 128; // 16 ms
constexpr std::int64_t kShortHop = 16; // 2 ms
constexpr std::size_t kShortBands = 8;
using Shape = std::array<float, kShortBands>;

// Band magnitudes of the frame centred on `centre`, bands doubling in width.
template <typename Fetch>
Shape ShapeAt(FrameFft& fft, std::vector<float>& frame, const Fetch& fetch) {
    for (std::size_t i = 0; i < kShortFft; ++i) {
        frame[i] = fetch(std::int64_t(i) - std::int64_t(kShortFft / 2));
    }
    const std::span<const float> power = fft.Compute(frame);
    Shape shape{};
    std::size_t first = 1;
    for (std::size_t b = 0; b < kShortBands; ++b) {
        const std::size_t last = std::min(power.size(), first + (std::size_t(1) << (b / 2)) * 2);
        float sum = 0.0f;
        for (std::size_t k = first; k < last; ++k) {
            sum += power[k];
        }
        shape[b] = std::sqrt(sum);
        first = last;
    }
    return shape;
}

float Similarity(const Shape& x, const Shape& y) {
    float xy = 0.0f, xx = 0.0f, yy = 0.0f;
    for (std::size_t b = 0; b < kShortBands; ++b) {
        xy += x[b] * y[b];
        xx += x[b] * x[b];
        yy += y[b] * y[b];
    }
    return xx > 0.0f && yy > 0.0f ? xy / std::sqrt(xx * yy) : 0.0f;
}

float SnippetSample(const FileSnippet& s, double fileSeconds) {
    const auto at = std::llround((fileSeconds - s.fileStart) * kMatchRate);
    return at >= 0 && at < std::int64_t(s.samples.size()) ? s.samples[std::size_t(at)] : 0.0f;
}

// Whether the snippet holds the short frame centred on file second `fileSeconds` (read at
// `step` file seconds per sample), counting the silence before the file's start and after
// its end as held.
bool Holds(const FileSnippet& s, double fileSeconds, double step) {
    const double half = 0.5 * double(kShortFft) * step;
    const double end = s.fileStart + double(s.samples.size()) / kMatchRate;
    return (fileSeconds - half >= s.fileStart || s.fileStart <= 0.0) &&
           (fileSeconds + half <= end || s.toEnd);
}

} // namespace

FileSnippet SnippetAround(std::span<const float> file, double at) {
    const auto first = std::max<std::int64_t>(0, std::llround((at - kSnippetSeconds) * kMatchRate));
    const auto last = std::min<std::int64_t>(std::int64_t(file.size()),
                                             std::llround((at + kSnippetSeconds) * kMatchRate));
    FileSnippet snippet;
    snippet.fileStart = double(first) / kMatchRate;
    snippet.toEnd = last == std::int64_t(file.size());
    if (last > first) {
        snippet.samples.assign(file.begin() + first, file.begin() + last);
    }
    return snippet;
}

double RefineCut(std::span<const std::int16_t> mix, double coarse, const TrackPlay& out,
                 const FileSnippet& outTail, const TrackPlay& in, const FileSnippet& inHead) {
    const double reach = kCutReachSeconds;
    const auto centre = std::llround(coarse * kMatchRate);
    const auto first = std::max<std::int64_t>(kShortFft, centre - std::llround(reach * kMatchRate));
    const auto last = std::min<std::int64_t>(std::int64_t(mix.size()) - std::int64_t(kShortFft),
                                             centre + std::llround(reach * kMatchRate));
    if (last <= first) {
        return coarse;
    }
    FrameFft fft(kShortFft);
    std::vector<float> frame(kShortFft);
    std::vector<double> lead; // similarity to `out` minus similarity to `in`, every 2 ms
    for (std::int64_t at = first; at <= last; at += kShortHop) {
        const double seconds = double(at) / kMatchRate;
        const Shape m = ShapeAt(fft, frame, [&](std::int64_t d) {
            return float(mix[std::size_t(at + d)]) * (1.0f / 32768.0f);
        });
        const double outFile = out.FileAt(seconds);
        const Shape a = ShapeAt(fft, frame, [&](std::int64_t d) {
            return SnippetSample(outTail, outFile + double(d) * out.ratio / kMatchRate);
        });
        const double inFile = in.FileAt(seconds);
        const Shape b = ShapeAt(fft, frame, [&](std::int64_t d) {
            return SnippetSample(inHead, inFile + double(d) * in.ratio / kMatchRate);
        });
        // Where a snippet does not reach (a play's landmarks ending far from the cut), the
        // file is not known there: silence would lose every comparison. No lead either way.
        const bool known = Holds(outTail, outFile, out.ratio / kMatchRate) &&
                           Holds(inHead, inFile, in.ratio / kMatchRate);
        lead.push_back(known ? double(Similarity(m, a)) - double(Similarity(m, b)) : 0.0);
    }
    if (std::all_of(lead.begin(), lead.end(), [](double l) { return l == 0.0; })) {
        return coarse; // neither file known around the cut
    }
    // The split s maximising sum(lead before s) - sum(lead from s on).
    double total = 0.0;
    for (const double l : lead) {
        total += l;
    }
    double before = 0.0;
    double best = -total;
    std::size_t split = 0;
    for (std::size_t s = 1; s <= lead.size(); ++s) {
        before += lead[s - 1];
        const double score = 2.0 * before - total;
        if (score > best) {
            best = score;
            split = s;
        }
    }
    // Split s lies between the frames centred on s - 1 and s.
    const double at = double(first) + (double(split) - 0.5) * double(kShortHop);
    return at / kMatchRate;
}

std::optional<double> CutAtFileEdge(const TrackPlay& out, double outSeconds, const TrackPlay& in,
                                    double reach) {
    const double low = std::min(out.end, in.start) - reach;
    const double high = std::max(out.end, in.start) + reach;
    if (in.ratio > 0.0) {
        const double inBegins = in.start - in.offset / in.ratio;
        if (inBegins >= low && inBegins <= high) {
            return inBegins;
        }
    }
    if (out.ratio > 0.0 && outSeconds > 0.0) {
        const double outEnds = out.start + (outSeconds - out.offset) / out.ratio;
        if (outEnds >= low && outEnds <= high) {
            return outEnds;
        }
    }
    return std::nullopt;
}

} // namespace sundrel
