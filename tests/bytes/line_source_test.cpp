#include "bytes/line_source.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bytes/line_end_join.h"
#include "bytes/pattern_search.h"
#include "dxf/group_code.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::ScopedTempDir;

// Reads `bytes` from memory, or from the file `path` that holds them.
void attachInput(LineSource& source, const std::string& path, const std::string& bytes,
                 bool fromMemory) {
    if (fromMemory) {
        source.attachSpan(bytes.data(), bytes.size());
    } else {
        EXPECT_EQ(source.open(path.c_str()), 0);
    }
}

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
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        testing::writeFile(dir.file("in"), row.bytes);
        for (std::size_t limit : {std::size_t{1}, std::size_t{2}, std::size_t{65}, SOURCE_BLOCK}) {
            // Every piece, then the first piece of each line and its number.
            std::string pieces, firstPieces, expected;
            for (bool skipping : {false, true}) {
                LineSource source({true, limit, true});
                attachInput(source, dir.file("in"), row.bytes, limit == 65);
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

// The file's lines, split naively.
struct TextLine {
    std::string text;  // without its line end
    std::uint64_t offset = 0;
    std::uint64_t number = 0;
};

std::vector<TextLine> splitLines(const std::string& bytes) {
    std::vector<TextLine> lines;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t stop = std::min(bytes.find('\n', start), bytes.size());
        std::string text = bytes.substr(start, stop - start);
        if (stop < bytes.size() && text.ends_with('\r')) text.pop_back();
        lines.push_back({text, start, lines.size() + 1});
        start = stop + 1;
    }
    return lines;
}

// What a search looks for, code lines being those of the parity: code lines
// of group 0 or 8 (seekDigitLine); of group 8, and "ENDSEC" on the other
// lines (findPatternLine); "WALLS" and "ENDSEC" (findMarkedLine); code lines
// of group 0 (the boundaries).
enum class Kind { codes, layerOrEnd, marked, boundary };

bool isWanted(Kind kind, std::uint64_t parity, const TextLine& line, bool nextIsSkip = false) {
    bool onParity = (line.number & 1) == parity;
    int code = -1;
    bool isCode = onParity && line.text.size() <= PIECE_LENGTH && parseGroupCode(line.text, code);
    switch (kind) {
        case Kind::codes:
            return isCode && (code == 0 || code == 8);
        case Kind::layerOrEnd:
            return (isCode && code == 8 && !nextIsSkip) || (!onParity && line.text == "ENDSEC");
        case Kind::marked:
            return line.text == "WALLS" || line.text == "ENDSEC";
        case Kind::boundary:
            return isCode && code == 0;
    }
    return false;
}

std::vector<std::uint64_t> naiveHits(const std::vector<TextLine>& lines, Kind kind,
                                     std::uint64_t parity) {
    std::vector<std::uint64_t> hits;
    for (const TextLine& line : lines) {
        bool nextIsSkip = line.number < lines.size() && lines[line.number].text == "SKIP";
        if (isWanted(kind, parity, line, nextIsSkip)) hits.push_back(line.number);
    }
    return hits;
}

// Checks each line that a search offers against the file's own lines, and
// accepts the wanted ones.
class FileLines final : public LineCheck {
  public:
    FileLines(const std::vector<TextLine>& lines, Kind kind, std::uint64_t parity)
        : lines_(lines), kind_(kind), parity_(parity) {}

    bool accepts(const CandidateLine& line) override {
        if (line.number < 1 || line.number > lines_.size()) {
            ADD_FAILURE() << "line " << line.number << " offered";
            return false;
        }
        const TextLine& own = lines_[line.number - 1];
        EXPECT_TRUE(line.text == own.text && line.offset == own.offset) << "line " << line.number;
        if (line.previousKnown) {
            EXPECT_EQ(line.previous, line.number > 1 ? lines_[line.number - 2].text : "");
        }
        if (line.followingKnown) {
            EXPECT_EQ(line.following, line.number < lines_.size() ? lines_[line.number].text : "");
        }
        return isWanted(kind_, parity_, own,
                        line.number < lines_.size() && lines_[line.number].text == "SKIP");
    }

  private:
    const std::vector<TextLine>& lines_;
    Kind kind_;
    std::uint64_t parity_;
};

// The lines that a search finds, read up to one by one as a caller that
// reads heads does after a look-ahead: none of them may come before the
// line found.
// Passes over the code lines of group 8 whose value is "SKIP" in the
// pattern search.
struct SkipLayerLines {
    bool operator()(std::string_view line, std::string_view following) const {
        int code = -1;
        return parseGroupCode(line, code) && code == 8 && following == "SKIP";
    }
};

std::vector<std::uint64_t> searchHits(LineSource& source, const std::vector<TextLine>& lines,
                                      Kind kind, std::uint64_t parity) {
    FileLines check(lines, kind, parity);
    FileLines boundary(lines, Kind::boundary, parity);
    const MarkerSet markers = makeMarkerSet("WALLS", "ENDSEC");
    auto find = [&](std::uint64_t& at) {
        LineSource::Mark mark;
        LineSource::LookAhead result = LineSource::LookAhead::end;
        if (kind == Kind::codes && source.seekDigitLine({{'0', '8'}, 2}, parity, check, parity)) {
            at = source.offset();
            result = LineSource::LookAhead::found;
        }
        if (kind == Kind::marked) result = source.findMarkedLine(markers, check, boundary, at);
        SkipLayerLines skip;
        if (kind == Kind::layerOrEnd) {
            result =
                source.findPatternLine({'8', 'E', 'C', 5}, parity, skip, check, boundary, mark);
            at = mark.offset;
        }
        return result;
    };
    std::vector<std::uint64_t> hits;
    std::uint64_t at = 0;
    for (LineSource::LookAhead result; (result = find(at)) != LineSource::LookAhead::end;) {
        bool found = result == LineSource::LookAhead::found;
        std::uint64_t until = found ? at : source.offset();
        Piece piece;
        while (source.offset() <= until && source.lineNumber() <= lines.size()) {
            const TextLine& line = lines[source.lineNumber() - 1];
            if (!source.nextPiece(piece) || !source.skipRestOfLine(piece)) return hits;
            bool nextIsSkip = line.number < lines.size() && lines[line.number].text == "SKIP";
            if (!isWanted(kind, parity, line, nextIsSkip)) continue;
            EXPECT_TRUE(!found || line.offset == at) << "line " << line.number << " passed over";
            hits.push_back(line.number);
        }
    }
    return hits;
}

TEST(LineSource, SearchesFindTheLinesThatReadingLineByLineFinds) {
    ScopedTempDir dir;
    std::string big = testing::groupLikeLines(9, SOURCE_BLOCK - 300);
    big += std::string(SOURCE_BLOCK - 1 - big.size(), 'x') + "\r\n  8\nWALLS\n";  // CR | LF
    big += testing::groupLikeLines(10, 100000);
    for (const std::string& bytes : {testing::groupLikeLines(3, 6000), big}) {
        testing::writeFile(dir.file("in"), bytes);
        std::vector<TextLine> lines = splitLines(bytes);
        for (std::uint64_t parity : {0, 1}) {
            for (const SourceSettings& settings : readings(bytes.size() < 10000)) {
                SCOPED_TRACE(::testing::Message()
                             << "bulk " << settings.bulkSkip << ", reads of " << settings.readLimit
                             << ", wide " << settings.wideVectors << ", parity " << parity
                             << ", size " << bytes.size());
                for (Kind kind : {Kind::codes, Kind::layerOrEnd, Kind::marked}) {
                    if (!settings.bulkSkip && kind != Kind::codes) continue;
                    LineSource source(settings);
                    attachInput(source, dir.file("in"), bytes, settings.readLimit == 4093);
                    EXPECT_EQ(searchHits(source, lines, kind, parity),
                              naiveHits(lines, kind, parity));
                }
            }
        }
    }
}

struct NoLine final : LineCheck {
    bool accepts(const CandidateLine&) override { return false; }
};

struct StringSink final : ByteSink {
    void take(const char* data, std::size_t size) override { bytes.append(data, size); }
    std::string bytes;
};

// Reads with a copy running (in the background or not), going back to a
// place still in the block and to the start of the file; the copy, with CR
// LF joined.
std::string copyWhileReading(LineSource& source, bool background) {
    StringSink copy;
    LineEndJoiner joiner(copy, source.wideVectors());
    source.startCopy(joiner, background);
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
    return copy.bytes;
}

TEST(LineSource, CopiesEveryBytePassedOnceWithCrLfAsLf) {
    ScopedTempDir dir;
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
            for (bool background : {false, true}) {
                LineSource source(settings);
                attachInput(source, dir.file("in"), bytes, settings.readLimit == 4093);
                EXPECT_TRUE(copyWhileReading(source, background) == expected) << background;
            }
        }
    }
}

