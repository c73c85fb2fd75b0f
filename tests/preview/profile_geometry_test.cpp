#include "preview/profile_geometry.h"

#include <gtest/gtest.h>

namespace dxfprofile {
namespace {

ProfileRecord arcRecord(double centreX, double centreY, double radius, double start, double end) {
    ProfileRecord record;
    record.type = RECORD_ARC;
    record.values[0] = centreX;
    record.values[1] = centreY;
    record.values[2] = radius;
    record.values[5] = start;
    record.values[6] = end;
    return record;
}

TEST(ArcGeometry, RunsAnticlockwiseFromValueSixToValueSeven) {
    struct Case {
        double start, end, radius;
        double startX, startY, endX, endY, sweep;
    };
    const double s30 = 0.5;
    const double c30 = 0.86602540378443865;
    const double c45 = 0.70710678118654752;
    const Case cases[] = {
        {0.0, 90.0, 2.0, 12.0, 20.0, 10.0, 22.0, 90.0},
        {90.0, 0.0, 2.0, 10.0, 22.0, 12.0, 20.0, 270.0},  // over a half turn
        {330.0, 30.0, 2.0, 10.0 + 2 * c30, 20.0 - 2 * s30, 10.0 + 2 * c30, 20.0 + 2 * s30,
         60.0},  // across 0 degrees
        {-30.0, 30.0, 2.0, 10.0 + 2 * c30, 20.0 - 2 * s30, 10.0 + 2 * c30, 20.0 + 2 * s30, 60.0},
        {180.0, -0.0, 2.0, 8.0, 20.0, 12.0, 20.0, 180.0},  // a polyline half circle
        {0.0, 360.0, 2.0, 12.0, 20.0, 12.0, 20.0, 360.0},  // ends that meet: a full turn
        {45.0, 45.0, 2.0, 10.0 + 2 * c45, 20.0 + 2 * c45, 10.0 + 2 * c45, 20.0 + 2 * c45, 360.0},
        {0.0, 90.0, -2.0, 12.0, 20.0, 10.0, 22.0, 90.0},  // radius drawn as its magnitude
    };
    for (const Case& c : cases) {
        ArcGeometry arc = arcGeometry(arcRecord(10.0, 20.0, c.radius, c.start, c.end));
        EXPECT_DOUBLE_EQ(arc.sweep, c.sweep) << c.start << " to " << c.end;
        EXPECT_DOUBLE_EQ(arc.radius, 2.0);
        EXPECT_NEAR(arc.startX, c.startX, 1e-12) << c.start << " to " << c.end;
        EXPECT_NEAR(arc.startY, c.startY, 1e-12) << c.start << " to " << c.end;
        EXPECT_NEAR(arc.endX, c.endX, 1e-12) << c.start << " to " << c.end;
        EXPECT_NEAR(arc.endY, c.endY, 1e-12) << c.start << " to " << c.end;
    }
}

TEST(ProfileBounds, HoldsEveryRecordAndTheFurthestPointsOfArcs) {
    Profile profile;
    profile.count = 2;
    // 60 degrees across 0: reaches x = 11 at angle 0, not the ends.
    profile.records[0] = arcRecord(10.0, 0.0, 1.0, 330.0, 30.0);
    // 270 degrees from 90 to 0: reaches left and down, not up past its start.
    profile.records[1] = arcRecord(0.0, 0.0, 1.0, 90.0, 0.0);
    Bounds bounds = profileBounds(profile);
    EXPECT_NEAR(bounds.minX, -1.0, 1e-12);
    EXPECT_NEAR(bounds.maxX, 11.0, 1e-12);
    EXPECT_NEAR(bounds.minY, -1.0, 1e-12);
    EXPECT_NEAR(bounds.maxY, 1.0, 1e-12);

    profile.count = 4;
    profile.records[2].type = RECORD_CIRCLE;
    profile.records[2].values[0] = 5.0;
    profile.records[2].values[1] = 5.0;
    profile.records[2].values[2] = -3.0;
    profile.records[3].type = RECORD_LINE;
    profile.records[3].values[0] = -4.0;
    profile.records[3].values[1] = 0.5;
    profile.records[3].values[2] = 0.0;
    profile.records[3].values[3] = -7.0;
    bounds = profileBounds(profile);
    EXPECT_EQ(bounds.minX, -4.0);
    EXPECT_EQ(bounds.maxX, 11.0);
    EXPECT_EQ(bounds.minY, -7.0);
    EXPECT_EQ(bounds.maxY, 8.0);
}

TEST(ProfileBounds, AnEmptyProfileHasNoBox) {
    Profile profile;
    EXPECT_TRUE(profileBounds(profile).empty);
    profile.count = 1;
    profile.records[0].type = RECORD_POINT;
    profile.records[0].values[0] = 3.0;
    profile.records[0].values[1] = -2.0;
    Bounds bounds = profileBounds(profile);
    EXPECT_FALSE(bounds.empty);
    EXPECT_EQ(bounds.minX, 3.0);
    EXPECT_EQ(bounds.maxY, -2.0);
}

}  // namespace
}  // namespace dxfprofile
