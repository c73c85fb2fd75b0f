#include "mode2/drawing_units.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "test_support.h"

namespace dxfprofile {
namespace {

int unitsOf(const std::string& text) {
    testing::ScopedTempDir dir;
    testing::writeFile(dir.file("plan.dxf"), text);
    int fd = ::open(dir.file("plan.dxf").c_str(), O_RDONLY);
    EXPECT_EQ(::lseek(fd, 5, SEEK_SET), 5);  // read from the start all the same
    int units = readDrawingUnits(fd);
    ::close(fd);
    return units;
}

TEST(ReadDrawingUnits, TakesInsunitsFromTheHeaderOnly) {
    const std::string head = "  0\nSECTION\n  2\nHEADER\n";
    const std::string units = "  9\n$INSUNITS\n 70\n     1\n";
    // Enough variables before it to fill more than one block.
    std::string many;
    while (many.size() < (std::size_t{1} << 21)) many += "  9\n$ANGBASE\n 50\n0.0\n";
    const std::string entities = "  0\nSECTION\n  2\nENTITIES\n" + units + "  0\nENDSEC\n";
    EXPECT_EQ(unitsOf("999\nwritten by hand\n" + head + units + "  0\nENDSEC\n"), 1);
    EXPECT_EQ(unitsOf(head + many + units + "  0\nENDSEC\n  0\nEOF\n"), 1);
    EXPECT_EQ(unitsOf("  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$INSUNITS\r\n 70\r\n4\r\n"), 4);
    EXPECT_EQ(unitsOf(head + "  0\nENDSEC\n" + entities), UNITS_UNKNOWN);
    EXPECT_EQ(unitsOf(entities), UNITS_UNKNOWN);
    EXPECT_EQ(unitsOf(head + "  9\n$INSUNITS\n  9\n$X\n 70\n1\n"), UNITS_UNKNOWN);
    EXPECT_EQ(unitsOf(""), UNITS_UNKNOWN);
}

TEST(UnitsName, NamesTheDefinedValues) {
    EXPECT_STREQ(unitsName(1), "inches");
    EXPECT_STREQ(unitsName(24), "US survey miles");
    EXPECT_EQ(unitsName(25), nullptr);
    EXPECT_EQ(unitsName(-1), nullptr);
}

}  // namespace
}  // namespace dxfprofile
