// The vector search of the line source: it passes over bytes 32 or 64 at a
// time, counting the line ends it passes, up to the first place that may
// begin a line of interest. Every place it reports is only a candidate, which
// the caller checks; it never passes over a line of interest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dxfprofile {

inline constexpr int MAX_MARKERS = 2;

// Short number lines that end with one of a few digits, such as "  0" and
// "  8": the last digit of such a line has no byte above ' ' after it and no
// byte above '0' before it, since blanks, tabs, a sign and leading zeros are
// all below '1'; and when a '0' stands before it, the byte before that is no
// higher either.
struct DigitSet {
    char digits[2] = {'0', '0'};
    int count = 1;
};

// Lines that begin with one of a few texts (such as a name). The
// search looks at two bytes of each text at once, its first byte (its head)
// and the one `span` bytes after it (its tail), `span` being one less than
// the shortest text's length; only where both stand is the text compared.
struct MarkerSet {
    std::string_view markers[MAX_MARKERS];
    int count = 0;
    bool searchable = false;  // no text empty or holding a line end
    std::size_t span = 0;
    char heads[MAX_MARKERS] = {};
    char tails[MAX_MARKERS] = {};
};
MarkerSet makeMarkerSet(std::string_view first, std::string_view second);

// The number of set bits, without a call where the processor's own count
// is not built in.
inline std::uint64_t countBits(std::uint64_t mask) {
    mask = mask - ((mask >> 1) & 0x5555555555555555ull);
    mask = (mask & 0x3333333333333333ull) + ((mask >> 2) & 0x3333333333333333ull);
    mask = (mask + (mask >> 4)) & 0x0f0f0f0f0f0f0f0full;
    return (mask * 0x0101010101010101ull) >> 56;
}

// Bytes the block must hold readable around a searched range [from, end):
// one before `from` and this many after `end`.
inline constexpr std::size_t SEARCH_PADDING = 128;

// A step of the digit search: the bytes [base, base + size), size at most
// 64, as bits: the line ends, and the digits of the set that may end such
// a line on a line of the wanted parity.
struct DigitStep {
    std::size_t base = 0;
    std::size_t size = 0;
    std::uint64_t ends = 0;
    std::uint64_t candidates = 0;
};

// The first step at or after `from`, before `end`, with a candidate: true.
// The wanted lines are those whose count of line ends before them,
// `lineEnds` included, has the parity `parity`; `lineEnds` grows by the LFs
// before the step (or in [from, end) when there is none). The byte after
// the range counts as a line end. block[from - 2] must be readable, and
// `from` must start a line.
bool findDigitStep(const char* block, std::size_t from, std::size_t end, const DigitSet& set,
                   std::uint64_t parity, bool wide, std::uint64_t& lineEnds, DigitStep& step);

// Lines of two kinds, told apart by the parity of their number. On lines of
// the searched parity: a number line whose last digit is `digit` (no byte
// above ' ' after it and none above '0' before it). On the others: a line
// that begins with `head` and holds `tail` `span` bytes after it (span 1 to
// 32).
struct LinePattern {
    char digit = '0';
    char head = 0;
    char tail = 0;
    std::size_t span = 1;
};

// The first step at or after `from`, before `end`, that holds a line of
// `pattern`, the digit lines on lines of the parity `parity` as
// findDigitStep counts it: true. The rest as findDigitStep.
bool findPatternStep(const char* block, std::size_t from, std::size_t end,
                     const LinePattern& pattern, std::uint64_t parity, bool wide,
                     std::uint64_t& lineEnds, DigitStep& step);

// The first position in [from, end) where a text of `set` begins, with all
// of it before `end`, or `end`. `lineEnds` grows by the LFs in [from,
// result). Only for a searchable set.
std::size_t findMarkerCandidate(const char* block, std::size_t from, std::size_t end,
                                const MarkerSet& set, bool wide, std::uint64_t& lineEnds);

// The number of LFs in [from, end).
std::uint64_t countLineEnds(const char* block, std::size_t from, std::size_t end);

// Whether the processor has the 64-byte search (AVX2, with the bit count and
// the carry-less multiplication).
bool haveWideVectors();

}  // namespace dxfprofile
