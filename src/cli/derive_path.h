// The rule by which the names of the mode-2 output files are formed.
#pragma once

#include <cstddef>

namespace dxfprofile {

// Copies `path` into `destination` (a buffer of PATH_BUFFER characters), cuts
// it at the first '.' of its last component and appends `suffix`; a last
// component without '.' gets the suffix appended. Returns 0, or -1 (and an
// empty destination) when the result does not fit.
int derivePath(char* destination, const char* path, const char* suffix);

}  // namespace dxfprofile
