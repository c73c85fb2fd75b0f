// Byte operations of the vector searches: 16 bytes at a time with SSE2, 32
// with AVX2 where the processor has it. For the search files only.
#pragma once

#include <cstddef>
#include <cstdint>

// The 64-byte search needs AVX2; it is built for x86-64 whatever the
// compiler's target, and used where the processor has it.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define DXFPROFILE_WIDE_VECTORS 1
#include <immintrin.h>
#else
#define DXFPROFILE_WIDE_VECTORS 0
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "bytes/block_search.h"

namespace dxfprofile::vectors {

inline bool isOneOf(char c, const char* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        if (c == bytes[i]) return true;
    }
    return false;
}

inline bool atMost(char c, char limit) {
    return static_cast<unsigned char>(c) <= static_cast<unsigned char>(limit);
}

// The bits below the lowest set bit of `mask`.
inline std::uint64_t belowLowest(std::uint64_t mask) {
    return (mask & (0 - mask)) - 1;
}

inline std::uint64_t popcount(std::uint64_t mask) {
    return countBits(mask);
}

// Bit i: the parity of the set bits of `mask` at i and below.
inline std::uint64_t prefixParity(std::uint64_t mask) {
    mask ^= mask << 1;
    mask ^= mask << 2;
    mask ^= mask << 4;
    mask ^= mask << 8;
    mask ^= mask << 16;
    mask ^= mask << 32;
    return mask;
}

// The candidates of a 64-byte step that stand on lines of the wanted
// parity; `ends` marks the step's line ends.
inline std::uint64_t onWantedLines(std::uint64_t candidates, std::uint64_t ends,
                                   std::uint64_t lineEnds, std::uint64_t parity) {
    std::uint64_t odd = prefixParity(ends);  // lines after an odd count of the step's ends
    return candidates & (((lineEnds ^ parity) & 1) == 0 ? ~odd : odd);
}

#if defined(__SSE2__)
inline std::uint64_t mask16(__m128i bytes) {
    return static_cast<std::uint16_t>(_mm_movemask_epi8(bytes));
}

inline __m128i load16(const char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// The bytes of `v` that are at most `limit`, unsigned.
inline __m128i atMost16(__m128i v, __m128i limit) {
    return _mm_cmpeq_epi8(_mm_min_epu8(v, limit), v);
}

// Sixty-four positions in four 16-byte steps.
template <typename Step>
inline std::uint64_t masks64(const char* at, Step step) {
    return step(at) | step(at + 16) << 16 | step(at + 32) << 32 | step(at + 48) << 48;
}

#endif

#if DXFPROFILE_WIDE_VECTORS
__attribute__((target("avx2"))) inline std::uint64_t mask32(__m256i bytes) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(bytes));
}

__attribute__((target("avx2"))) inline __m256i load32(const char* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

__attribute__((target("avx2"))) inline __m256i atMost32(__m256i v, __m256i limit) {
    return _mm256_cmpeq_epi8(_mm256_min_epu8(v, limit), v);
}

#endif

}  // namespace dxfprofile::vectors
