// The drawing's units: the HEADER variable $INSUNITS, which says what one
// unit of the drawing's coordinates is. Profiles hold the coordinates as they
// are, so a drawing in inches gives a profile in inches.
#pragma once

#include <cstdint>

namespace dxfprofile {

inline constexpr int UNITS_UNKNOWN = -1;
inline constexpr int UNITS_UNITLESS = 0;
inline constexpr int UNITS_MILLIMETRES = 4;
// The HEADER section is read up to this many bytes; real ones are far smaller.
inline constexpr std::uint64_t HEADER_READ_LIMIT = 1 << 22;

// The value of $INSUNITS in the HEADER section of the DXF file open on `fd`,
// read from the file's start (the descriptor's offset moves); UNITS_UNKNOWN
// when the file cannot go back to its start, or the drawing has no HEADER
// section first or no $INSUNITS in it.
int readDrawingUnits(int fd);

// The name of a $INSUNITS value ("inches"), or nullptr for one not defined.
const char* unitsName(int units);

// Says on standard error, for units that are neither unitless nor
// millimetres, which units `path` uses and that the profile values are in them.
void noteDrawingUnits(const char* path, int units);

}  // namespace dxfprofile
