// Standard error: the one line with which a failed run ends, and the
// warnings and notes of a run. Standard output keeps its own messages; the
// line on standard error says the same for scripts, which hide standard
// output, with the file or layer concerned and the system's reason.
#pragma once

#include <string>

namespace dxfprofile {

inline constexpr const char* PROGRAM_NAME = "dxfprofile";

// Notes why the run fails; the first note of a run is the one kept, since
// later failures follow from it.
void noteFailure(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "cannot <action> <path>: <the system's text for error>".
void noteSystemFailure(const char* action, const char* path, int error);
bool failureNoted();
void clearFailure();

// "dxfprofile: <note>" on standard error when `status` is not 0; a run
// without a note names its status.
void printFailure(int status);

// "dxfprofile: warning: ..." and "dxfprofile: note: ..." at once.
void printWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));
void printNote(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The note kept so far, "" when none.
const std::string& failureText();

}  // namespace dxfprofile
