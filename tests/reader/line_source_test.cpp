#include "reader/line_source.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "entities/output_file.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::readFile;
using testing::ScopedTempDir;
using testing::writeFile;

// What a text-mode line read of 64 bytes delivers: CR LF becomes LF first,
// then pieces of at most 63 bytes end after each LF.
std::vector<std::string> referencePieces(const std::string& bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += bytes[i];
    }
    std::vector<std::string> pieces;
    std::string piece;
    for (char c : text) {
        piece += c;
        if (c == '\n' || piece.size() == PIECE_LENGTH) {
            pieces.push_back(piece);
            piece.clear();
        }
    }
    if (!piece.empty()) pieces.push_back(piece);
    return pieces;
}

std::vector<std::string> readPieces(const std::string& path) {
    LineSource& source = lineSource;
    EXPECT_EQ(openLineSource(source, path.c_str()), 0);
    std::vector<std::string> pieces;
    while (nextLine(source)) pieces.emplace_back(source.lineBuffer, source.lineLength);
    closeLineSource(source);
    return pieces;
}

class SettingsGuard {
  public:
    SettingsGuard() : saved_(sourceSettings) {}
    ~SettingsGuard() { sourceSettings = saved_; }

  private:
    SourceSettings saved_;
};

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

MarkedRun runMarked(const std::string& path, const MarkerSet& markers, bool bulk,
                    std::size_t limit) {
    SettingsGuard guard;
    sourceSettings.bulkSkip = bulk;
    sourceSettings.readLimit = limit;
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
                EXPECT_EQ(runMarked(path, markers, true, limit), expected)
                    << "round " << round << " read size " << limit;
            }
        }
    }
}

}  // namespace
}  // namespace dxfprofile
