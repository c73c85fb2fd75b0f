#include "bytes/block_search.h"

#include <algorithm>

#include "bytes/vector_bytes.h"

namespace dxfprofile {
namespace {

using namespace vectors;

// The byte `back` places before block[at]; the block keeps readable bytes
// before its start.
char before(const char* block, std::size_t at, std::ptrdiff_t back) {
    return (block + at)[-back];
}

bool isDigitCandidate(const char* block, std::size_t at, std::size_t end, const DigitSet& set) {
    return isOneOf(block[at], set.digits, set.count) &&
           atMost(at + 1 < end ? block[at + 1] : '\n', ' ') && atMost(before(block, at, 1), '0') &&
           (before(block, at, 1) != '0' || atMost(before(block, at, 2), '0'));
}

bool isPatternDigit(const char* block, std::size_t at, std::size_t end,
                    const LinePattern& pattern) {
    return block[at] == pattern.digit && atMost(at + 1 < end ? block[at + 1] : '\n', ' ') &&
           atMost(before(block, at, 1), '0');
}

bool isPatternHead(const char* block, std::size_t at, std::size_t end, const LinePattern& pattern) {
    return block[at] == pattern.head && before(block, at, 1) == '\n' && end - at > pattern.span &&
           block[at + pattern.span] == pattern.tail;
}

// The candidates of a pattern step: digits on lines of the parity, heads on
// the others.
std::uint64_t patternCandidates(std::uint64_t digits, std::uint64_t ends, std::uint64_t lineEnds,
                                std::uint64_t parity, std::uint64_t heads) {
    std::uint64_t odd = prefixParity(ends);
    std::uint64_t wanted = ((lineEnds ^ parity) & 1) == 0 ? ~odd : odd;
    return (digits & wanted) | (heads & ~wanted);
}

void digitTail(const char* block, std::size_t from, std::size_t end, const DigitSet& set,
               DigitStep& step) {
    step.base = from;
    step.size = std::min<std::size_t>(end - from, 64);
    step.ends = 0;
    step.candidates = 0;
    for (std::size_t i = 0; i < step.size; ++i) {
        std::uint64_t bit = std::uint64_t{1} << i;
        if (block[from + i] == '\n') step.ends |= bit;
        if (isDigitCandidate(block, from + i, end, set)) step.candidates |= bit;
    }
}

void patternTail(const char* block, std::size_t from, std::size_t end, const LinePattern& pattern,
                 std::uint64_t parity, std::uint64_t lineEnds, DigitStep& step) {
    step.base = from;
    step.size = std::min<std::size_t>(end - from, 64);
    step.ends = 0;
    std::uint64_t digits = 0;
    std::uint64_t heads = 0;
    for (std::size_t i = 0; i < step.size; ++i) {
        std::uint64_t bit = std::uint64_t{1} << i;
        if (block[from + i] == '\n') step.ends |= bit;
        if (isPatternDigit(block, from + i, end, pattern)) digits |= bit;
        if (isPatternHead(block, from + i, end, pattern)) heads |= bit;
    }
    step.candidates = patternCandidates(digits, step.ends, lineEnds, parity, heads);
}

#if defined(__SSE2__)
// The whole 64-byte steps from `from` on, up to the first with a candidate:
// true, or false with `from` at the first byte that no whole step covers.
bool digitStepsNarrow(const char* block, std::size_t& from, std::size_t end, const DigitSet& set,
                      std::uint64_t parity, std::uint64_t& lineEnds, DigitStep& step) {
    const __m128i first = _mm_set1_epi8(set.digits[0]);
    const __m128i second = _mm_set1_epi8(set.digits[set.count - 1]);
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i zero = _mm_set1_epi8('0');
    for (; from + 65 <= end; from += 64) {
        const char* at = block + from;
        std::uint64_t candidates = masks64(at, [&](const char* p) {
            __m128i bytes = load16(p);
            __m128i digit =
                _mm_or_si128(_mm_cmpeq_epi8(bytes, first), _mm_cmpeq_epi8(bytes, second));
            __m128i previous = load16(p - 1);
            __m128i around =
                _mm_and_si128(atMost16(load16(p + 1), blank), atMost16(previous, zero));
            // "100": a '0' before the digit, and a higher byte before that.
            __m128i hundred =
                _mm_andnot_si128(atMost16(load16(p - 2), zero), _mm_cmpeq_epi8(previous, zero));
            return mask16(_mm_andnot_si128(hundred, _mm_and_si128(digit, around)));
        });
        std::uint64_t ends =
            masks64(at, [&](const char* p) { return mask16(_mm_cmpeq_epi8(load16(p), lf)); });
        if (candidates != 0) candidates = onWantedLines(candidates, ends, lineEnds, parity);
        if (candidates != 0) {
            step = {from, 64, ends, candidates};
            return true;
        }
        lineEnds += popcount(ends);
    }
    return false;
}

bool patternStepsNarrow(const char* block, std::size_t& from, std::size_t end,
                        const LinePattern& pattern, std::uint64_t parity, std::uint64_t& lineEnds,
                        DigitStep& step) {
    const __m128i digit = _mm_set1_epi8(pattern.digit);
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i head = _mm_set1_epi8(pattern.head);
    const __m128i tail = _mm_set1_epi8(pattern.tail);
    const std::size_t span = pattern.span;
    for (; from + 65 <= end; from += 64) {
        const char* at = block + from;
        std::uint64_t digits = masks64(at, [&](const char* p) {
            __m128i around =
                _mm_and_si128(atMost16(load16(p + 1), blank), atMost16(load16(p - 1), zero));
            return mask16(_mm_and_si128(_mm_cmpeq_epi8(load16(p), digit), around));
        });
        std::uint64_t heads = masks64(at, [&](const char* p) {
            __m128i starts =
                _mm_and_si128(_mm_cmpeq_epi8(load16(p), head), _mm_cmpeq_epi8(load16(p - 1), lf));
            return mask16(_mm_and_si128(starts, _mm_cmpeq_epi8(load16(p + span), tail)));
        });
        std::uint64_t ends =
            masks64(at, [&](const char* p) { return mask16(_mm_cmpeq_epi8(load16(p), lf)); });
        std::uint64_t candidates =
            (digits | heads) == 0 ? 0 : patternCandidates(digits, ends, lineEnds, parity, heads);
        if (candidates != 0) {
            step = {from, 64, ends, candidates};
            return true;
        }
        lineEnds += popcount(ends);
    }
    return false;
}

#endif

#if DXFPROFILE_WIDE_VECTORS
__attribute__((target("avx2,popcnt"))) bool digitStepsWide(const char* block, std::size_t& from,
                                                           std::size_t end, const DigitSet& set,
                                                           std::uint64_t parity,
                                                           std::uint64_t& lineEnds,
                                                           DigitStep& step) {
    const __m256i first = _mm256_set1_epi8(set.digits[0]);
    const __m256i second = _mm256_set1_epi8(set.digits[set.count - 1]);
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i blank = _mm256_set1_epi8(' ');
    const __m256i zero = _mm256_set1_epi8('0');
    for (; from + 65 <= end; from += 64) {
        const char* at = block + from;
        __m256i bytes0 = load32(at);
        __m256i bytes1 = load32(at + 32);
        __m256i digit0 =
            _mm256_or_si256(_mm256_cmpeq_epi8(bytes0, first), _mm256_cmpeq_epi8(bytes0, second));
        __m256i digit1 =
            _mm256_or_si256(_mm256_cmpeq_epi8(bytes1, first), _mm256_cmpeq_epi8(bytes1, second));
        __m256i previous0 = load32(at - 1);
        __m256i previous1 = load32(at + 31);
        __m256i around0 =
            _mm256_and_si256(atMost32(load32(at + 1), blank), atMost32(previous0, zero));
        __m256i around1 =
            _mm256_and_si256(atMost32(load32(at + 33), blank), atMost32(previous1, zero));
        // "100": a '0' before the digit, and a higher byte before that.
        __m256i hundred0 =
            _mm256_andnot_si256(atMost32(load32(at - 2), zero), _mm256_cmpeq_epi8(previous0, zero));
        __m256i hundred1 = _mm256_andnot_si256(atMost32(load32(at + 30), zero),
                                               _mm256_cmpeq_epi8(previous1, zero));
        std::uint64_t candidates =
            mask32(_mm256_andnot_si256(hundred0, _mm256_and_si256(digit0, around0))) |
            mask32(_mm256_andnot_si256(hundred1, _mm256_and_si256(digit1, around1))) << 32;
        std::uint64_t ends =
            mask32(_mm256_cmpeq_epi8(bytes0, lf)) | mask32(_mm256_cmpeq_epi8(bytes1, lf)) << 32;
        if (candidates != 0) candidates = onWantedLines(candidates, ends, lineEnds, parity);
        if (candidates != 0) {
            step = {from, 64, ends, candidates};
            return true;
        }
        lineEnds += static_cast<std::uint64_t>(__builtin_popcountll(ends));
    }
    return false;
}

// Thirty-two positions of a pattern step.
__attribute__((target("avx2,popcnt"))) inline void patternHalf(const char* p,
                                                               const LinePattern& pattern,
                                                               std::uint64_t& digits,
                                                               std::uint64_t& heads,
                                                               std::uint64_t& ends) {
    const __m256i zero = _mm256_set1_epi8('0');
    const __m256i lf = _mm256_set1_epi8('\n');
    __m256i bytes = load32(p);
    __m256i previous = load32(p - 1);
    __m256i around =
        _mm256_and_si256(atMost32(load32(p + 1), _mm256_set1_epi8(' ')), atMost32(previous, zero));
    digits =
        mask32(_mm256_and_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(pattern.digit)), around));
    __m256i starts = _mm256_and_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(pattern.head)),
                                      _mm256_cmpeq_epi8(previous, lf));
    heads = mask32(_mm256_and_si256(
        starts, _mm256_cmpeq_epi8(load32(p + pattern.span), _mm256_set1_epi8(pattern.tail))));
    ends = mask32(_mm256_cmpeq_epi8(bytes, lf));
}

