#include "mode2/section_probe.h"

#include <cstdint>
#include <string_view>

#include "io/block_lines.h"
#include "io/diagnostics.h"

namespace dxfprofile {

void noteSectionFailure(int fd, const char* path) {
    BlockLines lines(fd);
    std::string_view line;
    std::uint64_t number = 0;  // of the last line read
    int code = 0;
    bool section = false;  // the last pair was (0, SECTION)
    bool inside = false;
    bool complete = false;  // its (0, ENDSEC) was read
    for (;;) {
        if (!lines.next(line)) break;
        ++number;
        if (!groupCodeOf(line, code)) {
            if (!inside) break;
            noteFailure("line %llu of %s is not a group code",
                        static_cast<unsigned long long>(number), path);
            return;
        }
        if (!lines.next(line)) break;
        ++number;
        if (inside && code == 0 && line == "ENDSEC") {
            complete = true;
            break;
        }
        inside = inside || (section && code == 2 && line == "ENTITIES");
        section = code == 0 && line == "SECTION";
    }
    if (!inside) {
        noteFailure("%s has no ENTITIES section", path);
    } else if (!complete) {
        noteFailure("%s ends inside its ENTITIES section", path);
    } else {
        noteFailure("cannot copy the ENTITIES section of %s", path);
    }
}

}  // namespace dxfprofile
