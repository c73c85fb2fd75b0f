#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "entities/entity_table.h"
#include "geometry/bulge.h"
#include "reader/line_source.h"
#include "reader/readers.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::ScopedTempDir;
using testing::writeFile;

struct Read {
    std::string printed;  // standard output of the reader
    std::string next;     // the line that the scan reads next, or "<end>"
};

// Runs readPolyline on `bytes`, entered at the line holding "AcDbPolyline".
Read readPolylineOf(const std::string& bytes) {
    ScopedTempDir dir;
    writeFile(dir.file("p.sdxf"), bytes);
    EXPECT_EQ(openLineSource(lineSource, dir.file("p.sdxf").c_str()), 0);
    while (nextLine() && !lineContains(lineSource, "AcDbPolyline")) {
    }
    resetEntityTable();
    ::testing::internal::CaptureStdout();
    readPolyline();
    Read read;
    read.printed = ::testing::internal::GetCapturedStdout();
    read.next = nextLine() ? std::string(lineSource.lineBuffer, lineSource.lineLength) : "<end>";
    closeLineSource(lineSource);
    return read;
}

std::array<float, 4> line(int index) {
    const float* v = entityTable.records[index].values;
    return {v[0], v[1], v[2], v[3]};
}

TEST(PolylineReader, GroupsThatItDoesNotHandleStartNoVertexAndNoBulge) {
    // Width 40/41 of 10.0, elevation 38 of 42, constant width 43, thickness
    // 39 and an explicit extrusion: each value is passed over unread.
    Read read = readPolylineOf(
        "100\nAcDbPolyline\n 90\n2\n 70\n0\n 43\n0.5\n 38\n42\n 39\n10.0\n"
        " 10\n1.5\n 20\n2.5\n 40\n10.0\n 41\n10.0\n 42\n0.0\n"
        " 10\n4.0\n 20\n-6.0\n 40\n42\n 41\n4210\n"
        "210\n0.0\n220\n0.0\n230\n1.0\n  0\nLWPOLYLINE\n");
    ASSERT_EQ(vertexTable.size(), 2u);
    EXPECT_EQ(vertexTable[0].x, 1.5);
    EXPECT_EQ(vertexTable[0].y, 2.5);
    EXPECT_EQ(vertexTable[1].x, 4.0);
    EXPECT_EQ(vertexTable[1].y, -6.0);
    EXPECT_EQ(read.printed, "\nseg");
    EXPECT_EQ(read.next, "LWPOLYLINE\n");
    ASSERT_EQ(entityTable.entityCount, 1u);
    EXPECT_EQ(line(0), (std::array<float, 4>{1.5f, 2.5f, 4.0f, -6.0f}));
}

TEST(PolylineReader, CodesAreComparedWholeWithOrWithoutBlanks) {
    const char* const polylines[] = {
        "100\nAcDbPolyline\n90\n3\n70\n1\n10\n0\n20\n0\n10\n2\n20\n0\n42\n1\n10\n2\n20\n2\n0\n"
        "ENDSEC\n",
        "100\nAcDbPolyline\n  90\n3\n   70\n1\n  10\n0\n  20\n0\n  10\n2\n  20\n0\n  42\n1\n"
        "  10\n2\n  20\n2\n  0\nENDSEC\n",
        "100\r\nAcDbPolyline\r\n 90\r\n3\r\n 70\r\n1\r\n 10\r\n0\r\n 20\r\n0\r\n 10\r\n2\r\n"
        " 20\r\n0\r\n 42\r\n1\r\n 10\r\n2\r\n 20\r\n2\r\n  0\r\nENDSEC\r\n",
    };
    for (const char* bytes : polylines) {
        Read read = readPolylineOf(bytes);
        EXPECT_EQ(read.printed, "\nseg\nbulge1\nseg") << bytes;
        EXPECT_EQ(read.next, "ENDSEC\n") << bytes;
        EXPECT_EQ(vertexTable.size(), 4u) << bytes;
        EXPECT_EQ(entityTable.entityCount, 3u) << bytes;
    }
}

TEST(PolylineReader, LongValueLineIsPassedOverWhole) {
    // Extended data whose string would arrive in pieces "...", "10\n" and
    // "42\n" if it were read piece by piece.
    std::string text = std::string(63, 'x') + "10\n";
    std::string other = std::string(63, 'y') + "42\n";
    Read read =
        readPolylineOf("100\nAcDbPolyline\n 90\n2\n 10\n1\n 20\n1\n 10\n3\n 20\n1\n" +
                       std::string("1001\nAPP\n1000\n") + text + "1000\n" + other + "  0\nLINE\n");
    EXPECT_EQ(vertexTable.size(), 2u);
    EXPECT_EQ(read.printed, "\nseg");
    EXPECT_EQ(read.next, "LINE\n");
}

