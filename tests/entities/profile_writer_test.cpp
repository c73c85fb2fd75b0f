#include "entities/profile_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>

#include "entities/entity_table.h"
#include "entities/profile_text.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

// The table that the tests fill.
EntityTable entityTable;

using testing::fileExists;
using testing::readFile;
using testing::ScopedTempDir;
using testing::ScopedWorkingDir;
using testing::withoutIdentifier;
using testing::writeFile;

struct Written {
    int status;
    std::string output;
};

Written writeCaptured(const char* layerName) {
    ::testing::internal::CaptureStdout();
    int status = writeProfile(entityTable, layerName, stdout);
    return {status, ::testing::internal::GetCapturedStdout()};
}

std::set<std::string> entriesOf(const std::string& directory) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

void appendOutline() {
    resetEntityTable(entityTable);
    appendEntity(entityTable, ENTITY_LINE, {0, 0, 50, 0});
    appendEntity(entityTable, ENTITY_LINE, {50, 0, 50, 25});
    appendEntity(entityTable, ENTITY_ARC, {25, 25, 25, 180, 360, 0, 180});
    appendEntity(entityTable, ENTITY_LINE, {0, 25, 0, 0});
    appendEntity(entityTable, ENTITY_CIRCLE, {10, 10, 2.5f});
    appendEntity(entityTable, ENTITY_POINT, {5, 5, 0, 0, 0});
}

TEST(ProfileWriter, WritesTheOutlineExampleWithPerTypeNumbers) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    appendOutline();
    Written run = writeCaptured("OUTLINE");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "\nProcessed 6 entities");
    EXPECT_EQ(
        withoutIdentifier(readFile("OUTLINE.txt")),
        "OUTLINE,<ID>\n"
        "6\n"
        "LINE   L01 101    0.000000    0.000000   50.000000    0.000000    0.000000\n"
        "LINE   L02 101   50.000000    0.000000   50.000000   25.000000    0.000000\n"
        "ARC    A01 102   25.000000   25.000000   25.000000  180.000000  360.000000    0.000000  "
        "180.000000\n"
        "LINE   L03 101    0.000000   25.000000    0.000000    0.000000    0.000000\n"
        "CIRCLE C01 104   10.000000   10.000000    2.500000    0.000000    0.000000\n"
        "POINT  P01 103    5.000000    5.000000    0.000000    0.000000    0.000000\n"
        "EOF\n");
    // Only the profile itself: no temporary file is left beside it.
    EXPECT_EQ(entriesOf("."), std::set<std::string>{"OUTLINE.txt"});
}

TEST(ProfileWriter, ALayerWithoutRecordsGetsHeaderCountAndEof) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    resetEntityTable(entityTable);
    Written run = writeCaptured("EMPTY");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "\nProcessed 0 entities");
    EXPECT_EQ(withoutIdentifier(readFile("EMPTY.txt")), "EMPTY,<ID>\n0\nEOF\n");
}

TEST(ProfileWriter, PrintsSinglePrecisionValuesInElevenCharacterFields) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    resetEntityTable(entityTable);
    appendEntity(entityTable, ENTITY_LINE, {1234.5678f, -12.5f, 123456.5f, -0.25f});
    appendEntity(entityTable, ENTITY_POINT, {-1234567.0f, 0.0000004f, 5e-8f, 0, 0});
    EXPECT_EQ(writeCaptured("V").status, 0);
    EXPECT_EQ(withoutIdentifier(readFile("V.txt")),
              "V,<ID>\n"
              "2\n"
              "LINE   L01 101 1234.567749  -12.500000 123456.500000   -0.250000    0.000000\n"
              "POINT  P01 103 -1234567.000000    0.000000    0.000000    0.000000    0.000000\n"
              "EOF\n");
}

TEST(ProfileWriter, WritesAllOf64Records) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    resetEntityTable(entityTable);
    std::string expected = "FULL,<ID>\n64\n";
    for (int i = 0; i < 64; ++i) {
        appendEntity(entityTable, ENTITY_CIRCLE, {static_cast<float>(i), 1, 2});
        char line[128];
        std::snprintf(line, sizeof line,
                      "CIRCLE C%02d 104 %11.6f    1.000000    2.000000    0.000000    0.000000\n",
                      i + 1, static_cast<double>(i));
        expected += line;
    }
    expected += "EOF\n";
    Written run = writeCaptured("FULL");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "\nProcessed 64 entities");
    EXPECT_EQ(withoutIdentifier(readFile("FULL.txt")), expected);
}

