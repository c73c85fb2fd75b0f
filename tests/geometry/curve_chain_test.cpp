#include "geometry/curve_chain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "geometry/nudge.h"

namespace dxfprofile {
namespace {

constexpr double PI = std::numbers::pi;

struct Curve {
    bool isEllipse = false;
    SplineDefinition spline;
    EllipseDefinition ellipse;
};

Curve spline(int degree, std::vector<Point> points, std::vector<double> knots = {},
             std::vector<double> weights = {}, int flags = 0) {
    Curve curve;
    curve.spline =
        SplineDefinition{degree, flags, std::move(knots), std::move(points), std::move(weights)};
    return curve;
}

// The arc about c from angle a to angle b as one cubic Bezier span.
Curve bezierArc(Point c, double r, double a, double b) {
    double h = 4.0 / 3 * std::tan((b - a) / 4);  // handle length over r
    auto at = [&](double angle, double along) {
        return Point{c.x + r * (std::cos(angle) - along * std::sin(angle)),
                     c.y + r * (std::sin(angle) + along * std::cos(angle))};
    };
    return spline(3, {at(a, 0), at(a, h), at(b, -h), at(b, 0)}, {0, 0, 0, 0, 1, 1, 1, 1});
}

// A circle as `pieces` Bezier curves.
std::vector<Curve> hole(Point c, double r, int pieces) {
    std::vector<Curve> curves;
    curves.reserve(static_cast<std::size_t>(pieces));
    for (int i = 0; i < pieces; ++i) {
        curves.push_back(bezierArc(c, r, 2 * PI * i / pieces, 2 * PI * (i + 1) / pieces));
    }
    return curves;
}

// Bezier curves that meet as one spline.
Curve joined(const std::vector<Curve>& pieces) {
    std::vector<Point> points{pieces[0].spline.controlPoints[0]};
    std::vector<double> knots{0, 0, 0, 0};
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const std::vector<Point>& piece = pieces[i].spline.controlPoints;
        points.insert(points.end(), piece.begin() + 1, piece.end());
        knots.insert(knots.end(), i + 1 < pieces.size() ? 3 : 4, static_cast<double>(i + 1));
    }
    return spline(3, points, knots);
}

// A quarter circle, a straight span of length 20 whose inner control points
// coincide with its ends, and another quarter circle, as one spline whose
// interior knots repeat `multiplicity` times.
Curve chain(int multiplicity) {
    std::vector<Point> points = bezierArc({0, 0}, 5, -PI / 2, 0).spline.controlPoints;
    points.insert(points.end(), {{5, 0}, {5, 0}, {5, 20}, {5, 20}});
    std::vector<Point> last = bezierArc({0, 20}, 5, 0, PI / 2).spline.controlPoints;
    points.insert(points.end(), last.begin(), last.end());
    std::vector<double> knots{0, 0, 0, 0};
    for (int span = 1; span <= 3; ++span)
        knots.insert(knots.end(), span < 3 ? multiplicity : 4, span);
    // With multiplicity 3 the spans share their end points.
    if (multiplicity == 3) {
        points.erase(points.begin() + 8);
        points.erase(points.begin() + 4);
    }
    return spline(3, points, knots);
}

// A Bezier span run the other way.
Curve reversed(Curve curve) {
    std::reverse(curve.spline.controlPoints.begin(), curve.spline.controlPoints.end());
    return curve;
}

Curve ellipse(Point major, double ratio, double start, double end, bool down) {
    Curve curve;
    curve.isEllipse = true;
    curve.ellipse = EllipseDefinition{{3, -2}, major, ratio, start, end, down};
    return curve;
}

// Independent evaluation: Cox-de Boor basis functions, and the ellipse from
// its definition.
double basis(const std::vector<double>& u, int i, int p, double t) {
    if (p == 0) return u[i] <= t && t < u[i + 1] ? 1.0 : 0.0;
    double left = u[i + p] > u[i] ? (t - u[i]) / (u[i + p] - u[i]) * basis(u, i, p - 1, t) : 0.0;
    double right = u[i + p + 1] > u[i + 1]
                       ? (u[i + p + 1] - t) / (u[i + p + 1] - u[i + 1]) * basis(u, i + 1, p - 1, t)
                       : 0.0;
    return left + right;
}

std::vector<Point> truth(const Curve& curve, int n) {
    std::vector<Point> points;
    if (curve.isEllipse) {
        const EllipseDefinition& e = curve.ellipse;
        double s = e.normalDown ? -1 : 1;
        double end = e.endParameter <= e.startParameter ? e.endParameter + 2 * PI : e.endParameter;
        for (int k = 0; k <= n; ++k) {
            double t = e.startParameter + (end - e.startParameter) * k / n;
            points.push_back({e.centre.x + std::cos(t) * e.majorAxis.x -
                                  std::sin(t) * s * e.ratio * e.majorAxis.y,
                              e.centre.y + std::cos(t) * e.majorAxis.y +
                                  std::sin(t) * s * e.ratio * e.majorAxis.x});
        }
        return points;
    }
    const SplineDefinition& d = curve.spline;
    int count = static_cast<int>(d.controlPoints.size());
    std::vector<double> u = d.knots;
    if (u.empty()) {
        for (int i = 0; i <= count + d.degree; ++i)
            u.push_back(std::clamp(i - d.degree, 0, count - d.degree));
    }
    double from = u[d.degree];
    double to = std::nextafter(u[count], from);
    for (int k = 0; k <= n; ++k) {
        double t = std::min(from + (to - from) * k / n, to);
        double x = 0, y = 0, w = 0;
        for (int i = 0; i < count; ++i) {
            double b = basis(u, i, d.degree, t) * (d.weights.empty() ? 1.0 : d.weights[i]);
            x += b * d.controlPoints[i].x;
            y += b * d.controlPoints[i].y;
            w += b;
        }
        points.push_back({x / w, y / w});
    }
    return points;
}

// A record as the machine gets it: narrowed values, angles in true degrees.
struct Record {
    int type;
    Point a, b, c;
    double r, from = 0, sweep = 2 * PI;
};

Record record(const CurveSpan& s) {
    auto n = [](double v) { return static_cast<double>(static_cast<float>(nudge(v))); };
    auto rad = [](double degrees) { return static_cast<float>(degrees) * PI / 180; };
    Record rec{s.type,
               {n(s.start.x), n(s.start.y)},
               {n(s.end.x), n(s.end.y)},
               {n(s.centre.x), n(s.centre.y)},
               n(s.radius)};
    if (s.type == SPAN_ARC) {
        rec.from = rad(s.startAngle);
        rec.sweep = std::fmod(rad(s.endAngle) - rec.from + 4 * PI, 2 * PI);
    }
    return rec;
}

Point pointOf(const Record& rec, double s) {
    if (rec.type == SPAN_LINE)
        return {rec.a.x + s * (rec.b.x - rec.a.x), rec.a.y + s * (rec.b.y - rec.a.y)};
    double angle = rec.from + s * rec.sweep;
    return {rec.c.x + rec.r * std::cos(angle), rec.c.y + rec.r * std::sin(angle)};
}

double distanceToPolyline(Point p, const std::vector<Point>& line) {
    double best = std::hypot(p.x - line[0].x, p.y - line[0].y);
    for (std::size_t i = 1; i < line.size(); ++i) {
        Point a = line[i - 1], b = line[i];
        double dx = b.x - a.x, dy = b.y - a.y, l = dx * dx + dy * dy;
        double s = l > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l, 0.0, 1.0) : 0.0;
        best = std::min(best, std::hypot(p.x - a.x - s * dx, p.y - a.y - s * dy));
    }
    return best;
}

