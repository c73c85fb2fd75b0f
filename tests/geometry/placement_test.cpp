#include "geometry/placement.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>

#include "geometry/curve_span.h"
#include "geometry/placed_curves.h"

namespace dxfprofile {
namespace {

using Entries = std::array<double, 8>;  // xx xy dx yx yy dy zz dz

Entries entriesOf(const Placement& p) {
    return {p.xx, p.xy, p.dx, p.yx, p.yy, p.dy, p.zz, p.dz};
}

// A reference to a block with base point (2, 1, 0.5), inserted at (10, 20, 3).
InsertValues reference(double rotation, double sx, double sy, double sz = 1.0) {
    return {2, 1, 0.5, 10, 20, 3, sx, sy, sz, rotation};
}

// The expected entries are ezdxf 0.18's Insert.matrix44() of the same
// references (of the copy in column 2, row 1 of multi_insert() for the
// array), each checked on a line of the block against virtual_entities().
TEST(Placement, InsertPlacementAgreesWithEzdxf) {
    struct Row {
        const char* name;
        InsertValues values;
        Entries expected;
    };
    InsertValues down = reference(30, 2, 3);
    down.normalZ = -1;
    InsertValues array = reference(30, 2, 2);
    array.columnSpacing = 5;
    array.rowSpacing = 7;
    const Row rows[] = {
        {"rotated",
         reference(30, 1, 1),
         {0.8660254037844387, -0.49999999999999994, 8.767949192431123, 0.49999999999999994,
          0.8660254037844387, 18.133974596215563, 1.0, 2.5}},
        {"scaled quarter turn", reference(90, 2, 2, 2), {0, -2, 12, 2, 0, 16, 2, 2}},
        {"mirrored",
         reference(45, -1, 1),
         {-0.7071067811865476, -0.7071067811865475, 12.121320343559642, -0.7071067811865475,
          0.7071067811865476, 20.707106781186546, 1.0, 2.5}},
        {"non-uniform",
         reference(30, 2, 0.5, 3),
         {1.7320508075688774, -0.24999999999999997, 6.785898384862245, 0.9999999999999999,
          0.43301270189221935, 17.56698729810778, 3.0, 1.5}},
        {"normal down",
         down,
         {-1.7320508075688774, 1.4999999999999998, -8.035898384862245, 0.9999999999999999,
          2.598076211353316, 15.401923788646684, -1.0, -2.5}},
        {"array",
         array,
         {1.7320508075688774, -0.9999999999999999, 12.696152422706632, 0.9999999999999999,
          1.7320508075688774, 27.33012701892219, 1.0, 2.5}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Placement placement;
        bool isArray = std::string(row.name) == "array";
        ASSERT_EQ(insertPlacement(row.values, isArray ? 2 : 0, isArray ? 1 : 0, placement),
                  PLACEMENT_OK);
        Entries got = entriesOf(placement);
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_NEAR(got[i], row.expected[i], 1e-14 * (1 + std::fabs(row.expected[i]))) << i;
    }
}

// Quarter turns keep a block on the axes exactly, whatever whole turns come
// with them.
TEST(Placement, QuarterTurnsAreExact) {
    struct Row {
        double rotation;
        Point expected;  // where (3, 4) of the block goes
    };
    const Row rows[] = {{0, {11, 23}},   {90, {7, 21}},  {-270, {7, 21}}, {180, {9, 17}},
                        {-90, {13, 19}}, {810, {7, 21}}, {-720, {11, 23}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rotation);
        Placement placement;
        ASSERT_EQ(insertPlacement(reference(row.rotation, 1, 1), 0, 0, placement), PLACEMENT_OK);
        Point p = placePoint(placement, {3, 4});
        EXPECT_EQ(p.x, row.expected.x);
        EXPECT_EQ(p.y, row.expected.y);
        EXPECT_EQ(std::fmod(placementTurn(placement) - row.rotation, 360.0), 0.0);
    }
}

TEST(Placement, FaultsOfAReference) {
    constexpr double NAN_VALUE = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* name;
        InsertValues values;
        int column;
        int status;
    };
    auto with = [](double InsertValues::*field, double value) {
        InsertValues v = reference(30, 1, 1);
        v.*field = value;
        return v;
    };
    const Row rows[] = {
        {"normal (0, 0, 0) for none", with(&InsertValues::normalZ, 0), 0, PLACEMENT_OK},
        {"normal within 1e-12 of z", with(&InsertValues::normalX, 1e-13), 0, PLACEMENT_OK},
        {"normal leaning by 1e-9", with(&InsertValues::normalX, 1e-9), 0, PLACEMENT_TILTED},
        {"rotation not a number", with(&InsertValues::rotation, NAN_VALUE), 0,
         PLACEMENT_NOT_FINITE},
        {"array past the doubles", with(&InsertValues::columnSpacing, 1e308), 3,
         PLACEMENT_NOT_FINITE},
        {"area past the doubles", reference(30, 1e200, 1e200), 0, PLACEMENT_NOT_FINITE},
        {"scale 0", with(&InsertValues::scaleY, 0), 0, PLACEMENT_DEGENERATE},
        {"z scale 0", with(&InsertValues::scaleZ, 0), 0, PLACEMENT_DEGENERATE},
        {"area below 1e-300", reference(30, 1e-160, 1e-160), 0, PLACEMENT_DEGENERATE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Placement placement;
        placement.dx = 99;
        EXPECT_EQ(insertPlacement(row.values, row.column, 0, placement), row.status);
        if (row.status != PLACEMENT_OK) {
            EXPECT_TRUE(isIdentity(placement));
        }
    }
}

TEST(Placement, ComposedAndClassified) {
    Placement turned;
    Placement mirrored;
    Placement stretched;
    ASSERT_EQ(insertPlacement(reference(30, 2, 2), 0, 0, turned), PLACEMENT_OK);
    ASSERT_EQ(insertPlacement(reference(-60, -3, 3), 0, 0, mirrored), PLACEMENT_OK);
    ASSERT_EQ(insertPlacement(reference(30, 2, 2 + 1e-7), 0, 0, stretched), PLACEMENT_OK);
    Placement both = composePlacements(mirrored, turned);
    Point inner = placePoint(turned, {3, 4});
    Point composed = placePoint(both, {3, 4});
    EXPECT_NEAR(composed.x, placePoint(mirrored, inner).x, 1e-12);
    EXPECT_NEAR(composed.y, placePoint(mirrored, inner).y, 1e-12);
    EXPECT_DOUBLE_EQ(placeHeight(both, 1), placeHeight(mirrored, placeHeight(turned, 1)));
    EXPECT_TRUE(isSimilarity(turned) && !mirrors(turned));
    EXPECT_DOUBLE_EQ(placementScale(turned), 2);
    EXPECT_DOUBLE_EQ(placementTurn(turned), 30);
    // Mirrored: the x axis goes to -x turned by -60 degrees, to 120.
    EXPECT_TRUE(isSimilarity(mirrored) && mirrors(mirrored));
    EXPECT_DOUBLE_EQ(placementTurn(mirrored), 120);
    EXPECT_TRUE(isSimilarity(both) && mirrors(both));
    EXPECT_DOUBLE_EQ(placementScale(both), 6);
    EXPECT_FALSE(isSimilarity(stretched));
    EXPECT_FALSE(isIdentity(turned));
    EXPECT_TRUE(isIdentity(composePlacements(IDENTITY_PLACEMENT, IDENTITY_PLACEMENT)));
}

// The placed ellipse passes through the placed points of the original, at
// the same parameter less the shift, from its start to its end.
TEST(Placement, EllipsesStayEllipses) {
    struct Row {
        const char* name;
        EllipseDefinition ellipse;
    };
    const Row rows[] = {
        {"full", {{1, 2}, {4, 1}, 0.5, 0, 0, false}},
        {"arc", {{1, 2}, {4, 1}, 0.5, 0.3, 2.5, false}},
        {"arc over 0, normal down", {{-1, 0}, {0, 3}, 0.25, 5.5, 1, true}},
        {"circle", {{0, 0}, {2, 0}, 1, 1, 4, false}},
        {"ratio above 1", {{0, 0}, {1, 1}, 3, 0, 3, false}},
    };
    InsertValues mirroredAndStretched = reference(20, -2, 0.5);
    mirroredAndStretched.normalZ = -1;
    std::array<Placement, 4> placements;
    ASSERT_EQ(insertPlacement(reference(30, 2, 0.5), 0, 0, placements[0]), PLACEMENT_OK);
    ASSERT_EQ(insertPlacement(reference(-75, 1, 3), 0, 0, placements[1]), PLACEMENT_OK);
    ASSERT_EQ(insertPlacement(mirroredAndStretched, 0, 0, placements[2]), PLACEMENT_OK);
    ASSERT_EQ(insertPlacement(reference(45, -1, 1), 0, 0, placements[3]), PLACEMENT_OK);
    for (const Row& row : rows) {
        for (const Placement& placement : placements) {
            SCOPED_TRACE(std::string(row.name) + " by " + std::to_string(placement.xx));
            EllipseCurve original;
            ASSERT_EQ(prepareEllipse(row.ellipse, original), CURVE_OK);
            EllipseDefinition ellipse = row.ellipse;
            ASSERT_EQ(placeEllipse(ellipse, placement), CURVE_OK);
            EXPECT_LE(ellipse.ratio, 1 + 1e-15);
            EllipseCurve placed;
            ASSERT_EQ(prepareEllipse(ellipse, placed), CURVE_OK);
            double span = original.tEnd - original.tStart;
            EXPECT_NEAR(placed.tEnd - placed.tStart, span, 1e-12);
            for (int i = 0; i <= 64; ++i) {
                double t = i * span / 64;
                Point want = placePoint(placement, ellipsePoint(original, original.tStart + t));
                Point got = ellipsePoint(placed, placed.tStart + t);
                double size = std::hypot(want.x, want.y) + 1;
                EXPECT_NEAR(got.x, want.x, 1e-9 * size);
                EXPECT_NEAR(got.y, want.y, 1e-9 * size);
            }
        }
    }
    EllipseDefinition noEllipse{{1, 1}, {0, 0}, 0.5, 0, 0, false};
    EXPECT_EQ(placeEllipse(noEllipse, placements[0]), CURVE_BAD_ELLIPSE);
    EXPECT_EQ(noEllipse.centre.x, 1);
}

}  // namespace
}  // namespace dxfprofile
