#include "reader/line_source.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "io/output_file.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::readFile;
using testing::referencePieces;
using testing::ScopedTempDir;
using testing::SettingsGuard;
using testing::writeFile;

std::vector<std::string> readPieces(const std::string& path) {
    LineSource& source = lineSource;
    EXPECT_EQ(openLineSource(source, path.c_str()), 0);
    std::vector<std::string> pieces;
    while (nextLine(source)) pieces.emplace_back(source.lineBuffer, source.lineLength);
    closeLineSource(source);
    return pieces;
}

// Lines around the piece length, with LF and CR LF ends and lone CRs.
std::string edgeLines() {
    std::string bytes;
    for (int length : {0, 1, 61, 62, 63, 64, 65, 125, 126, 127, 200}) {
        for (const char* end : {"\n", "\r\n", "\r\r\n"}) {
            bytes += std::string(static_cast<std::size_t>(length), 'x') + end;
        }
        bytes +=
            std::string(static_cast<std::size_t>(length), 'y') + "\r" + std::string(3, 'z') + "\n";
    }
    return bytes;
}

TEST(LineSource, DeliversTheSamePiecesAsATextModeReadAtAnyBlockSize) {
    ScopedTempDir dir;
    SettingsGuard guard;
    std::string bytes = edgeLines() + "no line end at the end\r";
    writeFile(dir.file("in"), bytes);
    for (std::size_t limit : {1u, 2u, 7u, 63u, 64u, 65u, 100u, 4096u}) {
        sourceSettings.readLimit = limit;
        EXPECT_EQ(readPieces(dir.file("in")), referencePieces(bytes)) << "read size " << limit;
    }
}

TEST(LineSource, EndOfFileLeavesTheBufferAsItWas) {
    ScopedTempDir dir;
    writeFile(dir.file("in"), "  8\r\nWALLS\r\n");
    ASSERT_EQ(openLineSource(lineSource, dir.file("in").c_str()), 0);
    ASSERT_TRUE(nextLine());
    EXPECT_STREQ(lineSource.lineBuffer, "  8\n");
    ASSERT_TRUE(nextLine());
    EXPECT_STREQ(lineSource.lineBuffer, "WALLS\n");
    EXPECT_FALSE(nextLine());
    EXPECT_FALSE(nextLine());
    EXPECT_STREQ(lineSource.lineBuffer, "WALLS\n");
    closeLineSource(lineSource);
}

TEST(LineSource, AnEmptyFileHasNoLine) {
    ScopedTempDir dir;
    writeFile(dir.file("in"), "");
    EXPECT_TRUE(readPieces(dir.file("in")).empty());
}

// Every piece that nextMarkedLine returns, and the bytes it copies, when
// reading in blocks and when reading piece by piece.
struct MarkedRun {
    std::vector<std::string> marked;
    std::string copied;
    bool operator==(const MarkedRun&) const = default;
};

MarkedRun runMarked(const std::string& path, const MarkerSet& markers, bool bulk, std::size_t limit,
                    bool wide = true) {
    SettingsGuard guard;
    sourceSettings.bulkSkip = bulk;
    sourceSettings.readLimit = limit;
    sourceSettings.wideVectors = wide;
    static LineSource source;
    static OutputFile copy;
    MarkedRun run;
    std::string copyPath = path + ".copy";
    EXPECT_EQ(openLineSource(source, path.c_str()), 0);
    EXPECT_EQ(openOutput(copy, copyPath.c_str()), 0);
    while (nextMarkedLine(source, markers, &copy)) {
        run.marked.emplace_back(source.lineBuffer, source.lineLength);
    }
    closeLineSource(source);
    EXPECT_EQ(commitOutput(copy), 0);
    run.copied = readFile(copyPath);
    return run;
}

std::string markerInput() {
    std::string bytes;
    const std::string marker = "AcDbEntity";
    // The marker at every position around the piece boundaries.
    for (std::size_t before = 50; before <= 135; ++before) {
        bytes += std::string(before, '-') + marker + (before % 2 == 1 ? "\r\n" : "\n");
        bytes += "  0\r\nENDSE\r\n";  // a near miss
    }
    bytes +=
        std::string(62, 'E') + "\n" + std::string(63, 'E') + "\n" + std::string(64, 'E') + "\r\n";
    bytes += "ENDSEC\r\n" + std::string(58, '.') + "ENDSEC\n" + std::string(57, '.') + "ENDSEC";
    return bytes;
}

// The marker sets that the scans use.
const MarkerSet& scanMarkers() {
    static const MarkerSet set = makeMarkerSet({"ENDSEC", "AcDbEntity"});
    return set;
}
const MarkerSet& startMarker() {
    static const MarkerSet set = makeMarkerSet({"ENTITIES"});
    return set;
}
const MarkerSet& endMarker() {
    static const MarkerSet set = makeMarkerSet({"ENDSEC"});
    return set;
}

