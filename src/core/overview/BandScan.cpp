#include "core/overview/BandScan.h"

#include "core/overview/BlockScan.h"
#include "core/overview/StereoScanX86.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <stdexcept>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace sundrel::overview {

namespace {

constexpr std::size_t kBlock = static_cast<std::size_t>(kBaseBlockFrames);

// Runs of blocks filtered side by side: the loops over them have a fixed count and no
// branches, which GCC turns into packed float arithmetic. 16 runs make two independent
// chains of AVX vectors whose filter states all stay in registers: more chains would hide
// more of a step's latency but spill the states to memory, which costs more.
constexpr int kRuns = 16;
constexpr std::size_t kRunCount = kRuns;
constexpr int kEnergyLanes = 8;

// The sum of each frame's channels (twice the mono sum for stereo) of `frames` frames, as
// floats; a piece of a whole block gets the fixed-count loop the vectoriser handles best.
template <int Channels>
void ToMono(const std::int16_t* __restrict x, std::size_t frames, float* __restrict mono) {
    if (frames == kBlock) {
        for (std::size_t i = 0; i < kBlock; ++i) {
            if constexpr (Channels == 2) {
                mono[i] = static_cast<float>(x[2 * i]) + static_cast<float>(x[2 * i + 1]);
            } else {
                mono[i] = static_cast<float>(x[i]);
            }
        }
        return;
    }
    for (std::size_t i = 0; i < frames; ++i) {
        if constexpr (Channels == 2) {
            mono[i] = static_cast<float>(x[2 * i]) + static_cast<float>(x[2 * i + 1]);
        } else {
            mono[i] = static_cast<float>(x[i]);
        }
    }
}

// The sum of squares of a whole block of mono values, in float lanes (at most 64 values of at
// most 2^32 each per lane: far inside float's range, and its rounding far below 16 bits).
double BlockEnergy(const float* __restrict mono) {
    float lanes[kEnergyLanes] = {};
    for (std::size_t i = 0; i < kBlock; i += kEnergyLanes) {
        for (int l = 0; l < kEnergyLanes; ++l) {
            const float v = mono[i + static_cast<std::size_t>(l)];
            lanes[l] += v * v;
        }
    }
    double sum = 0.0;
    for (const float lane : lanes) {
        sum += static_cast<double>(lane);
    }
    return sum;
}

// Groups of `factor` values summed, `count` values in, count / factor out (in place is fine).
void SumGroups(const float* in, std::size_t count, int factor, float* out) {
    const auto f = static_cast<std::size_t>(factor);
    for (std::size_t j = 0; j < count / f; ++j) {
        float s = 0.0f;
        for (std::size_t k = 0; k < f; ++k) {
            s += in[j * f + k];
        }
        out[j] = s;
    }
}

// The filters over every run, `blocks` blocks of `perBlock` steps each. `lanes` holds the
// steps run by run side by side: step s of run r at s * kRuns + r. Each block's energies go
// to [block * kRuns + run]: of the upper lowpass's output (upper); of the sums of each group
// of `low` steps of that output (sums), and of those through the lower lowpass (lower) and
// its highpass (middle). The filters are in transposed direct form II.
template <bool Fused> [[gnu::always_inline]] inline float MulAdd(float a, float b, float c) {
    if constexpr (Fused) {
        return std::fma(a, b, c);
    } else {
        return a * b + c;
    }
}

template <bool Fused>
[[gnu::always_inline]] inline void
FilterRunsBody(const float* __restrict lanes, std::size_t blocks, std::size_t perBlock,
               std::size_t low, Lowpass u, Lowpass w, float* __restrict upper,
               float* __restrict lower, float* __restrict middle, float* __restrict sums) {
    float u1[kRuns] = {};
    float u2[kRuns] = {};
    float w1[kRuns] = {};
    float w2[kRuns] = {};
    float h1[kRuns] = {};
    float h2[kRuns] = {};
    const float ub1 = 2.0f * u.b0;
    const float wb1 = 2.0f * w.b0;
    const float* x = lanes;
    for (std::size_t b = 0; b < blocks; ++b) {
        float eu[kRuns] = {};
        float el[kRuns] = {};
        float eh[kRuns] = {};
        float ea[kRuns] = {};
        for (std::size_t g = 0; g < perBlock; g += low) {
            float acc[kRuns] = {};
            for (std::size_t k = 0; k < low; ++k, x += kRuns) {
                for (int r = 0; r < kRuns; ++r) {
                    const float y = MulAdd<Fused>(u.b0, x[r], u1[r]);
                    u1[r] = MulAdd<Fused>(-u.a1, y, MulAdd<Fused>(ub1, x[r], u2[r]));
                    u2[r] = MulAdd<Fused>(-u.a2, y, u.b0 * x[r]);
                    eu[r] = MulAdd<Fused>(y, y, eu[r]);
                    acc[r] += y;
                }
            }
            for (int r = 0; r < kRuns; ++r) {
                const float y = MulAdd<Fused>(w.b0, acc[r], w1[r]);
                w1[r] = MulAdd<Fused>(-w.a1, y, MulAdd<Fused>(wb1, acc[r], w2[r]));
                w2[r] = MulAdd<Fused>(-w.a2, y, w.b0 * acc[r]);
                el[r] = MulAdd<Fused>(y, y, el[r]);
                const float z = MulAdd<Fused>(w.hb0, acc[r], h1[r]);
                h1[r] = MulAdd<Fused>(-w.a1, z, MulAdd<Fused>(-2.0f * w.hb0, acc[r], h2[r]));
                h2[r] = MulAdd<Fused>(-w.a2, z, w.hb0 * acc[r]);
                eh[r] = MulAdd<Fused>(z, z, eh[r]);
                ea[r] = MulAdd<Fused>(acc[r], acc[r], ea[r]);
            }
        }
        for (int r = 0; r < kRuns; ++r) {
            const std::size_t i = b * kRunCount + static_cast<std::size_t>(r);
            upper[i] = eu[r];
            lower[i] = el[r];
            middle[i] = eh[r];
            sums[i] = ea[r];
        }
    }
}

// Steps [base[r], base[r] + count) of `steps` side by side: lanes[s * kRuns + r].
void TransposePortable(const float* steps, const std::size_t* base, std::size_t count,
                       float* lanes) {
    for (std::size_t r = 0; r < kRunCount; ++r) {
        const float* from = steps + base[r];
        for (std::size_t s = 0; s < count; ++s) {
            lanes[s * kRunCount + r] = from[s];
        }
    }
}

// Sums of the channels, their energy per block and their sums over groups of `decimate`
// frames, for whole blocks, in plain C++.
void FrontPortable(const std::int16_t* x, std::size_t blocks, int channels, int decimate,
                   float* steps, double* energy) {
    alignas(32) float mono[kBlock];
    const std::size_t perBlock = kBlock / static_cast<std::size_t>(decimate);
    for (std::size_t b = 0; b < blocks; ++b) {
        if (channels == 2) {
            ToMono<2>(x + b * kBlock * 2, kBlock, mono);
        } else {
            ToMono<1>(x + b * kBlock, kBlock, mono);
        }
        energy[b] = BlockEnergy(mono);
        SumGroups(mono, kBlock, decimate, steps + b * perBlock);
    }
}

#if defined(__x86_64__)
bool HasAvx2() {
    static const bool avx2 =
        __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("fma") != 0;
    return avx2;
}

[[gnu::target("avx2,fma")]] void FilterRunsAvx2(const float* lanes, std::size_t blocks,
                                                std::size_t perBlock, std::size_t low, Lowpass u,
                                                Lowpass w, float* upper, float* lower,
                                                float* middle, float* sums) {
    FilterRunsBody<true>(lanes, blocks, perBlock, low, u, w, upper, lower, middle, sums);
}

// The transposition in 8 x 8 tiles of AVX registers; `count` is a multiple of 8.
[[gnu::target("avx2,fma")]] void TransposeAvx2(const float* steps, const std::size_t* base,
                                               std::size_t count, float* lanes) {
    for (std::size_t s = 0; s < count; s += 8) {
        for (std::size_t g = 0; g < kRunCount; g += 8) {
            __m256 row[8];
            for (std::size_t k = 0; k < 8; ++k) {
                row[k] = _mm256_loadu_ps(steps + base[g + k] + s);
            }
            const __m256 t0 = _mm256_unpacklo_ps(row[0], row[1]);
            const __m256 t1 = _mm256_unpackhi_ps(row[0], row[1]);
            const __m256 t2 = _mm256_unpacklo_ps(row[2], row[3]);
            const __m256 t3 = _mm256_unpackhi_ps(row[2], row[3]);
            const __m256 t4 = _mm256_unpacklo_ps(row[4], row[5]);
            const __m256 t5 = _mm256_unpackhi_ps(row[4], row[5]);
            const __m256 t6 = _mm256_unpacklo_ps(row[6], row[7]);
            const __m256 t7 = _mm256_unpackhi_ps(row[6], row[7]);
            const __m256 q0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
            const __m256 q1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
            const __m256 q2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
            const __m256 q3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
            const __m256 q4 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
            const __m256 q5 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
            const __m256 q6 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
            const __m256 q7 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
            const __m256 column[8] = {
                _mm256_permute2f128_ps(q0, q4, 0x20), _mm256_permute2f128_ps(q1, q5, 0x20),
                _mm256_permute2f128_ps(q2, q6, 0x20), _mm256_permute2f128_ps(q3, q7, 0x20),
                _mm256_permute2f128_ps(q0, q4, 0x31), _mm256_permute2f128_ps(q1, q5, 0x31),
                _mm256_permute2f128_ps(q2, q6, 0x31), _mm256_permute2f128_ps(q3, q7, 0x31)};
            for (std::size_t k = 0; k < 8; ++k) {
                _mm256_storeu_ps(lanes + (s + k) * kRunCount + g, column[k]);
            }
        }
    }
}

// FrontPortable for stereo and groups of 4, 8, 16 or 32 frames. madd with ones adds each
// frame's two channels into a 32-bit lane; three horizontal adds over four vectors give the
// sums of four frames (lanes in the order 0 4 1 5 2 6 3 7 of time), which a permutation puts
// in order, or whose halves add into sums of eight, and those into sums of sixteen and
// thirty-two. All sums are exact integers (the float ones too: at most 2^21).
template <int Decimate>
[[gnu::target("avx2,fma")]] void FrontStereoAvx2(const std::int16_t* x, std::size_t blocks,
                                                 float* steps, double* energy) {
    const __m256i ones = _mm256_set1_epi16(1);
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    constexpr std::size_t kVectors = kBlock / 8; // of eight frames
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::int16_t* block = x + b * kBlock * 2;
        __m256 e0 = _mm256_setzero_ps();
        __m256 e1 = _mm256_setzero_ps();
        for (std::size_t i = 0; i < kVectors; i += 4) {
            // Four vectors by name, not in an array, so that they stay in registers.
            const auto* v = reinterpret_cast<const __m256i*>(block + i * 16);
            const __m256i s0 = _mm256_madd_epi16(_mm256_loadu_si256(v), ones);
            const __m256i s1 = _mm256_madd_epi16(_mm256_loadu_si256(v + 1), ones);
            const __m256i s2 = _mm256_madd_epi16(_mm256_loadu_si256(v + 2), ones);
            const __m256i s3 = _mm256_madd_epi16(_mm256_loadu_si256(v + 3), ones);
            const __m256 f0 = _mm256_cvtepi32_ps(s0);
            const __m256 f1 = _mm256_cvtepi32_ps(s1);
            const __m256 f2 = _mm256_cvtepi32_ps(s2);
            const __m256 f3 = _mm256_cvtepi32_ps(s3);
            e0 = _mm256_fmadd_ps(f0, f0, e0);
            e1 = _mm256_fmadd_ps(f1, f1, e1);
            e0 = _mm256_fmadd_ps(f2, f2, e0);
            e1 = _mm256_fmadd_ps(f3, f3, e1);
            const __m256i fours =
                _mm256_hadd_epi32(_mm256_hadd_epi32(s0, s1), _mm256_hadd_epi32(s2, s3));
            if constexpr (Decimate == 4) {
                _mm256_storeu_ps(steps + b * (kBlock / 4) + i * 2,
                                 _mm256_cvtepi32_ps(_mm256_permutevar8x32_epi32(fours, order)));
            } else {
                const __m128i eights = _mm_add_epi32(_mm256_castsi256_si128(fours),
                                                     _mm256_extracti128_si256(fours, 1));
                float* to = steps + b * (kBlock / Decimate) + i * 8 / Decimate;
                if constexpr (Decimate == 8) {
                    _mm_storeu_ps(to, _mm_cvtepi32_ps(eights));
                } else {
                    // Neighbouring sums of eight added: the first two lanes hold sums of
                    // sixteen, and adding those the first lane one of thirty-two.
                    const __m128i sixteens = _mm_hadd_epi32(eights, eights);
                    if constexpr (Decimate == 16) {
                        _mm_storel_pi(reinterpret_cast<__m64*>(to), _mm_cvtepi32_ps(sixteens));
                    } else {
                        *to = _mm_cvtss_f32(_mm_cvtepi32_ps(_mm_hadd_epi32(sixteens, sixteens)));
                    }
                }
            }
        }
        alignas(32) float lanes[8];
        _mm256_store_ps(lanes, _mm256_add_ps(e0, e1));
        double sum = 0.0;
        for (const float lane : lanes) {
            sum += static_cast<double>(lane);
        }
        energy[b] = sum;
    }
}
#endif

