#include "extract/section_extractor.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "io/output_file.h"
#include "reader/line_source.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::fileExists;
using testing::readFile;
using testing::referencePieces;
using testing::ScopedTempDir;
using testing::SettingsGuard;
using testing::writeFile;

// The SDXF file for a drawing, or nothing when the drawing has no section.
std::optional<std::string> expectedSdxf(const std::string& drawing) {
    std::vector<std::string> all = referencePieces(drawing);
    std::size_t i = 0;
    while (i < all.size() && all[i].find("ENTITIES") == std::string::npos) ++i;
    if (i == all.size()) return std::nullopt;
    std::string copy = all[i];
    for (++i; i < all.size(); ++i) {
        copy += all[i];
        if (all[i].find("ENDSEC") != std::string::npos) return copy + "EOF";
    }
    return std::nullopt;
}

struct Extracted {
    int status;
    std::string output;
    bool descriptorOpen;
};

Extracted extract(const std::string& inputPath) {
    int fd = ::open(inputPath.c_str(), O_RDONLY);
    EXPECT_GE(fd, 0);
    char SDXF_filename[PATH_BUFFER];
    ::testing::internal::CaptureStdout();
    int status = extractEntitiesSection(fd, inputPath.c_str(), SDXF_filename);
    std::string output = ::testing::internal::GetCapturedStdout();
    bool open = ::fcntl(fd, F_GETFD) != -1;
    ::close(fd);
    return {status, output, open};
}

std::size_t entryCount(const std::string& directory) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory)) {
        ++count;
    }
    return count;
}

TEST(SectionExtractor, CopiesTheSameBytesAtAnyReadSize) {
    // Random text around the markers: near misses, long lines, CR LF pairs
    // and lone CRs, so that markers and line ends fall on every boundary.
    ScopedTempDir dir;
    SettingsGuard guard;
    std::string input = dir.file("d.dxf");
    std::string sdxf = dir.file("d.sdxf");
    std::mt19937 random(4);
    const char* words[] = {"ENTITIES",
                           "ENDSEC",
                           "ENTITIE",
                           "NDSEC",
                           "E",
                           "\r\n",
                           "\n",
                           "\r",
                           "  0\n",
                           "x",
                           "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"};
    int written = 0;
    for (int round = 0; round < 60; ++round) {
        std::string drawing;
        std::size_t size = 200 + random() % 3000;
        while (drawing.size() < size) drawing += words[random() % std::size(words)];
        // Every other drawing is cut short, often before its markers.
        if (round % 2 == 1) drawing.resize(random() % 300);
        writeFile(input, drawing);
        std::optional<std::string> expected = expectedSdxf(drawing);
        for (bool bulk : {false, true}) {
            for (std::size_t limit : {std::size_t{1}, std::size_t{2}, std::size_t{63},
                                      std::size_t{66}, std::size_t{500}, SOURCE_BLOCK}) {
                sourceSettings.bulkSkip = bulk;
                sourceSettings.readLimit = limit;
                std::filesystem::remove(sdxf);
                Extracted run = extract(input);
                SCOPED_TRACE(::testing::Message()
                             << "round " << round << " bulk " << bulk << " read size " << limit);
                EXPECT_TRUE(run.descriptorOpen);
                if (expected) {
                    EXPECT_EQ(run.status, 0);
                    EXPECT_EQ(readFile(sdxf), *expected);
                    EXPECT_EQ(run.output, "");
                } else {
                    EXPECT_EQ(run.status, -1);
                    EXPECT_FALSE(fileExists(sdxf));
                }
                // Nothing else is left beside the input.
                EXPECT_EQ(entryCount(dir.path()), expected ? 2u : 1u);
            }
        }
        written += expected.has_value() ? 1 : 0;
    }
    // Both outcomes were met.
    EXPECT_GT(written, 5);
    EXPECT_LT(written, 55);
}

TEST(SectionExtractor, SectionLongerThanTheBlocksIsCopiedWhole) {
    ScopedTempDir dir;
    std::string entityText = "  0\r\nLINE\r\n100\r\nAcDbEntity\r\n  8\r\nWALLS\r\n";
    std::string section = "ENTITIES\r\n";
    while (section.size() < 3 * SOURCE_BLOCK) section += entityText;
    section += std::string(200, 'x') + "\r\n  0\r\nENDSEC\r\n";
    writeFile(dir.file("d.dxf"), "  0\r\nSECTION\r\n  2\r\n" + section + "  0\r\nEOF\r\n");
    Extracted run = extract(dir.file("d.dxf"));
    EXPECT_EQ(run.status, 0);
    std::string expected = *expectedSdxf(section);
    EXPECT_EQ(readFile(dir.file("d.sdxf")), expected);
    EXPECT_EQ(expected.find('\r'), std::string::npos);
}

}  // namespace
}  // namespace dxfprofile