// Every piece that is left, each followed by LF where it ends its line.
std::string restOf(LineSource& source) {
    std::string text;
    Piece piece;
    while (source.nextPiece(piece)) text.append(piece.text).append(piece.endsLine ? "\n" : "");
    return text;
}

TEST(LineSource, SourcesSharingADescriptorEachReadTheWholeFile) {
    ScopedTempDir dir;
    std::string bytes = testing::groupLikeLines(3, SOURCE_BLOCK + 5000);
    testing::writeFile(dir.file("in"), bytes);
    LineSource alone;
    ASSERT_EQ(alone.open(dir.file("in").c_str()), 0);
    const std::string expected = restOf(alone);
    int fd = ::open(dir.file("in").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    LineSource own;
    own.attach(fd);
    LineSource shared;
    shared.attachShared(fd);
    // Turn about, so that each reads while the other is halfway.
    std::string first, second;
    Piece piece;
    for (bool more = true; more;) {
        more = false;
        for (auto [source, text] : {std::pair{&own, &first}, std::pair{&shared, &second}}) {
            if (!source->nextPiece(piece)) continue;
            text->append(piece.text).append(piece.endsLine ? "\n" : "");
            more = true;
        }
    }
    EXPECT_TRUE(first == expected);
    EXPECT_TRUE(second == expected);
    EXPECT_EQ(shared.returnTo({}), 0);
    EXPECT_TRUE(restOf(shared) == expected);
    ::close(fd);

    // A pipe cannot be read by position.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ASSERT_EQ(::write(ends[1], "  0\nEOF\n", 8), 8);
    shared.attachShared(ends[0]);
    EXPECT_FALSE(shared.nextPiece(piece));
    EXPECT_TRUE(shared.readFailed());
    ::close(ends[0]);
    ::close(ends[1]);
}

}  // namespace
}  // namespace dxfprofile