// The front end for whole blocks: the vector code where it serves, else plain C++.
void Front(const std::int16_t* x, std::size_t blocks, int channels, int decimate, float* steps,
           double* energy) {
#if defined(__x86_64__)
    if (channels == 2 && HasAvx2()) {
        switch (decimate) {
        case 4:
            FrontStereoAvx2<4>(x, blocks, steps, energy);
            return;
        case 8:
            FrontStereoAvx2<8>(x, blocks, steps, energy);
            return;
        case 16:
            FrontStereoAvx2<16>(x, blocks, steps, energy);
            return;
        case 32:
            FrontStereoAvx2<32>(x, blocks, steps, energy);
            return;
        default:
            break;
        }
    }
#endif
    FrontPortable(x, blocks, channels, decimate, steps, energy);
}

void FilterRuns(const float* steps, const std::size_t* base, std::size_t blocks,
                std::size_t perBlock, std::size_t low, Lowpass u, Lowpass w, float* upper,
                float* lower, float* middle, float* sums) {
    const std::size_t count = blocks * perBlock;
    thread_local std::vector<float> lanes;
    lanes.resize(count * kRunCount);
#if defined(__x86_64__)
    if (HasAvx2()) {
        if (count % 8 == 0) {
            TransposeAvx2(steps, base, count, lanes.data());
        } else {
            TransposePortable(steps, base, count, lanes.data());
        }
        FilterRunsAvx2(lanes.data(), blocks, perBlock, low, u, w, upper, lower, middle, sums);
        return;
    }
#endif
    TransposePortable(steps, base, count, lanes.data());
    FilterRunsBody<false>(lanes.data(), blocks, perBlock, low, u, w, upper, lower, middle, sums);
}

} // namespace