TEST(ProfileWriter, RefusesMoreThan64RecordsAndEmptiesAnExistingProfile) {
    for (unsigned count : {65u, 65536u, 65537u, 70000u}) {
        ScopedTempDir dir;
        ScopedWorkingDir cwd(dir.path());
        writeFile("MANY.txt", "an older profile\n");
        resetEntityTable(entityTable);
        for (unsigned i = 0; i < count; ++i)
            appendEntity(entityTable, ENTITY_POINT, {1, 2, 3, 0, 0});
        Written run = writeCaptured("MANY");
        EXPECT_EQ(run.status, -5) << count;
        EXPECT_EQ(run.output, "\nProcessed " + std::to_string(count) +
                                  " entities\nError: DXF layer contains too many entities")
            << count;
        EXPECT_TRUE(fileExists("MANY.txt"));
        EXPECT_EQ(readFile("MANY.txt"), "") << count;
        EXPECT_EQ(entriesOf("."), std::set<std::string>{"MANY.txt"});
    }
}

TEST(ProfileWriter, RefusesALayerNameWithASlashAndCreatesNothing) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    std::filesystem::create_directory("sub");
    resetEntityTable(entityTable);
    appendEntity(entityTable, ENTITY_LINE, {1, 2, 3, 4});
    for (const char* name : {"sub/A", "../A", "/A", "A/"}) {
        Written run = writeCaptured(name);
        EXPECT_EQ(run.status, -4) << name;
        EXPECT_EQ(run.output, "\ncan't open output file\n") << name;
    }
    EXPECT_EQ(entriesOf("."), std::set<std::string>{"sub"});
    EXPECT_TRUE(entriesOf("sub").empty());
    EXPECT_FALSE(fileExists("../A.txt"));
}

TEST(ProfileWriter, ADirectoryUnderTheProfileNameCannotBeOpened) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    std::filesystem::create_directory("A.txt");
    resetEntityTable(entityTable);
    appendEntity(entityTable, ENTITY_LINE, {1, 2, 3, 4});
    Written run = writeCaptured("A");
    EXPECT_EQ(run.status, -4);
    EXPECT_EQ(run.output, "\ncan't open output file\n");
    EXPECT_EQ(entriesOf("."), std::set<std::string>{"A.txt"});
}

TEST(ProfileWriter, AFailedWriteEndsWithMinusFour) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    ASSERT_EQ(::symlink("/dev/full", "A.txt"), 0);
    resetEntityTable(entityTable);
    appendEntity(entityTable, ENTITY_LINE, {1, 2, 3, 4});
    Written run = writeCaptured("A");
    EXPECT_EQ(run.status, -4);
    EXPECT_EQ(run.output, "\nProcessed 1 entities\nError: can't write output file A.txt\n");
    // The link is still there and nothing else was created.
    EXPECT_TRUE(std::filesystem::is_symlink("A.txt"));
    EXPECT_EQ(entriesOf("."), std::set<std::string>{"A.txt"});
}

TEST(ProfileWriter, KeepsACommaInTheLayerNameAsItIs) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    resetEntityTable(entityTable);
    Written run = writeCaptured("WALLS,NORTH");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(withoutIdentifier(readFile("WALLS,NORTH.txt")), "WALLS,NORTH,<ID>\n0\nEOF\n");
}

TEST(ProfileWriter, TwoRunsInOneSecondDrawTheSameIdentifier) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    resetEntityTable(entityTable);
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::time_t before = std::time(nullptr);
        writeCaptured("A");
        writeCaptured("B");
        if (std::time(nullptr) != before) continue;  // a second boundary fell between
        EXPECT_EQ(readFile("A.txt").substr(2), readFile("B.txt").substr(2));
        return;
    }
}

TEST(ProfileWriter, RandomLettersAreCapitals) {
    std::srand(7);
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        int letter = randomLetter();
        ASSERT_GE(letter, 'A');
        ASSERT_LE(letter, 'Z');
        seen.insert(letter);
    }
    EXPECT_EQ(seen.size(), 26u);
}

}  // namespace
}  // namespace dxfprofile
