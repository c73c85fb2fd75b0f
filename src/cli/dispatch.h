// The front end: the command line, the choice of job, the closing message.
#pragma once

namespace dxfprofile {

// Runs one job: mode 2 (DXF file to SDXF and layers files) or mode 3 (one
// layer of an SDXF file to its profile file). Returns the job's status.
int dispatchMode(int mode, const char* filename, const char* layerName);

// The whole program: checks the arguments, runs the job, prints "\ndone" and
// returns the status that becomes the exit status.
int runCommandLine(int argc, const char* const* argv);

}  // namespace dxfprofile
