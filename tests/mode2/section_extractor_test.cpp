#include "mode2/section_extractor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bytes/line_source.h"
#include "dxf/name_set.h"
#include "mode2/section_output.h"

namespace dxfprofile {
namespace {

class MemorySdxf final : public SectionOutput {
  public:
    int open() override {
        state = "open";
        return 0;
    }
    void take(const char* data, std::size_t size) override { bytes.append(data, size); }
    int commit() override {
        state = "committed";
        return 0;
    }
    void discard() override { state = "discarded"; }

    std::string state = "closed";
    std::string bytes;
};

// "\n" in the rows stands for the drawing's line end.
std::string withLineEnds(const std::string& text, const char* lineEnd) {
    std::string bytes;
    for (char c : text) c == '\n' ? bytes += lineEnd : bytes += c;
    return bytes;
}

const std::string HEADER = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  0\nENDSEC\n";
const std::string ENTITIES =
    "ENTITIES\n  0\nLINE\n  8\nWALLS\n 10\n1\n"
    "  0\nCIRCLE\n 67\n1\n  8\nSHEET\n 40\n2\n"        // paper space: not listed
    "  0\nPOINT\n  8\nDOORS\n  0\nLINE\n  8\nWALLS\n"  // listed once
    "  0\nARC\n  8\nSHEET\n  0\nENDSEC\n";

TEST(SectionExtractor, CopiesTheSectionAndListsItsModelSpaceLayers) {
    const struct {
        const char* name;
        std::string drawing;
        int status;
        const char* state;  // of the SDXF output at the end
        std::string sdxf;
        std::vector<std::string> layers;
    } rows[] = {
        {"a drawing",
         HEADER + "  0\nSECTION\n  2\n" + ENTITIES + "  0\nEOF\n",
         0,
         "committed",
         ENTITIES + "EOF",
         {"WALLS", "DOORS", "SHEET"}},
        {"a name right after SECTION",
         "  0\nSECTION\n  0\nSECTION\n  2\n" + ENTITIES,
         0,
         "committed",
         ENTITIES + "EOF",
         {"WALLS", "DOORS", "SHEET"}},
        {"no ENTITIES section", HEADER + "  0\nEOF\n", -1, "closed", "", {}},
        {"the file ends inside the section",
         HEADER + "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n",
         -1,
         "discarded",
         "",
         {}},
        {"a code line that holds no code",
         "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\nX\nWALLS\n",
         -1,
         "discarded",
         "",
         {}},
    };
    for (const auto& row : rows) {
        for (const char* lineEnd : {"\n", "\r\n"}) {
            const std::string drawing = withLineEnds(row.drawing, lineEnd);
            for (const SourceSettings& settings : {SourceSettings{}, SourceSettings{true, 7, false},
                                                   SourceSettings{false, 5, true}}) {
                SCOPED_TRACE(::testing::Message()
                             << row.name << (lineEnd[0] == '\r' ? ", CR LF" : "") << ", reads of "
                             << settings.readLimit);
                LineSource input(settings);
                input.attachSpan(drawing.data(), drawing.size());
                MemorySdxf sdxf;
                NameSet layers;
                EXPECT_EQ(extractEntitiesSection(input, "drawing.dxf", sdxf, layers), row.status);
                EXPECT_EQ(sdxf.state, row.state);
                if (row.status == 0) {
                    EXPECT_EQ(sdxf.bytes, row.sdxf);
                    EXPECT_EQ(layers.names(), row.layers);
                }
            }
        }
    }
}

// The BLOCKS section is kept beside the SDXF file when model space places a
// block, and the layers that the block reaches are listed at its place.
TEST(SectionExtractor, KeepsTheBlocksThatModelSpacePlaces) {
    const std::string BLOCKS =
        "BLOCKS\n  0\nBLOCK\n  2\nB\n  0\nLINE\n  8\nHOLES\n"
        "  0\nCIRCLE\n  8\n0\n  0\nENDBLK\n  0\nENDSEC\n";
    const std::string drawing = "  0\nSECTION\n  2\n" + BLOCKS + "  0\nSECTION\n  2\nENTITIES\n";
    for (bool referenced : {true, false}) {
        SCOPED_TRACE(referenced ? "a reference" : "none");
        const std::string entities =
            "  0\nLINE\n  8\nWALLS\n" +
            std::string(referenced ? "  0\nINSERT\n  8\nPLATE\n  2\nB\n" : "") +
            "  0\nPOINT\n  8\nWALLS\n  0\nENDSEC\n  0\nEOF\n";
        const std::string input = withLineEnds(drawing + entities, "\r\n");
        LineSource source;
        source.attachSpan(input.data(), input.size());
        MemorySdxf sdxf;
        MemorySdxf blocksFile;
        BlocksCopy blocks(blocksFile);
        NameSet layers;
        EXPECT_EQ(extractEntitiesSection(source, "drawing.dxf", sdxf, layers, &blocks), 0);
        EXPECT_EQ(blocks.written, referenced);
        EXPECT_EQ(blocksFile.state, referenced ? "committed" : "discarded");
        EXPECT_EQ(blocksFile.bytes, BLOCKS + "EOF");
        const std::vector<std::string> listed =
            referenced ? std::vector<std::string>{"WALLS", "PLATE", "HOLES"}
                       : std::vector<std::string>{"WALLS"};
        EXPECT_EQ(layers.names(), listed);
    }
}

}  // namespace
}  // namespace dxfprofile
