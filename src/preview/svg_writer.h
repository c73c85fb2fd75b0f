// The drawing side of the preview: a profile as an SVG picture with the
// drawing's y axis pointing up, every element titled with its record tag and
// the start of every line and arc marked.
#pragma once

#include <cstddef>

#include "preview/profile_reader.h"

namespace dxfprofile {

// A coordinate to the profile's precision of six decimals, without trailing
// zeros and never "-0". Returns the length, or -1 when it does not fit.
int formatCoordinate(char* out, std::size_t size, double value);

// Writes the picture of `profile` to `path` through a temporary file.
// Returns 0, or -1 after printing why nothing was written on standard error.
int writeSvg(const Profile& profile, const char* path);

}  // namespace dxfprofile
