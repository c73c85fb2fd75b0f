#include "preview/profile_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::ScopedTempDir;
using testing::writeFile;

const std::string GOOD_PROFILE =
    "OUTLINE,ABCDEFGH.IJK\n"
    "4\n"
    "LINE   L01 101    0.000000    0.000000   50.000000    0.000000    0.000000\n"
    "ARC    A01 102   25.000000   25.000000   25.000000  180.000000  360.000000    0.000000  "
    "180.000000\n"
    "CIRCLE C01 104   10.000000   10.000000    2.500000    0.000000    0.000000\n"
    "POINT  P01 103    5.000000   -5.500000    0.000000    0.000000    0.000000\n"
    "EOF\n";

struct Parsed {
    int status;
    std::string message;
};

Parsed parse(const std::string& text, Profile& profile) {
    ProfileFault fault;
    int status = parseProfile(text.data(), text.size(), profile, fault);
    return {status, fault.message};
}

TEST(ProfileReader, ReadsHeaderCountAndEveryRecord) {
    Profile profile;
    Parsed parsed = parse(GOOD_PROFILE, profile);
    ASSERT_EQ(parsed.status, 0) << parsed.message;
    EXPECT_STREQ(profile.layerName, "OUTLINE");
    EXPECT_STREQ(profile.identifier, "ABCDEFGH.IJK");
    ASSERT_EQ(profile.count, 4);
    const ProfileRecord& arc = profile.records[1];
    EXPECT_EQ(arc.type, 102);
    EXPECT_STREQ(arc.tag, "A01");
    EXPECT_EQ(arc.line, 4);
    const double arcValues[7] = {25.0, 25.0, 25.0, 180.0, 360.0, 0.0, 180.0};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(arc.values[i], arcValues[i]) << "value " << i + 1;
    EXPECT_EQ(profile.records[0].type, 101);
    EXPECT_EQ(profile.records[2].type, 104);
    EXPECT_STREQ(profile.records[3].tag, "P01");
    EXPECT_EQ(profile.records[3].values[1], -5.5);
    EXPECT_EQ(profile.records[3].line, 6);
}

TEST(ProfileReader, AcceptsCrLfLineEndsAndALastLineWithoutLineEnd) {
    std::string crlf;
    for (char c : GOOD_PROFILE) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    Profile profile;
    EXPECT_EQ(parse(crlf, profile).status, 0);
    std::string noEnd = GOOD_PROFILE.substr(0, GOOD_PROFILE.size() - 1);
    EXPECT_EQ(parse(noEnd, profile).status, 0);
    EXPECT_EQ(parse(GOOD_PROFILE + "\n  \n", profile).status, 0);
}

TEST(ProfileReader, KeepsALayerNameWithCommasWhole) {
    Profile profile;
    ASSERT_EQ(parse("a,b,c,ABCDEFGH.IJK\n0\nEOF\n", profile).status, 0);
    EXPECT_STREQ(profile.layerName, "a,b,c");
    EXPECT_EQ(profile.count, 0);
}

