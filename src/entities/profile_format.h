// The profile file's format, shared by the writer and by the preview that
// reads it: "<layer>.txt" holding a header "layer,IDENTIFIER", the record
// count, one line per record ("LINE   L01 101" and its values) and "EOF".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "io/output_file.h"

namespace dxfprofile {

inline constexpr std::uint16_t ENTITY_LINE = 101;
inline constexpr std::uint16_t ENTITY_ARC = 102;
inline constexpr std::uint16_t ENTITY_POINT = 103;
inline constexpr std::uint16_t ENTITY_CIRCLE = 104;

// The most records a profile holds, and the values a record keeps.
inline constexpr int MAX_ENTITIES = 64;
inline constexpr int ENTITY_VALUES = 7;

struct RecordFormat {
    std::string_view word;  // the first word of its line
    char letter;            // of its tag, "L01"
    std::uint16_t type;
    int values;  // on its line, each "%11.6f"
};

inline constexpr RecordFormat RECORD_FORMATS[] = {
    {"LINE", 'L', ENTITY_LINE, 5},
    {"ARC", 'A', ENTITY_ARC, 7},
    {"POINT", 'P', ENTITY_POINT, 5},
    {"CIRCLE", 'C', ENTITY_CIRCLE, 5},
};

// The format of a record type, or nullptr.
const RecordFormat* recordFormatOf(std::uint16_t type);

// Room for a profile's file name of up to PATH_BUFFER characters, and for a
// few past it of one too long, as messages quote it.
inline constexpr std::size_t PROFILE_NAME_BUFFER = PATH_BUFFER + 8;

// Writes "<layerName>.txt" into `name`. Returns 0, or -1 when it is longer
// than a path may be or the layer name holds a '/', which would put the
// profile outside the working directory (`name` holds as much as fits).
int profileFileName(const char* layerName, char (&name)[PROFILE_NAME_BUFFER]);

}  // namespace dxfprofile
