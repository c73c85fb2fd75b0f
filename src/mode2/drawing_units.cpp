#include "mode2/drawing_units.h"

#include <cstdlib>
#include <string>
#include <string_view>

#include "dxf/group_code.h"
#include "geometry/curve_span.h"
#include "io/block_lines.h"
#include "io/diagnostics.h"

namespace dxfprofile {
namespace {

constexpr const char* UNITS_NAMES[] = {
    "no units",
    "inches",
    "feet",
    "miles",
    "millimetres",
    "centimetres",
    "metres",
    "kilometres",
    "microinches",
    "mils",
    "yards",
    "angstroms",
    "nanometres",
    "microns",
    "decimetres",
    "decametres",
    "hectometres",
    "gigametres",
    "astronomical units",
    "light years",
    "parsecs",
    "US survey feet",
    "US survey inches",
    "US survey yards",
    "US survey miles",
};
constexpr int UNITS_COUNT = static_cast<int>(sizeof UNITS_NAMES / sizeof UNITS_NAMES[0]);

// The groups of the HEADER section: (0, SECTION), (2, HEADER), then pairs of
// a variable's name (group 9) and its value.
int unitsInHeader(BlockLines& lines) {
    std::string_view line;
    int code = 0;
    int groups = 0;
    bool wanted = false;
    while (lines.next(line) && parseGroupCode(line, code) && lines.next(line)) {
        if (code == 999) continue;  // a comment
        ++groups;
        if (groups == 1 && (code != 0 || line != "SECTION")) return UNITS_UNKNOWN;
        if (groups == 2 && (code != 2 || line != "HEADER")) return UNITS_UNKNOWN;
        if (code == 0 && groups > 1) return UNITS_UNKNOWN;  // ENDSEC, or no HEADER
        if (wanted && code == 70) return std::atoi(std::string(line).c_str());
        wanted = code == 9 && line == "$INSUNITS";
    }
    return UNITS_UNKNOWN;
}

}  // namespace

int readDrawingUnits(int fd) {
    BlockLines lines(fd, HEADER_READ_LIMIT);
    return unitsInHeader(lines);
}

const char* unitsName(int units) {
    return units >= 0 && units < UNITS_COUNT ? UNITS_NAMES[units] : nullptr;
}

void noteDrawingUnits(const char* path, int units) {
    if (units == UNITS_UNKNOWN || units == UNITS_UNITLESS || units == UNITS_MILLIMETRES) return;
    const char* name = unitsName(units);
    if (name == nullptr) {
        printNote(
            "%s gives its units as $INSUNITS %d; profile values are in drawing units, as "
            "is the curve tolerance %g",
            path, units, CURVE_TOLERANCE);
    } else {
        printNote(
            "%s is drawn in %s ($INSUNITS %d); profile values are in drawing units, as is "
            "the curve tolerance %g",
            path, name, units, CURVE_TOLERANCE);
    }
}

}  // namespace dxfprofile
