#include "cli/binary_dxf.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::ScopedTempDir;
using testing::writeFile;

const std::string SENTINEL(BINARY_DXF_SENTINEL, BINARY_DXF_SENTINEL_SIZE);

TEST(BinaryDxf, OnlyTheWholeSentinelMarksABinaryDrawing) {
    struct Case {
        const char* name;
        std::string bytes;
        bool binary;
    };
    const Case cases[] = {
        {"sentinel alone", SENTINEL, true},
        {"sentinel and binary groups", SENTINEL + std::string("\0\x08\0LINE\0", 8), true},
        {"sentinel without its NUL", SENTINEL.substr(0, 21), false},
        {"sentinel with an LF line end", "AutoCAD Binary DXF\n\x1a" + std::string(1, '\0'), false},
        {"sentinel without its SUB", "AutoCAD Binary DXF\r\n" + std::string(1, '\0') + "x", false},
        {"text drawing", "  0\nSECTION\n  2\nENTITIES\n", false},
        {"text naming the sentinel", "AutoCAD Binary DXF\r\n is not this file\n", false},
        {"empty file", "", false},
    };
    ScopedTempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(dir.file("in.dxf"), c.bytes);
        int fd = ::open(dir.file("in.dxf").c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(isBinaryDxf(fd), c.binary);
        EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 0);  // the reader starts at the front
        ::close(fd);
    }
}

}  // namespace
}  // namespace dxfprofile
