// Output files that are complete or absent: the text goes to a temporary file
// beside the output, every write and the close are checked, and only then is
// the temporary file renamed over the output's name. The temporary file has
// no name while it is written, so a run that dies for any reason leaves
// nothing behind; it gets a hidden name only for the moment before the rename.
// A file system without unnamed files gets a hidden named one from the start.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dxfprofile {

inline constexpr std::size_t PATH_BUFFER = 256;  // 255 characters and the terminator
inline constexpr std::size_t OUTPUT_BLOCK = 1 << 18;

// How an output is opened: as an unnamed temporary file where the file
// system has them (off, and the named temporary file `.NAME.XXXXXX` that
// stands in for them elsewhere is used), linked into the directory by its
// descriptor (off, as where the kernel refuses that link: the bytes are then
// copied into a named temporary file at the commit).
struct OutputSettings {
    bool unnamedFiles = true;
    bool linkUnnamed = true;
};

struct OutputFile {
    OutputSettings settings;  // set before openOutput
    int fd = -1;
    bool failed = false;
    int error = 0;         // errno of the first failure
    bool direct = false;   // a device or pipe: written in place, never renamed
    bool unnamed = false;  // fd has no name in the directory yet
    std::size_t used = 0;
    char finalPath[2 * PATH_BUFFER] = {};
    char tempPath[2 * PATH_BUFFER + 16] = {};  // a named temporary file, or ""
    std::uint64_t suffixState = 0;             // draws the letters of its name
    char block[OUTPUT_BLOCK];
};

// Opens a temporary file beside `path` (or `path` itself when it names a
// device or pipe). Returns 0, or -1 when nothing could be opened (the
// failure is noted, with its reason, for the run's line on standard error).
int openOutput(OutputFile& out, const char* path);

// Buffered writes; a failure is remembered and reported by commitOutput.
void writeOutput(OutputFile& out, const char* data, std::size_t size);
void printOutput(OutputFile& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Flushes, closes and renames the file into place. Returns 0, or -1 after a
// failed write, close or rename (noted as openOutput does), in which case the
// temporary file is removed and the output's name is left as it was.
int commitOutput(OutputFile& out);

// Closes and removes the temporary file; the output's name is left as it was.
void discardOutput(OutputFile& out);

// True when both paths name the same existing file (through links or other
// spellings of the path too).
bool isSameFile(const char* pathA, const char* pathB);

}  // namespace dxfprofile
