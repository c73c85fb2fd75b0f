#include "reader/block_search.h"

#include <algorithm>
#include <cstring>

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

namespace dxfprofile {
namespace {

bool isOneOf(char c, const char* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        if (c == bytes[i]) return true;
    }
    return false;
}

bool atMost(char c, char limit) {
    return static_cast<unsigned char>(c) <= static_cast<unsigned char>(limit);
}

// The bits below the lowest set bit of `mask`.
std::uint64_t belowLowest(std::uint64_t mask) {
    return (mask & (0 - mask)) - 1;
}

std::uint64_t popcount(std::uint64_t mask) {
    return countBits(mask);
}

bool isDigitCandidate(const char* block, std::size_t at, std::size_t end, const DigitSet& set) {
    return isOneOf(block[at], set.digits, set.count) &&
           atMost(at + 1 < end ? block[at + 1] : '\n', ' ') && atMost(block[at - 1], '0') &&
           (block[at - 1] != '0' || atMost(block[at - 2], '0'));
}

// Bit i: the parity of the set bits of `mask` at i and below.
std::uint64_t prefixParity(std::uint64_t mask) {
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
std::uint64_t onWantedLines(std::uint64_t candidates, std::uint64_t ends, std::uint64_t lineEnds,
                            std::uint64_t parity) {
    std::uint64_t odd = prefixParity(ends);  // lines after an odd count of the step's ends
    return candidates & (((lineEnds ^ parity) & 1) == 0 ? ~odd : odd);
}

bool markerStartsAt(const char* block, std::size_t at, std::size_t end, const MarkerSet& set) {
    for (int i = 0; i < set.count; ++i) {
        std::string_view marker = set.markers[i];
        if (end - at >= marker.size() && std::memcmp(block + at, marker.data(), marker.size()) == 0)
            return true;
    }
    return false;
}

bool isLayerCandidate(const char* block, std::size_t at, std::size_t end) {
    return block[at] == '8' && atMost(at + 1 < end ? block[at + 1] : '\n', ' ') &&
           atMost(block[at - 1], '0');
}

bool isEndCandidate(const char* block, std::size_t at, std::size_t end) {
    return block[at] == 'E' && block[at - 1] == '\n' && end - at > 5 && block[at + 5] == 'C';
}

// The candidates of a layer step: digits on code lines, ends on the others.
std::uint64_t layerCandidates(std::uint64_t eights, std::uint64_t ends, std::uint64_t lineEnds,
                              std::uint64_t parity, std::uint64_t sectionEnds) {
    std::uint64_t odd = prefixParity(ends);
    std::uint64_t wanted = ((lineEnds ^ parity) & 1) == 0 ? ~odd : odd;
    return (eights & wanted) | (sectionEnds & ~wanted);
}

// The scalar step, for what a whole vector step does not cover.
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

void layerTail(const char* block, std::size_t from, std::size_t end, std::uint64_t parity,
               std::uint64_t lineEnds, DigitStep& step) {
    step.base = from;
    step.size = std::min<std::size_t>(end - from, 64);
    step.ends = 0;
    std::uint64_t eights = 0;
    std::uint64_t sectionEnds = 0;
    for (std::size_t i = 0; i < step.size; ++i) {
        std::uint64_t bit = std::uint64_t{1} << i;
        if (block[from + i] == '\n') step.ends |= bit;
        if (isLayerCandidate(block, from + i, end)) eights |= bit;
        if (isEndCandidate(block, from + i, end)) sectionEnds |= bit;
    }
    step.candidates = layerCandidates(eights, step.ends, lineEnds, parity, sectionEnds);
}

std::size_t markerTail(const char* block, std::size_t from, std::size_t end, const MarkerSet& set,
                       std::uint64_t& lineEnds) {
    for (std::size_t at = from; at < end; ++at) {
        if (markerStartsAt(block, at, end, set)) return at;
        lineEnds += block[at] == '\n';
    }
    return end;
}

// Confirms the candidates of one 64-byte step of the marker search in
// order; false when none is a text of the set.
bool confirmMarker(const char* block, std::size_t from, std::size_t end, const MarkerSet& set,
                   std::uint64_t candidates, std::uint64_t ends, std::uint64_t& lineEnds,
                   std::size_t& found) {
    for (; candidates != 0; candidates &= candidates - 1) {
        auto at = from + static_cast<std::size_t>(__builtin_ctzll(candidates));
        if (markerStartsAt(block, at, end, set)) {
            lineEnds += popcount(ends & belowLowest(candidates));
            found = at;
            return true;
        }
    }
    return false;
}

#if defined(__SSE2__)
std::uint64_t mask16(__m128i bytes) {
    return static_cast<std::uint16_t>(_mm_movemask_epi8(bytes));
}

__m128i load16(const char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// The bytes of `v` that are at most `limit`, unsigned.
__m128i atMost16(__m128i v, __m128i limit) {
    return _mm_cmpeq_epi8(_mm_min_epu8(v, limit), v);
}

// Sixty-four positions in four 16-byte steps.
template <typename Step>
std::uint64_t masks64(const char* at, Step step) {
    return step(at) | step(at + 16) << 16 | step(at + 32) << 32 | step(at + 48) << 48;
}

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

bool layerStepsNarrow(const char* block, std::size_t& from, std::size_t end, std::uint64_t parity,
                      std::uint64_t& lineEnds, DigitStep& step) {
    const __m128i eight = _mm_set1_epi8('8');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i letterE = _mm_set1_epi8('E');
    const __m128i letterC = _mm_set1_epi8('C');
    for (; from + 65 <= end; from += 64) {
        const char* at = block + from;
        std::uint64_t eights = masks64(at, [&](const char* p) {
            __m128i around =
                _mm_and_si128(atMost16(load16(p + 1), blank), atMost16(load16(p - 1), zero));
            return mask16(_mm_and_si128(_mm_cmpeq_epi8(load16(p), eight), around));
        });
        std::uint64_t sectionEnds = masks64(at, [&](const char* p) {
            __m128i starts = _mm_and_si128(_mm_cmpeq_epi8(load16(p), letterE),
                                           _mm_cmpeq_epi8(load16(p - 1), lf));
            return mask16(_mm_and_si128(starts, _mm_cmpeq_epi8(load16(p + 5), letterC)));
        });
        std::uint64_t ends =
            masks64(at, [&](const char* p) { return mask16(_mm_cmpeq_epi8(load16(p), lf)); });
        std::uint64_t candidates =
            (eights | sectionEnds) == 0
                ? 0
                : layerCandidates(eights, ends, lineEnds, parity, sectionEnds);
        if (candidates != 0) {
            step = {from, 64, ends, candidates};
            return true;
        }
        lineEnds += popcount(ends);
    }
    return false;
}

std::size_t markerSearchNarrow(const char* block, std::size_t from, std::size_t end,
                               const MarkerSet& set, std::uint64_t& lineEnds) {
    const __m128i head0 = _mm_set1_epi8(set.heads[0]);
    const __m128i head1 = _mm_set1_epi8(set.heads[set.count - 1]);
    const __m128i tail0 = _mm_set1_epi8(set.tails[0]);
    const __m128i tail1 = _mm_set1_epi8(set.tails[set.count - 1]);
    const __m128i lf = _mm_set1_epi8('\n');
    const std::size_t span = set.span;
    for (; from + span + 64 <= end; from += 64) {
        const char* at = block + from;
        std::uint64_t candidates = masks64(at, [&](const char* p) {
            __m128i first = load16(p);
            __m128i last = load16(p + span);
            __m128i head = _mm_or_si128(_mm_cmpeq_epi8(first, head0), _mm_cmpeq_epi8(first, head1));
            __m128i tail = _mm_or_si128(_mm_cmpeq_epi8(last, tail0), _mm_cmpeq_epi8(last, tail1));
            return mask16(_mm_and_si128(head, tail));
        });
        std::uint64_t ends =
            masks64(at, [&](const char* p) { return mask16(_mm_cmpeq_epi8(load16(p), lf)); });
        std::size_t found = 0;
        if (confirmMarker(block, from, end, set, candidates, ends, lineEnds, found)) return found;
        lineEnds += popcount(ends);
    }
    return markerTail(block, from, end, set, lineEnds);
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

__attribute__((target("avx2"))) bool digitStepsWide(const char* block, std::size_t& from,
                                                    std::size_t end, const DigitSet& set,
                                                    std::uint64_t parity, std::uint64_t& lineEnds,
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
        lineEnds += popcount(ends);
    }
    return false;
}

// Thirty-two positions of a layer step.
__attribute__((target("avx2,popcnt"))) inline void layerHalf(const char* p, std::uint64_t& eights,
                                                             std::uint64_t& sectionEnds,
                                                             std::uint64_t& ends) {
    const __m256i zero = _mm256_set1_epi8('0');
    const __m256i lf = _mm256_set1_epi8('\n');
    __m256i bytes = load32(p);
    __m256i previous = load32(p - 1);
    __m256i around =
        _mm256_and_si256(atMost32(load32(p + 1), _mm256_set1_epi8(' ')), atMost32(previous, zero));
    eights = mask32(_mm256_and_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('8')), around));
    __m256i starts = _mm256_and_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('E')),
                                      _mm256_cmpeq_epi8(previous, lf));
    sectionEnds =
        mask32(_mm256_and_si256(starts, _mm256_cmpeq_epi8(load32(p + 5), _mm256_set1_epi8('C'))));
    ends = mask32(_mm256_cmpeq_epi8(bytes, lf));
}

