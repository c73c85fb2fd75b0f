#include "geometry/bulge_check.h"

#include <gtest/gtest.h>

#include <cmath>

namespace dxfprofile {
namespace {

// The arc of a bulged segment from p to q, computed as the bulge conversion
// does it, then judged.
bool needsLine(Point p, Point q, double bulge) {
    double h = pointDistance(p, q) / 2;
    double s = std::fabs(bulge * h);
    double r = (s * s + h * h) / (2 * s);
    Vector chord = bulge > 0 ? vectorBetween(q, p) : vectorBetween(p, q);
    Vector normal = unitVector(Vector{-chord.y, chord.x, 0});
    Point centre = pointAlong(Point{(p.x + q.x) / 2, (p.y + q.y) / 2}, normal, r - s);
    double from = angle360(centre, p);
    double to = angle360(centre, q);
    return bulge < 0 ? bulgeArcNeedsLine(centre, r, to, from, p, q)
                     : bulgeArcNeedsLine(centre, r, from, to, p, q);
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
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(needsLine(row.p, row.q, row.bulge), row.line);
    }
}

}  // namespace
}  // namespace dxfprofile
