// A FLAC split of a 1 GiB 16-bit stereo mix (or MIB mebibytes) into 16 tracks, against the
// flac tool encoding the whole mix at the same level (`flac -5 -f -o whole.flac mix.wav`),
// measured in the same run, taking turns:
//   time   wall-clock time of Split / the flac tool's   (target: at most 0.6 on two cores)
//   cpu    CPU time of Split / the flac tool's           (the cost of cutting and threading)
//   size   the tracks' bytes together / whole.flac's     (target: within 1 %)
// The mix is music-like: the demo mix generator's kick, bass, hats and pads, in pieces of
// different tempo, key and brightness, over a texture of low-passed noise, so that it
// compresses about as well as a real recording does (about 60 % of the WAV); plain noise
// would not compress at all, pure tones far too well. Both sides read the mix from the page
// cache; the flac tool writes one file, Split sixteen.
//
// Usage: flac_bench [DIR [MIB [ROUNDS]]]   (default: a new folder under $TMPDIR or /var/tmp,
// never tmpfs, removed at the end; 1024 MiB; 3 rounds, the medians reported)

#include "BenchIo.h"
#include "core/audio/WaveFile.h"
#include "core/demo/DemoMix.h"
#include "core/split/FlacTrack.h"
#include "core/split/SplitPlan.h"
#include "core/split/TrackHeader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <linux/magic.h>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

extern char** environ;

namespace {

using benchio::Die;
using benchio::WriteAll;

std::uint64_t g_nDataSize = std::uint64_t{1} << 30;

// The work folder, removed however the program ends (Die included): never leave 1 GiB behind.
fs::path g_dir;
void RemoveWorkFolder() {
    std::error_code ignored;
    fs::remove_all(g_dir, ignored);
}

// Demo mixes of varied tracks one after another until the data is full, over a dense texture
// of low-passed noise (about -45 dBFS RMS): the demo's synthesised voices alone compress to
// under 40 % with `flac -5`, real recordings to 55-70 %; with the texture the mix comes to
// about 60 %.
constexpr double kTexture = 250.0; // LSB, the white noise's peak before the low-pass
void MakeMix(const fs::path& path) {
    const sundrel::WaveFormat format{sundrel::kFormatPcm, 2, sundrel::demo::kDemoRate, 16, false};
    const auto header = sundrel::MakeTrackHeader(sundrel::MakeWaveFormatEx(format), g_nDataSize);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        Die(path.string());
    }
    WriteAll(fd, header.data(), header.size());
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> bpm(96.0, 140.0), root(41.0, 82.0), bright(0.1, 1.0);
    std::uniform_real_distribution<double> white(-1.0, 1.0);
    double texture[2] = {};
    std::uint64_t left = g_nDataSize;
    while (left > 0) {
        sundrel::demo::DemoPlan plan;
        for (int i = 0; i < 4; ++i) {
            plan.tracks.push_back({bpm(rng), root(rng), bright(rng), 50.0});
        }
        std::vector<std::int16_t> samples = sundrel::demo::GenerateDemoMix(plan);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            double& t = texture[i % 2];
            t = 0.9 * t + kTexture * white(rng);
            samples[i] =
                static_cast<std::int16_t>(std::clamp(std::lround(samples[i] + t), -32768l, 32767l));
        }
        const auto bytes = std::min<std::uint64_t>(left, samples.size() * 2);
        WriteAll(fd, samples.data(), static_cast<std::size_t>(bytes));
        left -= bytes;
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        Die("close");
    }
}

struct Cost {
    double wall = 0;
    double cpu = 0;
};

double CpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

template <class F> Cost Measure(int who, F&& f) {
    const double cpu = CpuSeconds(who);
    const auto start = std::chrono::steady_clock::now();
    f();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            CpuSeconds(who) - cpu};
}

void RunFlacTool(const fs::path& mix, const fs::path& out) {
    const std::string level = "-" + std::to_string(sundrel::kFlacLevel);
    std::vector<std::string> args{"flac", level, "-s", "-f", "-o", out.string(), mix.string()};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, "flac", nullptr, nullptr, argv.data(), environ) != 0) {
        Die("flac (install the flac package)");
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "flac failed\n");
        std::exit(1);
    }
}

std::uint64_t FolderBytes(const fs::path& folder) {
    std::uint64_t total = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        total += entry.file_size();
    }
    return total;
}

