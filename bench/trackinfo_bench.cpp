// The analysis of each track (tempo, key, loudness) of a 2-hour 16-bit stereo 44.1 kHz mix cut
// into 30 tracks, on two workers, as a ratio against one plain read pass over the same file
// measured in the same run (both from the page cache: the read pass runs first, once to load
// the cache and once timed). The target: the whole analysis in under 15 s on two cores.
//
// Usage: trackinfo_bench [MIX.wav]   (default: a synthetic 2-hour mix written under /var/tmp,
//                                     ten copies of twelve one-minute demo tracks)

#include "BenchIo.h"
#include "DemoMix.h"
#include "core/audio/WaveFile.h"
#include "core/demo/DemoMix.h"
#include "core/markers/Marker.h"
#include "core/split/TrackHeader.h"
#include "core/trackinfo/SplitAnalysis.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
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

// The CPU time of all the process's threads so far: beside the wall time it tells whether the
// workers had cores of their own (on a busy machine two workers take no less wall time).
double CpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

} // namespace

int main(int argc, char** argv) {
    fs::path mix;
    fs::path made;
    if (argc > 1) {
        mix = argv[1];
    } else {
        made = fs::path("/var/tmp") / ("sundrel-trackinfo-bench-" + std::to_string(::getpid()));
        fs::create_directories(made);
        mix = made / "mix.wav";
        std::printf("writing a 2-hour mix to %s\n", mix.c_str());
        benchio::WriteDemoMix(mix);
    }
    ReadPass(mix);
    const double read = ReadPass(mix);
    std::printf("mix: %s (%.1f MB)\n", mix.c_str(), static_cast<double>(fs::file_size(mix)) / 1e6);
    std::printf("plain read pass:        %7.2f s\n", read);
    const CWaveFile wave(mix);
    std::vector<sundrel::Marker> markers{sundrel::FrameMarker(0)};
    const std::int64_t frames =
        static_cast<std::int64_t>(wave.m_nDataSize / wave.m_wfx.nBlockAlign);
    for (int i = 1; i < 30; ++i) {
        markers.push_back(sundrel::FrameMarker(frames / 30 * i));
    }
    for (const unsigned workers : {1u, 2u}) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = CpuSeconds();
        const auto infos = sundrel::AnalyseSplitTracks(wave, markers, workers);
        const double elapsed = Seconds(start);
        const double cpu = CpuSeconds() - cpuStart;
        int withTempo = 0;
        for (const auto& info : infos) {
            withTempo += info.bpm > 0 ? 1 : 0;
        }
        std::printf("analysis, %u worker%s: %7.2f s  = %5.1f x the read pass  (%zu tracks, "
                    "%d with a tempo; %.2f s of CPU time)\n",
                    workers, workers == 1 ? " " : "s", elapsed, elapsed / read, infos.size(),
                    withTempo, cpu);
    }
    if (!made.empty()) {
        fs::remove_all(made);
    }
    return 0;
}