__attribute__((target("avx2,popcnt"))) bool layerStepsWide(const char* block, std::size_t& from,
                                                           std::size_t end, std::uint64_t parity,
                                                           std::uint64_t& lineEnds,
                                                           DigitStep& step) {
    for (; from + 65 <= end; from += 64) {
        std::uint64_t eights0 = 0, sectionEnds0 = 0, ends0 = 0;
        std::uint64_t eights1 = 0, sectionEnds1 = 0, ends1 = 0;
        layerHalf(block + from, eights0, sectionEnds0, ends0);
        layerHalf(block + from + 32, eights1, sectionEnds1, ends1);
        std::uint64_t eights = eights0 | eights1 << 32;
        std::uint64_t sectionEnds = sectionEnds0 | sectionEnds1 << 32;
        std::uint64_t ends = ends0 | ends1 << 32;
        std::uint64_t candidates =
            (eights | sectionEnds) == 0
                ? 0
                : layerCandidates(eights, ends, lineEnds, parity, sectionEnds);
        if (candidates != 0) {
            step = {from, 64, ends, candidates};
            return true;
        }
        lineEnds += static_cast<std::uint64_t>(__builtin_popcountll(ends));
    }
    return false;
}

__attribute__((target("avx2"))) std::size_t markerSearchWide(const char* block, std::size_t from,
                                                             std::size_t end, const MarkerSet& set,
                                                             std::uint64_t& lineEnds) {
    const __m256i head0 = _mm256_set1_epi8(set.heads[0]);
    const __m256i head1 = _mm256_set1_epi8(set.heads[set.count - 1]);
    const __m256i tail0 = _mm256_set1_epi8(set.tails[0]);
    const __m256i tail1 = _mm256_set1_epi8(set.tails[set.count - 1]);
    const __m256i lf = _mm256_set1_epi8('\n');
    const std::size_t span = set.span;
    for (; from + span + 64 <= end; from += 64) {
        const char* at = block + from;
        __m256i first0 = load32(at);
        __m256i first1 = load32(at + 32);
        __m256i last0 = load32(at + span);
        __m256i last1 = load32(at + span + 32);
        __m256i head0Match =
            _mm256_or_si256(_mm256_cmpeq_epi8(first0, head0), _mm256_cmpeq_epi8(first0, head1));
        __m256i head1Match =
            _mm256_or_si256(_mm256_cmpeq_epi8(first1, head0), _mm256_cmpeq_epi8(first1, head1));
        __m256i tail0Match =
            _mm256_or_si256(_mm256_cmpeq_epi8(last0, tail0), _mm256_cmpeq_epi8(last0, tail1));
        __m256i tail1Match =
            _mm256_or_si256(_mm256_cmpeq_epi8(last1, tail0), _mm256_cmpeq_epi8(last1, tail1));
        std::uint64_t candidates = mask32(_mm256_and_si256(head0Match, tail0Match)) |
                                   mask32(_mm256_and_si256(head1Match, tail1Match)) << 32;
        std::uint64_t ends =
            mask32(_mm256_cmpeq_epi8(first0, lf)) | mask32(_mm256_cmpeq_epi8(first1, lf)) << 32;
        std::size_t found = 0;
        if (confirmMarker(block, from, end, set, candidates, ends, lineEnds, found)) return found;
        lineEnds += popcount(ends);
    }
    return markerTail(block, from, end, set, lineEnds);
}
#endif

}  // namespace

