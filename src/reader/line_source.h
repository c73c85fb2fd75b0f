// The line source: one reading position in a file, delivered in pieces of at
// most 63 bytes that end after a line end, as a text-mode line read does.
//
// The file is read in large blocks. A CR LF line end reads as one LF, and the
// 63 bytes are counted after that. At the end of the file nextLine obtains
// nothing and leaves lineBuffer as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dxfprofile {

struct OutputFile;

inline constexpr std::size_t PIECE_LENGTH = 63;
inline constexpr std::size_t SOURCE_BLOCK = 1 << 19;
inline constexpr int MAX_MARKERS = 4;

// Markers found by searching whole blocks. The search looks at two bytes of
// every marker at once, its last byte (its tail) and the one `span` bytes
// before it (its head), `span` being one less than the shortest marker's
// length; only where a head and a tail stand is a whole marker compared. A
// set with an empty marker, or one that holds a line end, is searched piece
// by piece.
struct MarkerSet {
    std::string_view markers[MAX_MARKERS];
    int count = 0;
    bool searchable = false;  // fit for the block search
    std::size_t span = 0;
    char heads[MAX_MARKERS] = {};  // the distinct heads, the first repeated after them
    char tails[MAX_MARKERS] = {};  // the same for the tails
    int headCount = 0;
    int tailCount = 0;
};
MarkerSet makeMarkerSet(std::initializer_list<std::string_view> markers);

struct LineSource {
    int sdxfInput = -1;  // the open file
    bool ownsInput = false;
    char lineBuffer[128] = {};
    std::size_t lineLength = 0;
    // Pieces with none of the markers are passed over by searching whole
    // blocks; with bulkSkip off they are read one by one (same result).
    bool bulkSkip = true;
    // Bytes asked of one read; tests lower it to put block ends anywhere.
    std::size_t readLimit = SOURCE_BLOCK;
    // The block search looks at 64 bytes at a time, and copies join CR LF
    // pairs with byte shuffles, where the processor has AVX2.
    bool wideVectors = false;
    bool endOfInput = false;
    bool readFailed = false;
    std::uint64_t blockOffset = 0;  // file offset of block[0]
    std::size_t position = 0;       // first unread byte of block
    std::size_t filled = 0;         // bytes in block
    char block[SOURCE_BLOCK];
};

// What every source opened from now on starts with: bulk skipping (off only
// to compare it with reading piece by piece), the size of one read, and the
// AVX2 search and copy (off to test the SSE2 ones on any processor).
struct SourceSettings {
    bool bulkSkip = true;
    std::size_t readLimit = SOURCE_BLOCK;
    bool wideVectors = true;
};
extern SourceSettings sourceSettings;

// The source of the mode-3 scan and its entity readers.
extern LineSource lineSource;

// Opens `path` for reading; 0, or -1 when it cannot be opened.
int openLineSource(LineSource& source, const char* path);
// Reads from a descriptor that the caller opened and will close.
void attachLineSource(LineSource& source, int fd);
void closeLineSource(LineSource& source);

// Reads the next piece into lineBuffer; false at the end of the file.
bool nextLine(LineSource& source);
// The same on the mode-3 source.
bool nextLine();

// Reads pieces up to the next one that contains any of the markers and
// leaves that one in lineBuffer (true). The pieces passed over are written
// to `copyTo` when it is given. False when the file ends first.
bool nextMarkedLine(LineSource& source, const MarkerSet& markers, OutputFile* copyTo);

// The unread line that starts at block[from], when it is whole in the block
// and one piece long: its text without the line end in `text`, and in `next`
// where the line after it starts. False otherwise (nothing is consumed
// either way), and the caller reads the line with nextLine.
bool peekShortLine(const LineSource& source, std::size_t from, std::string_view& text,
                   std::size_t& next);

