#include "bytes/line_source.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "io/output_file.h"
#include "bytes/line_end_join.h"

namespace dxfprofile {

SourceSettings sourceSettings{
#ifdef DXFPROFILE_PLAIN_READS
    // A build that reads piece by piece only, to measure what the block
    // search gains.
    false,
#else
    true,
#endif
    SOURCE_BLOCK, true};

LineSource::LineSource() : storage_(new char[SOURCE_BLOCK + 2 * SEARCH_PADDING]) {
    block_ = storage_.get() + SEARCH_PADDING;
    std::memset(storage_.get(), '\n', SEARCH_PADDING);
    std::memset(block_ + SOURCE_BLOCK, '\n', SEARCH_PADDING);
}

LineSource::~LineSource() {
    close();
}

int LineSource::open(const char* path) {
    close();
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    attach(fd);
    ownsFd_ = true;
    return 0;
}

void LineSource::attach(int fd) {
    fd_ = fd;
    ownsFd_ = false;
    bulkSkip_ = sourceSettings.bulkSkip;
    readLimit_ = std::max<std::size_t>(sourceSettings.readLimit, 1);
    wideVectors_ = sourceSettings.wideVectors && haveWideVectors();
    endOfInput_ = false;
    readFailed_ = false;
    off_t start = ::lseek(fd, 0, SEEK_CUR);
    blockOffset_ = start > 0 ? static_cast<std::uint64_t>(start) : 0;
    position_ = 0;
    filled_ = 0;
    block_[-1] = '\n';
    line_ = 1;
    keeping_ = false;
    copyTo_ = nullptr;
}

void LineSource::close() {
    if (ownsFd_ && fd_ >= 0) ::close(fd_);
    fd_ = -1;
    ownsFd_ = false;
}

bool LineSource::refill() {
    if (endOfInput_) return false;
    flushCopy(false);
    std::size_t keepFrom = position_;
    // A CR held back from the copy stays for the copy's next run.
    if (copyTo_ != nullptr && copiedTo_ >= blockOffset_)
        keepFrom = std::min(keepFrom, static_cast<std::size_t>(copiedTo_ - blockOffset_));
    if (keeping_) {
        // A kept place stays in the block while it leaves half of it free.
        std::uint64_t at = kept_.offset;
        if (at >= blockOffset_ && at - blockOffset_ <= position_ &&
            position_ - (at - blockOffset_) <= SOURCE_BLOCK / 2) {
            keepFrom = std::min(keepFrom, static_cast<std::size_t>(at - blockOffset_));
        } else {
            keeping_ = false;
        }
    }
    if (keepFrom > 0) {
        // The byte before the block stays the file's own: a block that
        // starts inside a line holds no whole line before its first LF.
        block_[-1] = block_[keepFrom - 1];
        std::memmove(block_, block_ + keepFrom, filled_ - keepFrom);
        blockOffset_ += keepFrom;
        position_ -= keepFrom;
        filled_ -= keepFrom;
    }
    std::size_t before = filled_;
    while (filled_ < SOURCE_BLOCK) {
        std::size_t ask = std::min(SOURCE_BLOCK - filled_, readLimit_);
        ssize_t got = ::read(fd_, block_ + filled_, ask);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            endOfInput_ = true;
            readFailed_ = got < 0;
            break;
        }
        filled_ += static_cast<std::size_t>(got);
        if (filled_ - position_ >= PIECE_REACH) break;
    }
    // The byte after the data reads as a line end for the search.
    block_[filled_] = '\n';
    return filled_ > before;
}

bool LineSource::nextPiece(Piece& piece) {
    if (filled_ - position_ < PIECE_REACH) refill();
    std::size_t available = filled_ - position_;
    if (available == 0) return false;
    const char* start = block_ + position_;
    std::size_t reach = std::min(available, PIECE_REACH);
    const void* lf = std::memchr(start, '\n', reach);
    if (lf != nullptr) {
        const char* end = static_cast<const char*>(lf);
        std::string_view text = lineText(start, end, true);
        if (text.size() <= PIECE_LENGTH) {
            piece = {text, true};
            position_ += static_cast<std::size_t>(end - start) + 1;
            ++line_;
            return true;
        }
    }
    std::size_t take = std::min(available, PIECE_LENGTH);
    piece = {{start, take}, take == available && endOfInput_};
    position_ += take;
    if (piece.endsLine) ++line_;
    return true;
}

bool LineSource::skipRestOfLine(const Piece& last) {
    Piece piece = last;
    while (!piece.endsLine) {
        if (!nextPiece(piece)) return false;
    }
    return true;
}

std::size_t LineSource::completeLinesEnd() const {
    if (endOfInput_) return filled_;
    const char* start = block_ + position_;
    const void* lf = ::memrchr(start, '\n', filled_ - position_);
    if (lf == nullptr) return position_;
    return static_cast<std::size_t>(static_cast<const char*>(lf) - block_) + 1;
}

void LineSource::passOver(std::size_t to, std::uint64_t lines) {
    position_ = to;
    line_ += lines;
}

void LineSource::keep(const Mark& mark) {
    keeping_ = true;
    kept_ = mark;
}

int LineSource::returnTo(const Mark& mark) {
    if (mark.offset >= blockOffset_ && mark.offset <= blockOffset_ + filled_) {
        position_ = static_cast<std::size_t>(mark.offset - blockOffset_);
        line_ = mark.line;
        return 0;
    }
    flushCopy(false);
    if (::lseek(fd_, static_cast<off_t>(mark.offset), SEEK_SET) < 0) return -1;
    blockOffset_ = mark.offset;
    position_ = 0;
    filled_ = 0;
    block_[-1] = '\n';  // a place to come back to starts a line
    endOfInput_ = false;
    line_ = mark.line;
    return 0;
}

void LineSource::startCopy(OutputFile& out) {
    copyTo_ = &out;
    copiedTo_ = offset();
}

void LineSource::stopCopy() {
    flushCopy(true);
    copyTo_ = nullptr;
}

void LineSource::flushCopy(bool final) {
    if (copyTo_ == nullptr || copiedTo_ >= offset() || copiedTo_ < blockOffset_) return;
    auto from = static_cast<std::size_t>(copiedTo_ - blockOffset_);
    std::size_t to = position_;
    // A CR that ends the range may be the first half of a CR LF pair.
    if (!final && block_[to - 1] == '\r') --to;
    writeJoiningLineEnds(*copyTo_, block_ + from, to - from, wideVectors_);
    copiedTo_ = blockOffset_ + to;
}

}  // namespace dxfprofile
