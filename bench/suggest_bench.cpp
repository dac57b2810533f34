// Boundary suggestions on a 2-hour 16-bit stereo 44.1 kHz mix, as a ratio against one plain
// read pass over the same file measured in the same run (both from the page cache: the read
// pass runs first, once to load the cache and once timed).
//
// Usage: suggest_bench [--tuning NAME=VALUE,...] [MIX.wav]
//   (default: a synthetic 2-hour mix written under /var/tmp, ten copies of twelve one-minute
//   demo tracks). With --tuning, each count's analysis runs twice: with the built-in constants
//   and with those changed as the text says (as sundrel-cli suggest --tuning reads it).

#include "BenchIo.h"
#include "DemoMix.h"
#include "core/analysis/SuggestBoundaries.h"
#include "core/analysis/SuggestTuning.h"
#include "core/demo/DemoMix.h"
#include "core/split/TrackHeader.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <span>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using benchio::ReadPass;
using benchio::Seconds;

} // namespace

int main(int argc, char** argv) {
    fs::path mix;
    fs::path made;
    std::string tuning;
    int arg = 1;
    if (argc > 2 && std::string(argv[1]) == "--tuning") {
        tuning = argv[2];
        arg = 3;
    }
    if (argc > arg) {
        mix = argv[arg];
    } else {
        made = fs::path("/var/tmp") / ("sundrel-suggest-bench-" + std::to_string(::getpid()));
        fs::create_directories(made);
        mix = made / "mix.wav";
        std::printf("writing a 2-hour mix to %s\n", mix.c_str());
        benchio::WriteDemoMix(mix);
    }
    ReadPass(mix);
    const double read = ReadPass(mix);
    std::printf("mix: %s (%.1f MB)\n", mix.c_str(), static_cast<double>(fs::file_size(mix)) / 1e6);
    std::printf("plain read pass:           %7.2f s\n", read);
    for (const bool known : {false, true}) {
        for (const bool changed : {false, true}) {
            if (changed && tuning.empty()) {
                continue;
            }
            sundrel::SuggestOptions options;
            if (known) {
                options.tracks = 30;
            }
            if (changed) {
                options.tuning = sundrel::BuiltInTuning(known);
                sundrel::ParseTuning(tuning, *options.tuning);
            }
            const auto start = std::chrono::steady_clock::now();
            const auto result = sundrel::SuggestBoundaries(mix, options);
            const double elapsed = Seconds(start);
            std::printf("analysis, count %-8s %7.2f s  = %5.1f x the read pass  (%zu "
                        "suggestions, %.0f min of audio)%s%s\n",
                        known ? "known:" : "unknown:", elapsed, elapsed / read,
                        result.suggestions.size(),
                        static_cast<double>(result.frames) / result.rate / 60.0,
                        changed ? ", tuning " : "", changed ? tuning.c_str() : "");
        }
    }
    if (!made.empty()) {
        fs::remove_all(made);
    }
    return 0;
}