Lowpass DesignLowpass(double cutoff, double rate) {
    // The cookbook's lowpass with Q = 1/sqrt(2): the bilinear transform of a second-order
    // Butterworth, prewarped at the cutoff.
    const double w0 = 2.0 * std::numbers::pi * cutoff / rate;
    const double cosw = std::cos(w0);
    const double alpha = std::sin(w0) / std::numbers::sqrt2;
    const double a0 = 1.0 + alpha;
    return {static_cast<float>((1.0 - cosw) / 2.0 / a0), static_cast<float>(-2.0 * cosw / a0),
            static_cast<float>((1.0 - alpha) / a0), static_cast<float>((1.0 + cosw) / 2.0 / a0)};
}

namespace {

// Power gain at `hz` of summing groups of `size` values at `rate`.
double BoxGain(double hz, int size, double rate) {
    const double x = std::numbers::pi * hz / rate;
    const double s = std::sin(x);
    const double g = s == 0.0 ? 1.0 : std::sin(size * x) / (size * s);
    return g * g;
}

// The lowpass at `rate` whose cutoff puts the whole chain (with `before`, the power gain of
// what comes before it at the crossover) at -3 dB at the crossover, kept below 0.45 of the
// rate.
Lowpass CrossoverLowpass(double crossover, double rate, double before) {
    const double limit = 0.45 * rate;
    double cutoff = std::min(crossover, limit);
    const double wanted = 0.5 / before; // the lowpass's own gain there
    if (crossover < limit && wanted < 1.0) {
        const double t =
            std::tan(std::numbers::pi * crossover / rate) / std::pow(1.0 / wanted - 1.0, 0.25);
        cutoff = std::min(limit, std::atan(t) * rate / std::numbers::pi);
    }
    return DesignLowpass(cutoff, rate);
}

} // namespace

