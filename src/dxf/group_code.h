// The group code that a code line holds: an integer, with blanks, tabs and
// CR around it.
#pragma once

#include <string_view>

namespace dxfprofile {

// The group code that a code line holds; false when it holds none.
bool parseGroupCode(std::string_view text, int& code);

}  // namespace dxfprofile
