#include "reader/line_source.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "io/output_file.h"
#include "geometry/trace.h"

// The 64-byte block search and the shuffled CR LF join need AVX2; they are
// built for x86-64 whatever the compiler's target, and used when the
// processor has it.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define DXFPROFILE_WIDE_VECTORS 1
#include <immintrin.h>
#else
#define DXFPROFILE_WIDE_VECTORS 0
#endif

namespace dxfprofile {

LineSource lineSource;
SourceSettings sourceSettings{
#ifdef DXFPROFILE_PLAIN_READS
    // A build that reads piece by piece only, to measure what the block
    // search gains.
    false,
#else
    true,
#endif
    SOURCE_BLOCK, true};

namespace {

// A piece needs its 63 bytes plus one more: a CR that ends the 63 bytes may
// be the first half of a CR LF pair.
constexpr std::size_t PIECE_LOOKAHEAD = PIECE_LENGTH + 2;
static_assert(PIECE_LENGTH + 1 == 64, "a piece and the byte after it fill 64 bytes");

#if DXFPROFILE_WIDE_VECTORS
bool haveWideVectors() {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}
#else
bool haveWideVectors() {
    return false;
}
#endif

void resetSource(LineSource& source, int fd, bool owns) {
    source.sdxfInput = fd;
    source.ownsInput = owns;
    source.lineLength = 0;
    source.lineBuffer[0] = '\0';
    source.endOfInput = false;
    source.readFailed = false;
    source.blockOffset = 0;
    source.position = 0;
    source.filled = 0;
    source.bulkSkip = sourceSettings.bulkSkip && !traceSections;
    source.readLimit = sourceSettings.readLimit == 0 ? 1 : sourceSettings.readLimit;
    source.wideVectors = sourceSettings.wideVectors && haveWideVectors();
}

// The offset of the first LF in the 64 bytes at `window`, or 64.
std::size_t firstLineEnd(const char* window) {
#if defined(__SSE2__)
    // Most lines end within their first 16 bytes.
    for (std::size_t chunk = 0; chunk < 64; chunk += 16) {
        std::uint64_t mask = bytePositions16(window + chunk, '\n');
        if (mask != 0) return chunk + static_cast<std::size_t>(__builtin_ctzll(mask));
    }
    return 64;
#else
    const char* lf = static_cast<const char*>(std::memchr(window, '\n', 64));
    return lf == nullptr ? 64 : static_cast<std::size_t>(lf - window);
#endif
}

// Moves the unread bytes to the front and reads more; false when nothing
// more could be read.
bool refill(LineSource& source) {
    if (source.endOfInput) return false;
    std::size_t unread = source.filled - source.position;
    if (source.position > 0) {
        std::memmove(source.block, source.block + source.position, unread);
        source.blockOffset += source.position;
        source.position = 0;
        source.filled = unread;
    }
    std::size_t before = source.filled;
    while (source.filled < SOURCE_BLOCK) {
        std::size_t ask = std::min(SOURCE_BLOCK - source.filled, source.readLimit);
        ssize_t got = ::read(source.sdxfInput, source.block + source.filled, ask);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            source.endOfInput = true;
            source.readFailed = got < 0;
            break;
        }
        source.filled += static_cast<std::size_t>(got);
        if (source.filled - before >= PIECE_LOOKAHEAD) break;
    }
    return source.filled > before;
}

// A copied range with its CR LF pairs joined, gathered here before it is
// written; 16 bytes of room are kept for the last 16-byte store.
constexpr std::size_t JOINED_BLOCK = 1 << 16;
char joinedBytes[JOINED_BLOCK + 16];

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

// Writes the consumed bytes [data, data + size) to `out` with every CR LF
// pair as one LF. The range ends on a piece boundary, so a CR at its end is
// never half of a pair.
void copyTranslated(OutputFile& out, const char* data, std::size_t size,
                    [[maybe_unused]] bool wide) {
    const char* const end = data + size;
    const char* from = static_cast<const char*>(std::memchr(data, '\r', size));
    if (from == nullptr) {
        writeOutput(out, data, size);
        return;
    }
    writeOutput(out, data, static_cast<std::size_t>(from - data));
    char* to = joinedBytes;
    while (from < end) {
        if (to >= joinedBytes + JOINED_BLOCK - 32) {
            writeOutput(out, joinedBytes, static_cast<std::size_t>(to - joinedBytes));
            to = joinedBytes;
        }
#if DXFPROFILE_WIDE_VECTORS
        if (wide && end - from >= 32) {
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
    writeOutput(out, joinedBytes, static_cast<std::size_t>(to - joinedBytes));
}

bool pieceHasMarker(const LineSource& source, const MarkerSet& set) {
    for (int i = 0; i < set.count; ++i) {
        if (lineContains(source, set.markers[i])) return true;
    }
    return false;
}

bool nextMarkedLineOneByOne(LineSource& source, const MarkerSet& set, OutputFile* copyTo) {
    while (nextLine(source)) {
        if (pieceHasMarker(source, set)) return true;
        if (copyTo != nullptr) writeOutput(*copyTo, source.lineBuffer, source.lineLength);
    }
    return false;
}

// Passes over [position, to) whole: every piece in it holds no marker.
inline void passOver(LineSource& source, std::size_t to, OutputFile* copyTo) {
    if (copyTo != nullptr) {
        copyTranslated(*copyTo, source.block + source.position, to - source.position,
                       source.wideVectors);
    }
    source.position = to;
}

// The start of the line that holds block[at], or position when that line
// began before it (position is always the start of a piece).
std::size_t lineStartOf(const LineSource& source, std::size_t at) {
    // Lines are short: look at the last few bytes before calling memrchr.
    std::size_t near = at - std::min<std::size_t>(at - source.position, 32);
    for (std::size_t i = at; i > near; --i) {
        if (source.block[i - 1] == '\n') return i;
    }
    const char* lf = static_cast<const char*>(
        ::memrchr(source.block + source.position, '\n', near - source.position));
    return lf == nullptr ? source.position : static_cast<std::size_t>(lf - source.block) + 1;
}

// Where a window without a marker may be passed over up to: the end of its
// last whole line, or whole pieces of a line longer than the window.
std::size_t passOverPoint(const LineSource& source) {
    std::size_t lineStart = lineStartOf(source, source.filled);
    std::size_t rest = source.filled - lineStart;
    // Keep at least two bytes of a long line: its last byte may be a CR
    // whose LF has not been read yet.
    if (rest >= PIECE_LENGTH + 2) lineStart += (rest - 2) / PIECE_LENGTH * PIECE_LENGTH;
    return lineStart;
}

#if defined(__SSE2__)
// `c` in every byte. (Made from a word in a register: the compilers build
// _mm_set1_epi8 of a variable through memory, which stalls.)
__m128i broadcast(char c) {
    return _mm_set1_epi32(static_cast<int>(0x01010101u * static_cast<unsigned char>(c)));
}

// Thirty-two positions at a time, without a branch per position: the first
// position from `from` on that holds a head byte with a tail byte `span`
// bytes after it, or else the first from which a load would reach `end`.
// HEADS and TAILS cover the set's distinct bytes (the arrays repeat their
// first byte to fill up).
template <int HEADS, int TAILS>
std::size_t skipToCandidate(const char* block, std::size_t from, std::size_t end,
                            const MarkerSet& set, bool& found) {
    __m128i heads[HEADS];
    __m128i tails[TAILS];
    for (int i = 0; i < HEADS; ++i) heads[i] = broadcast(set.heads[i]);
    for (int i = 0; i < TAILS; ++i) tails[i] = broadcast(set.tails[i]);
    const std::size_t span = set.span;
    while (from + span + 32 <= end) {
        const char* at = block + from;
        __m128i first0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        __m128i first1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16));
        __m128i last0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + span));
        __m128i last1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + span + 16));
        __m128i head0 = _mm_cmpeq_epi8(first0, heads[0]);
        __m128i head1 = _mm_cmpeq_epi8(first1, heads[0]);
        for (int i = 1; i < HEADS; ++i) {
            head0 = _mm_or_si128(head0, _mm_cmpeq_epi8(first0, heads[i]));
            head1 = _mm_or_si128(head1, _mm_cmpeq_epi8(first1, heads[i]));
        }
        __m128i tail0 = _mm_cmpeq_epi8(last0, tails[0]);
        __m128i tail1 = _mm_cmpeq_epi8(last1, tails[0]);
        for (int i = 1; i < TAILS; ++i) {
            tail0 = _mm_or_si128(tail0, _mm_cmpeq_epi8(last0, tails[i]));
            tail1 = _mm_or_si128(tail1, _mm_cmpeq_epi8(last1, tails[i]));
        }
        auto mask = static_cast<std::uint32_t>(
            static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_and_si128(head0, tail0))) |
            static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_and_si128(head1, tail1))) << 16);
        if (mask != 0) {
            found = true;
            return from + static_cast<std::size_t>(__builtin_ctz(mask));
        }
        from += 32;
    }
    return from;
}
#endif

