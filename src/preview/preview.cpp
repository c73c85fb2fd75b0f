#include "preview/preview.h"

#include <cstdio>
#include <cstring>

#include "io/output_file.h"
#include "preview/profile_reader.h"
#include "preview/svg_writer.h"

namespace dxfprofile {
namespace {

void printUsage() {
    std::fprintf(stderr,
                 "Usage: dxfprofile-preview PROFILE.txt [OUT.svg]\n"
                 "       writes OUT.svg (by default PROFILE.svg), a picture of the profile\n");
}

}  // namespace

int previewPath(char* destination, std::size_t size, const char* profilePath) {
    const char* slash = std::strrchr(profilePath, '/');
    const char* base = slash == nullptr ? profilePath : slash + 1;
    const char* dot = std::strrchr(base, '.');
    // A leading dot names a hidden file; it starts no extension.
    std::size_t keep = dot == nullptr || dot == base ? std::strlen(profilePath)
                                                     : static_cast<std::size_t>(dot - profilePath);
    int n = std::snprintf(destination, size, "%.*s.svg", static_cast<int>(keep), profilePath);
    return n < 0 || static_cast<std::size_t>(n) >= size ? -1 : 0;
}

int runPreview(int argc, const char* const* argv) {
    if (argc < 2 || argc > 3) {
        printUsage();
        return -1;
    }
    const char* profilePath = argv[1];
    char svgPath[PATH_BUFFER];
    for (int i = 1; i < argc; ++i) {
        if (std::strlen(argv[i]) >= PATH_BUFFER) {
            std::fprintf(stderr, "Error: argument longer than %zu characters\n", PATH_BUFFER - 1);
            return -1;
        }
    }
    if (argc == 3) {
        std::strcpy(svgPath, argv[2]);
    } else if (previewPath(svgPath, sizeof svgPath, profilePath) != 0) {
        std::fprintf(stderr, "Error: output path longer than %zu characters\n", PATH_BUFFER - 1);
        return -1;
    }
    if (isSameFile(profilePath, svgPath)) {
        std::fprintf(stderr, "Error: %s would overwrite the input file\n", svgPath);
        return -1;
    }
    Profile profile;
    if (int status = readProfile(profilePath, profile); status != 0) return status;
    if (writeSvg(profile, svgPath) != 0) return -1;
    std::printf("%s: %d records drawn in %s\n", profilePath, profile.count, svgPath);
    return 0;
}

}  // namespace dxfprofile
