#include "extract/section_extractor.h"

#include <cstdio>

#include "cli/derive_path.h"
#include "io/output_file.h"
#include "geometry/trace.h"
#include "reader/line_source.h"

namespace dxfprofile {
namespace {

LineSource dxfSource;
OutputFile sdxfOutput;

}  // namespace

int extractEntitiesSection(int dxfInput, const char* inputPath, char* SDXF_filename) {
    attachLineSource(dxfSource, dxfInput);
    int lineCounter = 0;

    const MarkerSet startMarker = makeMarkerSet({"ENTITIES"});
    const MarkerSet endMarker = makeMarkerSet({"ENDSEC"});
    if (traceSections) {
        bool found = false;
        while (!found && nextLine(dxfSource)) {
            ++lineCounter;
            found = lineContains(dxfSource, "ENTITIES");
        }
        if (!found) {
            std::printf("\nError: no ENTITIES section found\n");
            return -1;
        }
        std::printf("\nENTITIES begins on line: %d", lineCounter);
    } else if (!nextMarkedLine(dxfSource, startMarker, nullptr)) {
        std::printf("\nError: no ENTITIES section found\n");
        return -1;
    }

    derivePath(SDXF_filename, inputPath, ".sdxf");
    if (openOutput(sdxfOutput, SDXF_filename) != 0) {
        std::printf("\ncan't open output file");
        return -1;
    }
    writeOutput(sdxfOutput, dxfSource.lineBuffer, dxfSource.lineLength);
    bool found = false;
    if (traceSections) {
        while (!found && nextLine(dxfSource)) {
            ++lineCounter;
            found = lineContains(dxfSource, "ENDSEC");
            if (!found) writeOutput(sdxfOutput, dxfSource.lineBuffer, dxfSource.lineLength);
        }
        if (found) std::printf("\nENDSEC found on line:    %d\n", lineCounter);
    } else {
        found = nextMarkedLine(dxfSource, endMarker, &sdxfOutput);
    }
    if (!found || dxfSource.readFailed) {
        discardOutput(sdxfOutput);
        std::printf("\nError: DXF file ends inside the ENTITIES section\n");
        return -1;
    }
    writeOutput(sdxfOutput, dxfSource.lineBuffer, dxfSource.lineLength);
    writeOutput(sdxfOutput, "EOF", 3);
    if (commitOutput(sdxfOutput) != 0) {
        std::printf("\nError: can't write output file %s\n", SDXF_filename);
        return -1;
    }
    return 0;
}

}  // namespace dxfprofile