#if DXFPROFILE_WIDE_VECTORS
// The same as skipToCandidate, sixty-four positions at a time.
template <int HEADS, int TAILS>
__attribute__((target("avx2"))) std::size_t skipToCandidateWide(const char* block, std::size_t from,
                                                                std::size_t end,
                                                                const MarkerSet& set, bool& found) {
    __m256i heads[HEADS];
    __m256i tails[TAILS];
    for (int i = 0; i < HEADS; ++i) heads[i] = _mm256_set1_epi8(set.heads[i]);
    for (int i = 0; i < TAILS; ++i) tails[i] = _mm256_set1_epi8(set.tails[i]);
    const std::size_t span = set.span;
    while (from + span + 64 <= end) {
        const char* at = block + from;
        __m256i first0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        __m256i first1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 32));
        __m256i last0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + span));
        __m256i last1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + span + 32));
        __m256i head0 = _mm256_cmpeq_epi8(first0, heads[0]);
        __m256i head1 = _mm256_cmpeq_epi8(first1, heads[0]);
        for (int i = 1; i < HEADS; ++i) {
            head0 = _mm256_or_si256(head0, _mm256_cmpeq_epi8(first0, heads[i]));
            head1 = _mm256_or_si256(head1, _mm256_cmpeq_epi8(first1, heads[i]));
        }
        __m256i tail0 = _mm256_cmpeq_epi8(last0, tails[0]);
        __m256i tail1 = _mm256_cmpeq_epi8(last1, tails[0]);
        for (int i = 1; i < TAILS; ++i) {
            tail0 = _mm256_or_si256(tail0, _mm256_cmpeq_epi8(last0, tails[i]));
            tail1 = _mm256_or_si256(tail1, _mm256_cmpeq_epi8(last1, tails[i]));
        }
        auto mask =
            static_cast<std::uint64_t>(
                static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(head0, tail0)))) |
            static_cast<std::uint64_t>(
                static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(head1, tail1))))
                << 32;
        if (mask != 0) {
            found = true;
            return from + static_cast<std::size_t>(__builtin_ctzll(mask));
        }
        from += 64;
    }
    return from;
}

