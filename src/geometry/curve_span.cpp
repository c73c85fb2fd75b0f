#include "geometry/curve_span.h"

namespace dxfprofile {

const char* curveStatusText(int status) {
    switch (status) {
        case CURVE_OK:
            return "fitted";
        case CURVE_BAD_DEGREE:
            return "degree out of range";
        case CURVE_TOO_LARGE:
            return "too many control points";
        case CURVE_FEW_POINTS:
            return "too few control points for its degree";
        case CURVE_BAD_KNOTS:
            return "knots that do not fit the control points";
        case CURVE_BAD_WEIGHTS:
            return "weights that do not fit the control points";
        case CURVE_NOT_FINITE:
            return "values that are not finite";
        case CURVE_POINT:
            return "no extent";
        case CURVE_BAD_ELLIPSE:
            return "an ellipse without extent";
        case CURVE_TOO_COMPLEX:
            return "too intricate to approximate";
        case CURVE_PRECISION:
            return "too far out for single precision to keep the tolerance";
        case CURVE_TOO_MANY_SPANS:
            return "more pieces than a profile holds";
        default:
            return "unknown curve status";
    }
}

}  // namespace dxfprofile
