#include "reader/line_source.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "io/output_file.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::ScopedTempDir;
using testing::SettingsGuard;

// Block search on and off, reads of a few bytes, the 64-byte search off.
std::vector<SourceSettings> readings(bool smallReads) {
    std::vector<SourceSettings> all;
    for (std::size_t limit : std::initializer_list<std::size_t>{1, 2, 64, 65, 4093, SOURCE_BLOCK}) {
        if (limit >= 4093 || smallReads) {
            all.insert(all.end(),
                       {{true, limit, true}, {false, limit, true}, {true, limit, false}});
        }
    }
    return all;
}

TEST(LineSource, HandsOutPiecesOfAtMost63BytesAndCountsLines) {
    const std::string x63(63, 'x');
    const struct {
        const char* name;
        std::string bytes;
        std::string pieces;  // each followed by LF where it ends its line, by '|' elsewhere
    } rows[] = {
        {"CR LF reads as LF", "  8\r\nWALLS\r\n", "  8\nWALLS\n"},
        {"63 bytes and CR LF", x63 + "\r\na\n", x63 + "\na\n"},
        {"64 bytes", x63 + "y\r\n", x63 + "|y\n"},
        {"126 bytes", x63 + x63 + "\n", x63 + "|" + x63 + "\n"},
        {"62 bytes, a lone CR and CR LF", x63.substr(1) + "\r\r\n", x63.substr(1) + "\r\n"},
        {"63 bytes, a lone CR and CR LF", x63 + "\r\r\n", x63 + "|\r\n"},
        {"a lone CR stays", "a\rb\nc\r", "a\rb\nc\r\n"},
        {"a last line without LF", "a\n\nb", "a\n\nb\n"},
        {"64 bytes at the end", x63 + "y", x63 + "|y\n"},
        {"an empty file", "", ""},
    };
    ScopedTempDir dir;
    SettingsGuard guard;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        testing::writeFile(dir.file("in"), row.bytes);
        for (std::size_t limit : {std::size_t{1}, std::size_t{2}, std::size_t{65}, SOURCE_BLOCK}) {
            sourceSettings.readLimit = limit;
            // Every piece, then the first piece of each line and its number.
            std::string pieces, firstPieces, expected;
            for (bool skipping : {false, true}) {
                LineSource source;
                ASSERT_EQ(source.open(dir.file("in").c_str()), 0);
                Piece piece;
                std::uint64_t line = 1;
                while (source.nextPiece(piece)) {
                    bool ends = piece.endsLine || skipping;
                    (skipping ? firstPieces : pieces) +=
                        std::string(piece.text) + (ends ? "\n" : "|");
                    EXPECT_TRUE(!skipping || source.skipRestOfLine(piece));
                    EXPECT_EQ(source.lineNumber(), line += ends);
                }
            }
            EXPECT_EQ(pieces, row.pieces) << "reads of " << limit;
            for (std::size_t at = 0; at < pieces.size(); at = pieces.find('\n', at) + 1)
                expected += pieces.substr(at, pieces.find_first_of("|\n", at) - at) + "\n";
            EXPECT_EQ(firstPieces, expected);
        }
    }
}

struct NoLine final : LineCheck {
    bool accepts(const CandidateLine&) override { return false; }
};

// Reads the file with a copy running, going back to a place still in the
// block and to the start of the file; the copy.
std::string copyWhileReading(const std::string& path, const std::string& copyPath) {
    auto copy = std::make_unique<OutputFile>();
    EXPECT_EQ(openOutput(*copy, copyPath.c_str()), 0);
    LineSource source;
    EXPECT_EQ(source.open(path.c_str()), 0);
    source.startCopy(*copy);
    LineSource::Mark start = source.here();
    LineSource::Mark middle;
    Piece piece;
    for (int i = 0; i < 100 && source.nextPiece(piece); ++i) {
        if (i == 50) source.keep(middle = source.here());
    }
    EXPECT_EQ(source.returnTo(middle), 0);
    NoLine none;
    EXPECT_FALSE(source.seekDigitLine(DigitSet{}, 0, none));
    EXPECT_EQ(source.returnTo(start), 0);
    while (source.nextPiece(piece)) {
    }
    source.stopCopy();
    EXPECT_EQ(commitOutput(*copy), 0);
    return testing::readFile(copyPath);
}

TEST(LineSource, CopiesEveryBytePassedOnceWithCrLfAsLf) {
    ScopedTempDir dir;
    SettingsGuard guard;
    std::string big = testing::groupLikeLines(4, SOURCE_BLOCK - 300);
    big += std::string(SOURCE_BLOCK - 1 - big.size(), 'x') + "\r\nA\rB\r";
    for (const std::string& bytes : {testing::groupLikeLines(2, 8000) + "\r", big}) {
        testing::writeFile(dir.file("in"), bytes);
        std::string expected;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes.compare(i, 2, "\r\n") != 0) expected += bytes[i];
        }
        for (const SourceSettings& settings : readings(bytes.size() < 10000)) {
            SCOPED_TRACE(::testing::Message()
                         << "bulk " << settings.bulkSkip << ", reads of " << settings.readLimit);
            sourceSettings = settings;
            EXPECT_TRUE(copyWhileReading(dir.file("in"), dir.file("copy")) == expected);
        }
    }
}

}  // namespace
}  // namespace dxfprofile
