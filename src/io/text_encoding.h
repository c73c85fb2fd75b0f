// The encodings that names arrive in: UTF-8 from the command line, UTF-8 or
// the drawing's code page (Windows-1252 in practice) from the drawing, and
// the shell quoting in which messages show names so that they can be pasted.
#pragma once

#include <string>
#include <string_view>

namespace dxfprofile {

// Decodes strict UTF-8 (no overlong forms, no surrogates) into `text`.
// False, with `text` unspecified, when `bytes` is not UTF-8.
bool decodeUtf8(std::string_view bytes, std::u32string& text);

// Decodes Windows-1252; its five unassigned bytes stand for themselves.
std::u32string decodeWindows1252(std::string_view bytes);

// `bytes` quoted for a POSIX shell: 'text' when it is UTF-8 without control
// characters (a quote inside written '\''), otherwise $'text' with \\, \'
// and \xHH for every byte outside printable ASCII.
std::string shellQuoted(std::string_view bytes);

}  // namespace dxfprofile
