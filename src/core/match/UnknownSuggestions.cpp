#include "core/match/UnknownSuggestions.h"

#include "core/analysis/SuggestBoundaries.h"
#include "core/audio/WaveFile.h"
#include "core/markers/Marker.h"

#include <algorithm>

namespace sundrel {

std::vector<Stretch> StretchesToSuggestIn(std::span<const Stretch> stretches,
                                          const SuggestOptions& options) {
    std::vector<Stretch> out;
    for (const Stretch& s : stretches) {
        if (s.end - s.start >= 2.0 * options.minTrackSeconds) {
            out.push_back(s);
        }
    }
    return out;
}

std::vector<Suggestion> SuggestInStretches(const std::filesystem::path& mix,
                                           std::span<const Stretch> stretches,
                                           const SuggestOptions& options,
                                           const AnalysisProgress& progress, std::stop_token stop) {
    const std::vector<Stretch> read = StretchesToSuggestIn(stretches, options);
    std::vector<Suggestion> out;
    if (read.empty()) {
        if (progress) {
            progress(1.0);
        }
        return out;
    }
    const CWaveFile wave(mix);
    const std::uint32_t rate = wave.m_wfx.nSamplesPerSec;
    const std::uint32_t frameSize = wave.GetFormat().FrameSize();
    const std::int64_t frames =
        frameSize ? static_cast<std::int64_t>(wave.m_nDataSize / frameSize) : 0;
    double total = 0.0;
    for (const Stretch& s : read) {
        total += s.end - s.start;
    }
    double done = 0.0;
    for (const Stretch& s : read) {
        const double share = (s.end - s.start) / total;
        const AnalysisProgress part = [&progress, done, share](double p) {
            if (progress) {
                progress(done + share * p);
            }
        };
        SuggestResult result =
            SuggestBoundariesIn(mix, FrameAtSeconds(s.start, rate, frames),
                                FrameAtSeconds(s.end, rate, frames), options, part, stop);
        for (Suggestion& suggestion : result.suggestions) {
            out.push_back(std::move(suggestion));
        }
        done += share;
    }
    std::sort(out.begin(), out.end(),
              [](const Suggestion& a, const Suggestion& b) { return a.frame < b.frame; });
    return out;
}

} // namespace sundrel
