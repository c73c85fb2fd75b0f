#include "cli/derive_path.h"

#include <cstring>

#include "io/output_file.h"

namespace dxfprofile {

int derivePath(char* destination, const char* path, const char* suffix) {
    const char* slash = std::strrchr(path, '/');
    const char* component = slash == nullptr ? path : slash + 1;
    const char* dot = std::strchr(component, '.');
    std::size_t keep = dot == nullptr ? std::strlen(path) : static_cast<std::size_t>(dot - path);
    std::size_t suffixLength = std::strlen(suffix);
    if (keep + suffixLength >= PATH_BUFFER) {
        destination[0] = '\0';
        return -1;
    }
    std::memcpy(destination, path, keep);
    std::memcpy(destination + keep, suffix, suffixLength + 1);
    return 0;
}

}  // namespace dxfprofile
