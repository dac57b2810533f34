#include "core/match/MatchTracks.h"

#include "core/decode/AudioDecoder.h"
#include "core/match/Handover.h"
#include "core/match/HardCut.h"
#include "core/match/Landmarks.h"
#include "core/match/MixIndex.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace sundrel {

namespace {

// Plays whose ends lie this close together are a hard cut, not a blend.
constexpr double kHardCutSeconds = 2.5;
// Gaps between plays up to this long are looked at as a blend of the two.
constexpr double kBridgedGapSeconds = 20.0;

struct FoundPlay {
    FilePlay play;
    FileSnippet head;                                 // the file around the play's start
    FileSnippet tail;                                 // around its end
    std::shared_ptr<const std::vector<float>> levels; // the file's LevelSpectra
    double fileSeconds = 0.0;                         // the file's length
};

struct Shared {
    Shared(const MixIndex& i, const std::vector<std::filesystem::path>& f, const MatchOptions& o,
           const MatchProgress& p, std::stop_token s)
        : index(i), files(f), options(o), progress(p), stop(std::move(s)) {}
    const MixIndex& index;
    const std::vector<std::filesystem::path>& files;
    const MatchOptions& options;
    const MatchProgress& progress;
    std::stop_token stop;
    std::atomic<std::size_t> next{0};
    std::mutex lock; // guards everything below
    std::size_t done = 0;
    std::vector<FoundPlay> found;
    std::vector<SkippedFile> skipped;
    std::vector<FileTags> tags;
    std::exception_ptr failure;
};

constexpr double kMixShare = 0.25; // of the progress: decoding and indexing the mix

void Work(Shared& shared) {
    for (;;) {
        if (shared.stop.stop_requested()) {
            return;
        }
        const std::size_t i = shared.next.fetch_add(1);
        if (i >= shared.files.size()) {
            return;
        }
        std::vector<FoundPlay> found;
        std::string reason;
        FileTags tags = ReadFileTags(shared.files[i]);
        try {
            const std::vector<float> audio = DecodeMono(shared.files[i], kMatchRate);
            const std::vector<SpectralPeak> peaks = FindPeaks(audio);
            const std::vector<PeakPair> pairs = MakePairs(peaks);
            const auto frames = static_cast<std::int32_t>(audio.size() / kMatchHop + 1);
            std::shared_ptr<const std::vector<float>> levels;
            for (const TrackPlay& play :
                 AlignTrack(shared.index, pairs, frames, shared.options.align)) {
                if (!levels) {
                    levels = std::make_shared<const std::vector<float>>(LevelSpectra(audio));
                }
                const double fileEnd = play.FileAt(play.end);
                found.push_back({{play, i, 0, std::nullopt},
                                 SnippetAround(audio, play.offset),
                                 SnippetAround(audio, fileEnd),
                                 levels,
                                 double(audio.size()) / kMatchRate});
            }
        } catch (const DecodeError& e) {
            reason = e.what();
        } catch (...) {
            const std::lock_guard guard(shared.lock);
            shared.failure = std::current_exception();
            return;
        }
        const std::lock_guard guard(shared.lock);
        shared.tags[i] = std::move(tags);
        if (!reason.empty()) {
            shared.skipped.push_back({shared.files[i], reason});
        }
        for (FoundPlay& f : found) {
            shared.found.push_back(std::move(f));
        }
        ++shared.done;
        if (shared.progress) {
            shared.progress(kMixShare +
                            (1.0 - kMixShare) * double(shared.done) / double(shared.files.size()));
        }
    }
}

// Moves each boundary between two plays that meet in a hard cut onto the exact cut.
// `cutNear[id]` holds, for each play that a hard cut starts (by its index in `found`), about
// where the cut lies (see FollowHandovers).
void RefineHardCuts(Layout& layout, std::span<const std::int16_t> mix,
                    const std::vector<FoundPlay>& found,
                    const std::vector<std::optional<double>>& cutNear) {
    for (std::size_t k = 1; k < layout.boundaries.size(); ++k) {
        Boundary& b = layout.boundaries[k];
        if (!b.play || *b.play == 0 || !layout.boundaries[k - 1].play) {
            continue;
        }
        const FoundPlay& out = found[layout.plays[*b.play - 1].id];
        const FoundPlay& in = found[layout.plays[*b.play].id];
        const std::optional<double> coarse = cutNear[layout.plays[*b.play].id];
        if (!coarse) {
            continue; // a blend
        }
        // The incoming file's start or the outgoing file's end when one lies at the cut, else
        // the split the short spectra show.
        TrackPlay outNear = out.play.play;
        TrackPlay inNear = in.play.play;
        outNear.end = *coarse;
        inNear.start = *coarse;
        inNear.offset = in.play.play.FileAt(*coarse);
        std::optional<double> exact = CutAtFileEdge(outNear, out.fileSeconds, inNear);
        if (!exact) {
            exact = RefineCut(mix, *coarse, out.play.play, out.tail, in.play.play, in.head);
        }
        const double floor = layout.boundaries[k - 1].seconds + 0.001;
        b.seconds = std::max(*exact, floor);
    }
}

// Each blend's ends from the tracks' levels (FindHandover) instead of their landmarks; each
// hard cut, where the levels show one (the two tracks audible together for no longer than
// kHardCutSeconds) or, where they cannot tell, the landmarks do (their ends as close), is
// left to RefineHardCuts with about where it lies in `cutNear`. A quiet intro or outro has
// few landmarks, so the landmarks alone take some blends for cuts and some cuts for blends.
std::vector<FilePlay> FollowHandovers(const Layout& layout, std::span<const float> mixLevels,
                                      const std::vector<FoundPlay>& found,
                                      std::vector<std::optional<double>>& cutNear) {
    std::vector<FilePlay> plays = layout.plays;
    cutNear.assign(found.size(), std::nullopt);
    for (std::size_t k = 1; k < layout.boundaries.size(); ++k) {
        const Boundary& b = layout.boundaries[k];
        if (!b.play || *b.play == 0) {
            continue;
        }
        const FilePlay& in = layout.plays[*b.play];
        const FilePlay& out = layout.plays[*b.play - 1];
        // A short gap between two plays may be both tracks at their quietest; a longer one is
        // a blend still where the one file, on its play's line, sounds into the other play (an
        // outro or intro without landmarks).
        const bool longGap =
            !layout.boundaries[k - 1].play && in.play.start - out.play.end > kBridgedGapSeconds;
        if (longGap && !LinesMeet(out.play, found[out.id].fileSeconds, in.play)) {
            continue;
        }
        const Handover h =
            FindHandover(mixLevels, out.play, *found[out.id].levels, in.play, *found[in.id].levels);
        if (longGap && !(h.middle && h.outEnd >= h.inStart)) {
            continue; // the levels do not hear the two tracks meet: the gap stays unknown
        }
        const double landmarkEnd = found[out.id].play.play.end;
        const double landmarkStart = found[in.id].play.play.start;
        const bool cut = h.middle ? h.outEnd - h.inStart <= kHardCutSeconds
                                  : std::abs(landmarkEnd - landmarkStart) <= kHardCutSeconds;
        if (cut) {
            // The outgoing track ends and the incoming one begins at the cut: no stretch
            // between them is left to no file.
            const double at = h.middle.value_or(0.5 * (landmarkEnd + landmarkStart));
            cutNear[in.id] = at;
            TrackPlay& cutIn = plays[*b.play].play;
            cutIn.offset = in.play.FileAt(at);
            cutIn.start = at;
            plays[*b.play - 1].play.end = at;
            continue;
        }
        TrackPlay& newIn = plays[*b.play].play;
        newIn.offset = in.play.FileAt(h.inStart);
        newIn.start = h.inStart;
        plays[*b.play].middle = h.middle;
        plays[*b.play - 1].play.end = h.outEnd;
    }
    // The handovers on both sides of a short play can cross inside it: it then plays for no
    // time rather than ending before it starts.
    for (FilePlay& p : plays) {
        p.play.end = std::max(p.play.end, p.play.start);
    }
    return plays;
}

} // namespace

