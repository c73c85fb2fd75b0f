#include "io/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace dxfprofile {
namespace {

bool copyText(char* destination, std::size_t size, const char* text) {
    std::size_t length = std::strlen(text);
    if (length >= size) return false;
    std::memcpy(destination, text, length + 1);
    return true;
}

// The path that the link `path` holds, taken from the link's directory when
// it is relative.
bool linkTarget(char* destination, std::size_t size, const char* path) {
    char target[PATH_MAX];
    ssize_t length = ::readlink(path, target, sizeof target - 1);
    if (length <= 0) return false;
    target[length] = '\0';
    const char* slash = std::strrchr(path, '/');
    int directory = target[0] == '/' || slash == nullptr ? 0 : static_cast<int>(slash - path + 1);
    int n = std::snprintf(destination, size, "%.*s%s", directory, path, target);
    return n >= 0 && static_cast<std::size_t>(n) < size;
}

void writeAll(OutputFile& out, const char* data, std::size_t size) {
    while (size > 0 && !out.failed) {
        ssize_t written = ::write(out.fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            out.failed = true;
            return;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void flushOutput(OutputFile& out) {
    writeAll(out, out.block, out.used);
    out.used = 0;
}

// Opens a device, pipe or other non-regular file that already exists in place.
int openDirect(OutputFile& out) {
    // Not blocking: a named pipe that nobody reads fails here rather than
    // stopping the run for ever.
    out.fd = ::open(out.finalPath, O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK);
    if (out.fd < 0) return -1;
    int flags = ::fcntl(out.fd, F_GETFL);
    if (flags < 0 || ::fcntl(out.fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(out.fd);
        out.fd = -1;
        return -1;
    }
    out.direct = true;
    return 0;
}

}  // namespace

int openOutput(OutputFile& out, const char* path) {
    out.fd = -1;
    out.failed = false;
    out.direct = false;
    out.used = 0;
    out.tempPath[0] = '\0';
    if (!copyText(out.finalPath, sizeof out.finalPath, path) || path[0] == '\0') return -1;

    struct stat info;
    if (::lstat(path, &info) == 0 && S_ISLNK(info.st_mode)) {
        // Replace the file the link points to, not the link; a link to a file
        // that is not there yet names the file to create.
        char target[PATH_MAX];
        if (::realpath(path, target) != nullptr) {
            if (!copyText(out.finalPath, sizeof out.finalPath, target)) return -1;
        } else if (!linkTarget(out.finalPath, sizeof out.finalPath, path)) {
            return -1;
        }
    }
    if (::stat(out.finalPath, &info) == 0) {
        if (S_ISDIR(info.st_mode)) return -1;
        if (!S_ISREG(info.st_mode)) return openDirect(out);
    }

    const char* slash = std::strrchr(out.finalPath, '/');
    std::size_t dirLength =
        slash == nullptr ? 0 : static_cast<std::size_t>(slash - out.finalPath) + 1;
    const char* base = out.finalPath + dirLength;
    // The temporary name keeps at most 200 bytes of the output's name, so that
    // it fits a directory entry wherever the output's own name does.
    int n = std::snprintf(out.tempPath, sizeof out.tempPath, "%.*s.%.200s.XXXXXX",
                          static_cast<int>(dirLength), out.finalPath, base);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof out.tempPath) return -1;
    out.fd = ::mkstemp(out.tempPath);
    if (out.fd < 0) {
        out.tempPath[0] = '\0';
        return -1;
    }
    // mkstemp creates the file private; give it the mode a plain create would.
    mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(out.fd, 0666 & ~mask) != 0) out.failed = true;
    return 0;
}

void writeOutput(OutputFile& out, const char* data, std::size_t size) {
    if (out.failed) return;
    if (out.used + size > OUTPUT_BLOCK) {
        flushOutput(out);
        if (size >= OUTPUT_BLOCK) {
            writeAll(out, data, size);
            return;
        }
    }
    std::memcpy(out.block + out.used, data, size);
    out.used += size;
}

void printOutput(OutputFile& out, const char* format, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    int n = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof text) {
        out.failed = true;
        return;
    }
    writeOutput(out, text, static_cast<std::size_t>(n));
}

int commitOutput(OutputFile& out) {
    if (out.fd < 0) return -1;
    flushOutput(out);
    if (::close(out.fd) != 0) out.failed = true;
    out.fd = -1;
    if (out.direct) return out.failed ? -1 : 0;
    if (!out.failed && ::rename(out.tempPath, out.finalPath) != 0) out.failed = true;
    if (out.failed) {
        ::unlink(out.tempPath);
        out.tempPath[0] = '\0';
        return -1;
    }
    out.tempPath[0] = '\0';
    return 0;
}

void discardOutput(OutputFile& out) {
    if (out.fd >= 0) ::close(out.fd);
    out.fd = -1;
    if (!out.direct && out.tempPath[0] != '\0') ::unlink(out.tempPath);
    out.tempPath[0] = '\0';
}

bool isSameFile(const char* pathA, const char* pathB) {
    struct stat a;
    struct stat b;
    if (::stat(pathA, &a) != 0 || ::stat(pathB, &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace dxfprofile
