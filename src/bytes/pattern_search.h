// The pattern search of the line source, with the filter of its caller
// built in: the lines of a pattern that the filter passes over never leave
// the search loop.
#pragma once

#include "bytes/line_source.h"

namespace dxfprofile {

// Whether `skip` passes over the digit line that the candidate `bit` of
// `step` ends: the line and the one after it must both be whole in the block.
template <typename Skip>
bool LineSource::skipsDigitLine(const DigitStep& step, std::uint64_t bit, std::size_t end,
                                Skip& skip) const {
    std::uint64_t before = step.ends & (bit - 1);
    if (before == 0) return false;  // the line starts in an earlier step
    std::size_t start = step.base + 64 - static_cast<std::size_t>(__builtin_clzll(before));
    std::uint64_t after = step.ends & ~(bit | (bit - 1));
    std::size_t stop =
        after != 0
            ? step.base + static_cast<std::size_t>(__builtin_ctzll(after))
            : lineEndFrom(step.base + static_cast<std::size_t>(__builtin_ctzll(bit)) + 1, end);
    if (stop >= end) return false;
    after &= after - 1;
    std::size_t nextStop = after != 0 ? step.base + static_cast<std::size_t>(__builtin_ctzll(after))
                                      : lineEndFrom(stop + 1, end);
    return nextStop < end && skip(lineText(block_ + start, block_ + stop, true),
                                  lineText(block_ + stop + 1, block_ + nextStop, true));
}

template <typename Skip>
LineSource::LookAhead LineSource::findPatternLine(const LinePattern& pattern, std::uint64_t parity,
                                                  Skip& skip, LineCheck& check, LineCheck& boundary,
                                                  Mark& at) {
    for (;;) {
        if (filled_ - position_ < PIECE_REACH) refill();
        std::size_t end = completeLinesEnd();
        std::size_t from = position_;
        std::uint64_t lines = 0;
        DigitStep step;
        while (findPatternStep(block_, from, end, pattern, (parity ^ line_) & 1, wideVectors_,
                               lines, step)) {
            for (std::uint64_t bits = step.candidates; bits != 0; bits &= bits - 1) {
                std::uint64_t bit = bits & (0 - bits);
                bool digit = block_[step.base + static_cast<std::size_t>(__builtin_ctzll(bit))] ==
                             pattern.digit;
                if (digit && skipsDigitLine(step, bit, end, skip)) continue;
                std::uint64_t before = lines + countBits(step.ends & (bit - 1));
                if (offerDigitLine(step, bit, end, line_ + before, digit, !digit, check)) {
                    at = {blockOffset_ + lineStart_, line_ + before};
                    return LookAhead::found;
                }
            }
            lines += countBits(step.ends);
            from = step.base + step.size;
        }
        if (endOfInput_) {
            passOver(end, lines);
            return LookAhead::end;
        }
        if (!passOverToLastBoundary(end, lines, boundary) || !refill())
            return LookAhead::noBoundary;
    }
}

}  // namespace dxfprofile