using Polylines = std::vector<std::vector<Point>>;

double distanceToRecord(Point p, const Record& rec) {
    if (rec.type == SPAN_LINE) return distanceToPolyline(p, {rec.a, rec.b});
    double along = std::fmod(std::atan2(p.y - rec.c.y, p.x - rec.c.x) - rec.from + 4 * PI, 2 * PI);
    if (along <= rec.sweep) return std::fabs(std::hypot(p.x - rec.c.x, p.y - rec.c.y) - rec.r);
    return std::min(distanceToPolyline(p, {pointOf(rec, 0)}),
                    distanceToPolyline(p, {pointOf(rec, 1)}));
}

// Dense sampling both ways between the records and the curves.
double deviation(const std::vector<CurveSpan>& spans, const Polylines& curves) {
    double worst = 0;
    for (const CurveSpan& span : spans) {
        Record rec = record(span);
        for (int k = 0; k <= 200; ++k) {
            double best = INFINITY;
            for (const std::vector<Point>& curve : curves) {
                best = std::min(best, distanceToPolyline(pointOf(rec, k / 200.0), curve));
            }
            worst = std::max(worst, best);
        }
    }
    for (const std::vector<Point>& curve : curves) {
        for (Point p : curve) {
            double best = INFINITY;
            for (const CurveSpan& span : spans)
                best = std::min(best, distanceToRecord(p, record(span)));
            worst = std::max(worst, best);
        }
    }
    return worst;
}

