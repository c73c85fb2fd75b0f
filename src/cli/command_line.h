// The parts of the command line beside the modes: the options --help, -h
// and --version, and the arguments that a mode does not use.
#pragma once

namespace dxfprofile {

// Runs the option that `argv[1]` names: --help and -h print the usage on
// standard output, --version the program's name and version. True, with
// `status` 0, when it was one of them.
bool runOption(int argc, const char* const* argv, int& status);

// Warns on standard error about the arguments from `argv[used]` on, which
// the run ignores.
void warnExtraArguments(int argc, const char* const* argv, int used);

}  // namespace dxfprofile
