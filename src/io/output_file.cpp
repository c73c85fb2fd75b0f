#include "io/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "io/diagnostics.h"

namespace dxfprofile {
namespace {

// Remembers the reason of the first failure.
void fail(OutputFile& out, int error) {
    if (!out.failed) out.error = error;
    out.failed = true;
}

// Leaves `error` in errno for the caller's note; -1.
int refuse(int error) {
    errno = error;
    return -1;
}

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
            fail(out, errno);
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

// Bytes of finalPath up to and including its last '/'.
std::size_t directoryLength(const OutputFile& out) {
    const char* slash = std::strrchr(out.finalPath, '/');
    return slash == nullptr ? 0 : static_cast<std::size_t>(slash - out.finalPath) + 1;
}

// Puts the hidden name `.NAME.XXXXXX` beside the output into tempPath. The
// name keeps at most 200 bytes of the output's name, so that it fits a
// directory entry wherever the output's own name does.
bool hiddenName(OutputFile& out) {
    std::size_t dirLength = directoryLength(out);
    int n = std::snprintf(out.tempPath, sizeof out.tempPath, "%.*s.%.200s.XXXXXX",
                          static_cast<int>(dirLength), out.finalPath, out.finalPath + dirLength);
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof out.tempPath) return true;
    out.tempPath[0] = '\0';
    return false;
}

// Replaces the six X at the end of tempPath with letters and digits.
void fillRandomSuffix(OutputFile& out) {
    static const char LETTERS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::uint64_t& state = out.suffixState;
    if (state == 0) {
        struct timespec now = {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        state = (static_cast<std::uint64_t>(::getpid()) << 32) ^
                static_cast<std::uint64_t>(now.tv_nsec) ^
                (static_cast<std::uint64_t>(now.tv_sec) << 20) ^
                reinterpret_cast<std::uintptr_t>(&out);
        state |= 1;
    }
    char* suffix = out.tempPath + std::strlen(out.tempPath) - 6;
    for (int i = 0; i < 6; ++i) {
        // xorshift64
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        suffix[i] = LETTERS[state % (sizeof LETTERS - 1)];
    }
}

// The named temporary file: created private by mkstemp, then given the mode
// that a plain create would.
int openNamed(OutputFile& out) {
    if (!hiddenName(out)) return -1;
    out.fd = ::mkstemp(out.tempPath);
    if (out.fd < 0) {
        out.tempPath[0] = '\0';
        return -1;
    }
    mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(out.fd, 0666 & ~mask) != 0) fail(out, errno);
    return 0;
}

// The file's name in /proc, through which it can be linked into a directory.
void descriptorPath(char (&path)[32], int fd) {
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
}

// An unnamed file in the output's directory, readable too so that its bytes
// can be copied should the kernel refuse to link it. Where the file system
// has no unnamed files, or /proc is not there to link one through, the
// caller falls back to a named temporary file.
int openUnnamed(OutputFile& out) {
    char directory[sizeof out.finalPath] = ".";
    std::size_t dirLength = directoryLength(out);
    if (dirLength > 0) {
        std::memcpy(directory, out.finalPath, dirLength);
        directory[dirLength] = '\0';
    }
    int fd = ::open(directory, O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    char path[32];
    descriptorPath(path, fd);
    struct stat byPath;
    struct stat byDescriptor;
    if (::stat(path, &byPath) != 0 || ::fstat(fd, &byDescriptor) != 0 ||
        byPath.st_dev != byDescriptor.st_dev || byPath.st_ino != byDescriptor.st_ino) {
        ::close(fd);
        return -1;
    }
    out.fd = fd;
    out.unnamed = true;
    return 0;
}

// Copies the unnamed file into a named temporary file, which takes its place
// in `out`.
void copyToNamed(OutputFile& out) {
    int source = out.fd;
    out.fd = -1;
    if (openNamed(out) != 0) {
        out.fd = source;
        fail(out, errno);
        return;
    }
    off_t offset = 0;
    while (!out.failed) {
        ssize_t n = ::pread(source, out.block, OUTPUT_BLOCK, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n < 0) fail(out, errno);
            break;
        }
        writeAll(out, out.block, static_cast<std::size_t>(n));
        offset += n;
    }
    ::close(source);
}

// Gives the complete unnamed file a fresh hidden name beside the output, in
// tempPath. Where the link is refused, a named temporary file stands in.
void nameUnnamed(OutputFile& out) {
    out.unnamed = false;
    if (!hiddenName(out)) {
        fail(out, ENAMETOOLONG);
        return;
    }
    char path[32];
    descriptorPath(path, out.fd);
    for (int attempt = 0; out.settings.linkUnnamed && attempt < 100; ++attempt) {
        fillRandomSuffix(out);
        if (::linkat(AT_FDCWD, path, AT_FDCWD, out.tempPath, AT_SYMLINK_FOLLOW) == 0) return;
        if (errno != EEXIST) break;
    }
    out.tempPath[0] = '\0';
    copyToNamed(out);
}

// openOutput without its note.
int openAnyOutput(OutputFile& out, const char* path) {
    out.fd = -1;
    out.failed = false;
    out.error = 0;
    out.direct = false;
    out.unnamed = false;
    out.used = 0;
    out.tempPath[0] = '\0';
    if (path[0] == '\0') return refuse(ENOENT);
    if (!copyText(out.finalPath, sizeof out.finalPath, path)) return refuse(ENAMETOOLONG);

    struct stat info;
    if (::lstat(path, &info) == 0 && S_ISLNK(info.st_mode)) {
        // Replace the file the link points to, not the link; a link to a file
        // that is not there yet names the file to create.
        char target[PATH_MAX];
        if (::realpath(path, target) != nullptr) {
            if (!copyText(out.finalPath, sizeof out.finalPath, target)) return refuse(ENAMETOOLONG);
        } else if (!linkTarget(out.finalPath, sizeof out.finalPath, path)) {
            return refuse(errno == 0 ? ENAMETOOLONG : errno);
        }
    }
    if (::stat(out.finalPath, &info) == 0) {
        if (S_ISDIR(info.st_mode)) return refuse(EISDIR);
        if (!S_ISREG(info.st_mode)) return openDirect(out);
    }
    // The hidden name must fit whichever way the file is opened.
    if (!hiddenName(out)) return refuse(ENAMETOOLONG);
    out.tempPath[0] = '\0';
    if (out.settings.unnamedFiles && openUnnamed(out) == 0) return 0;
    return openNamed(out);
}

}  // namespace

