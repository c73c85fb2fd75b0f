// The sections of a drawing: each begins with the pairs (0, SECTION) and
// (2, its name).
#pragma once

#include <string>

#include "dxf/group_reader.h"

namespace dxfprofile {

enum class SectionSearch { found, notFound, failed };

// Finds the next section and stops at the start of the line of its name,
// which `name` then holds. notFound when the file ends first; failed on a
// line that holds no group code or a file that cannot be read again.
SectionSearch findSection(GroupReader& reader, std::string& name);

// Whether the input begins with a section, as a drawing does (comments
// before it aside), rather than with a section's name line, as the copy of
// a section does. The source is left where it was.
bool startsWithSection(LineSource& source);

}  // namespace dxfprofile
