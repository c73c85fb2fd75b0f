#include "geometry/bulge.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>

#include "entities/entity_table.h"

namespace dxfprofile {
namespace {

using Values = std::array<float, ENTITY_VALUES>;

VertexRecord vertex(double x, double y) {
    VertexRecord item;
    item.x = x;
    item.y = y;
    return item;
}

VertexRecord bulgeItem(double bulge) {
    VertexRecord item;
    item.bulgeFlag = 1;
    item.bulge = bulge;
    return item;
}

// Converts the bulge item at `index` of a fresh table and returns the
// records that it appended.
int convert(std::initializer_list<VertexRecord> items, int index) {
    vertexTable.assign(items);
    resetEntityTable();
    bulgeToArc(index, static_cast<int>(vertexTable.size()));
    return static_cast<int>(entityTable.entityCount);
}

Values stored() {
    Values values;
    for (int i = 0; i < ENTITY_VALUES; ++i) values[i] = entityTable.records[0].values[i];
    return values;
}

TEST(BulgeToArc, BulgeOfOneIsAnAnticlockwiseHalfCircle) {
    ASSERT_EQ(convert({vertex(0, 0), bulgeItem(1), vertex(2, 0)}, 1), 1);
    EXPECT_EQ(entityTable.records[0].type, ENTITY_ARC);
    // The half turn comes out at 180.0000002; its mirrored end, 360 minus
    // the nudged 0, is lowered by 360 to about -5e-8.
    EXPECT_EQ(stored(), (Values{1, 0, 1, 180, -0x1.ad7f2p-25f, 180, 0}));
}

TEST(BulgeToArc, BulgeOfMinusOneExchangesTheAngles) {
    ASSERT_EQ(convert({vertex(0, 0), bulgeItem(-1), vertex(2, 0)}, 1), 1);
    EXPECT_EQ(stored(), (Values{1, 0, 1, 360, 180, 0, 180}));
}

TEST(BulgeToArc, QuarterCircle) {
    ASSERT_EQ(convert({vertex(10, 0), bulgeItem(0.41421356237309503), vertex(0, 10)}, 1), 1);
    Values values = stored();
    EXPECT_NEAR(values[0], 0.0f, 1e-12);
    EXPECT_NEAR(values[1], 0.0f, 1e-12);
    EXPECT_EQ(values[2], 10.0f);
    EXPECT_EQ(values[3], 360.0f);
    EXPECT_EQ(values[4], 270.0f);
    EXPECT_NEAR(values[5], 0.0f, 1e-12);
    EXPECT_EQ(values[6], 90.0f);
}

TEST(BulgeToArc, BulgeAboveOnePutsTheCentreBeyondTheChord) {
    // s = 2, h = 1, r = 1.25: the centre lies 0.75 below the chord.
    ASSERT_EQ(convert({vertex(0, 0), bulgeItem(2), vertex(2, 0)}, 1), 1);
    Values values = stored();
    EXPECT_EQ(values[0], 1.0f);
    EXPECT_EQ(values[1], -0.75f);
    EXPECT_EQ(values[2], 1.25f);
    EXPECT_NEAR(values[5], 143.130102, 1e-4);  // start, anticlockwise
    EXPECT_NEAR(values[6], 36.869898, 1e-4);   // end
    EXPECT_NEAR(values[3], 216.869898, 1e-4);
    EXPECT_NEAR(values[4], -36.869898, 1e-4);  // 323.13 lowered by 360
}

TEST(BulgeToArc, MirroredEndIsLoweredOnlyWhenItExceedsTheStartByMoreThan90) {
    struct Row {
        double startDegrees, endDegrees, bulge;
        float mirroredStart, mirroredEnd;
    };
    // Points on the unit circle; the bulge is tan(sweep / 4).
    const Row rows[] = {
        {350, 10, std::tan(20.0 / 4 * M_PI / 180), 10, -10},    // through 0: lowered
        {30, 10, std::tan(340.0 / 4 * M_PI / 180), 330, 350},   // 20 apart: kept
        {10, 30, -std::tan(340.0 / 4 * M_PI / 180), 330, 350},  // clockwise
    };
    for (const Row& row : rows) {
        double a = row.startDegrees * M_PI / 180;
        double e = row.endDegrees * M_PI / 180;
        ASSERT_EQ(convert({vertex(std::cos(a), std::sin(a)), bulgeItem(row.bulge),
                           vertex(std::cos(e), std::sin(e))},
                          1),
                  1);
        Values values = stored();
        EXPECT_NEAR(values[0], 0.0f, 1e-6) << row.startDegrees;
        EXPECT_NEAR(values[2], 1.0f, 1e-6) << row.startDegrees;
        EXPECT_NEAR(values[3], row.mirroredStart, 1e-4) << row.startDegrees;
        EXPECT_NEAR(values[4], row.mirroredEnd, 1e-4) << row.startDegrees;
    }
}

TEST(BulgeToArc, LastBulgeEndsAtItemZero) {
    ASSERT_EQ(convert({vertex(0, 0), vertex(2, 0), bulgeItem(1)}, 2), 1);
    // From (2,0) anticlockwise to (0,0) about (1,0): 0 to 180.
    EXPECT_EQ(stored(), (Values{1, 0, 1, 360, 180, 0, 180}));
}

TEST(BulgeToArc, AppendsNothingWhenAnEndIsNotAVertexOfThisPolyline) {
    EXPECT_EQ(convert({vertex(0, 0), bulgeItem(1), bulgeItem(1), vertex(2, 0)}, 1), 0);
    EXPECT_EQ(convert({bulgeItem(1), vertex(2, 0)}, 0), 0);
    EXPECT_EQ(convert({bulgeItem(1), vertex(2, 0), bulgeItem(1)}, 2), 0);
    EXPECT_EQ(convert({vertex(0, 0), vertex(2, 0)}, 2), 0);
}

TEST(BulgeToArc, CoincidentVerticesGiveValuesThatAreNotFinite) {
    ASSERT_EQ(convert({vertex(3, 3), bulgeItem(0.5), vertex(3, 3)}, 1), 1);
    EXPECT_TRUE(std::isnan(entityTable.records[0].values[2]));
}

}  // namespace
}  // namespace dxfprofile
