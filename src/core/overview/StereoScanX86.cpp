#include "core/overview/StereoScanX86.h"

#if defined(SUNDREL_STEREO_SCAN_X86)

#include <immintrin.h>
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
        alignas(32) float e[8];
        _mm256_store_ps(e, _mm256_add_ps(a.e0, a.e1));
        double sum = 0.0;
        for (const float lane : e) {
            sum += static_cast<double>(lane);
        }
        energy[b] = sum;
    }
}

} // namespace

bool StereoScanServes(int decimate) {
    static const bool avx2 =
        __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("fma") != 0;
    return avx2 && (decimate == 4 || decimate == 8 || decimate == 16 || decimate == 32);
}

void ScanStereoBlocks(const std::int16_t* x, std::size_t blocks, int decimate, BlockSums* out,
                      float* steps, double* energy) {
    switch (decimate) {
    case 4:
        Scan<4>(x, blocks, out, steps, energy);
        break;
    case 8:
        Scan<8>(x, blocks, out, steps, energy);
        break;
    case 16:
        Scan<16>(x, blocks, out, steps, energy);
        break;
    case 32:
        Scan<32>(x, blocks, out, steps, energy);
        break;
    default:
        throw std::invalid_argument("stereo scan of groups it does not take");
    }
}

} // namespace sundrel::overview

#endif