std::size_t skipWide(const char* block, std::size_t from, std::size_t end, const MarkerSet& set,
                     bool& found) {
    if (set.headCount == 1 && set.tailCount == 1) {
        return skipToCandidateWide<1, 1>(block, from, end, set, found);
    }
    if (set.headCount == 1 && set.tailCount == 2) {
        return skipToCandidateWide<1, 2>(block, from, end, set, found);
    }
    if (set.headCount <= 2 && set.tailCount <= 2) {
        return skipToCandidateWide<2, 2>(block, from, end, set, found);
    }
    return skipToCandidateWide<MAX_MARKERS, MAX_MARKERS>(block, from, end, set, found);
}
#endif

bool isOneOf(char c, const char* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        if (c == bytes[i]) return true;
    }
    return false;
}

// The first position in [from, end) that holds a head byte with a tail byte
// `span` bytes after it, before `end`; or `end`.
std::size_t nextCandidate(const char* block, std::size_t from, std::size_t end,
                          const MarkerSet& set, bool wide) {
    [[maybe_unused]] bool found = false;
#if DXFPROFILE_WIDE_VECTORS
    if (wide) {
        from = skipWide(block, from, end, set, found);
        if (found) return from;
    }
#else
    (void)wide;
#endif
#if defined(__SSE2__)
    if (set.headCount == 1 && set.tailCount == 1) {
        from = skipToCandidate<1, 1>(block, from, end, set, found);
    } else if (set.headCount == 1 && set.tailCount == 2) {
        from = skipToCandidate<1, 2>(block, from, end, set, found);
    } else if (set.headCount <= 2 && set.tailCount <= 2) {
        from = skipToCandidate<2, 2>(block, from, end, set, found);
    } else {
        from = skipToCandidate<MAX_MARKERS, MAX_MARKERS>(block, from, end, set, found);
    }
    if (found) return from;
#endif
    for (; from + set.span < end; ++from) {
        if (isOneOf(block[from], set.heads, set.headCount) &&
            isOneOf(block[from + set.span], set.tails, set.tailCount)) {
            return from;
        }
    }
    return end;
}