// Bit i: the parity of the set bits of `mask` at i and below, by a
// carry-less multiplication with all ones.
__attribute__((target("pclmul,sse2"))) inline std::uint64_t prefixParityWide(std::uint64_t mask) {
    __m128i product = _mm_clmulepi64_si128(_mm_cvtsi64_si128(static_cast<long long>(mask)),
                                           _mm_set1_epi8(static_cast<char>(0xff)), 0);
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(product));
}

__attribute__((target("avx2,popcnt,pclmul"))) bool patternStepsWide(
    const char* block, std::size_t& from, std::size_t end, const LinePattern& pattern,
    std::uint64_t parity, std::uint64_t& lineEnds, DigitStep& step) {
    // Local copies: the stores through `step` could otherwise alias them.
    std::size_t at = from;
    std::uint64_t ends = lineEnds;
    const LinePattern local = pattern;
    for (; at + 65 <= end; at += 64) {
        std::uint64_t digits0 = 0, heads0 = 0, ends0 = 0;
        std::uint64_t digits1 = 0, heads1 = 0, ends1 = 0;
        patternHalf(block + at, local, digits0, heads0, ends0);
        patternHalf(block + at + 32, local, digits1, heads1, ends1);
        std::uint64_t digits = digits0 | digits1 << 32;
        std::uint64_t heads = heads0 | heads1 << 32;
        std::uint64_t stepEnds = ends0 | ends1 << 32;
        if ((digits | heads) != 0) {
            std::uint64_t odd = prefixParityWide(stepEnds);
            std::uint64_t wanted = ((ends ^ parity) & 1) == 0 ? ~odd : odd;
            std::uint64_t candidates = (digits & wanted) | (heads & ~wanted);
            if (candidates != 0) {
                step = {at, 64, stepEnds, candidates};
                from = at;
                lineEnds = ends;
                return true;
            }
        }
        ends += static_cast<std::uint64_t>(__builtin_popcountll(stepEnds));
    }
    from = at;
    lineEnds = ends;
    return false;
}