// How far the cut jumps from p into span s (into its end with `leave`).
double gap(Point p, const CurveSpan& s, bool leave = false) {
    Point q = pointOf(record(s), s.clockwise != leave ? 1 : 0);
    return std::hypot(p.x - q.x, p.y - q.y);
}

struct Fitted {
    int status;
    std::vector<CurveSpan> spans;
    Polylines curves;
    CurveStats stats;
};

Fitted fitChain(const std::vector<Curve>& curves) {
    CurveChain chain;
    Fitted result{CURVE_OK, {}, {}, {}};
    for (const Curve& c : curves) {
        int status =
            c.isEllipse ? addEllipseCurve(chain, c.ellipse) : addSplineCurve(chain, c.spline);
        EXPECT_EQ(status, CURVE_OK);
        result.curves.push_back(truth(c, 2000));
    }
    result.status = flushCurveChain(chain, result.spans);
    result.stats = chain.stats;
    return result;
}

std::string types(const std::vector<CurveSpan>& spans) {
    std::string text;
    for (const CurveSpan& s : spans) text += "?LAC"[s.type];
    return text;
}

TEST(CurveChain, SpansFollowEachCurveInOrderWithinTheToleranceOnceNarrowed) {
    struct Row {
        const char* name;
        std::vector<Curve> curves;
        std::string types;   // exactly these, or at most this many when "*" leads
        bool joined = true;  // each span starts where the one before ends
    };
    Point c{-40, 25};
    const Row rows[] = {
        {"quarter circle, one Bezier span", {bezierArc(c, 10, 0, PI / 2)}, "A"},
        {"quarter circle, rational quadratic",
         {spline(2, {{150, -40}, {150, 10}, {100, 10}}, {0, 0, 0, 1, 1, 1}, {1, std::sqrt(0.5), 1},
                 4)},
         "A"},
        {"full circle, one spline of four Bezier spans", {joined(hole(c, 20, 4))}, "C"},
        {"six Bezier curves of one hole", hole(c, 12.5, 6), "C"},
        {"quarter out and back: closed, yet no circle",
         {bezierArc(c, 8, 0, PI / 2), reversed(bezierArc(c, 8, 0, PI / 2))},
         "AA"},
        {"S-curve", {spline(3, {{0, 0}, {10, 10}, {10, -10}, {20, 0}})}, "*12"},
        {"periodic spline, control points wrapped",
         {spline(3, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}, {10, 0}, {10, 10}},
                 {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {}, SPLINE_CLOSED | SPLINE_PERIODIC)},
         "*12"},
        {"closed spline, clamped, knots from 3",
         {spline(3, {{0, 0}, {10, 0}, {12, 8}, {0, 10}, {-5, 3}, {0, 0}},
                 {3, 3, 3, 3, 4, 5, 6, 6, 6, 6}, {}, SPLINE_CLOSED)},
         "*14"},
        {"ellipse, normal up", {ellipse({20, 3}, 0.5, 0, 2 * PI, false)}, "*24"},
        {"ellipse, normal down", {ellipse({20, 3}, 0.5, 0, 2 * PI, true)}, "*24"},
        {"elliptic arc, normal up, end below start", {ellipse({-7, 13}, 0.3, 5, 1, false)}, "*16"},
        {"elliptic arc, normal down", {ellipse({20, 3}, 0.5, 0.3, 2, true)}, "*8"},
        {"ellipse of ratio 1", {ellipse({0, 9}, 1, 0, 0, false)}, "C"},
        {"degree-1 spline", {spline(1, {{0, 0}, {10, 0}, {10, 10}, {20, 10}})}, "LLL"},
        {"straight cubic", {spline(3, {{0, 0}, {1, 1}, {3, 3}, {9, 9}})}, "L"},
        // Bezier chains as drawing programs write them: interior knots of
        // multiplicity 3 or 4, straight spans with coincident control points
        // or control points that wander along the line.
        {"Bezier chain: arc, straight span with coincident points, arc", {chain(3)}, "ALA"},
        {"Bezier chain with knots of multiplicity 4", {chain(4)}, "ALA"},
        {"straight span, control points back and forth along it",
         {spline(3, {{5, 0}, {5, 12}, {5, 3}, {5, 20}})},
         "L"},
        {"cusp", {spline(3, {{0, 0}, {10, 10}, {0, 10}, {10, 0}})}, "*8"},
        {"Bezier chain of straight spans and small fillets, unit knot steps",
         {spline(3,
                 {{-0.9249, 0.3155},
                  {-0.9249, 0.3155},
                  {-0.4038, 1.2226},
                  {-0.4038, 1.2226},
                  {-0.387, 1.25},
                  {-0.3773, 1.281},
                  {-0.3756, 1.3131},
                  {-0.3756, 1.3131},
                  {-0.3756, 3.6344},
                  {-0.3756, 3.6344},
                  {-0.3756, 3.6452},
                  {-0.3845, 3.654},
                  {-0.3953, 3.654},
                  {-0.3953, 3.654},
                  {-1.1729, 3.654},
                  {-1.1729, 3.654}},
                 {0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5, 5})},
         "*7"},
        {"quarters that do not meet stay apart",
         {bezierArc(c, 10, 0, 1), bezierArc(c, 10, 2, 3)},
         "AA",
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fitted result = fitChain(row.curves);
        ASSERT_EQ(result.status, CURVE_OK);
        ASSERT_FALSE(result.spans.empty());
        if (row.types[0] == '*') {
            EXPECT_LE(result.spans.size(), std::stoul(row.types.substr(1))) << types(result.spans);
        } else {
            EXPECT_EQ(types(result.spans), row.types);
        }
        EXPECT_LE(deviation(result.spans, result.curves), CURVE_TOLERANCE);
        EXPECT_GT(result.stats.largestDeviation, 0.0);
        EXPECT_LE(result.stats.largestDeviation, CURVE_TOLERANCE);
        EXPECT_EQ(result.stats.splines + result.stats.ellipses,
                  static_cast<int>(row.curves.size()));
        EXPECT_EQ(result.stats.leftOut, 0);
        // The cut runs through the spans in the curve's order and direction.
        if (result.spans[0].type == SPAN_CIRCLE) continue;
        EXPECT_LE(gap(result.curves.front().front(), result.spans.front()), CURVE_TOLERANCE);
        EXPECT_LE(gap(result.curves.back().back(), result.spans.back(), true), CURVE_TOLERANCE);
        for (std::size_t i = 1; row.joined && i < result.spans.size(); ++i) {
            Point left =
                pointOf(record(result.spans[i - 1]), result.spans[i - 1].clockwise ? 0 : 1);
            EXPECT_LE(gap(left, result.spans[i]), 2 * CURVE_TOLERANCE) << i;
        }
    }
}

