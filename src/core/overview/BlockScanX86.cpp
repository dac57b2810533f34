#include "core/overview/BlockScanX86.h"

#if defined(SUNDREL_SCAN_X86)

#include <immintrin.h>

namespace sundrel::overview {

namespace {

// How the vectors are read:
// - min/max run on the interleaved vectors as they are: lane l holds channel l % channels, so
//   the lanes are folded per channel only at the end of the block.
// - pmaddwd of a vector with itself adds the squares of neighbouring 16-bit lanes into one
//   32-bit lane, exactly. Stereo vectors are first reordered within each group of four lanes
//   (L0 R0 L1 R1 -> L0 L1 R0 R1), so every 32-bit lane holds one channel: the even ones left,
//   the odd ones right.
// - Two squares of -32768 make 2^31, which fits 32 bits only unsigned, so the 32-bit lanes are
//   widened at once without a shuffle: `all` adds each pair of lanes as one 64-bit number
//   (even + odd * 2^32) and `odd` adds the odd lanes shifted down; the even sum is then
//   all - odd * 2^32, modulo 2^64 and therefore exact.

// The vector registers of one block, stored to memory for folding.
template <int Lanes> struct BlockLanes {
    alignas(32) std::int16_t min[Lanes];
    alignas(32) std::int16_t max[Lanes];
    alignas(32) std::uint64_t all[Lanes / 4];
    alignas(32) std::uint64_t odd[Lanes / 4];
};

template <int Channels, int Lanes> void Fold(const BlockLanes<Lanes>& v, BlockSums* out) {
    std::uint64_t even = 0;
    std::uint64_t odd = 0;
    for (int k = 0; k < Lanes / 4; ++k) {
        odd += v.odd[k];
        even += v.all[k] - (v.odd[k] << 32);
    }
    for (int c = 0; c < Channels; ++c) {
        BlockSums s{32767, -32768, 0.0};
        for (int l = c; l < Lanes; l += Channels) {
            s.min = v.min[l] < s.min ? v.min[l] : s.min;
            s.max = v.max[l] > s.max ? v.max[l] : s.max;
        }
        out[c] = s;
    }
    // At most 2^39 per block: a double holds it exactly.
    if constexpr (Channels == 2) {
        out[0].squares = static_cast<double>(even);
        out[1].squares = static_cast<double>(odd);
    } else {
        out[0].squares = static_cast<double>(even + odd);
    }
}

template <int Channels> void ScanBlockSse2(const std::int16_t* x, BlockSums* out) {
    constexpr std::size_t kValues = kBaseBlockFrames * Channels;
    constexpr int kPairUp = _MM_SHUFFLE(3, 1, 2, 0); // lanes 0 2 1 3 of each half
    __m128i lo = _mm_set1_epi16(32767);
    __m128i hi = _mm_set1_epi16(-32768);
    __m128i all = _mm_setzero_si128();
    __m128i odd = _mm_setzero_si128();
    for (std::size_t i = 0; i < kValues; i += 8) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i));
        lo = _mm_min_epi16(lo, v);
        hi = _mm_max_epi16(hi, v);
        if constexpr (Channels == 2) {
            v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, kPairUp), kPairUp);
        }
        const __m128i squares = _mm_madd_epi16(v, v);
        all = _mm_add_epi64(all, squares);
        odd = _mm_add_epi64(odd, _mm_srli_epi64(squares, 32));
    }
    BlockLanes<8> lanes;
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes.min), lo);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes.max), hi);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes.all), all);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes.odd), odd);
    Fold<Channels>(lanes, out);
}

template <int Channels>
__attribute__((target("avx2"))) void ScanBlockAvx2(const std::int16_t* x, BlockSums* out) {
    constexpr std::size_t kValues = kBaseBlockFrames * Channels;
    // Bytes of lanes 0 2 1 3 of each group of four, in one shuffle for the whole vector.
    const __m256i pairUp = _mm256_setr_epi8(0, 1, 4, 5, 2, 3, 6, 7, 8, 9, 12, 13, 10, 11, 14, 15, 0,
                                            1, 4, 5, 2, 3, 6, 7, 8, 9, 12, 13, 10, 11, 14, 15);
    __m256i lo = _mm256_set1_epi16(32767);
    __m256i hi = _mm256_set1_epi16(-32768);
    __m256i all = _mm256_setzero_si256();
    __m256i odd = _mm256_setzero_si256();
    for (std::size_t i = 0; i < kValues; i += 16) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + i));
        lo = _mm256_min_epi16(lo, v);
        hi = _mm256_max_epi16(hi, v);
        if constexpr (Channels == 2) {
            v = _mm256_shuffle_epi8(v, pairUp);
        }
        const __m256i squares = _mm256_madd_epi16(v, v);
        all = _mm256_add_epi64(all, squares);
        odd = _mm256_add_epi64(odd, _mm256_srli_epi64(squares, 32));
    }
    BlockLanes<16> lanes;
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes.min), lo);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes.max), hi);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes.all), all);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes.odd), odd);
    Fold<Channels>(lanes, out);
}

template <int Channels> void ScanSse2(const std::int16_t* x, std::size_t blocks, BlockSums* out) {
    for (std::size_t b = 0; b < blocks; ++b) {
        ScanBlockSse2<Channels>(x + b * kBaseBlockFrames * Channels, out + b * Channels);
    }
}

template <int Channels>
__attribute__((target("avx2"))) void ScanAvx2(const std::int16_t* x, std::size_t blocks,
                                              BlockSums* out) {
    for (std::size_t b = 0; b < blocks; ++b) {
        ScanBlockAvx2<Channels>(x + b * kBaseBlockFrames * Channels, out + b * Channels);
    }
}

} // namespace

void ScanWholeBlocksSse2(const std::int16_t* x, std::size_t blocks, int channels, BlockSums* out) {
    if (channels == 2) {
        ScanSse2<2>(x, blocks, out);
    } else {
        ScanSse2<1>(x, blocks, out);
    }
}

void ScanWholeBlocksAvx2(const std::int16_t* x, std::size_t blocks, int channels, BlockSums* out) {
    if (channels == 2) {
        ScanAvx2<2>(x, blocks, out);
    } else {
        ScanAvx2<1>(x, blocks, out);
    }
}

} // namespace sundrel::overview

#endif
