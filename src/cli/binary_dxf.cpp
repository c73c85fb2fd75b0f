#include "cli/binary_dxf.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace dxfprofile {

bool isBinaryDxf(int fd) {
    char head[BINARY_DXF_SENTINEL_SIZE];
    std::size_t filled = 0;
    while (filled < sizeof head) {
        ssize_t n = ::pread(fd, head + filled, sizeof head - filled, static_cast<off_t>(filled));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        filled += static_cast<std::size_t>(n);
    }
    return std::memcmp(head, BINARY_DXF_SENTINEL, sizeof head) == 0;
}

}  // namespace dxfprofile
