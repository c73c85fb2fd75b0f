#include "io/text_encoding.h"

#include <cstdio>

namespace dxfprofile {
namespace {

// Windows-1252 bytes 0x80 to 0x9F; the rest of the page is Latin-1.
constexpr char32_t WINDOWS_1252_HIGH[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

}  // namespace

bool decodeUtf8(std::string_view bytes, std::u32string& text) {
    text.clear();
    std::size_t at = 0;
    while (at < bytes.size()) {
        auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
        unsigned char lead = byte(at);
        std::size_t length = lead < 0x80   ? 1
                             : lead < 0xC2 ? 0
                             : lead < 0xE0 ? 2
                             : lead < 0xF0 ? 3
                             : lead < 0xF5 ? 4
                                           : 0;
        if (length == 0 || at + length > bytes.size()) return false;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t i = 1; i < length; ++i) {
            if ((byte(at + i) & 0xC0) != 0x80) return false;
            c = c << 6 | (byte(at + i) & 0x3F);
        }
        static constexpr char32_t LEAST[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < LEAST[length] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return false;
        text.push_back(c);
        at += length;
    }
    return true;
}

std::u32string decodeWindows1252(std::string_view bytes) {
    std::u32string text;
    text.reserve(bytes.size());
    for (char b : bytes) {
        unsigned char byte = static_cast<unsigned char>(b);
        text.push_back(byte >= 0x80 && byte < 0xA0 ? WINDOWS_1252_HIGH[byte - 0x80] : byte);
    }
    return text;
}

std::string shellQuoted(std::string_view bytes) {
    std::u32string text;
    bool plain = decodeUtf8(bytes, text);
    for (char32_t c : text) plain = plain && !isControl(c);
    std::string quoted;
    if (plain) {
        quoted = "'";
        for (char c : bytes) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }
    quoted = "$'";
    for (char c : bytes) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '\'') {
            quoted += '\\';
            quoted += c;
        } else if (byte >= 0x20 && byte < 0x7F) {
            quoted += c;
        } else {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            quoted += escape;
        }
    }
    return quoted + "'";
}

}  // namespace dxfprofile
