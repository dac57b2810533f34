// The summary's work on audio already in memory, part by part, as ratios against a plain pass
// over the same bytes measured in the same run: each 1 MiB chunk of a 256 MiB 16-bit stereo
// buffer copied out (as pread copies it out of the page cache) and its values summed. The
// summary's rows copy the chunk the same way and then scan it, so a ratio of 1.2 means the
// scan costs a fifth of the copy and sum. Times are the thread's processor time, not the
// wall clock: on a busy machine they count only the work of this program, which is what
// the ratios compare. overview_bench (the file, the page cache, the wall clock) has the
// final word.
//
// Usage: summary_scan_bench [RATE]   (default 48000; 44100, 96000, 22050 and 8000 take
//                                     other band plans)

#include "BenchIo.h"
#include "core/overview/BandScan.h"
#include "core/overview/BlockScan.h"
#include "core/overview/MixSummary.h"
#include "core/overview/StereoScanX86.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <time.h>
#include <vector>

namespace {

using benchio::Median;
using sundrel::overview::BandPlan;
using sundrel::overview::BandSums;
using sundrel::overview::BlockSums;
using sundrel::overview::kBaseBlockFrames;
using sundrel::overview::MixSummary;

constexpr std::size_t kFrames = std::size_t{64} << 20; // 256 MiB of 16-bit stereo
constexpr auto kChunk = static_cast<std::size_t>(MixSummary::ChunkFrames());

// Tones and noise, as overview_bench writes them.
std::vector<std::int16_t> MakeMix() {
    std::vector<std::int16_t> x(kFrames * 2);
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> noise(-3000, 3000);
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double tone = 20000.0 * std::sin(0.003 * double(i / 2) * double(1 + i % 2));
        x[i] = static_cast<std::int16_t>(std::clamp(tone + noise(rng), -32768.0, 32767.0));
    }
    return x;
}

// Every chunk with the lead-in before it copied into `buffer`, then handed to `work`.
double ThreadSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double
Pass(const std::vector<std::int16_t>& mix, std::int64_t leadIn,
     const std::function<void(std::int64_t, std::span<const std::int16_t>, std::int64_t)>& work) {
    std::vector<std::int16_t> buffer((kChunk + static_cast<std::size_t>(leadIn)) * 2);
    const double start = ThreadSeconds();
    for (std::size_t chunk = 0; chunk * kChunk < kFrames; ++chunk) {
        const std::size_t lead = chunk == 0 ? 0 : static_cast<std::size_t>(leadIn);
        const std::size_t from = chunk * kChunk - lead;
        const std::size_t count = (std::min(kFrames, (chunk + 1) * kChunk) - from) * 2;
        std::memcpy(buffer.data(), mix.data() + from * 2, count * sizeof(std::int16_t));
        work(static_cast<std::int64_t>(chunk), std::span(buffer.data(), count),
             static_cast<std::int64_t>(lead));
    }
    return ThreadSeconds() - start;
}

} // namespace

