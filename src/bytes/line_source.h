// The line source: one reading position in a file or in bytes in memory,
// which it hands out in pieces of at most 63 bytes, each ending where its
// line ends or where the 63 bytes are full. A CR LF line end reads as LF. A
// file is read in large blocks; lines that nobody needs are passed over by
// searching whole blocks, and the source counts lines as it goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "bytes/block_search.h"

namespace dxfprofile {

class CopyThread;

inline constexpr std::size_t PIECE_LENGTH = 63;
inline constexpr std::size_t SOURCE_BLOCK = 1 << 19;

struct Piece {
    std::string_view text;  // without the line end; readable until the next read
    bool endsLine = false;  // the line ends after it (at a line end or the end of the file)
};

// A line of the file, whole in the block, that a search offers to its caller.
struct CandidateLine {
    std::string_view text;     // without its line end
    std::uint64_t number = 0;  // lines are numbered from 1
    std::uint64_t offset = 0;  // in the file
    // The line before it, when the block holds it whole and short.
    std::string_view previous;
    bool previousKnown = false;
    // The line after it, when asked for and whole in the block.
    std::string_view following;
    bool followingKnown = false;
};

// Decides on a line that a search offers.
class LineCheck {
  public:
    virtual bool accepts(const CandidateLine& line) = 0;

  protected:
    ~LineCheck() = default;
};

// How a source reads: by searching blocks (off only to compare it with
// reading piece by piece, and in a build made to measure that), the bytes
// asked of one read, and the 64-byte search (off to test the 32-byte one on
// any processor).
struct SourceSettings {
#ifdef DXFPROFILE_PLAIN_READS
    bool bulkSkip = false;
#else
    bool bulkSkip = true;
#endif
    std::size_t readLimit = SOURCE_BLOCK;
    bool wideVectors = true;
};

// Takes the bytes that a source passes over while it copies them through.
// A range never ends between the CR and the LF of a pair, the last one
// excepted.
class ByteSink {
  public:
    virtual void take(const char* data, std::size_t size) = 0;

  protected:
    ~ByteSink() = default;
};

class LineSource {
  public:
    explicit LineSource(const SourceSettings& settings = SourceSettings{});
    ~LineSource();
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;

    // A place in the file to come back to. While a place is kept, the block
    // holds the bytes from it on (as long as they fit).
    struct Mark {
        std::uint64_t offset = 0;
        std::uint64_t line = 1;
    };

    // Opens `path`; 0, or -1 when it cannot be opened.
    int open(const char* path);
    // Reads from a descriptor that the caller opened and will close, from
    // its current offset.
    void attach(int fd);
    // Reads, from its start, the file of a descriptor that another source
    // reads too: by position, never moving the descriptor's offset. A
    // descriptor that cannot be read so (a pipe) fails the first read.
    void attachShared(int fd);
    // Reads the bytes [data, data + size), which stay readable and unchanged
    // while the source reads them.
    void attachSpan(const char* data, std::size_t size);
    void close();

    // The next piece; false at the end of the file.
    bool nextPiece(Piece& piece);
    // Passes over the rest of the line that the last piece belongs to.
    bool skipRestOfLine(const Piece& last);

    // The number of the line that the next byte belongs to.
    std::uint64_t lineNumber() const { return line_; }
    // Offset in the file of the next byte.
    std::uint64_t offset() const { return blockOffset_ + position_; }
    bool readFailed() const { return readFailed_; }
    // Whether the source passes over lines by searching blocks.
    bool searchesBlocks() const { return bulkSkip_; }
    // Whether its searches take 64 bytes at a time (AVX2).
    bool wideVectors() const { return wideVectors_; }

    // Passes over whole lines up to the first line that `check` accepts,
    // among those whose number has the parity `parity` and that end with a
    // digit of `digits` as a short number line does, and stops at its start
    // (true). False when the file ends first. The check is offered the
    // candidates in file order; with `withFollowing` (when the source
    // searches blocks), each with the line after it.
    bool seekDigitLine(const DigitSet& digits, std::uint64_t parity, LineCheck& check,
                       bool withFollowing = false);

    // Looks ahead, from the next byte, for the first line that begins with a
    // text of `markers` and that `check` accepts; nothing is passed over.
    // When the block holds none, passes over the lines before the last line
    // in it that `boundary` accepts and looks on. found: `at` is the offset
    // of the line; noBoundary: no line in the block is a boundary; end: the
    // file ends first. Only for a searching source and a searchable set.
    enum class LookAhead { found, noBoundary, end };
    LookAhead findMarkedLine(const MarkerSet& markers, LineCheck& check, LineCheck& boundary,
                             std::uint64_t& at);

