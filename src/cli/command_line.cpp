#include "cli/command_line.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "io/diagnostics.h"
#include "io/text_encoding.h"

namespace dxfprofile {
namespace {

constexpr const char HELP[] =
    "Usage: dxfprofile 2 DRAWING.dxf          write DRAWING.sdxf and DRAWING.layers\n"
    "       dxfprofile 3 DRAWING.sdxf LAYER   write LAYER.txt, the layer's profile\n"
    "       dxfprofile --help | -h            show this text\n"
    "       dxfprofile --version              show the program's version\n"
    "\n"
    "Profile values are in the drawing's units. A run that fails ends with a\n"
    "status other than 0 and says why in one line on standard error.\n";

}  // namespace

bool runOption(int argc, const char* const* argv, int& status) {
    if (argc < 2) return false;
    const char* option = argv[1];
    if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
        std::fputs(HELP, stdout);
    } else if (std::strcmp(option, "--version") == 0) {
        std::printf("%s %s\n", PROGRAM_NAME, DXFPROFILE_VERSION);
    } else {
        return false;
    }
    std::fflush(stdout);
    warnExtraArguments(argc, argv, 2);
    status = 0;
    return true;
}

void warnExtraArguments(int argc, const char* const* argv, int used) {
    if (argc <= used) return;
    std::string names;
    for (int i = used; i < argc; ++i) names += " " + shellQuoted(argv[i]);
    printWarning("ignoring %s:%s", argc - used == 1 ? "an extra argument" : "extra arguments",
                 names.c_str());
}

}  // namespace dxfprofile
