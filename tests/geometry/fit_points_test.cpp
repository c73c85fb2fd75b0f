#include "geometry/fit_points.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "geometry/curve_span.h"

namespace dxfprofile {
namespace {

FitPointDefinition fitOf(std::vector<Point> points) {
    FitPointDefinition fit;
    fit.fitPoints = std::move(points);
    return fit;
}

FitPointDefinition fitOf(std::vector<Point> points, Point start, Point end) {
    FitPointDefinition fit{std::move(points), true, true, start, end};
    return fit;
}

// Control points and knots that ezdxf 0.18 (fit_points_to_cad_cv, the
// construction of a SPLINE entity given by fit points) makes of the same
// definitions, rounded to nine decimals.
TEST(FitPoints, InterpolateAsEzdxfDoes) {
    struct Row {
        const char* name;
        FitPointDefinition fit;
        std::vector<Point> controlPoints;
        std::vector<double> innerKnots;  // between four zeros and four ones
    };
    const std::vector<Point> open{{0, 0}, {3, 4}, {7, 3}, {10, 8}, {14, 6}};
    const std::vector<Point> closed{{0, 0}, {10, 0}, {12, 7}, {5, 11}, {-2, 6}, {0, 0}};
    const std::vector<double> openKnots{0.257384444, 0.469629093, 0.769788355};
    const std::vector<double> closedKnots{0.24832845, 0.429114291, 0.629323088, 0.842943298};
    const Row rows[] = {
        {"open, tangents estimated",
         fitOf(open),
         {{0, 0},
          {0.598298466, 1.55557601},
          {2.187536653, 5.803422957},
          {8.392618882, 0.696685405},
          {8.60125153, 10.299856297},
          {13.056024837, 7.153747422},
          {14, 6}},
         openKnots},
        {"open, tangents given",
         fitOf(open, {1, 0}, {0, -1}),
         {{0, 0},
          {1.666666667, 0},
          {1.752100343, 6.373337713},
          {8.657236619, 0.525625498},
          {7.981326366, 10.144103112},
          {14, 7.490711985},
          {14, 6}},
         openKnots},
        {"closed, tangents estimated",
         fitOf(closed),
         {{0, 0},
          {3.233808334, -0.808452083},
          {10.53134415, -2.90743121},
          {13.876704111, 8.193268518},
          {4.744896258, 12.785382014},
          {-3.732877363, 7.281808509},
          {-1.490711985, 1.490711985},
          {0, 0}},
         closedKnots},
        {"closed, tangents given",
         fitOf(closed, {1, -1}, {1, -1}),
         {{0, 0},
          {2.357022604, -2.357022604},
          {10.822266551, -2.393606865},
          {13.80125656, 8.060013779},
          {4.767870887, 12.825959584},
          {-3.7377349, 7.273229174},
          {-1.490711985, 1.490711985},
          {0, 0}},
         closedKnots},
        {"three points",
         fitOf({{0, 0}, {5, 5}, {10, 0}}),
         {{0, 0},
          {1.054092553, 2.108185107},
          {5, 7.891814893},
          {8.945907447, 2.108185107},
          {10, 0}},
         {0.5}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SplineDefinition spline;
        ASSERT_EQ(interpolateFitPoints(row.fit, spline), CURVE_OK);
        EXPECT_EQ(spline.degree, 3);
        ASSERT_EQ(spline.controlPoints.size(), row.controlPoints.size());
        for (std::size_t i = 0; i < row.controlPoints.size(); ++i) {
            EXPECT_NEAR(spline.controlPoints[i].x, row.controlPoints[i].x, 1e-8) << i;
            EXPECT_NEAR(spline.controlPoints[i].y, row.controlPoints[i].y, 1e-8) << i;
        }
        std::vector<double> knots(4, 0.0);
        knots.insert(knots.end(), row.innerKnots.begin(), row.innerKnots.end());
        knots.insert(knots.end(), 4, 1.0);
        ASSERT_EQ(spline.knots.size(), knots.size());
        for (std::size_t i = 0; i < knots.size(); ++i) EXPECT_NEAR(spline.knots[i], knots[i], 1e-8);
    }
}

TEST(FitPoints, StraightOrDegenerateFitPoints) {
    // Collinear points (where ezdxf divides by zero) give a straight curve
    // through them.
    SplineDefinition spline;
    ASSERT_EQ(interpolateFitPoints(fitOf({{0, 0}, {1, 0}, {4, 0}, {9, 0}}), spline), CURVE_OK);
    for (Point p : spline.controlPoints) EXPECT_NEAR(p.y, 0.0, 1e-12);
    ASSERT_EQ(interpolateFitPoints(fitOf({{0, 0}, {3, 4}}), spline), CURVE_OK);
    EXPECT_EQ(spline.controlPoints.size(), 4u);

    struct Row {
        const char* name;
        std::vector<Point> points;
        int status;
    };
    const Row rows[] = {
        {"one point", {{1, 1}}, CURVE_FEW_POINTS},
        {"all equal", {{1, 1}, {1, 1}, {1, 1}}, CURVE_POINT},
        {"a point repeated", {{0, 0}, {1, 1}, {1, 1}, {3, 0}}, CURVE_BAD_KNOTS},
        {"not finite", {{0, 0}, {NAN, 1}, {3, 0}}, CURVE_NOT_FINITE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(interpolateFitPoints(fitOf(row.points), spline), row.status);
    }
}

}  // namespace
}  // namespace dxfprofile