int main(int argc, char** argv) {
    const auto rate = static_cast<std::uint32_t>(argc > 1 ? std::atoi(argv[1]) : 48000);
    const sundrel::WaveFormat format{sundrel::kFormatPcm, 2, rate, 16, false};
    const auto mix = MakeMix();
    const BandPlan plan = sundrel::overview::PlanBands(rate);
    const std::int64_t leadIn = sundrel::overview::BandLeadInFrames(rate);
    std::printf("256 MiB of 16-bit stereo at %u Hz (groups of %d and %d frames)\n", rate,
                plan.decimate, plan.decimate * plan.decimateLow);

    std::int64_t checksum = 0;
    std::vector<BlockSums> sums(kChunk / kBaseBlockFrames * 2);
    std::vector<BandSums> bands(kChunk / kBaseBlockFrames);
    const auto copy = [&](std::int64_t, std::span<const std::int16_t> x, std::int64_t) {
        checksum += benchio::Sum(x);
    };
    const auto blocks = [&](std::int64_t, std::span<const std::int16_t> x, std::int64_t lead) {
        const auto chunk = x.subspan(static_cast<std::size_t>(lead) * 2);
        sums.resize((chunk.size() / 2 + kBaseBlockFrames - 1) / kBaseBlockFrames * 2);
        sundrel::overview::ScanBlocks(chunk, 2, sums);
    };
    const auto bandsOnly = [&](std::int64_t, std::span<const std::int16_t> x, std::int64_t lead) {
        bands.resize((x.size() / 2 - static_cast<std::size_t>(lead) + kBaseBlockFrames - 1) /
                     kBaseBlockFrames);
        sundrel::overview::ScanBands(x, 2, lead, plan, bands);
    };
    const auto copyOnly = [&](std::int64_t, std::span<const std::int16_t> x, std::int64_t) {
        checksum += x[x.size() / 2];
    };
    std::vector<double> base, bare, scan, band, whole;
    for (int run = 0; run < 7; ++run) {
        base.push_back(Pass(mix, leadIn, copy));
        bare.push_back(Pass(mix, leadIn, copyOnly));
        scan.push_back(Pass(mix, leadIn, blocks));
        band.push_back(Pass(mix, leadIn, bandsOnly));
        MixSummary summary(format, static_cast<std::int64_t>(kFrames));
        whole.push_back(Pass(mix, leadIn,
                             [&](std::int64_t chunk, std::span<const std::int16_t> x,
                                 std::int64_t lead) { summary.PublishChunk(chunk, x, lead); }));
    }
    std::fprintf(stderr, "(checksum %lld)\n", static_cast<long long>(checksum));
    const double b = Median(base);
    std::printf("median of 7, each against the copy pass of the same run:\n");
    std::printf("  %-34s %7.1f ms\n", "copy and sum (baseline)", b * 1e3);
    const auto row = [&](const char* what, const std::vector<double>& t) {
        std::vector<double> ratios;
        for (std::size_t i = 0; i < t.size(); ++i) {
            ratios.push_back(t[i] / base[i]);
        }
        std::printf("  %-34s %7.1f ms  = %5.2f x the copy\n", what, Median(t) * 1e3,
                    Median(ratios));
    };
    row("copy only", bare);
    row("copy, min/max/RMS scan", scan);
    row("copy, band scan", band);
    row("copy, whole summary (PublishChunk)", whole);

    // The parts on one chunk in the cache, the fastest of many runs: the least disturbed by
    // other programs.
    const std::span<const std::int16_t> one(mix.data() + kChunk * 2 - leadIn * 2,
                                            (kChunk + static_cast<std::size_t>(leadIn)) * 2);
    sums.resize(kChunk / kBaseBlockFrames * 2);
    bands.resize(kChunk / kBaseBlockFrames);
    MixSummary summary(format, static_cast<std::int64_t>(kFrames));
    std::int64_t next = 0;
    const auto fastest = [&](const char* what, const std::function<void()>& work) {
        double best = 1e9;
        for (int i = 0; i < 200; ++i) {
            const double start = ThreadSeconds();
            work();
            best = std::min(best, ThreadSeconds() - start);
        }
        std::printf("  %-34s %7.1f us\n", what, best * 1e6);
    };
    std::printf("one chunk in the cache, fastest of 200:\n");
    fastest("min/max/RMS scan",
            [&] { sundrel::overview::ScanBlocks(one.subspan(std::size_t(leadIn) * 2), 2, sums); });
    fastest("band scan", [&] { sundrel::overview::ScanBands(one, 2, leadIn, plan, bands); });
    fastest("both in one",
            [&] { sundrel::overview::ScanBlocksAndBands(one, 2, leadIn, plan, bands, sums); });
    fastest("PublishChunk", [&] { summary.PublishChunk(++next, one, leadIn); });
#if defined(SUNDREL_STEREO_SCAN_X86)
    // The fused kernel alone, each one the processor has: the rest of "both in one" is the
    // band filters.
    using sundrel::overview::StereoKernel;
    std::vector<float> steps(kChunk / static_cast<std::size_t>(plan.decimate));
    std::vector<double> energy(kChunk / kBaseBlockFrames);
    for (const auto& [kernel, name] : {std::pair{StereoKernel::Avx2, "fused kernel, AVX2"},
                                       std::pair{StereoKernel::Avx512, "fused kernel, AVX-512"}}) {
        if (sundrel::overview::StereoKernelAvailable(kernel) &&
            sundrel::overview::StereoScanServes(plan.decimate)) {
            fastest(name, [&] {
                sundrel::overview::ScanStereoBlocks(kernel, one.data() + leadIn * 2,
                                                    kChunk / kBaseBlockFrames, plan.decimate,
                                                    sums.data(), steps.data(), energy.data());
            });
        }
    }
#endif
    return 0;
}
