// The profile file: the layer's records with a header, a count and "EOF".
#pragma once

#include <cstdio>

namespace dxfprofile {

struct EntityTable;
struct OutputFile;

// Writes "<layerName>.txt" in the working directory from `table`,
// its messages to `messages`. Returns 0, -4 when the file cannot be opened
// or written, -5 when the layer holds more than MAX_ENTITIES records (the
// file is then left empty).
int writeProfile(EntityTable& table, const char* layerName, std::FILE* messages);

// Leaves an empty file under the profile's name, as a refused layer does,
// so that no earlier profile of the layer stays under it.
void leaveEmptyProfile(const char* layerName);

// One record line of the open profile file.
void writeEntity(OutputFile& profileOutput, EntityTable& table, int index);

// A character code from 'A' to 'Z' drawn from rand().
int randomLetter();

}  // namespace dxfprofile
