// The overview summary (min/max/RMS per channel and the low/mid/high band energies of the
// mono sum) of a 1 GiB 16-bit stereo mix, as ratios against one plain read pass over the same
// bytes measured in the same run: pread in the same 1 MiB pieces the summary reads, summing
// the 16-bit values, on one thread.
//   warm   everything from the page cache (a read pass first loads it); the median of 6 runs,
//          by the wall clock and by the processor time the process spent (all its threads,
//          the kernel's copying included); on a busy machine the second is the steadier
//   cold   the file's pages dropped (posix_fadvise DONTNEED) before each run, so every pass
//          reads the disk; the median of 3 runs
// Also the time from Start until the first chunk (the start of the mix) is summarised.
//
// Usage: overview_bench [DIR]   (default: a new folder under $TMPDIR or /var/tmp, never tmpfs;
//                               removed at the end)

#include "BenchIo.h"
#include "core/audio/WaveFile.h"
#include "core/io/ReadAll.h"
#include "core/overview/StereoScanX86.h"
#include "core/overview/SummaryJob.h"
#include "core/split/TrackHeader.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/magic.h>
#include <random>
#include <string>
#include <sys/statfs.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using benchio::Die;
using benchio::Seconds;
using benchio::WriteAll;
using sundrel::overview::MixSummary;
using sundrel::overview::SummaryJob;

constexpr std::uint64_t kDataSize = std::uint64_t{1} << 30;
constexpr std::size_t kPiece = MixSummary::ChunkFrames() * 4; // one chunk of 16-bit stereo

// The work folder, removed however the program ends (Die included): never leave 1 GiB behind.
fs::path g_dir;
void RemoveWorkFolder() {
    std::error_code ignored;
    fs::remove_all(g_dir, ignored);
}

// Tones and noise, so the data is neither sparse nor trivially compressible.
void MakeMix(const fs::path& path) {
    const sundrel::WaveFormat format{sundrel::kFormatPcm, 2, 48000, 16, false};
    const auto header = sundrel::MakeTrackHeader(sundrel::MakeWaveFormatEx(format), kDataSize);
    std::vector<std::int16_t> block(std::size_t{4} << 20);
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> noise(-3000, 3000);
    for (std::size_t i = 0; i < block.size(); ++i) {
        const double tone = 20000.0 * std::sin(0.003 * double(i / 2) * double(1 + i % 2));
        block[i] = static_cast<std::int16_t>(std::clamp(tone + noise(rng), -32768.0, 32767.0));
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        Die(path.string());
    }
    WriteAll(fd, header.data(), header.size());
    for (std::uint64_t done = 0; done < kDataSize; done += block.size() * 2) {
        WriteAll(fd, block.data(), block.size() * 2);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) { // written back, so its pages can be dropped
        Die("fsync");
    }
}

void DropCache(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0 || ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0) {
        Die("posix_fadvise " + path.string());
    }
    ::close(fd);
}

// The processor time of the whole process, in seconds.
double ProcessSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct Times {
    double wall = 0;
    double cpu = 0;
};

// The plain pass: pread in kPiece pieces, every 16-bit value summed.
Times ReadPass(const fs::path& path, std::uint64_t offset) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = ProcessSeconds();
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        Die(path.string());
    }
    std::vector<std::int16_t> buffer(kPiece / 2);
    std::int64_t sum = 0;
    for (std::uint64_t done = 0; done < kDataSize; done += kPiece) {
        const auto read =
            sundrel::io::ReadAllAt(fd, std::as_writable_bytes(std::span(buffer)), offset + done);
        if (read.error != 0 || read.bytes != kPiece) {
            Die("read");
        }
        sum += benchio::Sum(buffer);
    }
    ::close(fd);
    const Times elapsed{Seconds(start), ProcessSeconds() - cpu};
    std::fprintf(stderr, "(checksum %lld)\n", static_cast<long long>(sum));
    return elapsed;
}

struct JobTimes {
    double total = 0;
    double first = 0; // until chunk 0 was summarised
    double cpu = 0;
};

JobTimes Summarise(const CWaveFile& wave, int threads) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = ProcessSeconds();
    SummaryJob job(wave, threads);
    job.Start();
    const auto summary = job.Summary();
    JobTimes t;
    while (!summary->ChunkReady(0) && !job.Done()) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    t.first = Seconds(start);
    job.Wait();
    t.total = Seconds(start);
    t.cpu = ProcessSeconds() - cpu;
    if (job.Error() || !summary->IsComplete()) {
        Die("summary: " + job.Error().value_or("incomplete"));
    }
    return t;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
}