// Searching blocks, with reads of each size, finds and copies what reading
// piece by piece does, for each of the scans' marker sets.
void expectBlockSearchAgrees(const std::string& bytes, const std::vector<std::size_t>& limits) {
    ScopedTempDir dir;
    std::string path = dir.file("in");
    writeFile(path, bytes);
    for (const MarkerSet* markers : {&scanMarkers(), &startMarker(), &endMarker()}) {
        MarkedRun expected = runMarked(path, *markers, false, SOURCE_BLOCK);
        for (std::size_t limit : limits) {
            for (bool wide : {true, false}) {
                EXPECT_EQ(runMarked(path, *markers, true, limit, wide), expected)
                    << "markers " << markers->markers[0] << ", read size " << limit
                    << (wide ? ", wide vectors" : "");
            }
        }
    }
}

TEST(LineSource, BlockSearchFindsTheSameMarkedPiecesAsReadingPieceByPiece) {
    ScopedTempDir dir;
    std::string path = dir.file("in");
    writeFile(path, markerInput() + edgeLines());
    const MarkerSet markers = makeMarkerSet({"ENDSEC", "AcDbEntity"});
    MarkedRun expected = runMarked(path, markers, false, SOURCE_BLOCK);
    ASSERT_FALSE(expected.marked.empty());
    for (std::size_t limit :
         {std::size_t{1}, std::size_t{3}, std::size_t{10}, std::size_t{64}, std::size_t{65},
          std::size_t{66}, std::size_t{127}, std::size_t{1000}, SOURCE_BLOCK}) {
        EXPECT_EQ(runMarked(path, markers, true, limit), expected) << "read size " << limit;
        EXPECT_EQ(runMarked(path, markers, true, limit, false), expected)
            << "read size " << limit << ", narrow search";
    }
}

TEST(LineSource, BlockSearchAgreesOnRandomDrawingText) {
    ScopedTempDir dir;
    std::string path = dir.file("in");
    std::mt19937 random(20261207);
    const char* words[] = {
        "AcDbEntity", "ENDSEC", "ENTITIES", "  8", "E",  "\r\n", "\n",
        "\r",         "x",      "AcDbEnt",  "ity", "EN", "DSEC", "0123456789012345678901234567890"};
    const MarkerSet sets[] = {makeMarkerSet({"ENDSEC", "AcDbEntity"}), makeMarkerSet({"ENTITIES"}),
                              makeMarkerSet({"ENDSEC"})};
    for (int round = 0; round < 30; ++round) {
        std::string bytes;
        while (bytes.size() < 3000) bytes += words[random() % std::size(words)];
        writeFile(path, bytes);
        for (const MarkerSet& markers : sets) {
            MarkedRun expected = runMarked(path, markers, false, SOURCE_BLOCK);
            for (std::size_t limit :
                 {std::size_t{1}, std::size_t{5}, std::size_t{70}, SOURCE_BLOCK}) {
                for (bool wide : {true, false}) {
                    EXPECT_EQ(runMarked(path, markers, true, limit, wide), expected)
                        << "round " << round << " read size " << limit
                        << (wide ? ", wide vectors" : "");
                }
            }
        }
    }
}

TEST(LineSource, BlockSearchAgreesWithMarkersAtEveryPlaceAroundPieceEnds) {
    // Each marker, and near misses that share its first and last byte,
    // starting at every offset of a line from 0 to 130: split by every piece
    // end, or just inside one piece.
    std::string bytes;
    for (const char* word : {"AcDbEntity", "ENDSEC", "ENTITIES", "AcDbXntity", "EXDSEC"}) {
        for (const char* end : {"\n", "\r\n"}) {
            for (std::size_t before = 0; before <= 130; ++before) {
                bytes += std::string(before, before % 3 == 0 ? 'E' : '.') + word;
                bytes += std::string(before % 4, 'y') + end;
            }
        }
    }
    expectBlockSearchAgrees(bytes, {1, 64, 65, 66, 127, 4096, SOURCE_BLOCK});
}

TEST(LineSource, BlockSearchAgreesOnLinesOf62To64Bytes) {
    // Lines of 60 to 66 bytes with their LF (and one more with CR LF), a
    // marker at the start or at the end; 63 bytes with the LF fill a piece.
    std::string bytes;
    for (const char* marker : {"AcDbEntity", "ENDSEC", "ENTITIES"}) {
        std::string text = marker;
        for (std::size_t length = 60; length <= 66; ++length) {
            for (const char* end : {"\n", "\r\n", "\r\r\n"}) {
                std::size_t fill = length - 1 - text.size();
                bytes += text + std::string(fill, '-') + end;
                bytes += std::string(fill, '-') + text + end;
            }
        }
    }
    expectBlockSearchAgrees(bytes, {1, 2, 63, 64, 65, 100, SOURCE_BLOCK});
}

