#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>

#include "entities/entity_table.h"
#include "reader/extrusion.h"
#include "reader/line_source.h"
#include "reader/readers.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::ScopedTempDir;
using testing::writeFile;
using Values = std::array<float, ENTITY_VALUES>;

// Runs readCircleEntity on `bytes`, entered at the line holding "AcDbCircle";
// returns the line that the scan reads next, or "<end>".
std::string readCircleOf(const std::string& bytes) {
    ScopedTempDir dir;
    writeFile(dir.file("c.sdxf"), bytes);
    EXPECT_EQ(openLineSource(lineSource, dir.file("c.sdxf").c_str()), 0);
    while (nextLine() && !lineContains(lineSource, "AcDbCircle")) {
    }
    resetEntityTable();
    readCircleEntity();
    std::string next =
        nextLine() ? std::string(lineSource.lineBuffer, lineSource.lineLength) : "<end>";
    closeLineSource(lineSource);
    return next;
}

Values stored() {
    Values values;
    for (int i = 0; i < ENTITY_VALUES; ++i) values[i] = entityTable.records[0].values[i];
    return values;
}

constexpr float NUDGED_ZERO = 5e-8f;

TEST(CircleReader, OptionalGroupsAfterTheRadiusLeaveAnArcAnArc) {
    struct Row {
        const char* name;
        std::string bytes;
    };
    const std::string centre = "100\nAcDbCircle\n 10\n25.0\n 20\n25.0\n 30\n0.0\n 40\n25.0\n";
    const std::string angles = "100\nAcDbArc\n 50\n0.0\n 51\n180.0\n  0\nLINE\n";
    const Row rows[] = {
        {"groups in the usual order", centre + angles},
        {"thickness before the centre",
         "100\nAcDbCircle\n 39\n2.0\n 10\n25.0\n 20\n25.0\n 30\n0.0\n 40\n25.0\n" + angles},
        {"thickness after the radius", centre + " 39\n2.0\n" + angles},
        {"thickness and upward extrusion",
         centre + " 39\n2.0\n210\n0.0\n220\n0.0\n230\n1.0\n" + angles},
        {"a long value line", centre + "1000\n" + std::string(63, 'x') + "100\n" + angles},
        {"codes without blanks",
         "100\nAcDbCircle\n10\n25.0\n20\n25.0\n30\n0.0\n40\n25.0\n39\n1\n100\nAcDbArc\n50\n0.0\n"
         "51\n180.0\n0\nLINE\n"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(readCircleOf(row.bytes), row.bytes.ends_with("\n0\nLINE\n") ? "0\n" : "  0\n")
            << row.name;
        ASSERT_EQ(entityTable.entityCount, 1u) << row.name;
        EXPECT_EQ(entityTable.records[0].type, ENTITY_ARC) << row.name;
        EXPECT_EQ(stored(), (Values{25, 25, 25, 180, 360, 0, 180})) << row.name;
    }
}

TEST(CircleReader, CircleEndsAtTheGroupZeroThatItConsumes) {
    const std::string centre = "100\nAcDbCircle\n 10\n0.0\n 20\n-2.5\n 30\n0.0\n 40\n2.5\n";
    const std::string tails[] = {
        "  0\nLINE\n",
        " 39\n3.0\n210\n0.0\n220\n0.0\n230\n1.0\n  0\nLINE\n",
        "1001\nACAD\n1000\n" + std::string(63, 'x') + "100\n  0\nLINE\n",
    };
    for (const std::string& tail : tails) {
        EXPECT_EQ(readCircleOf(centre + tail), "LINE\n") << tail;
        ASSERT_EQ(entityTable.entityCount, 1u) << tail;
        EXPECT_EQ(entityTable.records[0].type, ENTITY_CIRCLE) << tail;
        EXPECT_EQ(stored(), (Values{NUDGED_ZERO, -2.5f, 2.5f, 0, 0, 0, 0})) << tail;
    }
}

TEST(CircleReader, FlippedExtrusionMirrorsCentreAndAngles) {
    // Drawn about (0,0,-1): centre x 10 and angles 30..100 are, seen from
    // above, centre x -10 and 80..150.
    EXPECT_EQ(readCircleOf("100\nAcDbCircle\n 10\n10.0\n 20\n5.0\n 30\n0.0\n 40\n2.0\n"
                           "210\n0.0\n220\n0.0\n230\n-1.0\n100\nAcDbArc\n 50\n30.0\n 51\n100.0\n"
                           "  0\nENDSEC\n"),
              "  0\n");
    EXPECT_EQ(entityTable.records[0].type, ENTITY_ARC);
    EXPECT_EQ(stored(), (Values{-10, 5, 2, 210, 280, 80, 150}));

    // Angles that fold: 270..0 becomes 180..270; a centre x of 0 stays +5e-8.
    readCircleOf(
        "100\nAcDbCircle\n 10\n0\n 20\n0\n 30\n0\n 40\n1\n 39\n1\n"
        "210\n0\n220\n0\n230\n-0.5\n100\nAcDbArc\n 50\n270\n 51\n0\n  0\nENDSEC\n");
    EXPECT_EQ(stored(), (Values{NUDGED_ZERO, NUDGED_ZERO, 1, 90, 180, 180, 270}));

    EXPECT_EQ(readCircleOf("100\nAcDbCircle\n 10\n-7.5\n 20\n1\n 30\n0\n 40\n3\n"
                           "210\n0.0\n220\n0.0\n230\n-1.0\n  0\nENDSEC\n"),
              "ENDSEC\n");
    EXPECT_EQ(entityTable.records[0].type, ENTITY_CIRCLE);
    EXPECT_EQ(stored(), (Values{7.5f, 1, 3, 0, 0, 0, 0}));
}

TEST(CircleReader, EndOfFileAfterTheRadiusGivesACircle) {
    EXPECT_EQ(readCircleOf("100\nAcDbCircle\n 10\n1\n 20\n1\n 30\n0\n 40\n3\n 39\n"), "<end>");
    EXPECT_EQ(entityTable.records[0].type, ENTITY_CIRCLE);
}

TEST(Extrusion, OnlyAnUpOrDownNormalLiesInThePlane) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        Extrusion extrusion;
        Plane plane;
    };
    const Row rows[] = {
        {{0, 0, 1}, Plane::upward},     {{0, 0, 0.25}, Plane::upward},
        {{0, 0, -1}, Plane::flipped},   {{-0.0, -0.0, -2}, Plane::flipped},
        {{0, 0, 0}, Plane::tilted},     {{0, 0, -0.0}, Plane::tilted},
        {{1e-12, 0, 1}, Plane::tilted}, {{0, -0.6, 0.8}, Plane::tilted},
        {{0, 0, nan}, Plane::tilted},   {{nan, 0, 1}, Plane::tilted},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(planeOf(row.extrusion), row.plane)
            << row.extrusion.x << "," << row.extrusion.y << "," << row.extrusion.z;
    }
}

TEST(Extrusion, FoldDegreesLandsInTheHalfOpenTurn) {
    const double rows[][2] = {
        {0, 0},     {-0.0, 0},  {90, 90},  {360, 0},    {-180, 180},
        {540, 180}, {-90, 270}, {-360, 0}, {-1e-20, 0}, {720.5, 0.5},
    };
    for (const auto& row : rows) {
        double folded = foldDegrees(row[0]);
        EXPECT_EQ(folded, row[1]) << row[0];
        EXPECT_FALSE(std::signbit(folded)) << row[0];
    }
}

TEST(Extrusion, GroupCodeIsTheLineWithoutBlanks) {
    EXPECT_EQ(groupCode(" 10\n", 4), "10");
    EXPECT_EQ(groupCode("230\n", 4), "230");
    EXPECT_EQ(groupCode("  0 \t\r\n", 7), "0");
    EXPECT_EQ(groupCode("\n", 1), "");
    Extrusion extrusion;
    takeExtrusionGroup(extrusion, "220", "0.5\n");
    takeExtrusionGroup(extrusion, "23", "-1\n");
    EXPECT_EQ(extrusion.y, 0.5);
    EXPECT_EQ(extrusion.z, 1.0);
}

}  // namespace
}  // namespace dxfprofile
