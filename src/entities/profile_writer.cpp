#include "entities/profile_writer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "entities/entity_table.h"
#include "io/diagnostics.h"
#include "io/output_file.h"

namespace dxfprofile {
namespace {

OutputFile profileOutput;

void leaveEmptyFile(const char* outputFilename) {
    if (openOutput(profileOutput, outputFilename) == 0) commitOutput(profileOutput);
}

}  // namespace

void leaveEmptyProfile(const char* layerName) {
    char outputFilename[PATH_BUFFER + 8];
    int n = std::snprintf(outputFilename, sizeof outputFilename, "%s.txt", layerName);
    if (std::strchr(layerName, '/') != nullptr || n < 0 ||
        static_cast<std::size_t>(n) >= PATH_BUFFER)
        return;
    leaveEmptyFile(outputFilename);
}

int randomLetter() {
    const int low = 'A';
    const int high = 'Z';
    return std::rand() % (high - low + 1) + low;
}

void writeEntity(int index) {
    const EntityRecord& record = entityTable.records[index];
    int* sequence = nullptr;
    const char* tag = nullptr;
    switch (record.type) {
        case ENTITY_LINE:
            tag = "LINE   L%02d %d ";
            sequence = &entityTable.lineSequence;
            break;
        case ENTITY_ARC:
            tag = "ARC    A%02d %d ";
            sequence = &entityTable.arcSequence;
            break;
        case ENTITY_POINT:
            tag = "POINT  P%02d %d ";
            sequence = &entityTable.pointSequence;
            break;
        case ENTITY_CIRCLE:
            tag = "CIRCLE C%02d %d ";
            sequence = &entityTable.circleSequence;
            break;
        default:
            return;
    }
    printOutput(profileOutput, tag, *sequence, static_cast<int>(record.type));
    ++*sequence;
    for (int i = 0; i < 4; ++i) {
        float tempf = record.values[i];
        printOutput(profileOutput, "%11.6f ", static_cast<double>(tempf));
    }
    if (record.type == ENTITY_ARC) {
        printOutput(profileOutput, "%11.6f ", static_cast<double>(record.values[4]));
        printOutput(profileOutput, "%11.6f ", static_cast<double>(record.values[5]));
        printOutput(profileOutput, "%11.6f\n", static_cast<double>(record.values[6]));
    } else {
        printOutput(profileOutput, "%11.6f\n", static_cast<double>(record.values[4]));
    }
}

int writeProfile(const char* layerName) {
    char outputFilename[PATH_BUFFER + 8];
    int n = std::snprintf(outputFilename, sizeof outputFilename, "%s.txt", layerName);
    // A name with a '/' would put the profile outside the working directory.
    if (std::strchr(layerName, '/') != nullptr || n < 0 ||
        static_cast<std::size_t>(n) >= PATH_BUFFER ||
        openOutput(profileOutput, outputFilename) != 0) {
        std::printf("\ncan't open output file\n");
        // openOutput notes its own failures.
        noteFailure(
            "cannot write %s: a profile is written in the working directory, and a "
            "layer name with '/' would leave it",
            outputFilename);
        return -4;
    }

    std::srand(static_cast<std::uint32_t>(std::time(nullptr)));
    char filename[13];
    for (int i = 0; i < 8; ++i) filename[i] = static_cast<char>(randomLetter());
    filename[8] = '.';
    for (int i = 9; i < 12; ++i) filename[i] = static_cast<char>(randomLetter());
    filename[12] = '\0';

    std::printf("\nProcessed %u entities", static_cast<unsigned>(entityTable.entityCount));
    if (entityTable.entityCount > MAX_ENTITIES) {
        std::printf("\nError: DXF layer contains too many entities");
        commitOutput(profileOutput);
        return -5;
    }

    printOutput(profileOutput, "%s,%s\n", layerName, filename);
    printOutput(profileOutput, "%u\n", static_cast<unsigned>(entityTable.entityCount));
    for (int index = 0; index < static_cast<int>(entityTable.entityCount); ++index) {
        writeEntity(index);
    }
    writeOutput(profileOutput, "EOF\n", 4);
    if (commitOutput(profileOutput) != 0) {
        std::printf("\nError: can't write output file %s\n", outputFilename);
        leaveEmptyFile(outputFilename);
        return -4;
    }
    return 0;
}

}  // namespace dxfprofile
