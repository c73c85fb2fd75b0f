// Layer names as XML text: markup characters escaped, and names that are
// not UTF-8 (drawings often carry Windows-1252 names) turned into
// character references, so that the picture is always well-formed XML.
#pragma once

#include <cstddef>
#include <string_view>

namespace dxfprofile {

// True when `text` is UTF-8 without overlong forms, surrogates or code
// points past U+10FFFF.
bool isUtf8(std::string_view text);

// Writes `text` as XML character data into `out` (at most `size` bytes with
// the terminator). Returns the length written, or -1 when it does not fit.
int escapeXmlText(char* out, std::size_t size, std::string_view text);

}  // namespace dxfprofile
