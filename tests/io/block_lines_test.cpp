#include "io/block_lines.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace dxfprofile {
namespace {

std::vector<std::string> linesOf(const std::string& text, std::uint64_t limit = UINT64_MAX) {
    testing::ScopedTempDir dir;
    testing::writeFile(dir.file("f"), text);
    int fd = ::open(dir.file("f").c_str(), O_RDONLY);
    BlockLines lines(fd, limit);
    std::vector<std::string> result;
    std::string_view line;
    while (lines.next(line)) result.emplace_back(line);
    ::close(fd);
    return result;
}

TEST(BlockLines, SplitsLinesAcrossBlocksAndCutsLongOnes) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(linesOf("a\r\nb\n\nc"), (Lines{"a", "b", "", "c"}));
    EXPECT_EQ(linesOf("a\rb\n"), (Lines{"a\rb"}));
    EXPECT_EQ(linesOf(""), Lines{});
    EXPECT_EQ(linesOf("abc\ndef\n", 6), (Lines{"abc", "de"}));
    std::string across(LINE_BLOCK - 2, 'x');
    EXPECT_EQ(linesOf(across + "\r\nend\n"), (Lines{across, "end"}));
    std::string longLine(3 * LONGEST_LINE + 5, 'y');
    EXPECT_EQ(linesOf(longLine + "\r\nnext\n"), (Lines{longLine.substr(0, LONGEST_LINE), "next"}));
}

}  // namespace
}  // namespace dxfprofile
