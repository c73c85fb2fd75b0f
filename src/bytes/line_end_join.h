// The copy of mode 2 writes what it passes over with every CR LF pair as
// one LF.
#pragma once

#include <cstddef>

namespace dxfprofile {

struct OutputFile;

// Writes [data, data + size) to `out`, every CR LF pair as LF. A CR that
// ends the range is written as it is. `wide` joins 16 bytes at a time with
// byte shuffles (AVX2).
void writeJoiningLineEnds(OutputFile& out, const char* data, std::size_t size, bool wide);

}  // namespace dxfprofile