TEST(LineSource, BlockSearchAgreesWhenAWindowEndsInsideALongLine) {
    // Lines of two or three pieces whose CR LF pair straddles a piece end,
    // after lines that move them a byte at a time against the ends of the
    // windows.
    std::string bytes;
    for (std::size_t shift = 0; shift < 70; ++shift) {
        bytes += std::string(shift, 's') + "\n";
        for (std::size_t length : {124, 125, 126, 127, 188, 189}) {
            bytes += std::string(length, 'y') + "\r\n";
        }
    }
    bytes += "ENDSEC\r\n";
    expectBlockSearchAgrees(bytes, {1, 2, 3, 5, 64, 65, 66, 100, 127});
}

// `tail` placed so that it starts `shift` bytes before the end of the first
// full block, after lines that hold no marker.
std::string withTailAtBlockEnd(const std::string& tail, std::size_t shift) {
    std::string bytes;
    while (bytes.size() + 200 < SOURCE_BLOCK - shift) bytes += "  0\r\nLINE\r\n 10\n1.5\n";
    bytes += std::string(SOURCE_BLOCK - shift - bytes.size() - 2, '.') + "\r\n";
    return bytes + tail;
}

TEST(LineSource, BlockSearchAgreesAcrossTheEndOfAFullBlock) {
    // A CR LF pair split by the block's end, a marker that ends at its last
    // byte, and one that it splits.
    const std::string tail = "\r\nAcDbEntity\r\nENDSEC\r\n" + std::string(61, 'x') +
                             "\r\nENTITIES\r\n" + std::string(62, 'x') + "\r\n" +
                             std::string(70, 'x') + "ENDSEC\r\nEOF";
    for (std::size_t shift : {1, 2, 3, 7, 12, 13, 14, 20, 21, 22, 23, 85, 86, 100}) {
        SCOPED_TRACE(::testing::Message() << "shift " << shift);
        expectBlockSearchAgrees(withTailAtBlockEnd(tail, shift), {SOURCE_BLOCK});
    }
}

TEST(LineSource, PeekEntityLayerTakesOnlyTheUsualHeadWholeInTheBlock) {
    const std::string pad = "\n" + std::string(70, '.') + "\n";
    struct Case {
        std::string bytes;
        bool taken;
        std::string name;  // when taken
    };
    const Case cases[] = {
        {"AcDbEntity\n  8\nWALL\n" + pad, true, "WALL"},
        {"AcDbEntity\r\n  8\r\nWALL\r\n" + pad, true, "WALL"},
        {"AcDbEntity\n  8\n\n" + pad, true, ""},
        {"AcDbEntity\n  8\n" + std::string(62, 'N') + "\n" + pad, true, std::string(62, 'N')},
        // A name line longer than one piece is read piece by piece.
        {"AcDbEntity\n  8\n" + std::string(63, 'N') + "\n" + pad, false, ""},
        {"AcDbEntity \n  8\nWALL\n" + pad, false, ""},
        {"AcDbEntity\n 8\nWALL\n" + pad, false, ""},
        {"AcDbEntity\n  8 \nWALL\n" + pad, false, ""},
        {"AcDbEntity\r  8\nWALL\n" + pad, false, ""},
        // Fewer than 64 bytes after the name line's start.
        {"AcDbEntity\n  8\nWALL\n", false, ""},
    };
    ScopedTempDir dir;
    std::string path = dir.file("in");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 40));
        writeFile(path, c.bytes);
        LineSource& source = lineSource;
        ASSERT_EQ(openLineSource(source, path.c_str()), 0);
        ASSERT_TRUE(seekMarkedPiece(source, scanMarkers()));
        EXPECT_EQ(source.position, 0u);
        std::string_view name;
        std::size_t next = 0;
        EXPECT_EQ(peekEntityLayer(source, name, next), c.taken);
        if (c.taken) {
            EXPECT_EQ(name, c.name);
            // The line after the name is the pad's first (empty) line.
            EXPECT_EQ(c.bytes.substr(next, 2), "\n.");
        }
        EXPECT_EQ(source.position, 0u);  // nothing consumed
        closeLineSource(source);
    }
}

TEST(LineSource, LineContainsAgreesWithASubstringSearch) {
    // Random pieces of marker fragments, and bytes past the piece's end
    // that would complete a marker if they were looked at.
    std::mt19937 random(7);
    const char* words[] = {"AcDbEntity", "AcDb", "Entity", "ENDSEC", "EN", "DSEC",     "  8",
                           " ",          "8",    "E",      "C",      "y",  "AcDbLine", "xyz"};
    const char* texts[] = {"AcDbEntity", "ENDSEC",   "ENTITIES",     "  8", "8",
                           "E",          "AcDbLine", "AcDbPolyline", "EC",  "yA"};
    LineSource& source = lineSource;
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        while (line.size() < 80) line += words[random() % std::size(words)];
        std::size_t length = random() % 65;
        std::memcpy(source.lineBuffer, line.data(), 80);
        source.lineLength = length;
        std::string_view piece(line.data(), length);
        for (const char* text : texts) {
            EXPECT_EQ(lineContains(source, text), piece.find(text) != std::string_view::npos)
                << "\"" << piece << "\" holds \"" << text << "\"";
        }
    }
}

}  // namespace
}  // namespace dxfprofile
