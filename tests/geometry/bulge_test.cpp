#include "geometry/bulge.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "entities/record_encoding.h"

namespace dxfprofile {
namespace {

using Values = std::array<float, 7>;

// The arc as its record holds it, each value narrowed to single precision.
Values stored(Point p1, Point p2, double b) {
    BulgeArc arc = bulgeToArc(p1, p2, b);
    double mirroredStart = mirroredAngle(arc.SA);
    double mirroredEnd = lowerMirroredEnd(mirroredStart, mirroredAngle(arc.EA));
    return {static_cast<float>(arc.centre.x), static_cast<float>(arc.centre.y),
            static_cast<float>(arc.radius),   static_cast<float>(mirroredStart),
            static_cast<float>(mirroredEnd),  static_cast<float>(arc.SA),
            static_cast<float>(arc.EA)};
}

TEST(BulgeToArc, BulgeOfOneIsAnAnticlockwiseHalfCircle) {
    // The half turn comes out at 180.0000002; its mirrored end, 360 minus
    // the nudged 0, is lowered by 360 to about -5e-8.
    EXPECT_EQ(stored({0, 0}, {2, 0}, 1), (Values{1, 0, 1, 180, -0x1.ad7f2p-25f, 180, 0}));
}

TEST(BulgeToArc, BulgeOfMinusOneExchangesTheAngles) {
    EXPECT_EQ(stored({0, 0}, {2, 0}, -1), (Values{1, 0, 1, 360, 180, 0, 180}));
}

TEST(BulgeToArc, QuarterCircle) {
    Values values = stored({10, 0}, {0, 10}, 0.41421356237309503);
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
    Values values = stored({0, 0}, {2, 0}, 2);
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
        SCOPED_TRACE(row.startDegrees);
        double a = row.startDegrees * M_PI / 180;
        double e = row.endDegrees * M_PI / 180;
        Values values = stored({std::cos(a), std::sin(a)}, {std::cos(e), std::sin(e)}, row.bulge);
        EXPECT_NEAR(values[0], 0.0f, 1e-6);
        EXPECT_NEAR(values[2], 1.0f, 1e-6);
        EXPECT_NEAR(values[3], row.mirroredStart, 1e-4);
        EXPECT_NEAR(values[4], row.mirroredEnd, 1e-4);
    }
}

TEST(BulgeToArc, CoincidentVerticesGiveValuesThatAreNotFinite) {
    EXPECT_TRUE(std::isnan(bulgeToArc({3, 3}, {3, 3}, 0.5).radius));
}

}  // namespace
}  // namespace dxfprofile
