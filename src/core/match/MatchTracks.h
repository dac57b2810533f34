#pragma once

#include "core/markers/Marker.h"
#include "core/match/AlignTrack.h"
#include "core/match/FileTags.h"
#include "core/match/PlayLayout.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <vector>

namespace sundrel {

struct MatchOptions {
    BoundaryPlace place = BoundaryPlace::Middle;
    unsigned threads = 2; // candidates decoded and aligned at once
    AlignOptions align;
};

// A candidate that could not be used, and why (the decoder's message).
struct SkippedFile {
    std::filesystem::path file;
    std::string reason;
};

struct MatchResult {
    double mixSeconds = 0.0;
    std::vector<std::filesystem::path> files; // the candidates, as given
    std::vector<FileTags> tags;               // of each candidate
    Layout layout;                            // plays name their file by its index in `files`
    std::vector<SkippedFile> skipped;
};

// A match stopped through its stop token.
class MatchCancelled : public std::runtime_error {
  public:
    MatchCancelled() : std::runtime_error("cancelled") {}
};

// 0..1 of the work done; called from the worker threads, one call at a time.
using MatchProgress = std::function<void(double share)>;

// Finds where each of `files` plays in the mix: decodes the mix once and indexes its
// landmarks, then decodes and aligns the candidates on `options.threads` threads, lays the
// plays out (PlayLayout) and puts each hard cut on its exact point (RefineCut). Candidates
// that cannot be decoded are skipped and named in the result; a mix that cannot be decoded
// throws DecodeError. Throws MatchCancelled when `stop` is requested.
MatchResult MatchTracks(const std::filesystem::path& mix,
                        const std::vector<std::filesystem::path>& files,
                        const MatchOptions& options, const MatchProgress& progress = {},
                        std::stop_token stop = {});

// The result's boundaries as markers of a mix of `frames` frames at `rate`: each at its exact
// frame, named (title, artist) from the tags of the file whose play it starts; unknown
// stretches unnamed. A boundary on the frame of the one before it is left out.
std::vector<Marker> MatchMarkers(const MatchResult& result, std::uint32_t rate,
                                 std::int64_t frames);

} // namespace sundrel
