#include "cli/dispatch.h"

int main(int argc, char** argv) {
    return dxfprofile::runCommandLine(argc, argv);
}
