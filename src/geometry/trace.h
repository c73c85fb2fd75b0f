// Compile-time trace switches. Both are off; no option or input turns them on.
#pragma once

namespace dxfprofile {

// Section line numbers of the scans.
inline constexpr bool traceSections = false;
// Polyline and bulge quantities.
inline constexpr bool traceGeometry = false;

}  // namespace dxfprofile