// Whether the `size` bytes at `a` and at `b` agree: word compares for the
// short texts that markers are.
bool sameBytes(const char* a, const char* b, std::size_t size) {
    auto word = [](const char* bytes) {
        std::uint64_t value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    };
    auto halfWord = [](const char* bytes) {
        std::uint32_t value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    };
    if (size >= 8 && size <= 16) {
        return word(a) == word(b) && word(a + size - 8) == word(b + size - 8);
    }
    if (size >= 4 && size < 8) {
        return halfWord(a) == halfWord(b) && halfWord(a + size - 4) == halfWord(b + size - 4);
    }
    return std::memcmp(a, b, size) == 0;
}

// Whether a marker whose head byte stands at block[at] starts at or after
// position and lies within one piece; if so, `pieceStart` is the start of
// that piece.
bool markerAt(const LineSource& source, const MarkerSet& set, std::size_t at,
              std::size_t& pieceStart) {
    for (int i = 0; i < set.count; ++i) {
        std::string_view marker = set.markers[i];
        std::size_t headAt = marker.size() - 1 - set.span;
        if (at < source.position + headAt) continue;
        std::size_t start = at - headAt;
        // The marker ends with the tail byte, which lies in the window.
        if (!sameBytes(source.block + start, marker.data(), marker.size())) continue;
        // Most markers start their line, or the piece at position.
        if ((start == source.position || source.block[start - 1] == '\n') &&
            marker.size() <= PIECE_LENGTH) {
            pieceStart = start;
            return true;
        }
        // A marker holds no line end, so both its ends lie on one line.
        std::size_t lineStart = lineStartOf(source, start);
        std::size_t offset = start - lineStart;
        if (offset / PIECE_LENGTH == (offset + marker.size() - 1) / PIECE_LENGTH) {
            pieceStart = lineStart + offset / PIECE_LENGTH * PIECE_LENGTH;
            return true;
        }
    }
    return false;
}

// Passes over the pieces without a marker and stops at the start of the
// first piece that holds one (true), or at the end of the file (false).
bool seekInBlocks(LineSource& source, const MarkerSet& set, OutputFile* copyTo) {
    for (;;) {
        if (source.filled - source.position < PIECE_LOOKAHEAD) refill(source);
        if (source.position == source.filled) return false;
        // The first marker found in order of positions lies in the earliest
        // piece that holds one, since pieces follow each other in order.
        std::size_t from = source.position;
        for (;;) {
            std::size_t at =
                nextCandidate(source.block, from, source.filled, set, source.wideVectors);
            if (at == source.filled) break;
            std::size_t pieceStart = 0;
            if (markerAt(source, set, at, pieceStart)) {
                passOver(source, pieceStart, copyTo);
                return true;
            }
            from = at + 1;
        }
        if (source.endOfInput) {
            // No marker in the rest of the file.
            passOver(source, source.filled, copyTo);
            return false;
        }
        // A marker that the window's end cuts lies in a piece that
        // passOverPoint keeps for the next window.
        passOver(source, passOverPoint(source), copyTo);
        refill(source);
    }
}

bool nextMarkedLineInBlocks(LineSource& source, const MarkerSet& set, OutputFile* copyTo) {
    return seekInBlocks(source, set, copyTo) && nextLine(source);
}

}  // namespace

MarkerSet makeMarkerSet(std::initializer_list<std::string_view> markers) {
    MarkerSet set;
    std::size_t shortest = SIZE_MAX;
    set.searchable = markers.size() > 0;
    for (std::string_view marker : markers) {
        if (set.count == MAX_MARKERS) break;
        set.markers[set.count++] = marker;
        shortest = std::min(shortest, marker.size());
        if (marker.empty() || marker.find_first_of("\r\n") != std::string_view::npos) {
            set.searchable = false;
        }
    }
    if (!set.searchable) return set;
    // Every marker ends with a head byte and, `span` bytes later, a tail byte.
    set.span = shortest - 1;
    for (int i = 0; i < set.count; ++i) {
        std::string_view marker = set.markers[i];
        char head = marker[marker.size() - 1 - set.span];
        char tail = marker.back();
        if (!isOneOf(head, set.heads, set.headCount)) set.heads[set.headCount++] = head;
        if (!isOneOf(tail, set.tails, set.tailCount)) set.tails[set.tailCount++] = tail;
    }
    for (int i = set.headCount; i < MAX_MARKERS; ++i) set.heads[i] = set.heads[0];
    for (int i = set.tailCount; i < MAX_MARKERS; ++i) set.tails[i] = set.tails[0];
    return set;
}