BandPlan PlanBands(std::uint32_t sampleRate) {
    const double rate = std::max<double>(sampleRate, 1.0);
    BandPlan plan;
    // The upper filter runs at 5 kHz or more (its crossover below half that rate), the
    // lower one at about 1.3 kHz or more.
    while (plan.decimate < 32 && rate / (2.0 * plan.decimate) >= 5000.0) {
        plan.decimate *= 2;
    }
    while (plan.decimateLow < 4 && rate / (2.0 * plan.decimate * plan.decimateLow) >= 1300.0) {
        plan.decimateLow *= 2;
    }
    const double upperRate = rate / plan.decimate;
    const double lowerRate = upperRate / plan.decimateLow;
    // The group sums lose a little near the crossovers: each cutoff makes up for what comes
    // before it.
    plan.upper =
        CrossoverLowpass(kHighCrossover, upperRate, BoxGain(kHighCrossover, plan.decimate, rate));
    // Low and mid below the upper filter's rate come from one lowpass and one highpass with
    // the same poles, which share whatever came before them: their crossover needs no
    // allowance.
    plan.lower = DesignLowpass(std::min(kLowCrossover, 0.45 * lowerRate), lowerRate);
    plan.primeBlocks = static_cast<int>(BandLeadInFrames(sampleRate) / kBaseBlockFrames);
    return plan;
}