#endif

}  // namespace

bool haveWideVectors() {
#if DXFPROFILE_WIDE_VECTORS
    static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") &&
                             __builtin_cpu_supports("pclmul");
    return avx2;
#else
    return false;
#endif
}

bool findDigitStep(const char* block, std::size_t from, std::size_t end, const DigitSet& set,
                   std::uint64_t parity, bool wide, std::uint64_t& lineEnds, DigitStep& step) {
#if DXFPROFILE_WIDE_VECTORS
    if (wide && digitStepsWide(block, from, end, set, parity, lineEnds, step)) return true;
#endif
    (void)wide;
#if defined(__SSE2__)
    if (digitStepsNarrow(block, from, end, set, parity, lineEnds, step)) return true;
#endif
    while (from < end) {
        digitTail(block, from, end, set, step);
        if (step.candidates != 0)
            step.candidates = onWantedLines(step.candidates, step.ends, lineEnds, parity);
        if (step.candidates != 0) return true;
        lineEnds += popcount(step.ends);
        from += step.size;
    }
    return false;
}

bool findPatternStep(const char* block, std::size_t from, std::size_t end,
                     const LinePattern& pattern, std::uint64_t parity, bool wide,
                     std::uint64_t& lineEnds, DigitStep& step) {
#if DXFPROFILE_WIDE_VECTORS
    if (wide && patternStepsWide(block, from, end, pattern, parity, lineEnds, step)) return true;
#endif
    (void)wide;
#if defined(__SSE2__)
    if (patternStepsNarrow(block, from, end, pattern, parity, lineEnds, step)) return true;
#endif
    while (from < end) {
        patternTail(block, from, end, pattern, parity, lineEnds, step);
        if (step.candidates != 0) return true;
        lineEnds += popcount(step.ends);
        from += step.size;
    }
    return false;
}

std::uint64_t countLineEnds(const char* block, std::size_t from, std::size_t end) {
    std::uint64_t count = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    for (; from + 16 <= end; from += 16)
        count += popcount(mask16(_mm_cmpeq_epi8(load16(block + from), lf)));
#endif
    for (; from < end; ++from) count += block[from] == '\n';
    return count;
}

}  // namespace dxfprofile
