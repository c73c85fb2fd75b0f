#include "reader/line_source.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "entities/output_file.h"
#include "geometry/trace.h"

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
    SOURCE_BLOCK};

namespace {

// A piece needs its 63 bytes plus one more: a CR that ends the 63 bytes may
// be the first half of a CR LF pair.
constexpr std::size_t PIECE_LOOKAHEAD = PIECE_LENGTH + 2;

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

// Writes raw bytes to `out` with every CR LF pair as one LF. The range ends
// on a piece boundary, so a CR at its end is never half of a pair.
void copyTranslated(OutputFile& out, const char* data, std::size_t size) {
    while (size > 0) {
        const char* cr = static_cast<const char*>(std::memchr(data, '\r', size));
        if (cr == nullptr) {
            writeOutput(out, data, size);
            return;
        }
        std::size_t run = static_cast<std::size_t>(cr - data);
        if (run + 1 < size && cr[1] == '\n') {
            writeOutput(out, data, run);
            data += run + 1;
            size -= run + 1;
        } else {
            writeOutput(out, data, run + 1);
            data += run + 1;
            size -= run + 1;
        }
    }
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
void passOver(LineSource& source, std::size_t to, OutputFile* copyTo) {
    if (copyTo != nullptr) {
        copyTranslated(*copyTo, source.block + source.position, to - source.position);
    }
    source.position = to;
}

// The start of the line that holds block[at], or position when that line
// began before it (position is always the start of a piece).
std::size_t lineStartOf(const LineSource& source, std::size_t at) {
    const char* lf = static_cast<const char*>(
        ::memrchr(source.block + source.position, '\n', at - source.position));
    return lf == nullptr ? source.position : static_cast<std::size_t>(lf - source.block) + 1;
}

// The start of the piece that holds block[at]. Within a line, raw bytes and
// delivered bytes agree until its line end.
std::size_t pieceStartAt(const LineSource& source, std::size_t at) {
    std::size_t lineStart = lineStartOf(source, at);
    return lineStart + (at - lineStart) / PIECE_LENGTH * PIECE_LENGTH;
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

bool nextMarkedLineInBlocks(LineSource& source, const MarkerSet& set, OutputFile* copyTo) {
    for (;;) {
        if (source.filled - source.position < PIECE_LOOKAHEAD) refill(source);
        if (source.position == source.filled) return false;
        // The earliest marker that lies within one piece: pieces end in
        // order, so the first such match in the order of anchors is in the
        // earliest piece that holds a marker.
        std::size_t cutFrom = SIZE_MAX;  // a match that the window's end cuts
        std::size_t searchFrom = source.position;
        while (searchFrom < source.filled) {
            const char* hit = static_cast<const char*>(
                std::memchr(source.block + searchFrom, set.anchor, source.filled - searchFrom));
            if (hit == nullptr) break;
            std::size_t h = static_cast<std::size_t>(hit - source.block);
            searchFrom = h + 1;
            for (int i = 0; i < set.count; ++i) {
                std::string_view marker = set.markers[i];
                if (h < source.position + set.anchorAt[i]) continue;
                std::size_t start = h - set.anchorAt[i];
                if (start + marker.size() > source.filled) {
                    cutFrom = std::min(cutFrom, start);
                    continue;
                }
                if (std::memcmp(source.block + start, marker.data(), marker.size()) != 0) continue;
                std::size_t pieceStart = pieceStartAt(source, start);
                if (pieceStart != pieceStartAt(source, start + marker.size() - 1)) continue;
                passOver(source, pieceStart, copyTo);
                return nextLine(source);
            }
        }
        if (source.endOfInput) {
            // No marker in the rest of the file.
            passOver(source, source.filled, copyTo);
            return false;
        }
        std::size_t keepFrom = passOverPoint(source);
        if (cutFrom != SIZE_MAX) keepFrom = std::min(keepFrom, pieceStartAt(source, cutFrom));
        passOver(source, keepFrom, copyTo);
        refill(source);
    }
}

}  // namespace

MarkerSet makeMarkerSet(std::initializer_list<std::string_view> markers) {
    MarkerSet set;
    for (std::string_view marker : markers) {
        if (set.count == MAX_MARKERS) break;
        set.markers[set.count] = marker;
        set.anchorAt[set.count] = marker.find(set.anchor);
        ++set.count;
    }
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
    std::size_t window = std::min(available, PIECE_LENGTH + 1);
    const char* lf = static_cast<const char*>(std::memchr(start, '\n', window));
    std::size_t take = std::min(available, PIECE_LENGTH);  // raw bytes consumed
    std::size_t length = take;                             // bytes delivered
    if (lf != nullptr) {
        std::size_t at = static_cast<std::size_t>(lf - start);
        if (at > 0 && start[at - 1] == '\r' && at <= PIECE_LENGTH) {
            // CR LF reads as LF.
            std::memcpy(source.lineBuffer, start, at - 1);
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
    std::memcpy(source.lineBuffer, start, length);
    source.lineBuffer[length] = '\0';
    source.lineLength = length;
    source.position += take;
    return true;
}

bool nextLine() {
    return nextLine(lineSource);
}

bool nextMarkedLine(LineSource& source, const MarkerSet& markers, OutputFile* copyTo) {
    if (!source.bulkSkip) return nextMarkedLineOneByOne(source, markers, copyTo);
    return nextMarkedLineInBlocks(source, markers, copyTo);
}

bool skipRestOfLine(LineSource& source) {
    while (!pieceEndsLine(source)) {
        if (!nextLine(source)) return false;
    }
    return true;
}

std::uint64_t lineNumberAt(const char* path, std::uint64_t offset) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    static char block[1 << 16];
    std::uint64_t line = 1;
    std::uint64_t seen = 0;
    while (seen < offset) {
        ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        std::size_t use = static_cast<std::size_t>(
            std::min<std::uint64_t>(static_cast<std::uint64_t>(got), offset - seen));
        for (std::size_t i = 0; i < use; ++i) {
            if (block[i] == '\n') ++line;
        }
        seen += use;
    }
    ::close(fd);
    return line;
}

}  // namespace dxfprofile
