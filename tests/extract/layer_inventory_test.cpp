#include "extract/layer_inventory.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "reader/line_source.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::fileExists;
using testing::readFile;
using testing::ScopedTempDir;
using testing::ScopedWorkingDir;
using testing::SettingsGuard;
using testing::writeFile;

struct Listed {
    int status;
    std::string output;
};

Listed list(const char* sdxfPath) {
    ::testing::internal::CaptureStdout();
    int status = listLayers(sdxfPath);
    return {status, ::testing::internal::GetCapturedStdout()};
}

TEST(LayerInventory, FileWithoutEndsecEndsAtItsEndWithTheNamesFound) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    // The last name ends the file without a line end.
    writeFile("plan.sdxf",
              "ENTITIES\n  0\nLINE\n100\nAcDbEntity\n  8\nWALLS\n100\nAcDbLine\n"
              "  0\nLINE\n100\nAcDbEntity\n  8\nDOORS");
    Listed run = list("plan.sdxf");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "\nOutput:plan.layers\nFound 2 layers:\nWALLS\nDOORS");
    EXPECT_EQ(readFile("plan.layers"), "WALLS\nDOORS\n");
}

TEST(LayerInventory, FileEndingRightAfterTheMarkerOrTheGroupLine) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    for (const char* ending : {"100\nAcDbEntity\n", "100\nAcDbEntity\n  8\n", "100\nAcDbEntity"}) {
        writeFile("plan.sdxf", std::string("ENTITIES\n100\nAcDbEntity\n  8\nWALLS\n") + ending);
        Listed run = list("plan.sdxf");
        EXPECT_EQ(run.status, 0) << ending;
        EXPECT_EQ(run.output, "\nOutput:plan.layers\nFound 1 layers:\nWALLS") << ending;
        EXPECT_EQ(readFile("plan.layers"), "WALLS\n") << ending;
    }
}

TEST(LayerInventory, UnreadableSdxfLeavesAnEmptyLayersFile) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    Listed run = list("absent.sdxf");
    EXPECT_EQ(run.status, -2);
    EXPECT_EQ(run.output, "\nOutput:absent.layers\ncan't open input file\n");
    EXPECT_TRUE(fileExists("absent.layers"));
    EXPECT_EQ(readFile("absent.layers"), "");
}

TEST(LayerInventory, NameEndsAtANulByte) {
    // A name can only be given to mode 3 up to its first NUL byte.
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    using namespace std::string_literals;
    writeFile("plan.sdxf",
              "100\nAcDbEntity\n  8\nWA\0LLS\n100\nAcDbEntity\n  8\nWA\n  0\nENDSEC\nEOF"s);
    Listed run = list("plan.sdxf");
    EXPECT_EQ(run.output, "\nOutput:plan.layers\nFound 1 layers:\nWA");
    EXPECT_EQ(readFile("plan.layers"), "WA\n");
}

// The names that the scan lists: the line after a piece holding "AcDbEntity"
// must hold "  8" or begin with '8', and the line after it, its pieces
// joined, is the name.
std::vector<std::string> expectedNames(const std::string& bytes) {
    std::vector<std::string> pieces;
    std::string piece;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        piece += bytes[i];
        if (bytes[i] == '\n' || piece.size() == PIECE_LENGTH) {
            pieces.push_back(piece);
            piece.clear();
        }
    }
    if (!piece.empty()) pieces.push_back(piece);
    std::vector<std::string> names;
    std::size_t i = 0;
    while (i < pieces.size()) {
        const std::string& line = pieces[i++];
        if (line.find("ENDSEC") != std::string::npos) break;
        if (line.find("AcDbEntity") == std::string::npos || i == pieces.size()) continue;
        const std::string& group = pieces[i++];
        if (group.find("  8") == std::string::npos && group[0] != '8') continue;
        if (i == pieces.size()) break;
        std::string name;
        while (i < pieces.size()) {
            name += pieces[i++];
            if (name.back() == '\n') {
                name.pop_back();
                break;
            }
        }
        name = name.substr(0, name.find('\0'));
        bool known = false;
        for (const std::string& earlier : names) known = known || earlier == name;
        if (!known) names.push_back(name);
    }
    return names;
}

TEST(LayerInventory, ListsTheSameNamesAtAnyReadSize) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    SettingsGuard guard;
    std::mt19937 random(7);
    // Entities with every kind of group line and names of many lengths,
    // among noise, markers cut by piece boundaries and a rare "ENDSEC".
    const char* groups[] = {"  8\n", "8\n", " 8\n", " 67\n", "  8\r\n", "AcDbEntity\n"};
    const char* noise[] = {"AcDbEntity", "\r", "\n", "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx",
                           "  0\nLINE\n"};
    auto someName = [&random] {
        std::string name(random() % 4 == 0 ? 50 + random() % 100 : random() % 8, 'a');
        for (char& c : name) c = "aAbB c8"[random() % 7];
        return name + (random() % 2 == 0 ? "\n" : "\r\n");
    };
    std::size_t namesSeen = 0;
    std::size_t longNamesSeen = 0;
    for (int round = 0; round < 40; ++round) {
        std::string bytes;
        std::size_t size = 100 + random() % 3000;
        while (bytes.size() < size) {
            bytes += "100\nAcDbEntity\n";
            bytes += groups[random() % std::size(groups)];
            bytes += someName();
            if (random() % 2 == 0) bytes += noise[random() % std::size(noise)];
            if (random() % 200 == 0) bytes += "ENDSEC";
        }
        writeFile("plan.sdxf", bytes);
        std::vector<std::string> names = expectedNames(bytes);
        namesSeen += names.size();
        for (const std::string& name : names) longNamesSeen += name.size() >= PIECE_LENGTH ? 1 : 0;
        std::string layersFile;
        std::string output =
            "\nOutput:plan.layers\nFound " + std::to_string(names.size()) + " layers:";
        for (const std::string& name : names) {
            layersFile += name + "\n";
            output += "\n" + name;
        }
        for (bool bulk : {false, true}) {
            for (std::size_t limit :
                 {std::size_t{1}, std::size_t{3}, std::size_t{64}, std::size_t{65}, SOURCE_BLOCK}) {
                sourceSettings.bulkSkip = bulk;
                sourceSettings.readLimit = limit;
                Listed run = list("plan.sdxf");
                SCOPED_TRACE(::testing::Message()
                             << "round " << round << " bulk " << bulk << " read size " << limit);
                EXPECT_EQ(run.status, 0);
                EXPECT_EQ(run.output, output);
                EXPECT_EQ(readFile("plan.layers"), layersFile);
            }
        }
    }
    // The rounds met names, long ones among them.
    EXPECT_GT(namesSeen, 60u);
    EXPECT_GT(longNamesSeen, 5u);
}

}  // namespace
}  // namespace dxfprofile
