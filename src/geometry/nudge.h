// The small away-from-zero move that a value read from a drawing gets before
// it is narrowed to single precision.
#pragma once

namespace dxfprofile {

// Below zero: 5e-8 subtracted; zero or above: 5e-8 added.
inline double nudge(double value) {
    return value < 0.0 ? value - 5e-8 : value + 5e-8;
}

}  // namespace dxfprofile
