// Boundary suggestions on a 2-hour 16-bit stereo 44.1 kHz mix, as a ratio against one plain
// read pass over the same file measured in the same run (both from the page cache: the read
// pass runs first, once to load the cache and once timed).
//
// Usage: suggest_bench [MIX.wav]   (default: a synthetic 2-hour mix written under /var/tmp,
//                                   ten copies of twelve one-minute demo tracks)

#include "BenchIo.h"
#include "DemoMix.h"
#include "core/analysis/SuggestBoundaries.h"
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
    if (argc > 1) {
        mix = argv[1];
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
        sundrel::SuggestOptions options;
        if (known) {
            options.tracks = 30;
        }
        const auto start = std::chrono::steady_clock::now();
        const auto result = sundrel::SuggestBoundaries(mix, options);
        const double elapsed = Seconds(start);
        std::printf("analysis, count %-8s %7.2f s  = %5.1f x the read pass  (%zu suggestions, "
                    "%.0f min of audio)\n",
                    known ? "known:" : "unknown:", elapsed, elapsed / read,
                    result.suggestions.size(),
                    static_cast<double>(result.frames) / result.rate / 60.0);
    }
    if (!made.empty()) {
        fs::remove_all(made);
    }
    return 0;
}