    // Looks ahead, from the next byte, for the first line that `check`
    // accepts among the lines of `pattern`, those on lines of the parity
    // `parity` offered with the line after it, the others with the line
    // before it; otherwise as findMarkedLine. `at` is the line's place. A
    // digit line that `skip(line, following)` accepts, both whole in the
    // block, is passed over without asking `check` (see pattern_search.h).
    template <typename Skip>
    LookAhead findPatternLine(const LinePattern& pattern, std::uint64_t parity, Skip& skip,
                              LineCheck& check, LineCheck& boundary, Mark& at);

    // The last line that `check` accepts among the lines of the block from
    // the reading position up to the line that begins at offset `at`, whose
    // number is `number`: true, and its place in `found`.
    bool lastLineBefore(std::uint64_t at, std::uint64_t number, LineCheck& check,
                        Mark& found) const;

    Mark here() const { return {offset(), line_}; }
    void keep(const Mark& mark);
    void releaseKept() { keeping_ = false; }
    // Goes back to `mark`; -1 when its bytes cannot be read again.
    int returnTo(const Mark& mark);

    // Every byte passed from now on is also handed to `sink`, once (going
    // back does not hand it again), until stopCopy. With `background`, the
    // sink takes them on a thread of its own while the source reads on into
    // a second block, and stopCopy waits until it has taken them all.
    void startCopy(ByteSink& sink, bool background = false);
    void stopCopy();

  private:
    // A piece and the line end after it: 63 bytes, then CR LF.
    static constexpr std::size_t PIECE_REACH = PIECE_LENGTH + 2;

    // The text of the line [start, end), without the CR of a CR LF end.
    static std::string_view lineText(const char* start, const char* end, bool endsWithLf) {
        std::size_t length = static_cast<std::size_t>(end - start);
        if (endsWithLf && length > 0 && start[length - 1] == '\r') --length;
        return {start, length};
    }

    bool refill();
    std::size_t completeLinesEnd() const;
    void passOver(std::size_t to, std::uint64_t lines);
    void flushCopy(bool final);
    void moveToBlockStart(std::size_t from);
    void candidateLine(std::size_t at, CandidateLine& line) const;
    void previousLine(std::size_t start, CandidateLine& line) const;
    std::size_t indexOf(const void* byte) const {
        return static_cast<std::size_t>(static_cast<const char*>(byte) - block_);
    }
    bool seekDigitLineByPieces(std::uint64_t parity, LineCheck& check);
    bool offerDigitLine(const DigitStep& step, std::uint64_t bit, std::size_t end,
                        std::uint64_t number, bool withFollowing, bool withPrevious,
                        LineCheck& check);
    bool passOverToLastBoundary(std::size_t end, std::uint64_t lines, LineCheck& boundary);
    template <typename Skip>
    bool skipsDigitLine(const DigitStep& step, std::uint64_t bit, std::size_t end,
                        Skip& skip) const;
    std::size_t lineEndFrom(std::size_t from, std::size_t end) const;
    long readInto(char* to, std::size_t size);
    void startReading(std::uint64_t offset);

    SourceSettings settings_;
    int fd_ = -1;
    bool ownsFd_ = false;
    const char* span_ = nullptr;  // the bytes read, when they are in memory
    std::size_t spanSize_ = 0;
    bool shared_ = false;       // fd_ is read by position
    std::uint64_t readAt_ = 0;  // offset of the next byte to read from the span, or by position
    bool bulkSkip_ = true;
    bool wideVectors_ = false;
    std::size_t readLimit_ = SOURCE_BLOCK;
    bool endOfInput_ = false;
    bool readFailed_ = false;
    std::unique_ptr<char[]> storage_;
    char* block_ = nullptr;          // SEARCH_PADDING bytes after the storage's start
    std::uint64_t blockOffset_ = 0;  // file offset of block_[0]
    std::size_t position_ = 0;       // first unread byte of the block
    std::size_t lineStart_ = 0;      // of the line last offered
    std::size_t filled_ = 0;         // bytes in the block
    std::uint64_t line_ = 1;
    bool keeping_ = false;
    Mark kept_;
    ByteSink* copyTo_ = nullptr;
    std::uint64_t copiedTo_ = 0;  // offset up to which the bytes were written
    // A copy in the background: the block that the source does not read
    // into, free once the thread has taken the first `spareHanded_` ranges.
    std::unique_ptr<char[]> spareStorage_;
    char* spare_ = nullptr;
    std::size_t spareHanded_ = 0;
    std::unique_ptr<CopyThread> copyThread_;  // last: it stops before the blocks go
};

}  // namespace dxfprofile