fs::path WorkFolder(int argc, char** argv) {
    fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    struct statfs st {};
    if (argc <= 1 && ::statfs(base.c_str(), &st) == 0 && st.f_type == TMPFS_MAGIC) {
        base = "/var/tmp"; // a file in RAM has no cold cache
    }
    std::string tmpl = (base / "overview-bench-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) {
        Die(tmpl);
    }
    return tmpl;
}

// The code that scans 16-bit stereo on this processor.
const char* StereoKernelName() {
#if defined(SUNDREL_STEREO_SCAN_X86)
    using sundrel::overview::StereoKernel;
    if (sundrel::overview::StereoKernelAvailable(StereoKernel::Avx512)) {
        return "one fused pass, AVX-512";
    }
    if (sundrel::overview::StereoKernelAvailable(StereoKernel::Avx2)) {
        return "one fused pass, AVX2";
    }
#endif
    return "separate min/max/RMS and band scans";
}

void Report(const char* what, const std::vector<double>& runs, double read) {
    std::printf("  %-28s %7.3f s  = %5.2f x the read pass\n", what, Median(runs),
                Median(runs) / read);
}

} // namespace

int main(int argc, char** argv) {
    g_dir = WorkFolder(argc, argv);
    std::atexit(RemoveWorkFolder);
    const fs::path mix = g_dir / "mix.wav";
    std::printf("writing a 1 GiB 16-bit stereo mix to %s\n", mix.c_str());
    MakeMix(mix);
    const CWaveFile wave(mix);
    std::printf("load average before: %s\n", LoadAverage().c_str());
    std::printf("16-bit stereo scan: %s\n", StereoKernelName());

    std::vector<double> read, one, two, first1, first2, readCpu, oneCpu;
    ReadPass(mix, wave.m_nDataOffset); // loads the page cache
    // Each run measures the three in a different order, so none always follows the same one.
    for (int run = 0; run < 6; ++run) {
        for (int i = 0; i < 3; ++i) {
            switch ((run + i) % 3) {
            case 0: {
                const Times r = ReadPass(mix, wave.m_nDataOffset);
                read.push_back(r.wall);
                readCpu.push_back(r.cpu);
                break;
            }
            case 1: {
                const JobTimes a = Summarise(wave, 1);
                one.push_back(a.total);
                first1.push_back(a.first);
                oneCpu.push_back(a.cpu);
                break;
            }
            default: {
                const JobTimes b = Summarise(wave, 2);
                two.push_back(b.total);
                first2.push_back(b.first);
                break;
            }
            }
        }
    }
    std::printf("warm page cache (median of 6):\n");
    std::printf("  %-28s %7.3f s  (%.0f MB/s)\n", "plain read pass (baseline)", Median(read),
                double(kDataSize) / 1e6 / Median(read));
    Report("summary, 1 thread", one, Median(read));
    Report("summary, 2 threads", two, Median(read));
    std::printf("  first chunk summarised after %.1f ms (1 thread), %.1f ms (2 threads)\n",
                Median(first1) * 1e3, Median(first2) * 1e3);
    std::printf("  processor time: read pass %.3f s, summary on 1 thread %.3f s = %5.2f x\n",
                Median(readCpu), Median(oneCpu), Median(oneCpu) / Median(readCpu));

    std::vector<double> coldRead, coldOne, coldTwo;
    for (int run = 0; run < 3; ++run) {
        for (int i = 0; i < 3; ++i) {
            DropCache(mix);
            switch ((run + i) % 3) {
            case 0:
                coldRead.push_back(ReadPass(mix, wave.m_nDataOffset).wall);
                break;
            case 1:
                coldOne.push_back(Summarise(wave, 1).total);
                break;
            default:
                coldTwo.push_back(Summarise(wave, 2).total);
                break;
            }
        }
    }
    std::printf("cold cache (median of 3):\n");
    for (int run = 0; run < 3; ++run) {
        std::printf("  run %d: read %.3f s, 1 thread %.3f s, 2 threads %.3f s\n", run + 1,
                    coldRead[static_cast<std::size_t>(run)], coldOne[static_cast<std::size_t>(run)],
                    coldTwo[static_cast<std::size_t>(run)]);
    }
    std::printf("  %-28s %7.3f s  (%.0f MB/s, the disk's read speed)\n",
                "plain read pass (baseline)", Median(coldRead),
                double(kDataSize) / 1e6 / Median(coldRead));
    Report("summary, 1 thread", coldOne, Median(coldRead));
    Report("summary, 2 threads", coldTwo, Median(coldRead));
    std::printf("load average after: %s\n", LoadAverage().c_str());
    return 0;
}
