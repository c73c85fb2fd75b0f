#include "mode3/layer_scan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "bytes/line_source.h"
#include "entities/entity_table.h"
#include "entities/profile_text.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::fileExists;
using testing::readFile;
using testing::ScopedTempDir;
using testing::ScopedWorkingDir;

// An entity's groups after its AcDbEntity marker, on `layer`.
std::string entity(const std::string& kind, const std::string& layer, const std::string& groups) {
    return "  0\n" + kind + "\n100\nAcDbEntity\n  8\n" + layer + "\n" + groups;
}

const std::string LINE_ON_A =
    entity("LINE", "A", "100\nAcDbLine\n 10\n1\n 20\n2\n 11\n3\n 21\n4\n");
const std::string HALF_CIRCLE_ON_A =
    entity("LWPOLYLINE", "A",
           "100\nAcDbPolyline\n 90\n2\n 70\n0\n 10\n0\n 20\n0\n 42\n1\n 10\n10\n 20\n0\n");
const std::string LINE_ON_B =
    entity("LINE", "B", "100\nAcDbLine\n 10\n0\n 20\n0\n 11\n5\n 21\n5\n");
const std::string END = "  0\nENDSEC\nEOF";

struct Row {
    const char* name;
    std::string sdxf;
    int status;
    const char* messages;  // on standard output, as the program prints them
    const char* profile;   // without its header; nullptr: none written
};

// The run over a file in memory: its status, its messages and the profile
// of layer A.
TEST(LayerScan, RunsOverAFileInMemory) {
    const Row rows[] = {
        {"a line and a polyline's arc, a line of another layer passed over",
         "ENTITIES\n" + LINE_ON_A + LINE_ON_B + HALF_CIRCLE_ON_A + END, 0,
         "\nbulge1\nProcessed 2 entities",
         "2\n"
         "LINE   L01 101    1.000000    2.000000    3.000000    4.000000    0.000000\n"
         "ARC    A01 102    5.000000    0.000000    5.000000  180.000000   -0.000000  "
         "180.000000    0.000000\n"
         "EOF\n"},
        {"no entity on the layer", "ENTITIES\n" + LINE_ON_B + END, -4,
         "\ncan't find specified layername\n", nullptr},
        {"a value out of range",
         "ENTITIES\n" + entity("LINE", "A", "100\nAcDbLine\n 10\n1e39\n 20\n0\n 11\n0\n 21\n0\n") +
             END,
         -1, "\nError: LINE on line 2 holds a value out of range on line 11\n", ""},
        {"no end of the section", "ENTITIES\n" + LINE_ON_A, -1,
         "\nError: End of DXF file reached\n", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedTempDir dir;
        ScopedWorkingDir here(dir.path());
        std::FILE* messages = std::tmpfile();
        ASSERT_NE(messages, nullptr);
        LineSource input;
        input.attachSpan(row.sdxf.data(), row.sdxf.size());
        EntityTable table;
        EXPECT_EQ(processLayer(input, "in.sdxf", "A", messages, table), row.status);
        std::string printed(256, '\0');
        std::rewind(messages);
        printed.resize(std::fread(printed.data(), 1, printed.size(), messages));
        std::fclose(messages);
        EXPECT_EQ(printed, row.messages);
        ASSERT_EQ(fileExists("A.txt"), row.profile != nullptr);
        if (row.profile == nullptr) continue;
        std::string profile = readFile("A.txt");
        if (*row.profile != '\0') profile = testing::withoutIdentifier(profile);
        EXPECT_EQ(profile, *row.profile == '\0' ? "" : std::string("A,<ID>\n") + row.profile);
    }
}

}  // namespace
}  // namespace dxfprofile
