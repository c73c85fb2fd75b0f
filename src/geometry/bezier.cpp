#include "geometry/bezier.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace dxfprofile {
namespace {

// The polar form of the spline's interval k at p arguments: `atEnd` of them
// are the interval's end, the others its start.
void blossom(const SplineCurve& curve, int k, int atEnd, double& x, double& y, double& w) {
    const int p = curve.degree;
    const std::vector<double>& knots = curve.knots;
    std::array<double, MAX_SPLINE_DEGREE + 1> dx{};
    std::array<double, MAX_SPLINE_DEGREE + 1> dy{};
    std::array<double, MAX_SPLINE_DEGREE + 1> dw{};
    for (int j = 0; j <= p; ++j) {
        int i = k - p + j;
        dw[j] = curve.weights[i];
        dx[j] = curve.controlPoints[i].x * dw[j];
        dy[j] = curve.controlPoints[i].y * dw[j];
    }
    for (int r = 1; r <= p; ++r) {
        double t = r <= atEnd ? knots[k + 1] : knots[k];
        for (int j = p; j >= r; --j) {
            int i = k - p + j;
            // knots[i] <= knots[k] < knots[k + 1] <= knots[i + p - r + 1]
            double alpha = (t - knots[i]) / (knots[i + p - r + 1] - knots[i]);
            dx[j] = (1.0 - alpha) * dx[j - 1] + alpha * dx[j];
            dy[j] = (1.0 - alpha) * dy[j - 1] + alpha * dy[j];
            dw[j] = (1.0 - alpha) * dw[j - 1] + alpha * dw[j];
        }
    }
    x = dx[p];
    y = dy[p];
    w = dw[p];
}

}  // namespace

void splineBezierPieces(const SplineCurve& curve, std::vector<BezierPiece>& pieces) {
    pieces.clear();
    const int count = static_cast<int>(curve.controlPoints.size());
    for (int k = curve.degree; k < count; ++k) {
        if (!(curve.knots[k] < curve.knots[k + 1])) continue;
        BezierPiece piece;
        piece.degree = curve.degree;
        for (int i = 0; i <= curve.degree; ++i)
            blossom(curve, k, i, piece.x[i], piece.y[i], piece.w[i]);
        pieces.push_back(piece);
    }
}

Point bezierControl(const BezierPiece& piece, int i) {
    return Point{piece.x[i] / piece.w[i], piece.y[i] / piece.w[i]};
}

Point bezierPoint(const BezierPiece& piece, double u) {
    BezierPiece d = piece;
    for (int r = 1; r <= d.degree; ++r) {
        for (int j = 0; j <= d.degree - r; ++j) {
            d.x[j] = (1.0 - u) * d.x[j] + u * d.x[j + 1];
            d.y[j] = (1.0 - u) * d.y[j] + u * d.y[j + 1];
            d.w[j] = (1.0 - u) * d.w[j] + u * d.w[j + 1];
        }
    }
    return bezierControl(d, 0);
}

void splitBezier(const BezierPiece& piece, BezierPiece& first, BezierPiece& second) {
    const int p = piece.degree;
    BezierPiece d = piece;
    first.degree = p;
    second.degree = p;
    for (int r = 0; r <= p; ++r) {
        first.x[r] = d.x[0];
        first.y[r] = d.y[0];
        first.w[r] = d.w[0];
        second.x[p - r] = d.x[p - r];
        second.y[p - r] = d.y[p - r];
        second.w[p - r] = d.w[p - r];
        for (int j = 0; j < p - r; ++j) {
            d.x[j] = 0.5 * (d.x[j] + d.x[j + 1]);
            d.y[j] = 0.5 * (d.y[j] + d.y[j + 1]);
            d.w[j] = 0.5 * (d.w[j] + d.w[j + 1]);
        }
    }
}

double bezierFlatness(const BezierPiece& piece) {
    Point a = bezierControl(piece, 0);
    Point b = bezierControl(piece, piece.degree);
    double worst = 0.0;
    for (int i = 1; i < piece.degree; ++i) {
        double d = distanceToSegment(bezierControl(piece, i), a, b);
        if (std::isnan(d)) return std::numeric_limits<double>::infinity();
        worst = std::max(worst, d);
    }
    return worst;
}

}  // namespace dxfprofile
