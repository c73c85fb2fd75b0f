// The line source: one reading position in a file, delivered in pieces of at
// most 63 bytes that end after a line end, as a text-mode line read does.
//
// The file is read in large blocks. A CR LF line end reads as one LF, and the
// 63 bytes are counted after that. At the end of the file nextLine obtains
// nothing and leaves lineBuffer as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace dxfprofile {

struct OutputFile;

inline constexpr std::size_t PIECE_LENGTH = 63;
inline constexpr std::size_t SOURCE_BLOCK = 1 << 19;
inline constexpr int MAX_MARKERS = 4;

// Markers found by searching whole blocks; every marker must hold `anchor`,
// a byte that the search looks for first.
struct MarkerSet {
    std::string_view markers[MAX_MARKERS];
    std::size_t anchorAt[MAX_MARKERS] = {};
    int count = 0;
    char anchor = 'E';
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
    bool endOfInput = false;
    bool readFailed = false;
    std::uint64_t blockOffset = 0;  // file offset of block[0]
    std::size_t position = 0;       // first unread byte of block
    std::size_t filled = 0;         // bytes in block
    char block[SOURCE_BLOCK];
};

// What every source opened from now on starts with: bulk skipping (off only
// to compare it with reading piece by piece) and the size of one read.
struct SourceSettings {
    bool bulkSkip = true;
    std::size_t readLimit = SOURCE_BLOCK;
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

// Reads the rest of a line whose first piece is in lineBuffer, so that the
// next read starts on a new line. False when the file ended first.
bool skipRestOfLine(LineSource& source);

// True when lineBuffer holds a whole line, its line end included.
inline bool pieceEndsLine(const LineSource& source) {
    return source.lineLength > 0 && source.lineBuffer[source.lineLength - 1] == '\n';
}

inline bool lineContains(const LineSource& source, std::string_view text) {
    return std::string_view(source.lineBuffer, source.lineLength).find(text) !=
           std::string_view::npos;
}

// Offset in the file of the first byte not yet read.
inline std::uint64_t sourceOffset(const LineSource& source) {
    return source.blockOffset + source.position;
}

// The number of the line that holds byte `offset` of the file at `path`,
// counting from 1; 0 when the file cannot be read.
std::uint64_t lineNumberAt(const char* path, std::uint64_t offset);

}  // namespace dxfprofile
