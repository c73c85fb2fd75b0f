#include "bytes/line_end_join.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "bytes/vector_bytes.h"

namespace dxfprofile {
namespace {

// A range with its CR LF pairs joined is gathered in a buffer of this size
// before it is handed on: a whole block of the source, so that a writer can
// pass it on as it is rather than copy it. 16 bytes of room are kept for the
// last 16-byte store.
constexpr std::size_t JOINED_BLOCK = SOURCE_BLOCK;

#if DXFPROFILE_WIDE_VECTORS
// For each set of dropped positions among 8 bytes (a bit each), the
// positions kept, in order: the indices of a byte shuffle.
constexpr std::array<std::uint64_t, 256> makeKeptPositions() {
    std::array<std::uint64_t, 256> table{};
    for (unsigned dropped = 0; dropped < 256; ++dropped) {
        unsigned kept = 0;
        for (unsigned at = 0; at < 8; ++at) {
            if ((dropped >> at & 1) == 0) table[dropped] |= std::uint64_t{at} << (8 * kept++);
        }
    }
    return table;
}
constexpr std::array<std::uint64_t, 256> keptPositions = makeKeptPositions();

// Moves bytes from `from` to `to` with the CR of every CR LF pair dropped,
// sixteen at a time while 32 remain before `end` and `to` is before
// `toLimit`; each step stores 16 bytes past where it ends, at most 24.
__attribute__((target("avx2"))) void joinPairsWide(const char*& source, const char* end,
                                                   char*& target, const char* toLimit) {
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i upperHalf = _mm_set1_epi8(8);
    // Local copies: the stores through `to` could otherwise alias them.
    const char* from = source;
    char* to = target;
    while (end - from >= 32 && to < toLimit) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 1));
        auto pairs = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(next, lf))));
        from += 16;
        if (pairs == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to), bytes);
            to += 16;
            continue;
        }
        unsigned low = pairs & 0xff;
        unsigned high = pairs >> 8;
        __m128i lowKept = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&keptPositions[low]));
        __m128i highKept = _mm_add_epi8(
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&keptPositions[high])), upperHalf);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_shuffle_epi8(bytes, lowKept));
        to += 8 - __builtin_popcount(low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_shuffle_epi8(bytes, highKept));
        to += 8 - __builtin_popcount(high);
    }
    source = from;
    target = to;
}
#endif

}  // namespace

LineEndJoiner::LineEndJoiner(ByteSink& next, bool wide)
    : next_(next), wide_(wide), joined_(new char[JOINED_BLOCK + 16]) {}

void LineEndJoiner::take(const char* data, std::size_t size) {
    const char* const end = data + size;
    const char* from = static_cast<const char*>(std::memchr(data, '\r', size));
    if (from == nullptr) {
        next_.take(data, size);
        return;
    }
    next_.take(data, static_cast<std::size_t>(from - data));
    char* const joinedBytes = joined_.get();
    char* to = joinedBytes;
    while (from < end) {
        if (to >= joinedBytes + JOINED_BLOCK - 32) {
            next_.take(joinedBytes, static_cast<std::size_t>(to - joinedBytes));
            to = joinedBytes;
        }
#if DXFPROFILE_WIDE_VECTORS
        if (wide_ && end - from >= 32) {
            joinPairsWide(from, end, to, joinedBytes + JOINED_BLOCK - 32);
            continue;
        }
#endif
#if defined(__SSE2__)
        if (end - from >= 32) {
            // Sixteen bytes at a time: the runs between the CRs of pairs are
            // moved by 16-byte loads and stores, each store overwriting
            // what the one before wrote past its run.
            const __m128i cr = _mm_set1_epi8('\r');
            const __m128i lf = _mm_set1_epi8('\n');
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
            __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 1));
            auto pairs = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(next, lf))));
            std::size_t run = 0;  // start of the run not yet moved
            while (pairs != 0) {
                auto pair = static_cast<std::size_t>(__builtin_ctz(pairs));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + run)));
                to += pair - run;
                run = pair + 1;
                pairs &= pairs - 1;
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + run)));
            to += 16 - run;
            from += 16;
            continue;
        }
#endif
        *to = *from;
        if (*from != '\r' || from + 1 == end || from[1] != '\n') ++to;
        ++from;
    }
    next_.take(joinedBytes, static_cast<std::size_t>(to - joinedBytes));
}

}  // namespace dxfprofile
