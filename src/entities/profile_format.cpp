#include "entities/profile_format.h"

#include <cstdio>
#include <cstring>

namespace dxfprofile {

const RecordFormat* recordFormatOf(std::uint16_t type) {
    for (const RecordFormat& format : RECORD_FORMATS) {
        if (format.type == type) return &format;
    }
    return nullptr;
}

int profileFileName(const char* layerName, char (&name)[PROFILE_NAME_BUFFER]) {
    int n = std::snprintf(name, sizeof name, "%s.txt", layerName);
    if (std::strchr(layerName, '/') != nullptr || n < 0 ||
        static_cast<std::size_t>(n) >= PATH_BUFFER)
        return -1;
    return 0;
}

}  // namespace dxfprofile
