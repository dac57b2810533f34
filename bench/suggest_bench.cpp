// Boundary suggestions on a 2-hour 16-bit stereo 44.1 kHz mix, as a ratio against one plain
// read pass over the same file measured in the same run (both from the page cache: the read
// pass runs first, once to load the cache and once timed).
//
// Usage: suggest_bench [MIX.wav]   (default: a synthetic 2-hour mix written under /var/tmp,
//                                   ten copies of twelve one-minute demo tracks)

#include "BenchIo.h"
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

constexpr double kMixSeconds = 2 * 3600.0;

using benchio::Die;
using benchio::ReadPass;
using benchio::Seconds;
using benchio::WriteAll;

void MakeMix(const fs::path& path) {
    sundrel::demo::DemoPlan plan;
    for (int i = 0; i < 12; ++i) {
        plan.tracks.push_back(
            {100.0 + 4.0 * i, 41.2 * (1.0 + 0.09 * (i % 7)), 0.2 + 0.07 * (i % 11), 60.0});
    }
    plan.crossfadeSeconds = 8.0;
    const std::vector<std::int16_t> block = sundrel::demo::GenerateDemoMix(plan);
    const auto frames = static_cast<std::uint64_t>(kMixSeconds * sundrel::demo::kDemoRate);
    const std::uint64_t dataSize = frames * 4;
    const auto header = sundrel::MakeTrackHeader(
        sundrel::MakeWaveFormatEx({sundrel::kFormatPcm, 2, sundrel::demo::kDemoRate, 16, false}),
        dataSize);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        Die(path.string());
    }
    WriteAll(fd, header.data(), header.size());
    for (std::uint64_t done = 0; done < dataSize;) {
        const std::uint64_t n = std::min<std::uint64_t>(block.size() * 2, dataSize - done);
        WriteAll(fd, block.data(), static_cast<std::size_t>(n));
        done += n;
    }
    if (::close(fd) != 0) {
        Die("close");
    }
}

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
        MakeMix(mix);
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