bool haveWideVectors() {
#if DXFPROFILE_WIDE_VECTORS
    static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    return avx2;
#else
    return false;
#endif
}

MarkerSet makeMarkerSet(std::string_view first, std::string_view second) {
    MarkerSet set;
    set.markers[set.count++] = first;
    if (second != first) set.markers[set.count++] = second;
    set.searchable = true;
    std::size_t shortest = SIZE_MAX;
    for (int i = 0; i < set.count; ++i) {
        std::string_view marker = set.markers[i];
        if (marker.empty() || marker.find('\n') != std::string_view::npos) set.searchable = false;
        shortest = std::min(shortest, marker.size());
    }
    if (!set.searchable) return set;
    set.span = shortest - 1;
    for (int i = 0; i < set.count; ++i) {
        set.heads[i] = set.markers[i][0];
        set.tails[i] = set.markers[i][set.span];
    }
    return set;
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

bool findLayerStep(const char* block, std::size_t from, std::size_t end, std::uint64_t parity,
                   bool wide, std::uint64_t& lineEnds, DigitStep& step) {
#if DXFPROFILE_WIDE_VECTORS
    if (wide && layerStepsWide(block, from, end, parity, lineEnds, step)) return true;
#endif
    (void)wide;
#if defined(__SSE2__)
    if (layerStepsNarrow(block, from, end, parity, lineEnds, step)) return true;
#endif
    while (from < end) {
        layerTail(block, from, end, parity, lineEnds, step);
        if (step.candidates != 0) return true;
        lineEnds += popcount(step.ends);
        from += step.size;
    }
    return false;
}

std::size_t findMarkerCandidate(const char* block, std::size_t from, std::size_t end,
                                const MarkerSet& set, bool wide, std::uint64_t& lineEnds) {
#if DXFPROFILE_WIDE_VECTORS
    if (wide) return markerSearchWide(block, from, end, set, lineEnds);
#endif
#if defined(__SSE2__)
    (void)wide;
    return markerSearchNarrow(block, from, end, set, lineEnds);
#else
    (void)wide;
    return markerTail(block, from, end, set, lineEnds);
#endif
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
