#include "geometry/spline.h"

#include <gtest/gtest.h>

#include <vector>

#include "geometry/bezier.h"
#include "geometry/curve_span.h"

namespace dxfprofile {
namespace {

// Points that ezdxf 0.18 gives for the same definitions (the construction
// tool of a SPLINE entity), at the same place along the curve: `along` runs
// from 0 at the start to 1 at the end.
TEST(SplinePoint, AgreesWithEzdxf) {
    struct Row {
        const char* name;
        SplineDefinition spline;
        double along;
        Point expected;
    };
    const SplineDefinition periodic{3,
                                    SPLINE_CLOSED | SPLINE_PERIODIC,
                                    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
                                    {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}, {10, 0}, {10, 10}},
                                    {}};
    const SplineDefinition rational{4,
                                    SPLINE_RATIONAL,
                                    {0, 0, 0, 0, 0, 0.3, 1, 1, 1, 1, 1},
                                    {{0, 0}, {3, 7}, {8, -2}, {12, 9}, {15, 0}, {20, 5}},
                                    {1, 2, 0.5, 1, 3, 1}};
    const SplineDefinition noKnots{
        3, 0, {}, {{0, 0}, {10, 0}, {12, 8}, {0, 10}, {-5, 3}, {0, 0}}, {}};
    const Row rows[] = {
        {"periodic, start", periodic, 0, {8.333333333333332, 1.6666666666666665}},
        {"periodic, inside", periodic, 0.375, {4.999999999999999, 9.583333333333332}},
        {"periodic, end", periodic, 1, {8.333333333333332, 1.6666666666666665}},
        {"rational, first interval", rational, 0.1, {2.9117959204301163, 5.754020673863773}},
        {"rational, at the inner knot", rational, 0.3, {6.209094772630684, 5.152571185720356}},
        {"rational, second interval", rational, 0.77, {14.999476456195811, 1.6474026613401858}},
        {"rational, end", rational, 1, {20, 5}},
        {"no knots: clamped and uniform", noKnots, 0.4, {8.325999999999999, 7.53}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SplineCurve curve;
        ASSERT_EQ(prepareSpline(row.spline, curve), CURVE_OK);
        double t = curve.tStart + row.along * (curve.tEnd - curve.tStart);
        Point p = splinePoint(curve, t);
        EXPECT_NEAR(p.x, row.expected.x, 1e-12);
        EXPECT_NEAR(p.y, row.expected.y, 1e-12);
        // The Bezier piece of the knot interval that holds t, the last one
        // at the end, gives the same point.
        std::vector<BezierPiece> pieces;
        splineBezierPieces(curve, pieces);
        std::size_t piece = 0;
        int k = curve.degree;
        while (true) {
            double a = curve.knots[k], b = curve.knots[k + 1];
            if (a < b && (t < b || piece + 1 == pieces.size())) {
                Point q = bezierPoint(pieces[piece], (t - a) / (b - a));
                EXPECT_NEAR(q.x, row.expected.x, 1e-12);
                EXPECT_NEAR(q.y, row.expected.y, 1e-12);
                break;
            }
            if (a < b) ++piece;
            ++k;
        }
    }
}

}  // namespace
}  // namespace dxfprofile
