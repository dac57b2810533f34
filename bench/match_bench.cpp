// Matching track files in a mix, as a ratio against decoding the same files (the mix and every
// candidate) once to mono at the analysis rate, measured in the same run. Decoding is the floor:
// the match decodes each file once and does all its other work on top. Each pass is timed on
// the wall clock and in processor seconds (all threads together): on a shared machine the
// wall ratio follows the load, the processor ratio hardly, and processor seconds / cores is
// about the wall time the pass needs on cores of its own.
//
// Usage: match_bench [MIX.wav TRACKS]   (default: the two-hour mix of scripts/make-match-mixes
//                                        --hours2, else its --long or --small mix, under
//                                        $SUNDREL_MATCH_DIR or ~/.cache/sundrel-match)

#include "core/decode/AudioDecoder.h"
#include "core/match/Candidates.h"
#include "core/match/Landmarks.h"
#include "core/match/MatchTracks.h"

#include "BenchIo.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using benchio::CpuSeconds;
using benchio::PrintLoad;
using benchio::Seconds;

int main(int argc, char** argv) {
    fs::path mix;
    fs::path tracks;
    if (argc > 2) {
        mix = argv[1];
        tracks = argv[2];
    } else {
        const char* env = std::getenv("SUNDREL_MATCH_DIR");
        const char* home = std::getenv("HOME");
        const fs::path dir =
            env ? fs::path(env) : fs::path(home ? home : "/tmp") / ".cache" / "sundrel-match";
        for (const char* name : {"hours2/hours2", "long/long", "small/small"}) {
            // The truth is written last: a mix without it is still being built.
            if (fs::exists(dir / (std::string(name) + ".json"))) {
                mix = dir / (std::string(name) + ".wav");
                tracks = dir / (std::string(name) + ".tracks");
                break;
            }
        }
        if (mix.empty()) {
            std::fprintf(stderr,
                         "match_bench: no mix in %s: run scripts/make-match-mixes "
                         "--hours2 (or --long, --small), or give MIX.wav TRACKS\n",
                         dir.c_str());
            return 1;
        }
    }
    const std::vector<fs::path> files = sundrel::ListCandidates({tracks}).files;
    PrintLoad("before");
    // The floor: every file decoded once, one after the other, as a single thread would.
    const auto decodeStart = std::chrono::steady_clock::now();
    const double decodeCpuStart = CpuSeconds();
    double audioSeconds = 0.0;
    for (const fs::path& file : std::vector<fs::path>{mix}) {
        audioSeconds += double(sundrel::DecodeMono(file, sundrel::kMatchRate).size());
    }
    for (const fs::path& file : files) {
        try {
            audioSeconds += double(sundrel::DecodeMono(file, sundrel::kMatchRate).size());
        } catch (const sundrel::DecodeError&) {
        }
    }
    const double decode = Seconds(decodeStart);
    const double decodeCpu = CpuSeconds() - decodeCpuStart;
    std::printf("mix: %s, %zu candidates, %.0f min of audio\n", mix.c_str(), files.size(),
                audioSeconds / sundrel::kMatchRate / 60.0);
    std::printf("decoding every file once (1 thread): %7.2f s  (processor %7.2f s)\n", decode,
                decodeCpu);
    for (const unsigned threads : {1u, 2u}) {
        sundrel::MatchOptions options;
        options.threads = threads;
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = CpuSeconds();
        const sundrel::MatchResult result = sundrel::MatchTracks(mix, files, options);
        const double elapsed = Seconds(start);
        const double cpu = CpuSeconds() - cpuStart;
        std::printf("match, %u thread%s:                  %7.2f s  (processor %7.2f s)  = %5.2f x "
                    "decoding, processor %5.2f x  (%zu plays)\n",
                    threads, threads == 1 ? " " : "s", elapsed, cpu, elapsed / decode,
                    cpu / decodeCpu, result.layout.plays.size());
    }
    PrintLoad("after ");
    return 0;
}
