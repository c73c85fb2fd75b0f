#include "reader/readers.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "entities/entity_table.h"
#include "reader/line_source.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::ScopedTempDir;
using testing::writeFile;

using Values = std::array<float, ENTITY_VALUES>;

struct Read {
    std::uint16_t type = 0;
    Values values = {};
    std::string nextLine;  // the first line the reader left unread
};

// Runs `reader` on `marker` followed by `groups` and the line "NEXT".
Read readEntity(void (*reader)(), const std::string& marker, const std::string& groups) {
    ScopedTempDir dir;
    std::string path = dir.file("in.sdxf");
    writeFile(path, marker + "\n" + groups + "NEXT\n");
    EXPECT_EQ(openLineSource(lineSource, path.c_str()), 0);
    resetEntityTable();
    Read read;
    if (nextLine()) {
        reader();
        read.type = entityTable.records[0].type;
        for (int i = 0; i < ENTITY_VALUES; ++i) read.values[i] = entityTable.records[0].values[i];
        EXPECT_EQ(entityTable.entityCount, 1u);
        if (nextLine()) read.nextLine = lineSource.lineBuffer;
    }
    closeLineSource(lineSource);
    return read;
}

Read readLine(const std::string& groups) {
    return readEntity(readLineEntity, "AcDbLine", groups);
}
Read readPoint(const std::string& groups) {
    return readEntity(readPointEntity, "AcDbPoint", groups);
}
Read readCircle(const std::string& groups) {
    return readEntity(readCircleEntity, "AcDbCircle", groups);
}

// What a value line becomes: moved 5e-8 away from zero, then narrowed.
float stored(double value) {
    return static_cast<float>(value < 0.0 ? value - 5e-8 : value + 5e-8);
}

const std::string LINE_GROUPS = " 10\n1.5\n 20\n-2.5\n 30\n7.0\n 11\n3.25\n 21\n4.0\n 31\n8.0\n";
const std::string CIRCLE_GROUPS = " 10\n10.0\n 20\n-20.0\n 30\n5.0\n 40\n2.5\n";

TEST(LineReader, KeepsStartAndEndPoint) {
    Read read = readLine(LINE_GROUPS);
    EXPECT_EQ(read.type, ENTITY_LINE);
    EXPECT_EQ(read.values, (Values{stored(1.5), stored(-2.5), stored(3.25), stored(4.0)}));
    // The end point's z group is left to the scan.
    EXPECT_EQ(read.nextLine, " 31\n");
}

TEST(LineReader, AThicknessGroupGivesTheSameRecordAndTwoMoreLinesAreRead) {
    Read thick = readLine(" 39\n12.0\n" + LINE_GROUPS);
    EXPECT_EQ(thick.values, readLine(LINE_GROUPS).values);
    EXPECT_EQ(thick.nextLine, " 31\n");
}

TEST(LineReader, AnUnexpectedFirstGroupShiftsTheValues) {
    Read read = readLine(" 62\n5\n" + LINE_GROUPS);
    // Read by position: x from the colour value, y from group 10's value.
    EXPECT_EQ(read.values, (Values{stored(5), stored(1.5), stored(7.0), stored(3.25)}));
}

TEST(PointReader, KeepsXYZAndZerosValuesFourAndFive) {
    Read read = readPoint(" 10\n5.0\n 20\n-5.0\n 30\n0.5\n 39\n2.0\n");
    EXPECT_EQ(read.type, ENTITY_POINT);
    EXPECT_EQ(read.values, (Values{stored(5.0), stored(-5.0), stored(0.5)}));
    EXPECT_EQ(read.nextLine, " 39\n");
}

TEST(Readers, NudgeValuesAwayFromZeroBeforeNarrowing) {
    struct Case {
        const char* text;
        float expected;
    };
    const Case cases[] = {
        {"0", static_cast<float>(5e-8)},
        {"0.0", static_cast<float>(5e-8)},
        {"-0.0", static_cast<float>(5e-8)},
        {"-1e-7", static_cast<float>(-1.5e-7)},
        {"1e-7", static_cast<float>(1.5e-7)},
        {"1234.5678", static_cast<float>(1234.5678 + 5e-8)},
        {"  12.5xyz", 12.5f},
        {"abc", static_cast<float>(5e-8)},
        {"", static_cast<float>(5e-8)},
        {"-16777217", -16777218.0f},
        {"16777217", 16777218.0f},
    };
    for (const Case& c : cases) {
        std::string text = std::string(c.text) + "\n";
        Read line =
            readLine(" 10\n" + text + " 20\n" + text + " 30\n0\n 11\n" + text + " 21\n" + text);
        EXPECT_EQ(line.values, (Values{c.expected, c.expected, c.expected, c.expected}))
            << "\"" << c.text << "\"";
        Read circle = readCircle(" 10\n" + text + " 20\n" + text + " 30\n0\n 40\n" + text);
        EXPECT_EQ(circle.values, (Values{c.expected, c.expected, c.expected}))
            << "\"" << c.text << "\"";
    }
    EXPECT_NE(static_cast<float>(5e-8), 0.0f);
    EXPECT_NE(static_cast<float>(-1.5e-7), static_cast<float>(-1e-7));
}

