// The preview program: a profile file in, an SVG picture of it out.
#pragma once

#include <cstddef>

namespace dxfprofile {

// The default picture name: the profile's path with ".svg" in place of the
// last extension of its file name ("Pocket.txt" gives "Pocket.svg"). Returns
// 0, or -1 when the result does not fit `size`.
int previewPath(char* destination, std::size_t size, const char* profilePath);

// The whole program, "dxfprofile-preview PROFILE.txt [OUT.svg]". Returns 0,
// -1 for a usage, read or write failure, -2 for a profile that is not well
// formed. No picture is written unless the whole profile was read.
int runPreview(int argc, const char* const* argv);

}  // namespace dxfprofile
