// The searches of the line source: they pass over whole lines of the block
// up to the first line that their caller wants.
#include <algorithm>
#include <cstring>

#include "bytes/line_source.h"

namespace dxfprofile {

namespace {

// The bits of `mask` below the lowest bit of `bits`.
std::uint64_t belowLowest(std::uint64_t mask, std::uint64_t bits) {
    return mask & ((bits & (0 - bits)) - 1);
}

// Lines that a search offers whole: at most a piece long.
constexpr std::size_t OFFERED_LINE = PIECE_LENGTH;

}  // namespace

// The line before the one that starts at block_[start], when the block
// holds it whole and short.
void LineSource::previousLine(std::size_t start, CandidateLine& line) const {
    if (start == 0) return;
    // The byte before the block is LF when the block starts a line.
    std::size_t reach = std::min(start, PIECE_REACH);
    const void* lf = ::memrchr(block_ + start - 1 - reach, '\n', reach);
    if (lf == nullptr) return;
    line.previous = lineText(static_cast<const char*>(lf) + 1, block_ + start - 1, true);
    line.previousKnown = true;
}

// The line around block_[at], which lies at or after the reading position
// in the block's complete lines, with the line before it.
void LineSource::candidateLine(std::size_t at, CandidateLine& line) const {
    const void* before = ::memrchr(block_ + position_, '\n', at - position_);
    std::size_t start = before == nullptr ? position_ : indexOf(before) + 1;
    const void* after = std::memchr(block_ + at, '\n', filled_ - at);
    std::size_t end = after == nullptr ? filled_ : indexOf(after);
    line.text = lineText(block_ + start, block_ + end, after != nullptr);
    previousLine(start, line);
}

bool LineSource::seekDigitLine(const DigitSet& digits, std::uint64_t parity, LineCheck& check,
                               bool withFollowing) {
    if (!bulkSkip_) return seekDigitLineByPieces(parity, check);
    for (;;) {
        std::size_t end = completeLinesEnd();
        std::size_t from = position_;
        std::uint64_t lines = 0;
        DigitStep step;
        while (findDigitStep(block_, from, end, digits, (parity ^ line_) & 1, wideVectors_, lines,
                             step)) {
            for (std::uint64_t bits = step.candidates; bits != 0; bits &= bits - 1) {
                std::uint64_t before = lines + countBits(belowLowest(step.ends, bits));
                if (offerDigitLine(step, bits & (0 - bits), end, line_ + before, withFollowing,
                                   false, check)) {
                    passOver(lineStart_, before);
                    return true;
                }
            }
            lines += countBits(step.ends);
            from = step.base + step.size;
        }
        passOver(std::min(end, filled_), lines);
        if (position_ == filled_ && endOfInput_) return false;
        if (!refill() && !endOfInput_) {
            // A line longer than the block: it is no code line.
            Piece piece;
            if (!nextPiece(piece) || !skipRestOfLine(piece)) return false;
        }
    }
}

// The first LF in [from, end), or `end`.
std::size_t LineSource::lineEndFrom(std::size_t from, std::size_t end) const {
    const void* lf = std::memchr(block_ + from, '\n', end - from);
    return lf == nullptr ? end : indexOf(lf);
}

// Offers the line that the candidate `bit` of `step` ends to `check`, when it
// is whole and short; its start is left in lineStart_. The step's line ends
// give the line's bounds, and the following line's, where it holds them.
bool LineSource::offerDigitLine(const DigitStep& step, std::uint64_t bit, std::size_t end,
                                std::uint64_t number, bool withFollowing, bool withPrevious,
                                LineCheck& check) {
    std::size_t at = step.base + static_cast<std::size_t>(__builtin_ctzll(bit));
    std::uint64_t before = step.ends & (bit - 1);
    std::uint64_t after = step.ends & ~(bit | (bit - 1));
    std::size_t start = 0;
    if (before != 0) {
        start = step.base + 64 - static_cast<std::size_t>(__builtin_clzll(before));
    } else {
        start = at;
        while (start > position_ && block_[start - 1] != '\n' && at - start <= OFFERED_LINE)
            --start;
        if (start > position_ && block_[start - 1] != '\n') return false;
    }
    std::size_t stop = after != 0 ? step.base + static_cast<std::size_t>(__builtin_ctzll(after))
                                  : lineEndFrom(at + 1, end);
    if (stop - start > OFFERED_LINE + 1) return false;
    CandidateLine line;
    line.text = lineText(block_ + start, block_ + stop, stop < end);
    if (line.text.size() > OFFERED_LINE) return false;
    line.number = number;
    line.offset = blockOffset_ + start;
    if (withPrevious) previousLine(start, line);
    if (withFollowing && stop < end) {
        after &= after - 1;
        std::size_t next = stop + 1;
        std::size_t nextStop = after != 0
                                   ? step.base + static_cast<std::size_t>(__builtin_ctzll(after))
                                   : lineEndFrom(next, end);
        if (nextStop < end || endOfInput_) {
            line.following = lineText(block_ + next, block_ + nextStop, nextStop < end);
            line.followingKnown = true;
        }
    }
    lineStart_ = start;
    return check.accepts(line);
}

bool LineSource::seekDigitLineByPieces(std::uint64_t parity, LineCheck& check) {
    // Every line of the parity that is whole in a piece is offered.
    for (;;) {
        std::uint64_t startOffset = offset();
        std::uint64_t number = line_;
        Piece piece;
        if (!nextPiece(piece)) return false;
        if (!piece.endsLine) {
            if (!skipRestOfLine(piece)) return false;
            continue;
        }
        CandidateLine line;
        line.text = piece.text;
        line.number = number;
        line.offset = startOffset;
        if ((number & 1) == parity && check.accepts(line)) {
            // The line was just read, so it is still in the block.
            position_ = static_cast<std::size_t>(startOffset - blockOffset_);
            line_ = number;
            return true;
        }
    }
}

LineSource::LookAhead LineSource::findMarkedLine(const MarkerSet& markers, LineCheck& check,
                                                 LineCheck& boundary, std::uint64_t& at) {
    for (;;) {
        if (filled_ - position_ < PIECE_REACH) refill();
        std::size_t end = completeLinesEnd();
        std::size_t from = position_;
        std::uint64_t lines = 0;
        while (from < end) {
            std::size_t found =
                findMarkerCandidate(block_, from, end, markers, wideVectors_, lines);
            if (found == end) break;
            const void* after = std::memchr(block_ + found, '\n', end - found);
            std::size_t lineEnd = after == nullptr ? end : indexOf(after);
            if (found == position_ || block_[found - 1] == '\n') {
                CandidateLine line;
                candidateLine(found, line);
                line.number = line_ + lines;
                line.offset = blockOffset_ + found;
                if (check.accepts(line)) {
                    at = blockOffset_ + found;
                    return LookAhead::found;
                }
            }
            from = lineEnd + 1;
            if (after != nullptr) ++lines;
        }
        if (endOfInput_) {
            passOver(end, lines);
            return LookAhead::end;
        }
        // Nothing in the block: pass over what lies before its last boundary.
        if (!passOverToLastBoundary(end, lines, boundary) || !refill())
            return LookAhead::noBoundary;
    }
}

// Passes over the complete lines before the last line of [position_, end)
// that `boundary` accepts, `lines` being the line ends before `end`; false
// when that passes over nothing.
bool LineSource::passOverToLastBoundary(std::size_t end, std::uint64_t lines, LineCheck& boundary) {
    Mark found;
    if (!lastLineBefore(blockOffset_ + end, line_ + lines, boundary, found) ||
        found.offset == offset())
        return false;
    position_ = static_cast<std::size_t>(found.offset - blockOffset_);
    line_ = found.line;
    return true;
}

bool LineSource::lastLineBefore(std::uint64_t at, std::uint64_t number, LineCheck& check,
                                Mark& found) const {
    if (at < offset() || at > blockOffset_ + filled_) return false;
    auto lineEnd = static_cast<std::size_t>(at - blockOffset_);  // the start of line `number`
    while (lineEnd > position_) {
        const void* lf = ::memrchr(block_ + position_, '\n', lineEnd - 1 - position_);
        std::size_t start = lf == nullptr ? position_ : indexOf(lf) + 1;
        --number;
        CandidateLine line;
        line.text = lineText(block_ + start, block_ + lineEnd - 1, true);
        line.number = number;
        line.offset = blockOffset_ + start;
        if (line.text.size() <= OFFERED_LINE && check.accepts(line)) {
            found = {line.offset, number};
            return true;
        }
        lineEnd = start;
    }
    return false;
}

}  // namespace dxfprofile