MatchResult MatchTracks(const std::filesystem::path& mix,
                        const std::vector<std::filesystem::path>& files,
                        const MatchOptions& options, const MatchProgress& progress,
                        std::stop_token stop) {
    if (progress) {
        progress(0.0);
    }
    // The mix stays in memory as 16-bit samples at the analysis rate (115 MB for two hours)
    // for the exact placing of hard cuts.
    std::vector<std::int16_t> mono;
    DecodeMonoStream(mix, kMatchRate, [&mono, &stop](std::span<const float> block) {
        if (stop.stop_requested()) {
            throw MatchCancelled();
        }
        for (const float x : block) {
            mono.push_back(static_cast<std::int16_t>(
                std::lround(std::clamp(x, -1.0f, 32767.0f / 32768.0f) * 32768.0f)));
        }
    });
    mono.shrink_to_fit();
    MatchResult result;
    result.mixSeconds = double(mono.size()) / kMatchRate;
    result.files = files;
    const auto mixFrames = static_cast<std::int32_t>(mono.size() / kMatchHop + 1);
    const MixIndex index = [&] {
        const std::vector<PeakPair> pairs = MakePairs(FindPeaks(mono));
        return MixIndex(pairs, mixFrames);
    }();
    if (progress) {
        progress(kMixShare);
    }

    Shared shared(index, files, options, progress, stop);
    shared.tags.resize(files.size());
    {
        std::vector<std::jthread> workers;
        for (unsigned t = 1; t < std::max(1u, options.threads); ++t) {
            workers.emplace_back([&shared] { Work(shared); });
        }
        Work(shared);
    }
    if (shared.failure) {
        std::rethrow_exception(shared.failure);
    }
    if (stop.stop_requested()) {
        throw MatchCancelled();
    }
    result.tags = std::move(shared.tags);
    result.skipped = std::move(shared.skipped);
    std::sort(result.skipped.begin(), result.skipped.end(),
              [](const SkippedFile& a, const SkippedFile& b) { return a.file < b.file; });
    std::vector<FilePlay> plays;
    for (std::size_t i = 0; i < shared.found.size(); ++i) {
        plays.push_back(shared.found[i].play);
        plays.back().id = i;
    }
    const Layout first = LayOutPlays(std::move(plays), result.mixSeconds, options.place);
    const std::vector<float> mixLevels = LevelSpectra(mono);
    std::vector<std::optional<double>> cutNear;
    result.layout = LayOutPlays(FollowHandovers(first, mixLevels, shared.found, cutNear),
                                result.mixSeconds, options.place);
    if (options.place == BoundaryPlace::Middle) {
        RefineHardCuts(result.layout, mono, shared.found, cutNear);
    }
    return result;
}

std::vector<Marker> MatchMarkers(const MatchResult& result, std::uint32_t rate,
                                 std::int64_t frames) {
    std::vector<Marker> markers;
    for (const Boundary& b : result.layout.boundaries) {
        Marker m = FrameMarker(FrameAtSeconds(b.seconds, rate, frames));
        if (!markers.empty() && m.frame <= markers.back().frame) {
            continue;
        }
        if (m.frame >= frames && !markers.empty()) {
            continue;
        }
        if (b.play) {
            const FileTags& tags = result.tags[result.layout.plays[*b.play].file];
            m.title = tags.title;
            m.artist = tags.artist;
        }
        markers.push_back(std::move(m));
    }
    return markers;
}

} // namespace sundrel
