#include "geometry/bulge_check.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/bulge.h"

namespace dxfprofile {
namespace {

bool needsLine(Point p, Point q, double bulge) {
    return bulgeArcNeedsLine(bulgeToArc(p, q, bulge), p, q, bulge);
}

TEST(BulgeArcNeedsLine, OnlyWhenTheNarrowedArcStraysAndTheChordDoesNot) {
    struct Row {
        const char* name;
        Point p, q;
        double bulge;
        bool line;
    };
    const Row rows[] = {
        {"bulge 1e-6 on 100 mm: radius 25 km", {10, 10}, {110, 10}, 1e-6, true},
        {"bulge -1e-5 on 100 mm: radius 2,500 m", {10, 10}, {80, 81.4}, -1e-5, true},
        {"bulge 0: no finite arc", {0, 0}, {100, 0}, 0, true},
        {"quarter circle", {10, 0}, {0, 10}, std::tan(M_PI / 8), false},
        {"flat arc that single precision still places", {0, 0}, {1, 0}, 1e-4, false},
        {"bulge 0.01 on 100 mm, 10,000 out", {1e4, 1e4}, {1e4 + 100, 1e4}, 0.01, false},
        {"half circle 40 million out: neither holds", {4e7, 0}, {4e7 + 100, 0}, 1, false},
        {"sin(pi) on 10 mm: radius 2e16", {0, 0}, {10, 0}, -1.2246467991473532e-16, true},
        {"bulge 3e-15 on 100 mm", {0, 0}, {100, 0}, 3e-15, true},
        {"bulge 1e-300: radius beyond single precision", {0, 0}, {100, 0}, 1e-300, true},
        {"smallest double: radius beyond double precision", {0, 0}, {5, 0}, 5e-324, true},
        {"bulge 1e155: a circle beyond double precision", {0, 0}, {5, 0}, 1e155, false},
        {"bulge 1e153: a circle beyond single precision", {0, 0}, {100, 0}, 1e153, false},
        {"bulge 2 on 0.004 mm, 10 km out: a loop within",
         {1e7 + 0.5, 0},
         {1e7 + 0.504, 0},
         2,
         true},
        {"bulge 3 on 0.004 mm, 10 km out: a loop beyond",
         {1e7 + 0.5, 0},
         {1e7 + 0.504, 0},
         3,
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(needsLine(row.p, row.q, row.bulge), row.line);
    }
}

}  // namespace
}  // namespace dxfprofile
