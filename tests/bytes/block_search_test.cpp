#include "bytes/block_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "dxf/group_reader.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

// A text as the line source holds it: a line end before it, and after it
// lines that the search may read but must not count.
std::string blockOf(const std::string& text) {
    std::string bytes = "1\n" + text;
    while (bytes.size() < text.size() + 2 + SEARCH_PADDING) bytes += "8\nENDSEC\n";
    return bytes;
}

std::uint64_t lineEndsIn(const char* block, std::size_t from, std::size_t end) {
    return static_cast<std::uint64_t>(std::count(block + from, block + end, '\n'));
}

// What a step search must report in [from, end): the last digit of the
// code lines of `digits` on lines of the parity, and with `sectionEnds` the
// start of the "ENDSEC" lines on the others.
std::vector<std::size_t> naiveCandidates(const char* block, std::size_t from, std::size_t end,
                                         std::uint64_t lineEnds, std::uint64_t parity,
                                         std::string_view digits, bool sectionEnds) {
    std::vector<std::size_t> found;
    for (std::size_t start = from; start <= end; ++lineEnds) {
        std::size_t stop =
            static_cast<std::size_t>(std::find(block + start, block + end, '\n') - block);
        std::string_view line(block + start, stop - start);
        int code = -1;
        bool wanted = (lineEnds & 1) == parity;
        if (wanted && parseGroupCode(line, code) && code >= 0 && code <= 9 &&
            digits.find(static_cast<char>('0' + code)) != line.npos)
            found.push_back(start + line.find_last_not_of(" \t\r"));
        if (!wanted && sectionEnds && (line == "ENDSEC" || line == "ENDSEC\r"))
            found.push_back(start);
        start = stop + 1;
    }
    return found;
}

// A step search over [from, end), walked as the line source walks it: the
// digit search of `set`, or the layer search without one. Steps in order,
// their line ends and the count before them exact; each place reported one
// that the search may report, and every place of the naive reference among
// them.
void checkSteps(const char* block, std::size_t from, std::size_t end, std::uint64_t lineEnds,
                std::uint64_t parity, bool wide, const DigitSet* set) {
    std::string_view digits = set ? std::string_view(set->digits, std::size_t(set->count)) : "8";
    const std::uint64_t first = lineEnds;
    std::vector<std::size_t> found;
    DigitStep step;
    for (std::size_t at = from;; at = step.base + step.size) {
        if (set ? !findDigitStep(block, at, end, *set, parity, wide, lineEnds, step)
                : !findPatternStep(block, at, end, {'8', 'E', 'C', 5}, parity, wide, lineEnds,
                                   step))
            break;
        ASSERT_TRUE(step.base >= at && step.size > 0 && step.size <= 64 &&
                    step.base + step.size <= end);
        ASSERT_EQ(lineEnds, first + lineEndsIn(block, from, step.base));
        std::uint64_t ends = 0;
        for (std::size_t i = 0; i < step.size; ++i)
            ends |= std::uint64_t{block[step.base + i] == '\n'} << i;
        ASSERT_EQ(step.ends, ends);
        ASSERT_NE(step.candidates, 0u);
        for (std::uint64_t bits = step.candidates; bits != 0; bits &= bits - 1) {
            auto bit = static_cast<std::size_t>(__builtin_ctzll(bits));
            std::size_t place = step.base + bit;
            bool onParity =
                ((lineEnds + countBits(step.ends & ((std::uint64_t{1} << bit) - 1))) & 1) == parity;
            bool sectionEnd = !set && block[place] == 'E' && block[place - 1] == '\n' && !onParity;
            ASSERT_TRUE(bit < step.size &&
                        ((digits.find(block[place]) != digits.npos && onParity) || sectionEnd))
                << place;
            found.push_back(place);
        }
        lineEnds += countBits(step.ends);
    }
    ASSERT_EQ(lineEnds, first + lineEndsIn(block, from, end));
    for (std::size_t at : naiveCandidates(block, from, end, first, parity, digits, !set))
        EXPECT_TRUE(std::binary_search(found.begin(), found.end(), at)) << at;
}

// Every search over [from, end) of `block` against the naive reference.
void checkRange(const char* block, std::size_t from, std::size_t end) {
    SCOPED_TRACE(::testing::Message() << "range " << from << ".." << end);
    ASSERT_EQ(countLineEnds(block, from, end), lineEndsIn(block, from, end));
    const DigitSet zero, zeroOrEight{{'0', '8'}, 2};
    for (bool wide : {true, false}) {
        for (std::uint64_t lineEnds : {0, 1, 6}) {
            for (std::uint64_t parity : {0, 1}) {
                SCOPED_TRACE(::testing::Message() << "wide " << wide << ", line ends " << lineEnds
                                                  << ", parity " << parity);
                for (const DigitSet* set :
                     {&zero, &zeroOrEight, static_cast<const DigitSet*>(nullptr)})
                    checkSteps(block, from, end, lineEnds, parity, wide, set);
            }
        }
        for (const MarkerSet& set : {makeMarkerSet("WALLS", "ENDSEC"), makeMarkerSet("8", "ENDSEC"),
                                     makeMarkerSet("ENDSEC", "ENDSEC")}) {
            SCOPED_TRACE(::testing::Message() << "markers " << set.markers[0] << ", wide " << wide);
            std::uint64_t lineEnds = 3;
            for (std::size_t at = from;; ++at) {
                std::size_t next = at;
                auto startsAt = [&](std::string_view marker) {
                    return std::string_view(block + next, end - next).starts_with(marker);
                };
                while (next < end && !std::any_of(set.markers, set.markers + set.count, startsAt))
                    ++next;
                at = findMarkerCandidate(block, at, end, set, wide, lineEnds);
                ASSERT_EQ(at, next);
                ASSERT_EQ(lineEnds, 3 + lineEndsIn(block, from, at));
                if (at == end) break;
            }
        }
    }
}

TEST(BlockSearch, FindsEveryLineOfInterestInGeneratedLines) {
    std::mt19937 random(5);
    for (unsigned seed = 1; seed <= 24; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::string text = testing::groupLikeLines(seed, 300 + seed * 40);
        std::string block = blockOf(text);
        for (std::size_t from = 0; from < 140; from = text.find('\n', from) + 1) {
            checkRange(block.data() + 2, from, text.size());
            checkRange(block.data() + 2, from, from + random() % (text.size() - from + 1));
        }
    }
}

TEST(BlockSearch, FindsLinesOfInterestAtEveryPlaceOfAStepAndAtTheRangeEnd) {
    for (std::size_t shift = 0; shift < 130; ++shift) {
        SCOPED_TRACE(::testing::Message() << "shift " << shift);
        std::string text = std::string(shift, 'x') + "\n8\n  0\r\nENDSEC\n 08\nWALLS\nENDSEC\r\n0";
        std::string block = blockOf(text);
        for (std::size_t end = shift + 1; end <= text.size() && !HasFailure(); ++end)
            checkRange(block.data() + 2, 0, end);
    }
}

}  // namespace
}  // namespace dxfprofile
