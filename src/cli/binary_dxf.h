// Drawings saved as binary DXF, which the converter does not read: they are
// known by the sentinel that opens them.
#pragma once

#include <cstddef>

namespace dxfprofile {

// The first 22 bytes of every binary DXF file, the terminating NUL included.
inline constexpr char BINARY_DXF_SENTINEL[] = "AutoCAD Binary DXF\r\n\x1a";
inline constexpr std::size_t BINARY_DXF_SENTINEL_SIZE = sizeof BINARY_DXF_SENTINEL;
static_assert(BINARY_DXF_SENTINEL_SIZE == 22);

// True when the file open on `fd` starts with the sentinel. Reads with pread,
// so the file's offset is left where it was; a pipe, which cannot be read
// that way, counts as text.
bool isBinaryDxf(int fd);

}  // namespace dxfprofile
