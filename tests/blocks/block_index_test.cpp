#include "blocks/block_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "blocks/block_layers.h"

namespace dxfprofile {
namespace {

// A BLOCKS section after its name line: blocks of `name: entities`, each
// entity "KIND@LAYER" or "INSERT@LAYER>BLOCK".
BlockIndex indexOf(const std::vector<std::pair<std::string, std::vector<std::string>>>& blocks) {
    std::string text;
    for (const auto& [name, entities] : blocks) {
        text += "  0\nBLOCK\n  2\n" + name + "\n 70\n0\n";
        for (const std::string& entity : entities) {
            std::size_t at = entity.find('@');
            std::size_t to = entity.find('>');
            text += "  0\n" + entity.substr(0, at) + "\n  8\n" +
                    entity.substr(at + 1, to - at - 1) + "\n";
            if (to != std::string::npos) text += "  2\n" + entity.substr(to + 1) + "\n";
        }
        text += "  0\nENDBLK\n";
    }
    text += "  0\nENDSEC\n";
    LineSource source;
    source.attachSpan(text.data(), text.size());
    GroupReader reader(source);
    reader.startHere();
    BlockIndex index;
    EXPECT_EQ(readBlocksSection(reader, index), 1);
    return index;
}

TEST(BlockReach, FollowsLayersThroughNesting) {
    BlockIndex index = indexOf({
        {"ZERO", {"LINE@0"}},                   // on the reference's layer
        {"OWN", {"CIRCLE@L"}},                  // on L wherever placed
        {"TEXT", {"TEXT@L"}},                   // on L, without records
        {"VIA_L", {"INSERT@L>ZERO"}},           // ZERO placed on L
        {"VIA_0", {"INSERT@0>ZERO"}},           // inherits through
        {"SELF", {"LINE@L", "INSERT@0>SELF"}},  // places itself
        {"DEEP", {"INSERT@0>VIA_0"}},           // three deep
        {"XREF_USER", {"INSERT@0>MISSING"}},    // a block that is not there
    });
    BlockReach reach(index, "L");
    struct Expect {
        const char* block;
        bool direct, inherits, geometry, cyclic;
        int nesting;
    };
    for (const Expect& e : {
             Expect{"ZERO", false, true, true, false, 1},
             Expect{"OWN", true, false, true, false, 1},
             Expect{"TEXT", true, false, false, false, 1},
             Expect{"VIA_L", true, false, true, false, 2},
             Expect{"VIA_0", false, true, true, false, 2},
             Expect{"SELF", true, true, true, true, 1},
             Expect{"DEEP", false, true, true, false, 3},
             Expect{"XREF_USER", false, true, false, false, 1},
         }) {
        SCOPED_TRACE(e.block);
        auto at = static_cast<std::size_t>(index.indexOf(e.block));
        EXPECT_EQ(reach.direct(at), e.direct);
        EXPECT_EQ(reach.inherits(at), e.inherits);
        EXPECT_EQ(reach.geometry(at, true), e.geometry);
        EXPECT_EQ(reach.cyclic(at), e.cyclic);
        if (!e.cyclic) {
            EXPECT_EQ(reach.nesting(at), e.nesting);
        }
    }
    // A block's layer-0 records land on the layer only when its reference is on it.
    EXPECT_FALSE(reach.geometry(static_cast<std::size_t>(index.indexOf("ZERO")), false));
    EXPECT_TRUE(reach.geometry(static_cast<std::size_t>(index.indexOf("OWN")), false));
    EXPECT_TRUE(reach.anyDirect());
}

TEST(BlockLayerWalk, ListsLayersInTheOrderAWalkMeetsThem) {
    BlockIndex index = indexOf({
        {"INNER", {"LINE@0", "ARC@HOLES"}},
        {"OUTER", {"TEXT@TITLE", "INSERT@0>INNER", "INSERT@FRAME>INNER", "INSERT@0>OUTER"}},
    });
    NameSet layers;
    layers.add("PLATE");
    BlockLayerWalk walk(index, layers);
    walk.addReference("OUTER", "PLATE");
    walk.addReference("NONE", "X");
    EXPECT_EQ(layers.names(), (std::vector<std::string>{"PLATE", "TITLE", "HOLES", "FRAME"}));
}

}  // namespace
}  // namespace dxfprofile
