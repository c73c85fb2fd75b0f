#include "bytes/line_source.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "bytes/copy_thread.h"

namespace dxfprofile {
namespace {

// Room for a block with the search's padding on both sides, which reads as
// line ends.
std::unique_ptr<char[]> blockStorage() {
    std::unique_ptr<char[]> storage(new char[SOURCE_BLOCK + 2 * SEARCH_PADDING]);
    std::memset(storage.get(), '\n', SEARCH_PADDING);
    std::memset(storage.get() + SEARCH_PADDING + SOURCE_BLOCK, '\n', SEARCH_PADDING);
    return storage;
}

}  // namespace

LineSource::LineSource(const SourceSettings& settings)
    : settings_(settings),
      bulkSkip_(settings.bulkSkip),
      wideVectors_(settings.wideVectors && haveWideVectors()),
      readLimit_(std::max<std::size_t>(settings.readLimit, 1)),
      storage_(blockStorage()) {
    block_ = storage_.get() + SEARCH_PADDING;
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
    close();
    fd_ = fd;
    off_t start = ::lseek(fd, 0, SEEK_CUR);
    startReading(start > 0 ? static_cast<std::uint64_t>(start) : 0);
}

void LineSource::attachShared(int fd) {
    close();
    fd_ = fd;
    shared_ = true;
    startReading(0);
}

void LineSource::attachSpan(const char* data, std::size_t size) {
    close();
    span_ = data != nullptr ? data : "";
    spanSize_ = size;
    startReading(0);
}

void LineSource::startReading(std::uint64_t offset) {
    endOfInput_ = false;
    readFailed_ = false;
    blockOffset_ = offset;
    readAt_ = offset;
    position_ = 0;
    filled_ = 0;
    block_[-1] = '\n';
    line_ = 1;
    keeping_ = false;
    copyThread_.reset();
    copyTo_ = nullptr;
}

void LineSource::close() {
    if (ownsFd_ && fd_ >= 0) ::close(fd_);
    fd_ = -1;
    ownsFd_ = false;
    shared_ = false;
    span_ = nullptr;
    spanSize_ = 0;
}

// One read of at most `size` bytes: the count, 0 at the end of the input,
// or -1 when it cannot be read.
long LineSource::readInto(char* to, std::size_t size) {
    if (span_ == nullptr) {
        for (;;) {
            ssize_t got = shared_ ? ::pread(fd_, to, size, static_cast<off_t>(readAt_))
                                  : ::read(fd_, to, size);
            if (got > 0 && shared_) readAt_ += static_cast<std::uint64_t>(got);
            if (got >= 0 || errno != EINTR) return got;
        }
    }
    std::size_t take = readAt_ < spanSize_ ? std::min<std::size_t>(size, spanSize_ - readAt_) : 0;
    std::memcpy(to, span_ + readAt_, take);
    readAt_ += take;
    return static_cast<long>(take);
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
    if (keepFrom > 0) moveToBlockStart(keepFrom);
    std::size_t before = filled_;
    while (filled_ < SOURCE_BLOCK) {
        std::size_t ask = std::min(SOURCE_BLOCK - filled_, readLimit_);
        long got = readInto(block_ + filled_, ask);
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

// Moves the bytes from `from` on to the start of the block: of the other
// block while a copy in the background may still be taking the bytes of
// this one.
void LineSource::moveToBlockStart(std::size_t from) {
    char* to = block_;
    if (copyThread_ != nullptr) {
        copyThread_->waitFor(spareHanded_);
        to = spare_;
        spare_ = block_;
        spareHanded_ = copyThread_->handed();
    }
    // The byte before the block stays the file's own: a block that starts
    // inside a line holds no whole line before its first LF.
    to[-1] = block_[from - 1];
    std::memmove(to, block_ + from, filled_ - from);
    block_ = to;
    blockOffset_ += from;
    position_ -= from;
    filled_ -= from;
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
    // The block is read again from its start.
    if (copyThread_ != nullptr) copyThread_->waitFor(copyThread_->handed());
    if (span_ != nullptr) {
        if (mark.offset > spanSize_) return -1;
        readAt_ = mark.offset;
    } else if (shared_) {
        readAt_ = mark.offset;
    } else if (::lseek(fd_, static_cast<off_t>(mark.offset), SEEK_SET) < 0) {
        return -1;
    }
    blockOffset_ = mark.offset;
    position_ = 0;
    filled_ = 0;
    block_[-1] = '\n';  // a place to come back to starts a line
    endOfInput_ = false;
    line_ = mark.line;
    return 0;
}

void LineSource::startCopy(ByteSink& sink, bool background) {
    stopCopy();
    copyTo_ = &sink;
    copiedTo_ = offset();
    if (!background) return;
    if (spareStorage_ == nullptr) {
        spareStorage_ = blockStorage();
        spare_ = spareStorage_.get() + SEARCH_PADDING;
    }
    spareHanded_ = 0;
    copyThread_ = std::make_unique<CopyThread>(sink);
}

void LineSource::stopCopy() {
    flushCopy(true);
    copyThread_.reset();
    copyTo_ = nullptr;
}

void LineSource::flushCopy(bool final) {
    if (copyTo_ == nullptr || copiedTo_ >= offset() || copiedTo_ < blockOffset_) return;
    auto from = static_cast<std::size_t>(copiedTo_ - blockOffset_);
    std::size_t to = position_;
    // A CR that ends the range may be the first half of a CR LF pair.
    if (!final && block_[to - 1] == '\r') --to;
    if (copyThread_ == nullptr) {
        copyTo_->take(block_ + from, to - from);
    } else if (to > from) {
        copyThread_->hand(block_ + from, to - from);
    }
    copiedTo_ = blockOffset_ + to;
}

}  // namespace dxfprofile