int openLineSource(LineSource& source, const char* path) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    resetSource(source, fd, true);
    return 0;
}

void attachLineSource(LineSource& source, int fd) {
    resetSource(source, fd, false);
}

void closeLineSource(LineSource& source) {
    if (source.ownsInput && source.sdxfInput >= 0) ::close(source.sdxfInput);
    source.sdxfInput = -1;
    source.ownsInput = false;
}

bool nextLine(LineSource& source) {
    if (source.filled - source.position < PIECE_LOOKAHEAD) refill(source);
    std::size_t available = source.filled - source.position;
    if (available == 0) return false;
    const char* start = source.block + source.position;
    constexpr std::size_t WINDOW = PIECE_LENGTH + 1;  // a piece and the byte after it
    std::size_t at = WINDOW;                          // where the first LF stands
    if (available >= WINDOW) {
        // The usual case, with a whole window at hand: copy all of it (the
        // bytes past the piece are cut off by the terminator).
        at = firstLineEnd(start);
        std::memcpy(source.lineBuffer, start, WINDOW);
    } else {
        const char* lf = static_cast<const char*>(std::memchr(start, '\n', available));
        if (lf != nullptr) at = static_cast<std::size_t>(lf - start);
        std::memcpy(source.lineBuffer, start, available);
    }
    std::size_t take = std::min(available, PIECE_LENGTH);  // raw bytes consumed
    std::size_t length = take;                             // bytes delivered
    if (at < WINDOW) {
        if (at > 0 && start[at - 1] == '\r') {
            // CR LF reads as LF.
            source.lineBuffer[at - 1] = '\n';
            source.lineBuffer[at] = '\0';
            source.lineLength = at;
            source.position += at + 1;
            return true;
        }
        if (at < PIECE_LENGTH) {
            take = at + 1;
            length = take;
        }
    }
    source.lineBuffer[length] = '\0';
    source.lineLength = length;
    source.position += take;
    return true;
}

bool nextLine() {
    return nextLine(lineSource);
}

bool nextMarkedLine(LineSource& source, const MarkerSet& markers, OutputFile* copyTo) {
    if (!source.bulkSkip || !markers.searchable) {
        return nextMarkedLineOneByOne(source, markers, copyTo);
    }
    return nextMarkedLineInBlocks(source, markers, copyTo);
}

bool peekShortLine(const LineSource& source, std::size_t from, std::string_view& text,
                   std::size_t& next) {
    constexpr std::size_t WINDOW = PIECE_LENGTH + 1;
    if (from > source.filled || source.filled - from < WINDOW) return false;
    const char* start = source.block + from;
    std::size_t at = firstLineEnd(start);
    if (at == WINDOW) return false;
    std::size_t length = at > 0 && start[at - 1] == '\r' ? at - 1 : at;
    // The piece holds the text and its LF: 63 bytes at most.
    if (length + 1 > PIECE_LENGTH) return false;
    text = std::string_view(start, length);
    next = from + at + 1;
    return true;
}

bool seekMarkedPiece(LineSource& source, const MarkerSet& markers) {
    if (!source.bulkSkip || !markers.searchable)
        return source.position < source.filled || refill(source);
    return seekInBlocks(source, markers, nullptr);
}

bool peekEntityLayer(const LineSource& source, std::string_view& name, std::size_t& next) {
    std::size_t afterMarker = 0;
    std::size_t afterCode = 0;
    return startsWithLine(source, source.position, "AcDbEntity", afterMarker) &&
           startsWithLine(source, afterMarker, "  8", afterCode) &&
           peekShortLine(source, afterCode, name, next);
}

bool nextMarkedPiece(LineSource& source, const MarkerSet& markers, std::string_view& piece) {
    if (source.bulkSkip && markers.searchable) {
        if (!seekInBlocks(source, markers, nullptr)) return false;
        std::size_t next = 0;
        if (peekShortLine(source, source.position, piece, next)) {
            source.position = next;
            return true;
        }
        if (!nextLine(source)) return false;
    } else if (!nextMarkedLine(source, markers, nullptr)) {
        return false;
    }
    piece = std::string_view(source.lineBuffer, source.lineLength);
    return true;
}

bool skipRestOfLine(LineSource& source) {
    while (!pieceEndsLine(source)) {
        if (!nextLine(source)) return false;
    }
    return true;
}

}  // namespace dxfprofile