int openOutput(OutputFile& out, const char* path) {
    errno = 0;
    if (openAnyOutput(out, path) == 0) return 0;
    noteSystemFailure("write", path, errno == 0 ? EIO : errno);
    return -1;
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
        fail(out, EOVERFLOW);
        return;
    }
    writeOutput(out, text, static_cast<std::size_t>(n));
}

int commitOutput(OutputFile& out) {
    if (out.fd < 0) return -1;
    flushOutput(out);
    if (out.unnamed && !out.failed) nameUnnamed(out);
    if (::close(out.fd) != 0) fail(out, errno);
    out.fd = -1;
    out.unnamed = false;
    if (out.direct && out.failed) noteSystemFailure("write", out.finalPath, out.error);
    if (out.direct) return out.failed ? -1 : 0;
    // The rename replaces a complete output with a complete one at once;
    // should it fail, the hidden name goes too.
    if (!out.failed && ::rename(out.tempPath, out.finalPath) != 0) fail(out, errno);
    if (out.failed) {
        noteSystemFailure("write", out.finalPath, out.error);
        if (out.tempPath[0] != '\0') ::unlink(out.tempPath);
        out.tempPath[0] = '\0';
        return -1;
    }
    out.tempPath[0] = '\0';
    return 0;
}

void discardOutput(OutputFile& out) {
    // An unnamed file goes with its last descriptor.
    if (out.fd >= 0) ::close(out.fd);
    out.fd = -1;
    out.unnamed = false;
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
