#include "preview/svg_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::readFile;
using testing::ScopedTempDir;

const char* const SMALL_PROFILE =
    "Cut & <Mark>,ABCDEFGH.IJK\n"
    "4\n"
    "LINE   L01 101    0.000000    0.000000   50.000000    0.000000    0.000000\n"
    "ARC    A01 102   25.000000   25.000000   25.000000  180.000000  360.000000    0.000000  "
    "180.000000\n"
    "CIRCLE C01 104   10.000000   10.000000    2.500000    0.000000    0.000000\n"
    "POINT  P01 103    5.000000    5.000000    0.000000    0.000000    0.000000\n"
    "EOF\n";

const char* const SMALL_PICTURE =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"800\" height=\"800\" "
    "viewBox=\"-2.5 -52.5 55 55\">\n"
    "<title>Cut &amp; &lt;Mark&gt; (ABCDEFGH.IJK)</title>\n"
    "<desc>4 records; a dot marks where each line and arc starts</desc>\n"
    "<rect x=\"-2.5\" y=\"-52.5\" width=\"55\" height=\"55\" fill=\"#fff\"/>\n"
    "<g fill=\"none\" stroke=\"#000\" stroke-width=\"0.075\" stroke-linecap=\"round\" "
    "stroke-linejoin=\"round\">\n"
    "<line x1=\"0\" y1=\"0\" x2=\"50\" y2=\"0\"><title>L01</title></line>\n"
    "<path d=\"M 50 -25 A 25 25 0 0 0 0 -25\"><title>A01</title></path>\n"
    "<circle cx=\"10\" cy=\"-10\" r=\"2.5\"><title>C01</title></circle>\n"
    "<path d=\"M 5 -5 m -0.3 0 h 0.6 m -0.3 -0.3 v 0.6\"><title>P01</title></path>\n"
    "</g>\n"
    "<g fill=\"#d00000\" stroke=\"none\">\n"
    "<circle class=\"start\" cx=\"0\" cy=\"0\" r=\"0.15\"><title>L01 start</title></circle>\n"
    "<circle class=\"start\" cx=\"50\" cy=\"-25\" r=\"0.15\"><title>A01 start</title></circle>\n"
    "</g>\n"
    "</svg>\n";

Profile parsed(const std::string& text) {
    Profile profile;
    ProfileFault fault;
    EXPECT_EQ(parseProfile(text.data(), text.size(), profile, fault), 0) << fault.message;
    return profile;
}

TEST(SvgWriter, DrawsEveryKindOfRecordWithYUp) {
    ScopedTempDir dir;
    std::string path = dir.file("small.svg");
    ASSERT_EQ(writeSvg(parsed(SMALL_PROFILE), path.c_str()), 0);
    EXPECT_EQ(readFile(path), SMALL_PICTURE);
}

TEST(SvgWriter, DrawsArcsOverAHalfTurnAndArcsWhoseEndsMeet) {
    ScopedTempDir dir;
    std::string path = dir.file("arcs.svg");
    Profile profile = parsed(
        "L,ABCDEFGH.IJK\n2\n"
        "ARC    A01 102 0 0 2 0 0 90 0\n"
        "ARC    A02 102 0 0 2 0 0 270 270\n"
        "EOF\n");
    ASSERT_EQ(writeSvg(profile, path.c_str()), 0);
    std::string picture = readFile(path);
    EXPECT_NE(picture.find("<path d=\"M 0 -2 A 2 2 0 1 0 2 0\"><title>A01</title></path>\n"),
              std::string::npos)
        << picture;
    EXPECT_NE(picture.find("<path d=\"M 0 2 A 2 2 0 0 0 0 -2 A 2 2 0 0 0 0 2\">"
                           "<title>A02</title></path>\n"),
              std::string::npos)
        << picture;
}

TEST(SvgWriter, FormatsNumbersToFixedDecimalsWithoutTrailingZeros) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {-0.0000004, "0"},
        {2911.671875, "2911.671875"},
        {1234.5677490234375, "1234.567749"},
        {-12.5, "-12.5"},
        {100.0, "100"},
        {0.0000006, "0.000001"},
        {123456.5, "123456.5"},
        {3.4028234663852886e38, "340282346638528859811704183484516925440"},
    };
    for (const Case& c : cases) {
        char text[352];
        EXPECT_EQ(formatFixed(text, sizeof text, c.value, COORDINATE_DECIMALS),
                  static_cast<int>(std::string(c.text).size()));
        EXPECT_STREQ(text, c.text);
    }
    char small[4];
    EXPECT_EQ(formatFixed(small, sizeof small, 1234.0, 6), -1);
    char text[16];
    EXPECT_EQ(formatFixed(text, sizeof text, 12.375, 2), 5);
    EXPECT_STREQ(text, "12.38");
    EXPECT_EQ(formatFixed(text, sizeof text, -0.04, 1), 1);
    EXPECT_STREQ(text, "0");
    EXPECT_EQ(formatFixed(text, sizeof text, -180.1, 0), 4);
    EXPECT_STREQ(text, "-180");
    EXPECT_EQ(formatFixed(text, sizeof text, 1000.0, 2), 4);
    EXPECT_STREQ(text, "1000");
}

TEST(SvgWriter, LeavesNothingWhenTheWriteFails) {
    ScopedTempDir dir;
    std::string path = dir.file("full.svg");
    ASSERT_EQ(::symlink("/dev/full", path.c_str()), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(writeSvg(parsed(SMALL_PROFILE), path.c_str()), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Error: can't write output file " + path + "\n");

    std::string missing = dir.file("no/such/dir.svg");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(writeSvg(parsed(SMALL_PROFILE), missing.c_str()), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Error: can't write output file " + missing + "\n");
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);  // the link alone, no temporary file
}

TEST(SvgWriter, KeepsThePictureSizeFiniteForAVastDrawing) {
    ScopedTempDir dir;
    std::string path = dir.file("vast.svg");
    Profile profile = parsed("L,ABCDEFGH.IJK\n1\nLINE   L01 101 -8e307 0 8e307 1 0\nEOF\n");
    ASSERT_EQ(writeSvg(profile, path.c_str()), 0);
    EXPECT_NE(readFile(path).find(" width=\"800\" height=\"72.7273\" viewBox=\"-87999"),
              std::string::npos);
}

TEST(SvgWriter, RefusesADrawingTooLargeToFrame) {
    ScopedTempDir dir;
    std::string path = dir.file("huge.svg");
    Profile profile = parsed("L,ABCDEFGH.IJK\n1\nLINE   L01 101 -1e308 0 1e308 0 0\nEOF\n");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(writeSvg(profile, path.c_str()), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Error: the drawing is too large to draw\n");
    EXPECT_FALSE(testing::fileExists(path));
}

}  // namespace
}  // namespace dxfprofile