// The share of the audio the busiest of `workers` encodes when each takes the longest track
// left, as the split's workers do.
double BusiestShare(std::vector<sundrel::TrackSpan> plan, unsigned workers) {
    std::sort(plan.begin(), plan.end(),
              [](const auto& a, const auto& b) { return a.size > b.size; });
    std::vector<std::uint64_t> load(std::max(workers, 1u), 0);
    std::uint64_t total = 0;
    for (const sundrel::TrackSpan& span : plan) {
        *std::min_element(load.begin(), load.end()) += span.size;
        total += span.size;
    }
    return static_cast<double>(*std::max_element(load.begin(), load.end())) /
           static_cast<double>(total);
}

using benchio::Clear;
using benchio::Median;
using benchio::PrintLoad;

fs::path WorkFolder(int argc, char** argv) {
    const bool given = argc > 1 && argv[1][0] != '\0';
    fs::path base = given ? fs::path(argv[1]) : fs::temp_directory_path();
    struct statfs st {};
    if (!given && ::statfs(base.c_str(), &st) == 0 && st.f_type == TMPFS_MAGIC) {
        base = "/var/tmp"; // a copy inside RAM would not measure the disk
    }
    std::string tmpl = (base / "flac-bench-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) {
        Die(tmpl);
    }
    return tmpl;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        g_nDataSize = std::strtoull(argv[2], nullptr, 10) << 20;
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    g_dir = WorkFolder(argc, argv);
    std::atexit(RemoveWorkFolder);
    const fs::path mix = g_dir / "mix.wav";
    const fs::path whole = g_dir / "whole.flac";
    const fs::path out = g_dir / "out";
    std::printf("folder %s\ngenerating a music-like mix of %llu MiB ...\n", g_dir.c_str(),
                static_cast<unsigned long long>(g_nDataSize >> 20));
    MakeMix(mix);

    const std::vector<float> percents = benchio::UnevenPercents();

    CWaveFile wave(mix);
    sundrel::SplitOptions options;
    options.format = sundrel::TrackFormat::Flac;
    RunFlacTool(mix, whole); // brings the mix into the page cache for both
    PrintLoad("before");
    std::vector<double> toolWall, toolCpu, splitWall, splitCpu;
    std::uint64_t tracksBytes = 0;
    for (int round = 0; round < rounds; ++round) {
        // The two take turns going first, so neither always meets a busier machine.
        for (int turn = 0; turn < 2; ++turn) {
            Clear(out);
            if ((round + turn) % 2 == 0) {
                const Cost c = Measure(RUSAGE_CHILDREN, [&] { RunFlacTool(mix, whole); });
                toolWall.push_back(c.wall);
                toolCpu.push_back(c.cpu);
            } else {
                const Cost c = Measure(RUSAGE_SELF, [&] {
                    wave.Split(percents.data(), static_cast<int>(percents.size()), out, options);
                });
                splitWall.push_back(c.wall);
                splitCpu.push_back(c.cpu);
                tracksBytes = FolderBytes(out);
            }
        }
    }
    PrintLoad("after ");
    const double tw = Median(toolWall), tc = Median(toolCpu);
    const double sw = Median(splitWall), sc = Median(splitCpu);
    const auto wholeBytes = static_cast<double>(fs::file_size(whole));
    const double wav = static_cast<double>(g_nDataSize);
    const unsigned cores = std::max(std::thread::hardware_concurrency(), 1u);
    const double busiest = BusiestShare(sundrel::PlanTracks(percents, g_nDataSize, 4), cores);
    std::printf("\nFLAC level %u, median of %d rounds\n", sundrel::kFlacLevel, rounds);
    std::printf("  flac tool, whole mix  %7.2f s wall  %7.2f s cpu (%.2f cores)  %12.0f bytes "
                "(%.1f %% of WAV)\n",
                tw, tc, tc / tw, wholeBytes, 100.0 * wholeBytes / wav);
    std::printf("  Split, 16 tracks      %7.2f s wall  %7.2f s cpu (%.2f cores)  %12llu bytes\n",
                sw, sc, sc / sw, static_cast<unsigned long long>(tracksBytes));
    std::printf("  Split / flac tool: time = %.2fx   cpu = %.2fx   size = %.4fx\n", sw / tw,
                sc / tc, static_cast<double>(tracksBytes) / wholeBytes);
    // What the time ratio comes to where every worker has a core of its own: the busiest
    // worker's share of Split's CPU time against the flac tool's CPU time. On a shared machine
    // (the kernel shares the CPU among sessions, not threads) the measured time says less.
    std::printf("  busiest of %u workers encodes %.1f %% of the audio: time on %u free cores "
                "= %.2fx (estimate: cpu ratio x busiest share)\n",
                cores, 100.0 * busiest, cores, sc / tc * busiest);
    return 0;
}
