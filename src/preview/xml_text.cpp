#include "preview/xml_text.h"

#include <cstdio>
#include <cstring>

namespace dxfprofile {
namespace {

// Windows-1252 bytes 0x80 to 0x9F; 0 where the code page leaves a byte free.
constexpr unsigned short WINDOWS_1252_HIGH[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

constexpr unsigned REPLACEMENT = 0xFFFD;

// The length of the UTF-8 sequence that starts at `text[i]`, or 0 when none
// does.
std::size_t sequenceLength(std::string_view text, std::size_t i) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned codePoint = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07u;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0u) != 0x80u) return 0;
        codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    bool overlong = (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
    bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (overlong || surrogate || codePoint > 0x10FFFF) return 0;
    return length;
}

struct Sink {
    char* out;
    std::size_t size;
    std::size_t used = 0;
    bool full = false;

    void put(const char* text, std::size_t length) {
        if (full || used + length >= size) {
            full = true;
            return;
        }
        std::memcpy(out + used, text, length);
        used += length;
    }
    void put(const char* text) { put(text, std::strlen(text)); }
    void putReference(unsigned codePoint) {
        char reference[16];
        int n = std::snprintf(reference, sizeof reference, "&#x%X;", codePoint);
        put(reference, static_cast<std::size_t>(n));
    }
};

// One byte below 0x80: markup escaped, control characters that XML does not
// allow replaced.
void putAscii(Sink& sink, char c) {
    switch (c) {
        case '&':
            sink.put("&amp;");
            return;
        case '<':
            sink.put("&lt;");
            return;
        case '>':
            sink.put("&gt;");
            return;
        case '"':
            sink.put("&quot;");
            return;
        default:
            break;
    }
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
        sink.putReference(REPLACEMENT);
        return;
    }
    sink.put(&c, 1);
}

}  // namespace

bool isUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = sequenceLength(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

int escapeXmlText(char* out, std::size_t size, std::string_view text) {
    Sink sink{out, size};
    bool utf8 = isUtf8(text);
    for (std::size_t i = 0; i < text.size();) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            putAscii(sink, text[i]);
            ++i;
        } else if (utf8) {
            std::size_t length = sequenceLength(text, i);
            // U+FFFE and U+FFFF are UTF-8 but not XML characters.
            bool nonCharacter = length == 3 && text.substr(i, 2) == "\xEF\xBF" &&
                                (static_cast<unsigned char>(text[i + 2]) & 0xFEu) == 0xBEu;
            if (nonCharacter) {
                sink.putReference(REPLACEMENT);
            } else {
                sink.put(text.data() + i, length);
            }
            i += length;
        } else {
            unsigned codePoint = byte >= 0xA0 ? byte : WINDOWS_1252_HIGH[byte - 0x80];
            sink.putReference(codePoint == 0 ? REPLACEMENT : codePoint);
            ++i;
        }
    }
    if (sink.full || size == 0) return -1;
    out[sink.used] = '\0';
    return static_cast<int>(sink.used);
}

}  // namespace dxfprofile
