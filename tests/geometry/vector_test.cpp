#include "geometry/vector.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "geometry/trace.h"

namespace dxfprofile {
namespace {

// The expected doubles below are exact: every degree value carries the
// converter's own factor, so a half turn is 180.0000002057, not 180.

TEST(VectorHelpers, DegreeFactorIsTheConvertersOwnDouble) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(DEG_PER_RAD), 0x404CA5DC1AF05A77u);
    EXPECT_NE(DEG_PER_RAD, 180.0 / M_PI);
}

TEST(VectorHelpers, TraceSwitchesAreOff) {
    EXPECT_FALSE(traceSections);
    EXPECT_FALSE(traceGeometry);
}

TEST(VectorHelpers, Angle360FromTheOriginCoversEveryQuadrant) {
    struct Row {
        Point q;
        double degrees;  // exact
        const char* printed;
    };
    const Row rows[] = {
        {{1, 0}, 0.0, "0.0000000000"},
        {{0, 1}, 0x1.68000006e6c71p+6, "90.0000001028"},
        {{-1, 0}, 0x1.68000006e6c70p+7, "180.0000002057"},
        {{0, -1}, 0x1.0dfffffe464e4p+8, "269.9999998972"},
        {{1, -1}, 0x1.3affffff23272p+8, "314.9999999486"},
        {{0, 0}, 0.0, "0.0000000000"},
    };
    for (const Row& row : rows) {
        double a = angle360({0, 0}, row.q);
        EXPECT_EQ(a, row.degrees) << row.q.x << "," << row.q.y;
        char printed[32];
        std::snprintf(printed, sizeof printed, "%.10f", a);
        EXPECT_STREQ(printed, row.printed);
        EXPECT_FALSE(std::signbit(a)) << row.q.x << "," << row.q.y;
    }
}

TEST(VectorHelpers, Angle360OfTheHalfTurnIsFoldedAfterAFullTurnUp) {
    // Level with p, so 360 is added before the fold: the sum rounds at 540.
    EXPECT_NE(angle360({0, 0}, {-1, 0}), directionDegrees({0, 0}, {-1, 0}));
    EXPECT_EQ(angle360({5, 7}, {5, 8}), directionDegrees({5, 7}, {5, 8}));
}

TEST(VectorHelpers, DirectionDegreesIsSigned) {
    EXPECT_EQ(directionDegrees({0, 0}, {1, -1}), -0x1.68000006e6c71p+5);   // -45.0000000514
    EXPECT_EQ(directionDegrees({0, 0}, {-1, -1}), -0x1.0e0000052d155p+7);  // -135.0000001543
    EXPECT_EQ(directionDegrees({0, 0}, {-1, 0}), 0x1.68000006e6c71p+7);    // 180.0000002057
    EXPECT_EQ(directionDegrees({2, 3}, {2, 3}), 0.0);
}

TEST(VectorHelpers, VectorBetweenLeadsFromItsSecondPointToItsFirst) {
    Vector v = vectorBetween({3, 4}, {0, 0});
    EXPECT_EQ(v.x, 3.0);
    EXPECT_EQ(v.y, 4.0);
    EXPECT_EQ(v.len, 5.0);
    v = vectorBetween({0, 0}, {3, 4});
    EXPECT_EQ(v.x, -3.0);
    EXPECT_EQ(v.y, -4.0);
    EXPECT_EQ(v.len, 5.0);
    v = vectorBetween({1.5, -2}, {1.5, -2});
    EXPECT_EQ(v.x, 0.0);
    EXPECT_EQ(v.y, 0.0);
    EXPECT_EQ(v.len, 0.0);
}

TEST(VectorHelpers, LengthsIgnoreTheStoredLength) {
    EXPECT_EQ(vectorLength({3, 4, 99}), 5.0);
    EXPECT_EQ(pointDistance({1, 1}, {4, 5}), 5.0);
    EXPECT_EQ(pointDistance({4, 5}, {1, 1}), 5.0);
    Vector unit = unitVector({3, 4, 99});
    EXPECT_EQ(unit.x, 0.6);
    EXPECT_EQ(unit.y, 0.8);
    EXPECT_EQ(unit.len, 1.0);
}

TEST(VectorHelpers, UnitVectorOfTheZeroVectorIsNotANumber) {
    Vector unit = unitVector({0, 0, 7});
    EXPECT_TRUE(std::isnan(unit.x));
    EXPECT_TRUE(std::isnan(unit.y));
    EXPECT_EQ(unit.len, 1.0);
}

TEST(VectorHelpers, PointAlongStepsByTheVectorItself) {
    Point p = pointAlong({1.25, -3}, {0.6, 0.8, 1}, 0.0);
    EXPECT_EQ(p.x, 1.25);
    EXPECT_EQ(p.y, -3.0);
    // A vector of length 2 (its stale len of 0 is not read) moves p by 2.
    p = pointAlong({1.25, -3}, {2, 0, 0}, 1.0);
    EXPECT_EQ(p.x, 3.25);
    EXPECT_EQ(p.y, -3.0);
    p = pointAlong({0, 0}, {0.6, 0.8, 1}, -5.0);
    EXPECT_EQ(p.x, -3.0);
    EXPECT_EQ(p.y, -4.0);
}

TEST(VectorHelpers, ProductsAndSumsAreRoundedOneByOne) {
    // 3 * 0.1 + 0.3 rounded one by one is 0.6000000000000001; a fused
    // multiply-add would give 0.6.
    Point p = pointAlong({0.3, 0.3}, {0.1, 0.1, 0}, 3.0);
    EXPECT_EQ(p.x, 0x1.3333333333334p-1);
    EXPECT_EQ(p.y, 0x1.3333333333334p-1);
}

}  // namespace
}  // namespace dxfprofile
