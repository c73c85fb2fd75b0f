// The drawing side of the preview: a profile as an SVG picture with the
// drawing's y axis pointing up, every element titled with its record tag and
// the start of every line and arc marked.
#pragma once

#include <cstddef>

#include "preview/profile_reader.h"

namespace dxfprofile {

// Coordinates are written to the profile's precision.
inline constexpr int COORDINATE_DECIMALS = 6;

// A number to `decimals` decimals, without trailing zeros and never "-0".
// Returns the length, or -1 when it does not fit.
int formatFixed(char* out, std::size_t size, double value, int decimals);

// Writes the picture of `profile` to `path` through a temporary file.
// Returns 0, or -1 after printing why nothing was written on standard error.
int writeSvg(const Profile& profile, const char* path);

}  // namespace dxfprofile
