#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "bytes/line_source.h"
#include "entities/entity_table.h"
#include "entities/profile_text.h"
#include "mode3/layer_scan.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::fileExists;
using testing::readFile;
using testing::ScopedTempDir;
using testing::ScopedWorkingDir;

std::string line(const std::string& layer, const std::string& coordinates) {
    return "  0\nLINE\n  8\n" + layer + "\n" + coordinates;
}
// A line from (0, 0) to (1, 0).
std::string unitLine(const std::string& layer) {
    return line(layer, " 10\n0\n 20\n0\n 11\n1\n 21\n0\n");
}
std::string block(const std::string& name, const std::string& entities,
                  const std::string& base = " 10\n0\n 20\n0\n") {
    return "  0\nBLOCK\n  8\n0\n  2\n" + name + "\n 70\n0\n" + base + entities + "  0\nENDBLK\n";
}
std::string insert(const std::string& name, const std::string& layer,
                   const std::string& values = " 10\n0\n 20\n0\n") {
    return "  0\nINSERT\n  8\n" + layer + "\n  2\n" + name + "\n" + values;
}
std::string drawing(const std::string& blocks, const std::string& entities) {
    return "  0\nSECTION\n  2\nBLOCKS\n" + blocks + "  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n" +
           entities + "  0\nENDSEC\n  0\nEOF\n";
}

struct Row {
    const char* name;
    std::string input;
    int status;
    // The records, without header and count; nullptr: none written, "" for
    // a failure: left empty.
    const char* profile;
};

// Mode 3 on a drawing in memory, the blocks read from a second view of it.
TEST(ReferenceExpansion, PlacesBlocksOnTheLayer) {
    const std::string TURNED = " 10\n5\n 20\n5\n 50\n90\n 41\n2\n 42\n2\n";
    const Row rows[] = {
        {"layer 0 takes the reference's layer; turned, scaled, base point",
         drawing(block("B", unitLine("0"), " 10\n1\n 20\n0\n"), insert("B", "A", TURNED)), 0,
         "LINE   L01 101    5.000000    3.000000    5.000000    5.000000    0.000000\n"},
        {"an entity on its own layer, placed from another layer",
         drawing(block("B", unitLine("A")), insert("B", "C", " 10\n3\n 20\n4\n")), 0,
         "LINE   L01 101    3.000000    4.000000    4.000000    4.000000    0.000000\n"},
        {"nested, rows then columns",
         drawing(block("IN", unitLine("0")) + block("OUT", insert("IN", "0")),
                 insert("OUT", "A", " 10\n0\n 20\n0\n 70\n2\n 71\n2\n 44\n10\n 45\n20\n")),
         0,
         "LINE   L01 101    0.000000    0.000000    1.000000    0.000000    0.000000\n"
         "LINE   L02 101   10.000000    0.000000   11.000000    0.000000    0.000000\n"
         "LINE   L03 101    0.000000   20.000000    1.000000   20.000000    0.000000\n"
         "LINE   L04 101   10.000000   20.000000   11.000000   20.000000    0.000000\n"},
        {"mirrored by a downward normal",
         drawing(block("B", unitLine("0")),
                 insert("B", "A", " 10\n2\n 20\n0\n210\n0\n220\n0\n230\n-1\n")),
         0, "LINE   L01 101   -2.000000    0.000000   -3.000000    0.000000    0.000000\n"},
        {"a missing block: the reference alone", drawing("", insert("NONE", "A")), 0, ""},
        {"a block that places itself",
         drawing(block("S", unitLine("0") + insert("S", "0")), insert("S", "A")), -1, nullptr},
        {"two that place each other",
         drawing(block("P", insert("Q", "0") + unitLine("0")) + block("Q", insert("P", "0")),
                 insert("P", "A")),
         -1, nullptr},
        {"an array of 10^9 x 10^9 places",
         drawing(block("B", unitLine("0")),
                 insert("B", "A",
                        " 10\n0\n 20\n0\n 70\n1000000000\n 71\n1000000000\n 44\n1\n 45\n1\n")),
         -5, ""},
        {"an array without spacing: its copies on one spot, placed once",
         drawing(block("B", unitLine("0")),
                 insert("B", "A", " 10\n0\n 20\n0\n 70\n1000000000\n 71\n1000000000\n")),
         0, "LINE   L01 101    0.000000    0.000000    1.000000    0.000000    0.000000\n"},
        {"a scale that is no number",
         drawing(block("B", unitLine("0")), insert("B", "A", " 10\n0\n 20\n0\n 41\nnan\n")), -1,
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedTempDir dir;
        ScopedWorkingDir here(dir.path());
        std::FILE* messages = std::tmpfile();
        ASSERT_NE(messages, nullptr);
        LineSource input;
        input.attachSpan(row.input.data(), row.input.size());
        LineSource again;
        again.attachSpan(row.input.data(), row.input.size());
        BlockInput blocks;
        blocks.source = &again;
        blocks.path = "in.dxf";
        blocks.drawing = true;
        EntityTable table;
        EXPECT_EQ(processLayer(input, "in.dxf", "A", messages, table, blocks), row.status);
        std::fclose(messages);
        ASSERT_EQ(fileExists("A.txt"), row.profile != nullptr);
        if (row.profile == nullptr || row.status != 0) continue;
        std::string profile = testing::withoutIdentifier(readFile("A.txt"));
        std::size_t records = profile.find('\n', profile.find('\n') + 1) + 1;
        EXPECT_EQ(profile.substr(records), std::string(row.profile) + "EOF\n");
    }
}

// An SDXF file reads its blocks from the blocks file beside it; without it
// the references are left out.
TEST(ReferenceExpansion, ReadsTheBlocksFileOfAnSdxfFile) {
    const std::string sdxf =
        "ENTITIES\n" + insert("B", "A", " 10\n3\n 20\n4\n") + "  0\nENDSEC\nEOF";
    const std::string blocksFile = "BLOCKS\n" + block("B", unitLine("0")) + "  0\nENDSEC\nEOF";
    for (bool withBlocks : {true, false}) {
        SCOPED_TRACE(withBlocks ? "with blocks" : "without");
        ScopedTempDir dir;
        ScopedWorkingDir here(dir.path());
        LineSource input;
        input.attachSpan(sdxf.data(), sdxf.size());
        LineSource blockSource;
        blockSource.attachSpan(blocksFile.data(), blocksFile.size());
        BlockInput blocks;
        if (withBlocks) blocks.source = &blockSource;
        blocks.path = "in.blocks";
        EntityTable table;
        std::FILE* messages = std::tmpfile();
        ASSERT_NE(messages, nullptr);
        EXPECT_EQ(processLayer(input, "in.sdxf", "A", messages, table, blocks), 0);
        std::fclose(messages);
        EXPECT_EQ(table.entityCount, withBlocks ? 1u : 0u);
    }
}

}  // namespace
}  // namespace dxfprofile
