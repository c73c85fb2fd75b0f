#include "preview/xml_text.h"

#include <gtest/gtest.h>

#include <string>

namespace dxfprofile {
namespace {

TEST(XmlText, EscapesMarkupAndKeepsUtf8) {
    struct Case {
        const char* what;
        std::string text;
        const char* escaped;
    };
    const Case cases[] = {
        {"plain", "Pocket", "Pocket"},
        {"markup", "a&b<c>\"d'", "a&amp;b&lt;c&gt;&quot;d'"},
        {"utf-8 kept", "trac\xC3\xA9 \xE2\x82\xAC", "trac\xC3\xA9 \xE2\x82\xAC"},
        {"windows-1252 e acute", "trac\xE9", "trac&#xE9;"},
        {"windows-1252 euro and dash", "\x80\x96x", "&#x20AC;&#x2013;x"},
        {"byte the code page leaves free", "\x81", "&#xFFFD;"},
        {"control character",
         "a\x01"
         "b\tc",
         "a&#xFFFD;b\tc"},
        {"utf-8 non-character", "\xEF\xBF\xBE", "&#xFFFD;"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        char out[64];
        int n = escapeXmlText(out, sizeof out, c.text);
        EXPECT_EQ(std::string(out), c.escaped) << c.what;
        EXPECT_EQ(n, static_cast<int>(std::string(c.escaped).size())) << c.what;
    }
    char tiny[4];
    EXPECT_EQ(escapeXmlText(tiny, sizeof tiny, "a&b"), -1);
}

TEST(XmlText, TellsUtf8FromOtherBytes) {
    EXPECT_TRUE(isUtf8("caf\xC3\xA9 \xF0\x9F\x94\xA7"));
    EXPECT_FALSE(isUtf8("caf\xE9"));           // a Windows-1252 byte
    EXPECT_FALSE(isUtf8("\xC0\xAF"));          // overlong '/'
    EXPECT_FALSE(isUtf8("\xE0\x80\xAF"));      // overlong in three bytes
    EXPECT_FALSE(isUtf8("\xED\xA0\x80"));      // a surrogate
    EXPECT_FALSE(isUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(isUtf8("\xC3"));              // cut short
}

}  // namespace
}  // namespace dxfprofile
