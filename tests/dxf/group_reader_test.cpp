#include "dxf/group_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace dxfprofile {
namespace {

TEST(GroupCode, ParsesAnIntegerBetweenBlanks) {
    struct Row {
        const char* name;
        const char* text;
        bool parsed;
        int code;
    } rows[] = {
        {"right-aligned 0", "  0", true, 0},
        {"bare 0", "0", true, 0},
        {"two columns", " 8", true, 8},
        {"tab and CR around", "\t8\r", true, 8},
        {"plus sign", "+8", true, 8},
        {"minus zero", "-0", true, 0},
        {"leading zero", "08", true, 8},
        {"three digits", "100", true, 100},
        {"negative in three columns", " -5", true, -5},
        {"nine digits", "123456789", true, 123456789},
        {"empty", "", false, 0},
        {"blank", " ", false, 0},
        {"sign alone", " -", false, 0},
        {"two numbers", "8 8", false, 0},
        {"a real", "1.0", false, 0},
        {"ten digits", "1234567890", false, 0},
        {"a letter", "A", false, 0},
        {"a letter in three columns", " 8A", false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        int code = -99;
        EXPECT_EQ(parseGroupCode(row.text, code), row.parsed);
        EXPECT_EQ(code, row.parsed ? row.code : -99);
    }
}

class GroupReaderTest : public ::testing::Test {
  protected:
    GroupReader& open(const std::string& bytes) {
        bytes_ = bytes;
        source_.attachSpan(bytes_.data(), bytes_.size());
        reader_.startHere();
        return reader_;
    }

    std::string bytes_;
    LineSource source_;
    GroupReader reader_{source_};
    Group group_;
};

TEST_F(GroupReaderTest, ACodeLineThatIsNoIntegerIsAnError) {
    GroupReader& reader = open("  0\r\nLINE\r\nAB\r\n1.0\r\n");
    ASSERT_EQ(reader.next(group_), 1);
    EXPECT_EQ(group_.value, "LINE");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(reader.next(group_), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "\nError: line 3 is not a group code\n");
}

TEST_F(GroupReaderTest, JoinsLongValuesOfTheCodesThatReadersUse) {
    const std::string value = std::string(100, 'v') + "," + std::string(99, 'w');
    for (int code : {0, 8, 10, 99, 200, 239, 1, 9, 100, 240, 999, 1000}) {
        SCOPED_TRACE(code);
        GroupReader& reader = open(std::to_string(code) + "\r\n" + value + "\r\n  0\r\nNEXT\r\n");
        bool joined =
            code == 0 || code == 8 || (code >= 10 && code <= 99) || (code >= 200 && code <= 239);
        ASSERT_EQ(reader.next(group_), 1);
        EXPECT_EQ(group_.value, joined ? value : value.substr(0, PIECE_LENGTH));
        ASSERT_EQ(reader.next(group_), 1);
        EXPECT_EQ(group_.line, 3u);
        EXPECT_EQ(group_.value, "NEXT");
    }
}

TEST_F(GroupReaderTest, EndOfFileInsideAPairGivesZero) {
    for (const char* bytes : {"", "  8", "  8\n", "  8\r\n"}) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(open(bytes).next(group_), 0);
    }
}

}  // namespace
}  // namespace dxfprofile