TEST(PolylineReader, BulgeOfZeroAddsNoItem) {
    Read read = readPolylineOf(
        "100\nAcDbPolyline\n 90\n2\n 70\n1\n 10\n0\n 20\n0\n 42\n0.0\n 10\n5\n 20\n0\n 42\n-0\n"
        "  0\nENDSEC\n");
    EXPECT_EQ(vertexTable.size(), 2u);
    EXPECT_EQ(read.printed, "\nseg\nseg");
    ASSERT_EQ(entityTable.entityCount, 2u);
    EXPECT_EQ(line(1), (std::array<float, 4>{5, 0, 0, 0}));
}

TEST(PolylineReader, FlippedExtrusionNegatesEveryXAndEveryBulge) {
    Read read = readPolylineOf(
        "100\nAcDbPolyline\n 90\n3\n 70\n0\n 10\n0\n 20\n1\n 10\n2\n 20\n1\n 42\n0.5\n"
        " 10\n4\n 20\n3\n210\n0\n220\n0\n230\n-1\n  0\nENDSEC\n");
    ASSERT_EQ(vertexTable.size(), 4u);
    EXPECT_EQ(vertexTable[0].x, 0.0);
    EXPECT_FALSE(std::signbit(vertexTable[0].x));  // 0 stays +0
    EXPECT_EQ(vertexTable[1].x, -2.0);
    EXPECT_EQ(vertexTable[2].bulge, -0.5);
    EXPECT_EQ(vertexTable[3].x, -4.0);
    EXPECT_EQ(vertexTable[3].y, 3.0);
    EXPECT_EQ(read.printed, "\nseg\nbulge1");
    EXPECT_EQ(line(0), (std::array<float, 4>{0, 1, -2, 1}));
}

TEST(PolylineReader, EndOfFileInsideThePolylineWalksNothing) {
    const char* const cut[] = {
        "100\nAcDbPolyline\n 90\n2\n 10\n0\n 20\n0\n 10\n5\n 20\n0\n",
        "100\nAcDbPolyline\n 90\n2\n 10\n0\n 20\n0\n 10\n5\n 20\n",
        "100\nAcDbPolyline\n 90\n2\n 10\n0\n 20\n0\n 10\n5\n 20\n0",
        "100\nAcDbPolyline\n 90\n2\n 10\n0\n 20\n0\n 10\n5\n 20\n0\n 42\n",
    };
    for (const char* bytes : cut) {
        Read read = readPolylineOf(bytes);
        EXPECT_EQ(read.printed, "") << bytes;
        EXPECT_EQ(read.next, "<end>") << bytes;
        EXPECT_EQ(entityTable.entityCount, 0u) << bytes;
    }
}

TEST(PolylineReader, ClosingSegmentNeedsAVertexAtItemZero) {
    // A bulge before the first vertex: item 0 has no coordinates.
    Read read = readPolylineOf(
        "100\nAcDbPolyline\n 90\n3\n 70\n1\n 42\n0.5\n 10\n1\n 20\n1\n 10\n3\n 20\n1\n"
        "  0\nENDSEC\n");
    EXPECT_EQ(read.printed, "\nbulge2\nseg");
    ASSERT_EQ(entityTable.entityCount, 1u);
    EXPECT_EQ(line(0), (std::array<float, 4>{1, 1, 3, 1}));
}

TEST(PolylineReader, HoldsEveryVertexPastTheRecordLimit) {
    std::string bytes = "100\nAcDbPolyline\n 90\n70\n 70\n0\n";
    for (int i = 0; i < 70; ++i) {
        bytes += " 10\n" + std::to_string(i) + "\n 20\n0\n";
    }
    bytes += "  0\nENDSEC\n";
    Read read = readPolylineOf(bytes);
    EXPECT_EQ(vertexTable.size(), 70u);
    EXPECT_EQ(vertexTable[69].x, 69.0);
    EXPECT_EQ(entityTable.entityCount, 69u);
    EXPECT_EQ(line(63), (std::array<float, 4>{63, 0, 64, 0}));
}

}  // namespace
}  // namespace dxfprofile