TEST(CircleReader, ReadsACircleUpToTheGroupThatEndsIt) {
    Read read = readCircle(CIRCLE_GROUPS + "  0\nLINE\n");
    EXPECT_EQ(read.type, ENTITY_CIRCLE);
    EXPECT_EQ(read.values, (Values{stored(10.0), stored(-20.0), stored(2.5)}));
    EXPECT_EQ(read.nextLine, "LINE\n");
}

TEST(CircleReader, AThicknessGroupGivesTheSameRecord) {
    Read thick = readCircle(" 39\n3.0\n" + CIRCLE_GROUPS + "  0\nLINE\n");
    EXPECT_EQ(thick.type, ENTITY_CIRCLE);
    EXPECT_EQ(thick.values, readCircle(CIRCLE_GROUPS + "  0\nLINE\n").values);
    EXPECT_EQ(thick.nextLine, "LINE\n");
}

TEST(CircleReader, ACircleWithExtendedDataStaysACircle) {
    Read read = readCircle(CIRCLE_GROUPS +
                           "1001\nAPP\n1000\n100\n1002\n{\n1070\n   100\n1002\n}\n  0\nLINE\n");
    EXPECT_EQ(read.type, ENTITY_CIRCLE);
    EXPECT_EQ(read.values, (Values{stored(10.0), stored(-20.0), stored(2.5)}));
    EXPECT_EQ(read.nextLine, "LINE\n");
}

std::string arcGroups(const std::string& start, const std::string& end) {
    return CIRCLE_GROUPS + "100\nAcDbArc\n 50\n" + start + "\n 51\n" + end + "\n";
}

TEST(ArcReader, StoresTheWorkedAngleValues) {
    struct Case {
        const char* start;
        const char* end;
        Values angles;  // values 4 to 7
    };
    const Case cases[] = {
        {"0", "90", {270, 360, 0, 90}},       {"0", "270", {90, 360, 0, 270}},
        {"270", "0", {0, 90, 270, 0}},        {"350", "10", {-10, 10, 350, 10}},
        {"100", "5", {-5, 260, 100, 5}},      {"100", "10", {350, 260, 100, 10}},
        {"0.0", "180.0", {180, 360, 0, 180}},
    };
    for (const Case& c : cases) {
        for (const std::string thickness : {"", " 39\n1.0\n"}) {
            Read read = readCircle(thickness + arcGroups(c.start, c.end));
            EXPECT_EQ(read.type, ENTITY_ARC) << c.start << ", " << c.end;
            Values expected = {stored(10.0), stored(-20.0), stored(2.5)};
            for (int i = 0; i < 4; ++i) expected[3 + i] = c.angles[i];
            EXPECT_EQ(read.values, expected)
                << c.start << ", " << c.end << (thickness.empty() ? "" : " with thickness");
            EXPECT_EQ(read.nextLine, "NEXT\n");
        }
    }
}

TEST(ArcReader, AFullTurnLeavesValueFourJustBelowZero) {
    Read read = readCircle(arcGroups("0", "360"));
    EXPECT_EQ(read.values[3], static_cast<float>(360.0 - (360.0 + 5e-8)));
    EXPECT_LT(read.values[3], 0.0f);
    EXPECT_GT(read.values[3], -1e-7f);
    EXPECT_EQ(read.values[4], 360.0f);
    EXPECT_EQ(read.values[5], 0.0f);
    EXPECT_EQ(read.values[6], 360.0f);
}

TEST(Readers, AFullTableCountsButDoesNotStore) {
    ScopedTempDir dir;
    std::string path = dir.file("in.sdxf");
    std::string bytes;
    for (int i = 0; i < 64; ++i) bytes += "AcDbLine\n" + LINE_GROUPS;
    bytes += "AcDbPoint\n 10\n9\n 20\n9\n 30\n9\n";
    bytes += "AcDbCircle\n" + CIRCLE_GROUPS + "  0\n";
    bytes += "AcDbCircle\n" + arcGroups("0", "90");
    writeFile(path, bytes);
    ASSERT_EQ(openLineSource(lineSource, path.c_str()), 0);
    resetEntityTable();
    while (nextLine()) {
        std::string marker = lineSource.lineBuffer;
        if (marker == "AcDbLine\n") readLineEntity();
        if (marker == "AcDbPoint\n") readPointEntity();
        if (marker == "AcDbCircle\n") readCircleEntity();
    }
    closeLineSource(lineSource);
    EXPECT_EQ(entityTable.entityCount, 67u);
    EXPECT_EQ(entityTable.records[63].type, ENTITY_LINE);
    EXPECT_EQ(entityTable.records[63].values[0], stored(1.5));
}

}  // namespace
}  // namespace dxfprofile
