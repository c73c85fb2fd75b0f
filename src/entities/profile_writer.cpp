#include "entities/profile_writer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "entities/entity_table.h"
#include "io/diagnostics.h"
#include "io/output_file.h"

namespace dxfprofile {
namespace {

// The output of one profile, with its block, made for each file written.
std::unique_ptr<OutputFile> newOutput() {
    return std::make_unique<OutputFile>();
}

void leaveEmptyFile(const char* outputFilename) {
    std::unique_ptr<OutputFile> output = newOutput();
    if (openOutput(*output, outputFilename) == 0) commitOutput(*output);
}

}  // namespace

void leaveEmptyProfile(const char* layerName) {
    char outputFilename[PROFILE_NAME_BUFFER];
    if (profileFileName(layerName, outputFilename) == 0) leaveEmptyFile(outputFilename);
}

int randomLetter() {
    const int low = 'A';
    const int high = 'Z';
    return std::rand() % (high - low + 1) + low;
}

void writeEntity(OutputFile& profileOutput, EntityTable& table, int index) {
    const EntityRecord& record = table.records[index];
    const RecordFormat* format = recordFormatOf(record.type);
    if (format == nullptr) return;
    int* sequence = record.type == ENTITY_LINE    ? &table.lineSequence
                    : record.type == ENTITY_ARC   ? &table.arcSequence
                    : record.type == ENTITY_POINT ? &table.pointSequence
                                                  : &table.circleSequence;
    // The word padded to the longest, "CIRCLE ", then the tag and the type.
    printOutput(profileOutput, "%-7.*s%c%02d %d ", static_cast<int>(format->word.size()),
                format->word.data(), format->letter, *sequence, static_cast<int>(record.type));
    ++*sequence;
    for (int i = 0; i < format->values; ++i) {
        printOutput(profileOutput, i + 1 < format->values ? "%11.6f " : "%11.6f\n",
                    static_cast<double>(record.values[i]));
    }
}

int writeProfile(EntityTable& table, const char* layerName, std::FILE* messages) {
    std::unique_ptr<OutputFile> output = newOutput();
    OutputFile& profileOutput = *output;
    char outputFilename[PROFILE_NAME_BUFFER];
    if (profileFileName(layerName, outputFilename) != 0 ||
        openOutput(profileOutput, outputFilename) != 0) {
        std::fprintf(messages, "\ncan't open output file\n");
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

    std::fprintf(messages, "\nProcessed %u entities", static_cast<unsigned>(table.entityCount));
    if (table.entityCount > MAX_ENTITIES) {
        std::fprintf(messages, "\nError: DXF layer contains too many entities");
        commitOutput(profileOutput);
        return -5;
    }

    printOutput(profileOutput, "%s,%s\n", layerName, filename);
    printOutput(profileOutput, "%u\n", static_cast<unsigned>(table.entityCount));
    for (int index = 0; index < static_cast<int>(table.entityCount); ++index) {
        writeEntity(profileOutput, table, index);
    }
    writeOutput(profileOutput, "EOF\n", 4);
    if (commitOutput(profileOutput) != 0) {
        std::fprintf(messages, "\nError: can't write output file %s\n", outputFilename);
        leaveEmptyFile(outputFilename);
        return -4;
    }
    return 0;
}

}  // namespace dxfprofile
