// The reading side of the preview: a profile file (header "layer,IDENT",
// record count, record lines, "EOF") checked line by line into a table.
#pragma once

#include <cstddef>

#include "entities/profile_format.h"

namespace dxfprofile {

inline constexpr int PROFILE_RECORDS = MAX_ENTITIES;   // the most a profile file holds
inline constexpr std::size_t PROFILE_BYTES = 1 << 16;  // far above the largest profile
inline constexpr std::size_t LAYER_NAME_BUFFER = 256;

struct ProfileRecord {
    int type = 0;      // 101 LINE, 102 ARC, 103 POINT, 104 CIRCLE
    char tag[8] = {};  // "L01", "A02", ...
    double values[7] = {};
    int line = 0;  // where the record stands in the file
};

struct Profile {
    char layerName[LAYER_NAME_BUFFER] = {};
    char identifier[13] = {};
    int count = 0;
    ProfileRecord records[PROFILE_RECORDS];
};

// Why a profile was refused: "line N: <what is wrong>".
struct ProfileFault {
    char message[160] = {};
};

// Checks and reads the text of a profile file. Returns 0, or -2 with the
// reason in `fault`.
int parseProfile(const char* text, std::size_t size, Profile& profile, ProfileFault& fault);

// Reads the profile file at `path`. Returns 0; -1 when the file cannot be
// read, -2 when it is not a well-formed profile, after printing the reason
// with the path on standard error.
int readProfile(const char* path, Profile& profile);

}  // namespace dxfprofile
