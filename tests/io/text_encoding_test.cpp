#include "io/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace dxfprofile {
namespace {

TEST(ShellQuoted, QuotesSoThatAShellGivesBackTheBytes) {
    struct Case {
        std::string bytes;
        std::string quoted;
    };
    const Case cases[] = {
        {"", "''"},
        {"Walls", "'Walls'"},
        {" two words ", "' two words '"},
        {"it's", "'it'\\''s'"},
        {"trac\xc3\xa9", "'trac\xc3\xa9'"},  // UTF-8 stays readable
        {"trac\xe9", "$'trac\\xe9'"},        // a lone code-page byte
        {"trac\xe9"
         "ab",
         "$'trac\\xe9ab'"},  // \xHH takes two digits at most
        {"a\tb", "$'a\\x09b'"},
        {"c:\\d\xff'", "$'c:\\\\d\\xff\\''"},
        {"\xc2\x85", "$'\\xc2\\x85'"},  // a C1 control character
        {std::string("a\0b", 3), "$'a\\x00b'"},
    };
    for (const Case& c : cases) EXPECT_EQ(shellQuoted(c.bytes), c.quoted) << c.bytes;
}

TEST(DecodeUtf8, TakesOnlyStrictUtf8) {
    std::u32string text;
    EXPECT_TRUE(decodeUtf8("a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", text));
    EXPECT_EQ(text, (std::u32string{U'a', 0xE9, 0x20AC, 0x1F600}));
    for (const char* bad :
         {"\xc0\x80", "\xe0\x80\x80", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xc3", "\xe9x", "\x80"})
        EXPECT_FALSE(decodeUtf8(bad, text)) << bad;
}

TEST(DecodeWindows1252, MapsTheHighBytes) {
    EXPECT_EQ(decodeWindows1252("\x80\x81\x8c\x9f\xe9z"),
              (std::u32string{0x20AC, 0x81, 0x152, 0x178, 0xE9, U'z'}));
}

}  // namespace
}  // namespace dxfprofile
