// Why a drawing's ENTITIES section could not be copied, for the line on
// standard error: the extractor prints its reason on standard output, and
// this look at the drawing finds the same one again for scripts.
#pragma once

namespace dxfprofile {

// Notes why the ENTITIES section of the DXF file open on `fd` (named
// `path`) cannot be copied: it has none, ends inside it, or holds a line
// there that is not a group code. Reads from the file's start with pread.
void noteSectionFailure(int fd, const char* path);

}  // namespace dxfprofile
