#include <algorithm>
#include <cstring>

#include "bytes/block_search.h"
#include "bytes/vector_bytes.h"

namespace dxfprofile {
namespace {

using namespace vectors;

bool markerStartsAt(const char* block, std::size_t at, std::size_t end, const MarkerSet& set) {
    for (int i = 0; i < set.count; ++i) {
        std::string_view marker = set.markers[i];
        if (end - at >= marker.size() && std::memcmp(block + at, marker.data(), marker.size()) == 0)
            return true;
    }
    return false;
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
__attribute__((target("avx2,popcnt"))) std::size_t markerSearchWide(const char* block,
                                                                    std::size_t from,
                                                                    std::size_t end,
                                                                    const MarkerSet& set,
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
        lineEnds += static_cast<std::uint64_t>(__builtin_popcountll(ends));
    }
    return markerTail(block, from, end, set, lineEnds);
}
#endif

}  // namespace

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

}  // namespace dxfprofile