TEST(CurveChain, RefusesOrBoundsEveryFaultyCurve) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(0, 1000);
    auto points = [&](int n, bool teeth = false) {
        std::vector<Point> list(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            list[static_cast<std::size_t>(i)] = teeth
                                                    ? Point{i * 0.1, (i % 2) * 0.1}
                                                    : Point{coordinate(random), coordinate(random)};
        }
        return list;
    };
    auto bezier = [](double x, std::vector<double> knots) {
        return spline(3, {{x, 0}, {x + 10, 10}, {x + 10, -10}, {x + 20, 0}}, std::move(knots));
    };
    const std::vector<Point> bend{{0, 0}, {1, 1}, {2, 0}};
    const double nan = std::nan("");
    const int ANY = -1;
    struct Row {
        const char* name;
        Curve curve;
        int added, flushed = CURVE_OK;
    };
    const Row rows[] = {
        {"degree 0", spline(0, {{0, 0}, {1, 1}}), CURVE_BAD_DEGREE},
        {"degree 50", spline(50, points(51)), CURVE_BAD_DEGREE},
        {"100,000 control points", spline(3, points(100000)), CURVE_TOO_LARGE},
        {"fewer control points than degree + 1", spline(3, bend), CURVE_FEW_POINTS},
        {"one knot too many", bezier(0, {0, 0, 0, 0, 1, 1, 1, 1, 1}), CURVE_BAD_KNOTS},
        {"knots decreasing", bezier(0, {0, 0, 0, 1, 0, 1, 1, 1}), CURVE_BAD_KNOTS},
        {"knot not a number", bezier(0, {0, 0, 0, 0, nan, 1, 1, 1}), CURVE_BAD_KNOTS},
        {"all knots equal", bezier(0, {1, 1, 1, 1, 1, 1, 1, 1}), CURVE_BAD_KNOTS},
        {"last knot interval empty", spline(2, points(4), {0, 0, 0, 1, 1, 1, 1}), CURVE_BAD_KNOTS},
        {"weight 0", spline(2, bend, {}, {1, 0, 1}), CURVE_BAD_WEIGHTS},
        {"weight negative", spline(2, bend, {}, {1, -1, 1}), CURVE_BAD_WEIGHTS},
        {"weight missing", spline(2, bend, {}, {1, 1}), CURVE_BAD_WEIGHTS},
        {"weights that overflow",
         spline(2, {{1e300, 0}, {0, 1e300}, {1, 1}}, {}, {1e300, 1e-300, 1e300}), CURVE_NOT_FINITE},
        {"control point not a number", spline(1, {{0, 0}, {nan, 1}}), CURVE_NOT_FINITE},
        {"all control points equal", spline(2, {{4, 4}, {4, 4}, {4, 4}}), CURVE_POINT},
        {"ellipse without major axis", ellipse({0, 0}, 0.5, 0, 1, false), CURVE_BAD_ELLIPSE},
        {"ellipse of ratio 0", ellipse({1, 0}, 0, 0, 1, false), CURVE_BAD_ELLIPSE},
        {"ellipse of negative ratio", ellipse({1, 0}, -0.5, 0, 1, false), CURVE_BAD_ELLIPSE},
        {"ellipse parameter not finite", ellipse({1, 0}, 0.5, 0, INFINITY, false),
         CURVE_NOT_FINITE},
        {"10,000 random control points", spline(3, points(10000)), ANY, ANY},
        {"degree 15, 2,000 random control points", spline(15, points(2000)), ANY, ANY},
        {"zigzag of 2,000 teeth", spline(1, points(2000, true)), CURVE_OK, CURVE_TOO_MANY_SPANS},
        {"40 million out: single precision", bezier(4e7, {}), CURVE_OK, CURVE_PRECISION},
        {"1e300 out: beyond single precision", bezier(1e300, {}), CURVE_OK, CURVE_PRECISION},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CurveChain chain;
        const Curve& c = row.curve;
        int added =
            c.isEllipse ? addEllipseCurve(chain, c.ellipse) : addSplineCurve(chain, c.spline);
        std::vector<CurveSpan> spans;
        int flushed = flushCurveChain(chain, spans);
        EXPECT_TRUE(row.added == ANY || added == row.added) << added;
        EXPECT_TRUE(row.flushed == ANY || flushed == row.flushed) << flushed;
        EXPECT_TRUE(flushed == CURVE_OK || spans.empty());
        EXPECT_LE(spans.size(), static_cast<std::size_t>(MAX_CHAIN_SPANS));
        for (const CurveSpan& span : spans) {
            for (double v : {span.start.x, span.start.y, span.end.x, span.end.y, span.centre.x,
                             span.centre.y, span.radius, span.startAngle, span.endAngle}) {
                EXPECT_TRUE(std::isfinite(v));
            }
        }
        EXPECT_EQ(chain.stats.leftOut, added == CURVE_OK && flushed == CURVE_OK ? 0 : 1);
    }
}

}  // namespace
}  // namespace dxfprofile
