#include "dxf/layer_hint.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "dxf/section_layers.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

TEST(ResemblesLayerName, IgnoresCaseOuterBlanksAndEncoding) {
    struct Case {
        const char* given;
        const char* name;
        bool resembles;
    };
    const Case cases[] = {
        {"walls", "WALLS", true},
        {"walls", " Walls\t", true},
        {" walls", "walls", true},
        {"walls", "walls", false},  // the same name is no hint
        {"walls", "wall", false},
        {"a b", "a  b", false},  // blanks inside count
        {"trac\xc3\xa9", "trac\xe9", true},
        {"TRAC\xc3\x89", "trac\xe9", true},
        {"trac\xc3\xa9", "TRAC\\U+00C9", true},
        {"trac\xc3\xa9", "trac\\u+00e9", true},
        {"trac\xc3\xa9", "trac\\U+00E", false},
        {"trac\xc3\xa9", "trace", false},
        {"\xc5\x93uvre", "\x8cUVRE", true},  // Œ in the code page
        {"\xc3\xbf", "\x9f", true},          // Ÿ
        {"\xc3\x97", "\xc3\xb7", false},     // × and ÷ are no letters
    };
    for (const Case& c : cases)
        EXPECT_EQ(resemblesLayerName(c.given, c.name), c.resembles) << c.given << " " << c.name;
}

TEST(ReadLayerNames, ListsTheLayersOfModelSpaceEntitiesOnce) {
    testing::ScopedTempDir dir;
    std::string path = dir.file("in.sdxf");
    testing::writeFile(path,
                       "ENTITIES\r\n  0\r\nLINE\r\n  8\r\nB\r\n  0\r\nLINE\r\n 67\r\n1\r\n  8\r\n"
                       "Paper\r\n  0\r\nLINE\r\n  8\r\nA\r\n  8\r\nNot the first\r\n  0\r\nLINE\r\n"
                       "  8\r\nB\r\n  0\r\nLINE\r\n  8\r\nLate\r\n 67\r\n1\r\n  0\r\nLINE\r\n"
                       "  8\r\nPaper\r\n  0\r\nVERTEX\r\n  8\r\nVertex\r\n  0\r\nENDSEC\r\n"
                       "  0\r\nLINE\r\n  8\r\nAfter\r\nEOF");
    LayerCollector collect = [](GroupReader& reader, NameSet& layers) {
        return collectSectionLayers(reader, layers,
                                    [](std::string_view kind) { return kind == "VERTEX"; });
    };
    EXPECT_EQ(readLayerNames(path.c_str(), false, collect),
              (std::vector<std::string>{"B", "A", "Paper"}));
    EXPECT_TRUE(readLayerNames(dir.file("absent").c_str(), false, collect).empty());
    // A drawing: its sections before ENTITIES are passed over.
    std::string drawing = dir.file("in.dxf");
    testing::writeFile(drawing,
                       "  0\nSECTION\n  2\nBLOCKS\n  0\nLINE\n  8\nInBlock\n  0\nENDSEC\n"
                       "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\nC\n  0\nENDSEC\n");
    EXPECT_EQ(readLayerNames(drawing.c_str(), true, collect), std::vector<std::string>{"C"});
    // The layers file written with the SDXF file gives them, unless older.
    std::string layers = dir.file("in.layers");
    testing::writeFile(layers, "Listed\nLayers\n");
    EXPECT_EQ(readLayerNames(path.c_str(), false, collect, layers.c_str()),
              (std::vector<std::string>{"Listed", "Layers"}));
    struct timespec times[2] = {{0, 0}, {0, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, layers.c_str(), times, 0), 0);
    EXPECT_EQ(readLayerNames(path.c_str(), false, collect, layers.c_str()),
              (std::vector<std::string>{"B", "A", "Paper"}));
}

}  // namespace
}  // namespace dxfprofile
