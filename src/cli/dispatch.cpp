#include "cli/dispatch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bytes/line_source.h"
#include "cli/binary_dxf.h"
#include "cli/command_line.h"
#include "cli/derive_path.h"
#include "dxf/section_search.h"
#include "entities/entity_table.h"
#include "entities/profile_format.h"
#include "io/diagnostics.h"
#include "io/output_file.h"
#include "io/text_encoding.h"
#include "mode2/drawing_units.h"
#include "mode2/layer_inventory.h"
#include "mode2/section_extractor.h"
#include "mode2/section_output.h"
#include "mode3/layer_scan.h"

namespace dxfprofile {
namespace {

void printUsage() {
    std::printf(
        "\nUsage: dxfprofile 2 DRAWING.dxf          write DRAWING.sdxf and DRAWING.layers"
        "\n       dxfprofile 3 DRAWING.sdxf LAYER   write LAYER.txt, the layer's profile");
}

// Opens the input for reading; a directory is not a drawing.
int openInput(const char* filename) {
    int fd = ::open(filename, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        noteSystemFailure("open", filename, errno);
        return -1;
    }
    struct stat info;
    int error = ::fstat(fd, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : 0;
    if (error != 0) noteSystemFailure("open", filename, error);
    // A device such as /dev/zero never ends.
    bool device = error == 0 && (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode));
    if (device) noteFailure("cannot open %s: a device, not a drawing", filename);
    if (error != 0 || device) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool refuseOwnInput(const char* filename, const char* output) {
    if (!isSameFile(filename, output)) return false;
    std::printf("\nError: %s would overwrite the input file\n", output);
    noteFailure("%s would overwrite the input file %s", output, filename);
    return true;
}

// Removes a blocks file that an earlier run wrote beside the SDXF file: it
// belongs to another drawing now.
void removeStaleBlocks(const char* blocksFilename) {
    struct stat info;
    if (::lstat(blocksFilename, &info) == 0 && S_ISREG(info.st_mode)) ::unlink(blocksFilename);
}

int runMode2(int dxfInput, const char* filename) {
    char SDXF_filename[PATH_BUFFER];
    char layersFilename[PATH_BUFFER];
    char blocksFilename[PATH_BUFFER];
    if (derivePath(SDXF_filename, filename, ".sdxf") != 0 ||
        derivePath(layersFilename, SDXF_filename, ".layers") != 0 ||
        derivePath(blocksFilename, SDXF_filename, ".blocks") != 0) {
        std::printf("\nError: output path longer than %zu characters\n", PATH_BUFFER - 1);
        noteFailure("the output paths of %s are longer than %zu characters", filename,
                    PATH_BUFFER - 1);
        return -1;
    }
    std::printf("\nOutput:%s", SDXF_filename);
    if (refuseOwnInput(filename, SDXF_filename) || refuseOwnInput(filename, layersFilename) ||
        refuseOwnInput(filename, blocksFilename)) {
        return -1;
    }
    LayerList layers;
    int status = 0;
    {
        LineSource input;
        input.attach(dxfInput);
        SdxfFile sdxf(SDXF_filename);
        SdxfFile blocksFile(blocksFilename);
        BlocksCopy blocks(blocksFile);
        status = extractEntitiesSection(input, filename, sdxf, layers, &blocks);
        if (blocks.written) std::printf("\nOutput:%s", blocksFilename);
        if (status == 0 && !blocks.written) removeStaleBlocks(blocksFilename);
    }
    if (status == 0) noteDrawingUnits(filename, readDrawingUnits(dxfInput));
    ::close(dxfInput);
    // The layers file's own failures print their messages but leave the
    // run's status alone.
    if (status == 0) listLayers(layersFilename, layers);
    return status;
}

int runMode3(int sdxfInput, const char* filename, const char* layerName) {
    std::printf("\nLayer name = %s", layerName);
    char profileName[PROFILE_NAME_BUFFER];
    profileFileName(layerName, profileName);
    if (refuseOwnInput(filename, profileName)) return -4;
    LineSource input;
    input.attach(sdxfInput);
    // The blocks are read from a second view of the drawing (through the
    // same descriptor, so that both views read one file even if another
    // takes its name meanwhile), or from the blocks file that mode 2 wrote
    // beside the SDXF file.
    char blocksFilename[PATH_BUFFER] = "";
    bool drawing = startsWithSection(input);
    if (drawing) {
        std::snprintf(blocksFilename, sizeof blocksFilename, "%s", filename);
    } else if (derivePath(blocksFilename, filename, ".blocks") != 0) {
        blocksFilename[0] = '\0';
    }
    BlockInput blocks;
    blocks.path = blocksFilename;
    blocks.drawing = drawing;
    char layersFilename[PATH_BUFFER] = "";
    if (!drawing && derivePath(layersFilename, filename, ".layers") == 0)
        blocks.layersPath = layersFilename;
    LineSource blockSource;
    int blocksFd = -1;
    if (drawing) {
        blockSource.attachShared(sdxfInput);
        blocks.source = &blockSource;
    } else if (blocksFilename[0] != '\0') {
        blocksFd = ::open(blocksFilename, O_RDONLY | O_CLOEXEC);
    }
    if (blocksFd >= 0) {
        blockSource.attach(blocksFd);
        blocks.source = &blockSource;
    }
    EntityTable table;
    int status = processLayer(input, filename, layerName, stdout, table, blocks);
    blockSource.close();
    if (blocksFd >= 0) ::close(blocksFd);
    return status;
}

}  // namespace

int dispatchMode(int mode, const char* filename, const char* layerName) {
    std::printf("\nInput:%s", filename);
    int dxfInput = openInput(filename);
    if (dxfInput < 0) {
        std::printf("\nCan't open DXF file");
        return -1;
    }
    // Refused before anything is written; in mode 3 the input is the SDXF file.
    if (isBinaryDxf(dxfInput)) {
        std::printf("\nError: binary DXF is not supported; save the drawing as text DXF\n");
        noteFailure("%s is a binary DXF file; save the drawing as text DXF", filename);
        ::close(dxfInput);
        return -1;
    }
    if (mode == 2) return runMode2(dxfInput, filename);
    int status = runMode3(dxfInput, filename, layerName);
    ::close(dxfInput);
    return status;
}

int runCommandLine(int argc, const char* const* argv) {
    int status = -1;
    clearFailure();
    if (runOption(argc, argv, status)) return status;
    int mode = argc > 1 ? std::atoi(argv[1]) : 0;
    std::size_t longestName = PATH_BUFFER - 1 - std::strlen(".txt");
    if (argc < 3 || (mode == 3 && argc < 4)) {
        printUsage();
        noteFailure("%s; dxfprofile --help shows the usage",
                    argc < 3 ? "missing arguments" : "missing the layer name");
    } else if (mode != 2 && mode != 3) {
        std::printf("\nError: unknown mode %s (2 or 3)", argv[1]);
        printUsage();
        noteFailure("unknown mode %s (2 or 3)", shellQuoted(argv[1]).c_str());
    } else if (std::strlen(argv[2]) >= PATH_BUFFER ||
               (mode == 3 && std::strlen(argv[3]) > longestName)) {
        std::printf("\nError: argument longer than %zu characters (the layer name: %zu)",
                    PATH_BUFFER - 1, longestName);
        bool longPath = std::strlen(argv[2]) >= PATH_BUFFER;
        noteFailure("the %s is longer than %zu characters", longPath ? "path" : "layer name",
                    longPath ? PATH_BUFFER - 1 : longestName);
    } else {
        warnExtraArguments(argc, argv, mode == 3 ? 4 : 3);
        char filename[PATH_BUFFER];
        char layerName[PATH_BUFFER] = "";
        std::strcpy(filename, argv[2]);
        if (mode == 3) std::strcpy(layerName, argv[3]);
        status = dispatchMode(mode, filename, layerName);
    }
    std::printf("\ndone");
    std::fflush(stdout);
    printFailure(status);
    return status;
}

}  // namespace dxfprofile