TEST(ProfileReader, RefusesAMalformedProfileNamingTheLine) {
    const std::string header = "L,ABCDEFGH.IJK\n";
    const std::string line =
        "LINE   L01 101    1.000000    2.000000    3.000000    4.000000    0.000000\n";
    struct Case {
        const char* what;
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"empty file", "", "line 1: no header \"layer,IDENT\""},
        {"header without comma", "OUTLINE\n1\n", "line 1: no header \"layer,IDENT\""},
        {"bad identifier", "L,ABCDEFG.IJK\n0\nEOF\n",
         "line 1: identifier \"ABCDEFG.IJK\" is not of the form ABCDEFGH.IJK"},
        {"lower-case identifier", "L,abcdefgh.ijk\n0\nEOF\n",
         "line 1: identifier \"abcdefgh.ijk\" is not of the form ABCDEFGH.IJK"},
        {"long layer name", std::string(256, 'n') + ",ABCDEFGH.IJK\n0\nEOF\n",
         "line 1: layer name longer than 255 characters"},
        {"no count", header, "line 2: no record count"},
        {"count not a number", header + "two\n", "line 2: record count \"two\" is not a number"},
        {"negative count", header + "-1\n", "line 2: record count \"-1\" is not a number"},
        {"count over 64", header + "65\n", "line 2: record count 65 is more than 64"},
        {"huge count", header + "99999999999999999999\n",
         "line 2: record count 99999999999999999999 is more than 64"},
        {"fewer records than count", header + "2\n" + line + "EOF\n",
         "line 4: EOF after 1 of 2 records"},
        {"file ends inside the records", header + "2\n" + line,
         "line 4: file ends after 1 of 2 records"},
        {"more records than count", header + "1\n" + line + line + "EOF\n",
         "line 4: more records than the count 1 on line 2"},
        {"no EOF", header + "1\n" + line, "line 4: file ends without EOF"},
        {"something else where EOF belongs", header + "1\n" + line + "END\n",
         "line 4: EOF expected"},
        {"text after EOF", header + "0\nEOF\nLINE\n", "line 4: text after EOF"},
        {"empty record line", header + "1\n\nEOF\n", "line 3: empty line where a record belongs"},
        {"unknown kind", header + "1\nSPLINE S01 105 1 2 3 4 5\nEOF\n",
         "line 3: \"SPLINE\" is not LINE, ARC, POINT or CIRCLE"},
        {"kind only", header + "1\nLINE\nEOF\n", "line 3: LINE record without tag and type code"},
        {"bad tag", header + "1\nLINE   1L 101 1 2 3 4 5\nEOF\n",
         "line 3: tag \"1L\" is not a letter and a number"},
        {"tag letter of another kind", header + "1\nLINE   A01 101 1 2 3 4 5\nEOF\n",
         "line 3: LINE record with tag A01"},
        {"type code not a number", header + "1\nLINE   L01 1O1 1 2 3 4 5\nEOF\n",
         "line 3: type code \"1O1\" is not a number"},
        {"type code above range", header + "1\nLINE   L01 105 1 2 3 4 5\nEOF\n",
         "line 3: type code 105 is outside 101 to 104"},
        {"type code below range", header + "1\nLINE   L01 100 1 2 3 4 5\nEOF\n",
         "line 3: type code 100 is outside 101 to 104"},
        {"type code of another kind", header + "1\nARC    A01 101 1 2 3 4 5 6 7\nEOF\n",
         "line 3: ARC record with type code 101"},
        {"too few values", header + "1\nLINE   L01 101 1 2 3 4\nEOF\n",
         "line 3: LINE record with 4 values (5 expected)"},
        {"arc with five values", header + "1\nARC    A01 102 1 2 3 4 5\nEOF\n",
         "line 3: ARC record with 5 values (7 expected)"},
        {"far too many values",
         header + "1\nPOINT  P01 103 1 2 3 4 5 6 7 8 9 10 11 12 13 14\nEOF\n",
         "line 3: POINT record with at least 13 values (5 expected)"},
        {"value not a number", header + "1\nCIRCLE C01 104 1 2 3,5 4 5\nEOF\n",
         "line 3: value 3 \"3,5\" is not a number"},
        {"not a number", header + "1\nCIRCLE C01 104 1 nan 3 4 5\nEOF\n",
         "line 3: value 2 \"nan\" is not finite"},
        {"negative not a number", header + "1\nCIRCLE C01 104 1 2 3 -nan 5\nEOF\n",
         "line 3: value 4 \"-nan\" is not finite"},
        {"infinite", header + "1\nCIRCLE C01 104 inf 2 3 4 5\nEOF\n",
         "line 3: value 1 \"inf\" is not finite"},
        {"number too large for a double", header + "1\nCIRCLE C01 104 1 2 1e999 4 5\nEOF\n",
         "line 3: value 3 \"1e999\" is not a number"},
    };
    for (const Case& c : cases) {
        Profile profile;
        Parsed parsed = parse(c.text, profile);
        EXPECT_EQ(parsed.status, -2) << c.what;
        EXPECT_EQ(parsed.message, c.message) << c.what;
    }
}

TEST(ProfileReader, ReportsAFileThatCannotBeReadOrIsTooLarge) {
    ScopedTempDir dir;
    Profile profile;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(readProfile(dir.file("absent.txt").c_str(), profile), -1);
    EXPECT_EQ(readProfile(dir.path().c_str(), profile), -1);
    writeFile(dir.file("big.txt"), std::string(PROFILE_BYTES + 1, '\n'));
    EXPECT_EQ(readProfile(dir.file("big.txt").c_str(), profile), -2);
    writeFile(dir.file("bad.txt"), "L,ABCDEFGH.IJK\n1\nEOF\n");
    EXPECT_EQ(readProfile(dir.file("bad.txt").c_str(), profile), -2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Error: can't open profile file " + dir.file("absent.txt") +
                  "\nError: can't read profile file " + dir.path() +
                  "\nError: " + dir.file("big.txt") +
                  " is larger than 65536 bytes; not a profile\nError: " + dir.file("bad.txt") +
                  ", line 3: EOF after 0 of 1 records\n");
}

}  // namespace
}  // namespace dxfprofile