// True when the unread bytes at block[from] are the line `text` (shorter
// than a piece, without line ends) and its line end, whole in the block;
// `next` is then where the line after it starts. Nothing is consumed.
inline bool startsWithLine(const LineSource& source, std::size_t from, std::string_view text,
                           std::size_t& next) {
    std::size_t size = text.size();
    if (from > source.filled || source.filled - from < size + 2) return false;
    const char* at = source.block + from;
    if (std::memcmp(at, text.data(), size) != 0) return false;
    if (at[size] == '\n') {
        next = from + size + 1;
        return true;
    }
    if (at[size] == '\r' && at[size + 1] == '\n') {
        next = from + size + 2;
        return true;
    }
    return false;
}

// Like nextMarkedLine without a copy, but a marked piece that is a whole
// short line in the block is consumed where it stands: `piece` then holds
// its text without the line end, its 64 bytes readable until the next read,
// and lineBuffer is left as it was. Otherwise `piece` is lineBuffer's text.
bool nextMarkedPiece(LineSource& source, const MarkerSet& markers, std::string_view& piece);

// Passes over the pieces without a marker, as nextMarkedPiece does, and
// stops before the first piece that holds one, so that the caller may look
// at its lines where they stand. False when the file ends first. A source
// that reads piece by piece passes over nothing (it finds the marked piece
// as it reads); it is false only at the end of the file.
bool seekMarkedPiece(LineSource& source, const MarkerSet& markers);

// The usual head of an entity, unread at the reading position: the subclass
// marker line "AcDbEntity", the layer group code line "  8" and a name line
// of one piece, whole in the block. Gives the name without its line end and
// where the line after it starts; nothing is consumed. False for any other
// layout, which the caller then reads line by line.
bool peekEntityLayer(const LineSource& source, std::string_view& name, std::size_t& next);

// Reads the rest of a line whose first piece is in lineBuffer, so that the
// next read starts on a new line. False when the file ended first.
bool skipRestOfLine(LineSource& source);

// True when lineBuffer holds a whole line, its line end included.
inline bool pieceEndsLine(const LineSource& source) {
    return source.lineLength > 0 && source.lineBuffer[source.lineLength - 1] == '\n';
}

#if defined(__SSE2__)
// The positions in the 16 bytes at `bytes` that hold `c`, as bits.
inline std::uint64_t bytePositions16(const char* bytes, char c) {
    __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    return static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(c))));
}
#endif

// True when `text` occurs in the `length` bytes at `bytes`. When `length` is
// 64 or less, all of the 64 bytes at `bytes` must be readable.
inline bool textContains(const char* bytes, std::size_t length, std::string_view text) {
    std::size_t size = text.size();
    if (size == 0) return true;
    if (size > length) return false;
#if defined(__SSE2__)
    if (length <= 64) {
        // The starts where the first and the last byte of `text` stand,
        // found for a whole line at once; only there are the bytes between
        // compared. Most lines fit in their first 16 bytes.
        std::uint64_t heads = bytePositions16(bytes, text.front());
        std::uint64_t tails =
            text.front() == text.back() ? heads : bytePositions16(bytes, text.back());
        for (std::size_t chunk = 16; chunk < length; chunk += 16) {
            heads |= bytePositions16(bytes + chunk, text.front()) << chunk;
            tails |= bytePositions16(bytes + chunk, text.back()) << chunk;
        }
        std::uint64_t candidates = heads & (tails >> (size - 1));
        std::size_t starts = length - size + 1;
        if (starts < 64) candidates &= (std::uint64_t{1} << starts) - 1;
        while (candidates != 0) {
            auto at = static_cast<std::size_t>(__builtin_ctzll(candidates));
            if (size <= 2 || std::memcmp(bytes + at + 1, text.data() + 1, size - 2) == 0) {
                return true;
            }
            candidates &= candidates - 1;
        }
        return false;
    }
#endif
    return std::string_view(bytes, length).find(text) != std::string_view::npos;
}

// True when `text` occurs in lineBuffer (all of whose bytes are initialised).
inline bool lineContains(const LineSource& source, std::string_view text) {
    static_assert(sizeof(LineSource::lineBuffer) >= 64);
    return textContains(source.lineBuffer, source.lineLength, text);
}

// Offset in the file of the first byte not yet read.
inline std::uint64_t sourceOffset(const LineSource& source) {
    return source.blockOffset + source.position;
}

}  // namespace dxfprofile