std::int64_t BandLeadInFrames(std::uint32_t sampleRate) {
    const auto frames = static_cast<std::int64_t>(std::ceil(0.02 * sampleRate));
    return std::max<std::int64_t>(1, (frames + kBaseBlockFrames - 1) / kBaseBlockFrames) *
           kBaseBlockFrames;
}

namespace {

// ScanBands, and where `blockSums` is not null ScanBlocksAndBands.
void Scan(std::span<const std::int16_t> samples, int channels, std::int64_t leadFrames,
          const BandPlan& plan, std::span<BandSums> out, BlockSums* blockSums) {
    if (channels != 1 && channels != 2) {
        throw std::invalid_argument("band scan of a wrong size");
    }
    const auto ch = static_cast<std::size_t>(channels);
    const std::size_t frames = samples.size() / ch;
    const auto lead = static_cast<std::size_t>(
        std::clamp<std::int64_t>(leadFrames, 0, static_cast<std::int64_t>(frames)));
    const std::size_t blocks = (frames - lead + kBlock - 1) / kBlock;
    if (out.size() != blocks) {
        throw std::invalid_argument("band scan of a wrong size");
    }
    if (blocks == 0) {
        return;
    }
    const auto decimate = static_cast<std::size_t>(plan.decimate);
    const std::size_t group = decimate * static_cast<std::size_t>(plan.decimateLow);
    const std::size_t perBlock = kBlock / decimate; // filter steps per block

    // The lead-in used starts on a whole group, so the groups line up with the blocks.
    const std::size_t skip = lead % group;
    const std::size_t leadSteps = (lead - skip) / decimate;
    // Run r covers blocks [r * runBlocks, (r + 1) * runBlocks) and starts `primeBlocks`
    // blocks early. The filters' input steps are laid out with silence before the lead-in and
    // after the last block, so that every run reads them without a bounds check.
    const std::size_t runBlocks = (blocks + kRuns - 1) / kRuns;
    const auto primeBlocks = static_cast<std::size_t>(plan.primeBlocks);
    const std::size_t front = primeBlocks * perBlock;
    // Buffers kept by each thread from chunk to chunk: fresh ones would cost page faults.
    thread_local std::vector<float> steps;
    thread_local std::vector<double> energy;
    steps.resize(front + leadSteps + kRuns * runBlocks * perBlock);
    energy.resize(blocks);
    const std::size_t dataEnd = front + leadSteps + blocks * perBlock;
    std::fill(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(front), 0.0f);
    std::fill(steps.begin() + static_cast<std::ptrdiff_t>(dataEnd), steps.end(), 0.0f);
    // The lead-in and a last block the samples do not fill, in plain C++; whole blocks in one
    // go.
    alignas(32) float mono[kBlock];
    const auto piece = [&](std::size_t at, std::size_t n, float* to) {
        if (channels == 2) {
            ToMono<2>(samples.data() + at * 2, n, mono);
        } else {
            ToMono<1>(samples.data() + at, n, mono);
        }
        // A whole block's steps, silence after the frames: the buffers are reused, so
        // nothing may be left unwritten (the lead-in's last piece spills over into steps the
        // blocks then write).
        std::fill(mono + n, mono + kBlock, 0.0f);
        SumGroups(mono, kBlock, plan.decimate, to);
    };
    std::size_t next = skip;
    if (skip == 0 && lead >= kBlock) {
        // Whole blocks of lead-in (what BandLeadInFrames asks for) go through the front end
        // too; their energies are not needed.
        const std::size_t leadBlocks = lead / kBlock;
        thread_local std::vector<double> unused;
        unused.resize(leadBlocks);
        Front(samples.data(), leadBlocks, channels, plan.decimate, steps.data() + front,
              unused.data());
        next = leadBlocks * kBlock;
    }
    for (; next < lead; next += kBlock) {
        piece(next, std::min(kBlock, lead - next), steps.data() + front + (next - skip) / decimate);
    }
    const std::size_t whole = (frames - lead) / kBlock;
    const std::span<const std::int16_t> chunk = samples.subspan(lead * ch, (frames - lead) * ch);
    bool fused = false;
#if defined(SUNDREL_STEREO_SCAN_X86)
    if (blockSums != nullptr && channels == 2 && StereoScanServes(plan.decimate)) {
        ScanStereoBlocks(chunk.data(), whole, plan.decimate, blockSums,
                         steps.data() + front + leadSteps, energy.data());
        // A last block the samples do not fill, as ScanBlocks scans it.
        ScanBlocks(chunk.subspan(whole * kBlock * ch), channels,
                   std::span(blockSums + whole * ch, (blocks - whole) * ch));
        fused = true;
    }
#endif
    if (!fused) {
        Front(chunk.data(), whole, channels, plan.decimate, steps.data() + front + leadSteps,
              energy.data());
        if (blockSums != nullptr) {
            ScanBlocks(chunk, channels, std::span(blockSums, blocks * ch));
        }
    }
    if (whole < blocks) {
        const std::size_t at = lead + whole * kBlock;
        piece(at, frames - at, steps.data() + front + leadSteps + whole * perBlock);
        energy[whole] = BlockEnergy(mono);
    }

    std::size_t base[kRuns];
    for (int r = 0; r < kRuns; ++r) {
        base[r] = leadSteps + static_cast<std::size_t>(r) * runBlocks * perBlock;
    }
    const std::size_t filtered = primeBlocks + runBlocks;
    thread_local std::vector<float> upper;
    thread_local std::vector<float> lower;
    thread_local std::vector<float> middle;
    thread_local std::vector<float> sums;
    for (std::vector<float>* v : {&upper, &lower, &middle, &sums}) {
        v->resize(filtered * kRuns);
    }
    const auto low = static_cast<std::size_t>(plan.decimateLow);
    FilterRuns(steps.data(), base, filtered, perBlock, low, plan.upper, plan.lower, upper.data(),
               lower.data(), middle.data(), sums.data());

    const double scale = channels == 2 ? 0.25 : 1.0;
    for (std::size_t b = primeBlocks; b < filtered; ++b) {
        for (int r = 0; r < kRuns; ++r) {
            const std::size_t block = static_cast<std::size_t>(r) * runBlocks + b - primeBlocks;
            if (block >= blocks) {
                continue;
            }
            const std::size_t i = b * kRuns + static_cast<std::size_t>(r);
            // The steps hold sums over groups of frames: their squares are scaled back to the
            // energy of the frames they stand for.
            const double total = energy[block] * scale;
            const double toUpper = scale / static_cast<double>(decimate);
            const double toLower = scale / static_cast<double>(group);
            const double below = static_cast<double>(upper[i]) * toUpper;
            // Low and mid at the lower rate: power complementary, so a tone's energy is split
            // between them without loss. The mid above that rate is what the second group
            // sums took out of the upper filter's output, the high what that filter took out
            // of the whole. Energies of filtered signals do not match the block's own exactly
            // (the filters delay), so the parts are scaled to add up to it.
            const double lowPart = static_cast<double>(lower[i]) * toLower;
            const double midPart = static_cast<double>(middle[i]) * toLower +
                                   std::max(0.0, below - static_cast<double>(sums[i]) * toLower);
            const double highPart = std::max(0.0, total - below);
            const double parts = lowPart + midPart + highPart;
            if (!(parts > 0.0) || !(total > 0.0)) {
                out[block] = {};
                continue;
            }
            const double k = total / parts;
            out[block] = {lowPart * k, midPart * k, highPart * k};
        }
    }
}

} // namespace

void ScanBands(std::span<const std::int16_t> samples, int channels, std::int64_t leadFrames,
               const BandPlan& plan, std::span<BandSums> out) {
    Scan(samples, channels, leadFrames, plan, out, nullptr);
}

void ScanBlocksAndBands(std::span<const std::int16_t> samples, int channels,
                        std::int64_t leadFrames, const BandPlan& plan, std::span<BandSums> out,
                        std::span<BlockSums> sums) {
    if (sums.size() != out.size() * static_cast<std::size_t>(std::max(channels, 0))) {
        throw std::invalid_argument("block scan of a wrong size");
    }
    Scan(samples, channels, leadFrames, plan, out, sums.data());
}

} // namespace sundrel::overview
