#include "mode2/drawing_units.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "bytes/line_source.h"
#include "dxf/group_reader.h"
#include "geometry/curve_span.h"
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
int unitsInHeader(GroupReader& reader) {
    const LineSource& source = reader.source();
    Group group;
    int groups = 0;
    bool wanted = false;
    while (source.offset() < HEADER_READ_LIMIT && reader.next(group) == 1) {
        if (group.code == 999) continue;  // a comment
        ++groups;
        if (groups == 1 && (group.code != 0 || group.value != "SECTION")) return UNITS_UNKNOWN;
        if (groups == 2 && (group.code != 2 || group.value != "HEADER")) return UNITS_UNKNOWN;
        if (group.code == 0 && groups > 1) return UNITS_UNKNOWN;  // ENDSEC, or no HEADER
        if (wanted && group.code == 70) return std::atoi(std::string(group.value).c_str());
        wanted = group.code == 9 && group.value == "$INSUNITS";
    }
    return UNITS_UNKNOWN;
}

}  // namespace

int readDrawingUnits(int fd) {
    // The drawing has been read to its end: back to its start, where a pipe
    // cannot go.
    if (::lseek(fd, 0, SEEK_SET) != 0) return UNITS_UNKNOWN;
    LineSource source;
    source.attach(fd);
    GroupReader reader(source, true);
    reader.startHere();
    return unitsInHeader(reader);
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
