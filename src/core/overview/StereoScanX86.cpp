#include "core/overview/StereoScanX86.h"

#if defined(SUNDREL_STEREO_SCAN_X86)

#include <bit>
// GCC 12's 512-bit intrinsics initialise their unused operand from itself, which it then
// reports as maybe used uninitialised wherever they are inlined (a false warning).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#include <stdexcept>

namespace sundrel::overview {

namespace {

constexpr std::size_t kBlock = static_cast<std::size_t>(kBaseBlockFrames);
constexpr std::size_t kVectors = kBlock / 8; // of eight frames each

// The registers of one block: min/max and squares as the min/max/RMS kernel keeps them
// (see BlockScanX86.cpp), and the energy of the channel sums in two float accumulators, the
// even vectors into e0 and the odd ones into e1, as the band scan's front end adds them.
struct Accumulators {
    __m256i lo;
    __m256i hi;
    __m256i all;
    __m256i odd;
    __m256 e0;
    __m256 e1;
};

// One vector of eight frames into `a`; returns the eight channel sums as 32-bit lanes. `Odd`
// says which energy accumulator this vector's index goes to.
template <bool Odd>
[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m256i Visit(const std::int16_t* p,
                                                                     Accumulators& a) {
    // Bytes of lanes 0 2 1 3 of each group of four: every 32-bit lane of the squares then
    // holds one channel.
    const __m256i pairUp = _mm256_setr_epi8(0, 1, 4, 5, 2, 3, 6, 7, 8, 9, 12, 13, 10, 11, 14, 15, 0,
                                            1, 4, 5, 2, 3, 6, 7, 8, 9, 12, 13, 10, 11, 14, 15);
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    a.lo = _mm256_min_epi16(a.lo, v);
    a.hi = _mm256_max_epi16(a.hi, v);
    const __m256i paired = _mm256_shuffle_epi8(v, pairUp);
    const __m256i squares = _mm256_madd_epi16(paired, paired);
    a.all = _mm256_add_epi64(a.all, squares);
    a.odd = _mm256_add_epi64(a.odd, _mm256_srli_epi64(squares, 32));
    // madd with ones adds each frame's two channels into a 32-bit lane.
    const __m256i sums = _mm256_madd_epi16(v, _mm256_set1_epi16(1));
    const __m256 f = _mm256_cvtepi32_ps(sums);
    if constexpr (Odd) {
        a.e1 = _mm256_fmadd_ps(f, f, a.e1);
    } else {
        a.e0 = _mm256_fmadd_ps(f, f, a.e0);
    }
    return sums;
}

// The block's min/max and squares into out[0] (left) and out[1] (right): the same numbers as
// Fold gives, with the lanes folded in registers.
[[gnu::target("avx2,fma"), gnu::always_inline]] inline void FoldStereo(const Accumulators& a,
                                                                       BlockSums* out) {
    // Halves, then 64-bit and 32-bit neighbours: lane 0 ends with the left channel's extreme,
    // lane 1 with the right's.
    __m128i lo = _mm_min_epi16(_mm256_castsi256_si128(a.lo), _mm256_extracti128_si256(a.lo, 1));
    __m128i hi = _mm_max_epi16(_mm256_castsi256_si128(a.hi), _mm256_extracti128_si256(a.hi, 1));
    lo = _mm_min_epi16(lo, _mm_shuffle_epi32(lo, _MM_SHUFFLE(1, 0, 3, 2)));
    hi = _mm_max_epi16(hi, _mm_shuffle_epi32(hi, _MM_SHUFFLE(1, 0, 3, 2)));
    lo = _mm_min_epi16(lo, _mm_shuffle_epi32(lo, _MM_SHUFFLE(2, 3, 0, 1)));
    hi = _mm_max_epi16(hi, _mm_shuffle_epi32(hi, _MM_SHUFFLE(2, 3, 0, 1)));
    __m128i all = _mm_add_epi64(_mm256_castsi256_si128(a.all), _mm256_extracti128_si256(a.all, 1));
    __m128i odd = _mm_add_epi64(_mm256_castsi256_si128(a.odd), _mm256_extracti128_si256(a.odd, 1));
    all = _mm_add_epi64(all, _mm_unpackhi_epi64(all, all));
    odd = _mm_add_epi64(odd, _mm_unpackhi_epi64(odd, odd));
    const auto right = static_cast<std::uint64_t>(_mm_cvtsi128_si64(odd));
    const auto left = static_cast<std::uint64_t>(_mm_cvtsi128_si64(all)) - (right << 32);
    const int los = _mm_cvtsi128_si32(lo);
    const int his = _mm_cvtsi128_si32(hi);
    // At most 2^39 per block: a double holds it exactly.
    out[0] = {static_cast<std::int16_t>(los), static_cast<std::int16_t>(his),
              static_cast<double>(left)};
    out[1] = {static_cast<std::int16_t>(los >> 16), static_cast<std::int16_t>(his >> 16),
              static_cast<double>(right)};
}

// The energy of one block from its two accumulators: their lanes added, then summed in order
// in double.
[[gnu::target("avx2,fma"), gnu::always_inline]] inline double BlockEnergy(__m256 e0, __m256 e1) {
    alignas(32) float e[8];
    _mm256_store_ps(e, _mm256_add_ps(e0, e1));
    double sum = 0.0;
    for (const float lane : e) {
        sum += static_cast<double>(lane);
    }
    return sum;
}

// The channel sums of `Count` vectors from `p` added lane by lane. `Odd`: whether the first
// vector's index is odd (only one vector can have an odd index: groups of more start on an
// even one).
template <int Count, bool Odd>
[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m256i Group(const std::int16_t* p,
                                                                     Accumulators& a) {
    static_assert(Count == 1 || !Odd);
    __m256i sum = Visit<Odd>(p, a);
    if constexpr (Count > 1) {
        sum = _mm256_add_epi32(sum, Visit<true>(p + 16, a));
        for (int k = 2; k < Count; k += 2) {
            sum = _mm256_add_epi32(sum, Visit<false>(p + 16 * k, a));
            sum = _mm256_add_epi32(sum, Visit<true>(p + 16 * k + 16, a));
        }
    }
    return sum;
}

// Blocks with groups of `Decimate` frames. Each step of the inner loop reads four vectors
// (groups of four frames: their eight sums) or four groups (their four sums): horizontal adds
// of the groups' lanes, which the last step of each puts in time order.
template <int Decimate>
[[gnu::target("avx2,fma")]] void Scan(const std::int16_t* x, std::size_t blocks, BlockSums* out,
                                      float* steps, double* energy) {
    constexpr std::size_t kPerBlock = kBlock / Decimate;
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::int16_t* p = x + b * kBlock * 2;
        float* to = steps + b * kPerBlock;
        Accumulators a{_mm256_set1_epi16(32767), _mm256_set1_epi16(-32768), _mm256_setzero_si256(),
                       _mm256_setzero_si256(),   _mm256_setzero_ps(),       _mm256_setzero_ps()};
        if constexpr (Decimate == 4) {
            // Four vectors: the lanes come out as groups 0 2 4 6 1 3 5 7 of time.
            const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
            for (std::size_t i = 0; i < kVectors; i += 4, p += 64, to += 8) {
                const __m256i s0 = Visit<false>(p, a);
                const __m256i s1 = Visit<true>(p + 16, a);
                const __m256i s2 = Visit<false>(p + 32, a);
                const __m256i s3 = Visit<true>(p + 48, a);
                const __m256i fours =
                    _mm256_hadd_epi32(_mm256_hadd_epi32(s0, s1), _mm256_hadd_epi32(s2, s3));
                _mm256_storeu_ps(to, _mm256_cvtepi32_ps(_mm256_permutevar8x32_epi32(fours, order)));
            }
        } else {
            constexpr int kEach = Decimate / 8; // vectors per group
            constexpr int kStride = 16 * kEach; // values per group
            constexpr bool kOdd = kEach == 1;   // whether odd groups start on odd vectors
            for (std::size_t i = 0; i < kVectors; i += 4 * kEach, p += 4 * kStride, to += 4) {
                // One statement each: the energies are added in the vectors' order.
                const __m256i g0 = Group<kEach, false>(p, a);
                const __m256i h01 = _mm256_hadd_epi32(g0, Group<kEach, kOdd>(p + kStride, a));
                const __m256i g2 = Group<kEach, false>(p + 2 * kStride, a);
                const __m256i h23 = _mm256_hadd_epi32(g2, Group<kEach, kOdd>(p + 3 * kStride, a));
                // The halves of groups 0..3, the first halves in the low 128 bits.
                const __m256i halves = _mm256_hadd_epi32(h01, h23);
                const __m128i sums = _mm_add_epi32(_mm256_castsi256_si128(halves),
                                                   _mm256_extracti128_si256(halves, 1));
                _mm_storeu_ps(to, _mm_cvtepi32_ps(sums));
            }
        }
        FoldStereo(a, out + 2 * b);
        energy[b] = BlockEnergy(a.e0, a.e1);
    }
}

// The same work in 512-bit registers, sixteen frames per vector. Vector k holds what the
// 256-bit code reads as its vectors 2k (even, low half) and 2k + 1 (odd, high half), so one
// float accumulator does the work of e0 (its low eight lanes) and e1 (its high eight), with
// every lane's products added in the same order: the energies come out bit for bit the same.
// Everything else is integer arithmetic, exact in any order.
struct WideAccumulators {
    __m512i lo;
    __m512i hi;
    __m512i all;
    __m512i odd;
    __m512 e;
};

// One vector of sixteen frames into `a`; returns the sixteen channel sums as 32-bit lanes.
[[gnu::target("avx512f,avx512bw,avx2,fma"), gnu::always_inline]] inline __m512i
VisitWide(const std::int16_t* p, WideAccumulators& a) {
    // As in Visit: lanes 0 2 1 3 of each group of four, within each 128-bit lane.
    const __m512i pairUp =
        _mm512_broadcast_i32x4(_mm_setr_epi8(0, 1, 4, 5, 2, 3, 6, 7, 8, 9, 12, 13, 10, 11, 14, 15));
    const __m512i v = _mm512_loadu_si512(p);
    a.lo = _mm512_min_epi16(a.lo, v);
    a.hi = _mm512_max_epi16(a.hi, v);
    const __m512i paired = _mm512_shuffle_epi8(v, pairUp);
    const __m512i squares = _mm512_madd_epi16(paired, paired);
    a.all = _mm512_add_epi64(a.all, squares);
    a.odd = _mm512_add_epi64(a.odd, _mm512_srli_epi64(squares, 32));
    const __m512i sums = _mm512_madd_epi16(v, _mm512_set1_epi16(1));
    const __m512 f = _mm512_cvtepi32_ps(sums);
    a.e = _mm512_fmadd_ps(f, f, a.e);
    return sums;
}

// Neighbouring lanes of the 32 values of `first` then `second` added: lane j gets values 2j
// and 2j + 1, so sums over runs of n frames become sums over runs of 2n, in time order.
[[gnu::target("avx512f,avx512bw,avx2,fma"), gnu::always_inline]] inline __m512i
PairUp(__m512i first, __m512i second) {
    const __m512i even =
        _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
    const __m512i odd =
        _mm512_setr_epi32(1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31);
    return _mm512_add_epi32(_mm512_permutex2var_epi32(first, even, second),
                            _mm512_permutex2var_epi32(first, odd, second));
}

// 2^Levels vectors from `p`: lane j of the result is the sum of the channel sums of the j-th
// run of 2^Levels frames. The vectors are visited in order (one statement each), which the
// energy's order of additions needs.
template <int Levels>
[[gnu::target("avx512f,avx512bw,avx2,fma"), gnu::always_inline]] inline __m512i
Groups(const std::int16_t* p, WideAccumulators& a) {
    if constexpr (Levels == 0) {
        return VisitWide(p, a);
    } else {
        const __m512i first = Groups<Levels - 1>(p, a);
        const __m512i second = Groups<Levels - 1>(p + (32 << (Levels - 1)), a);
        return PairUp(first, second);
    }
}

// The high 256 bits of a 512-bit register (by a shuffle: GCC 12 warns about the extract
// intrinsics' undefined operand).
[[gnu::target("avx512f,avx512bw,avx2,fma"), gnu::always_inline]] inline __m256i High(__m512i v) {
    return _mm512_castsi512_si256(_mm512_shuffle_i64x2(v, v, _MM_SHUFFLE(3, 2, 3, 2)));
}
[[gnu::target("avx512f,avx512bw,avx2,fma"), gnu::always_inline]] inline __m256 High(__m512 v) {
    return _mm512_castps512_ps256(_mm512_shuffle_f32x4(v, v, _MM_SHUFFLE(3, 2, 3, 2)));
}

template <int Decimate>
[[gnu::target("avx512f,avx512bw,avx2,fma")]] void
ScanWide(const std::int16_t* x, std::size_t blocks, BlockSums* out, float* steps, double* energy) {
    constexpr int kLevels = std::countr_zero(static_cast<unsigned>(Decimate));
    constexpr std::size_t kPerBlock = kBlock / Decimate;
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::int16_t* p = x + b * kBlock * 2;
        float* to = steps + b * kPerBlock;
        WideAccumulators a{_mm512_set1_epi16(32767), _mm512_set1_epi16(-32768),
                           _mm512_setzero_si512(), _mm512_setzero_si512(), _mm512_setzero_ps()};
        // Each step reads Decimate vectors: sixteen groups.
        for (std::size_t i = 0; i < kPerBlock; i += 16, p += 32 * Decimate, to += 16) {
            _mm512_storeu_ps(to, _mm512_cvtepi32_ps(Groups<kLevels>(p, a)));
        }
        const Accumulators narrow{_mm256_min_epi16(_mm512_castsi512_si256(a.lo), High(a.lo)),
                                  _mm256_max_epi16(_mm512_castsi512_si256(a.hi), High(a.hi)),
                                  _mm256_add_epi64(_mm512_castsi512_si256(a.all), High(a.all)),
                                  _mm256_add_epi64(_mm512_castsi512_si256(a.odd), High(a.odd)),
                                  _mm512_castps512_ps256(a.e),
                                  High(a.e)};
        FoldStereo(narrow, out + 2 * b);
        energy[b] = BlockEnergy(narrow.e0, narrow.e1);
    }
}

template <int Decimate>
void Dispatch(StereoKernel kernel, const std::int16_t* x, std::size_t blocks, BlockSums* out,
              float* steps, double* energy) {
    if (kernel == StereoKernel::Avx512) {
        ScanWide<Decimate>(x, blocks, out, steps, energy);
    } else {
        Scan<Decimate>(x, blocks, out, steps, energy);
    }
}

} // namespace

bool StereoKernelAvailable(StereoKernel kernel) {
    static const bool avx2 =
        __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("fma") != 0;
    static const bool avx512 =
        avx2 && __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0;
    return kernel == StereoKernel::Avx512 ? avx512 : avx2;
}

bool StereoScanServes(int decimate) {
    return StereoKernelAvailable(StereoKernel::Avx2) &&
           (decimate == 4 || decimate == 8 || decimate == 16 || decimate == 32);
}

void ScanStereoBlocks(const std::int16_t* x, std::size_t blocks, int decimate, BlockSums* out,
                      float* steps, double* energy) {
    static const StereoKernel best =
        StereoKernelAvailable(StereoKernel::Avx512) ? StereoKernel::Avx512 : StereoKernel::Avx2;
    ScanStereoBlocks(best, x, blocks, decimate, out, steps, energy);
}

void ScanStereoBlocks(StereoKernel kernel, const std::int16_t* x, std::size_t blocks, int decimate,
                      BlockSums* out, float* steps, double* energy) {
    if (!StereoKernelAvailable(kernel)) {
        throw std::invalid_argument("stereo scan with a kernel this processor lacks");
    }
    switch (decimate) {
    case 4:
        Dispatch<4>(kernel, x, blocks, out, steps, energy);
        break;
    case 8:
        Dispatch<8>(kernel, x, blocks, out, steps, energy);
        break;
    case 16:
        Dispatch<16>(kernel, x, blocks, out, steps, energy);
        break;
    case 32:
        Dispatch<32>(kernel, x, blocks, out, steps, energy);
        break;
    default:
        throw std::invalid_argument("stereo scan of groups it does not take");
    }
}

} // namespace sundrel::overview

#endif
