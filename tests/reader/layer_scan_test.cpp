#include "reader/layer_scan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <set>
#include <string>

#include "entities/profile_text.h"
#include "reader/line_source.h"
#include "test_support.h"

namespace dxfprofile {
namespace {

using testing::readFile;
using testing::ScopedTempDir;
using testing::ScopedWorkingDir;
using testing::withoutIdentifier;
using testing::writeFile;

// The groups that open an entity up to its layer line, in the order the
// scan relies on.
std::string head(const std::string& kind, const std::string& layer) {
    return "  0\n" + kind + "\n  5\n2A\n330\n1F\n100\nAcDbEntity\n  8\n" + layer + "\n";
}

std::string line(const std::string& layer, const std::string& x1 = "1.0",
                 const std::string& y1 = "2.0") {
    return head("LINE", layer) + "100\nAcDbLine\n 10\n" + x1 + "\n 20\n" + y1 +
           "\n 30\n0.0\n 11\n3.0\n 21\n4.0\n 31\n0.0\n";
}

std::string text(const std::string& layer) {
    return head("TEXT", layer) +
           "100\nAcDbText\n 10\n1.0\n 20\n1.0\n 30\n0.0\n 40\n2.5\n  1\nNOTE\n100\nAcDbText\n";
}

const std::string ENDSEC = "  0\nENDSEC\nEOF";
const std::string LINE_RECORD =
    "LINE   L01 101    1.000000    2.000000    3.000000    4.000000    0.000000\n";

struct Scan {
    int status = 0;
    std::string output;
    std::string errors;
    std::optional<std::string> profile;  // identifier replaced
    std::set<std::string> created;       // files beside the input afterwards

    bool operator==(const Scan&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Scan& scan) {
    out << "status " << scan.status << ", stdout \"" << scan.output << "\", stderr \""
        << scan.errors << "\", profile ";
    if (scan.profile) return out << "\"" << *scan.profile << "\"";
    return out << "none";
}

Scan scanOnce(const std::string& bytes, const std::string& layerName,
              const SourceSettings& settings) {
    SourceSettings saved = sourceSettings;
    sourceSettings = settings;
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    writeFile("in.sdxf", bytes);
    Scan scan;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    scan.status = processLayer("in.sdxf", layerName.c_str());
    scan.errors = ::testing::internal::GetCapturedStderr();
    scan.output = ::testing::internal::GetCapturedStdout();
    sourceSettings = saved;
    std::string profileName = layerName + ".txt";
    if (std::filesystem::exists(profileName)) {
        scan.profile = withoutIdentifier(readFile(profileName));
    }
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        std::string name = entry.path().filename().string();
        if (name != "in.sdxf") scan.created.insert(name);
    }
    return scan;
}

// Runs the scan with whole-block marker search, with block ends at odd
// places, and piece by piece: all three must agree.
Scan scan(const std::string& bytes, const std::string& layerName) {
    Scan blocks = scanOnce(bytes, layerName, {true, SOURCE_BLOCK});
    EXPECT_EQ(scanOnce(bytes, layerName, {true, 7}), blocks) << "reads of 7 bytes";
    EXPECT_EQ(scanOnce(bytes, layerName, {false, SOURCE_BLOCK}), blocks) << "piece by piece";
    return blocks;
}

void expectProfile(const Scan& result, const std::string& layer, const std::string& records,
                   int count) {
    EXPECT_EQ(result.status, 0) << result;
    EXPECT_EQ(result.output, "\nProcessed " + std::to_string(count) + " entities");
    EXPECT_EQ(result.profile, layer + ",<ID>\n" + std::to_string(count) + "\n" + records + "EOF\n");
}

void expectFailure(const Scan& result, int status, const std::string& output) {
    EXPECT_EQ(result.status, status) << result;
    EXPECT_EQ(result.output, output);
    EXPECT_EQ(result.errors, "");
    EXPECT_TRUE(result.created.empty()) << result;
}

const char* const END_OF_FILE = "\nError: End of DXF file reached\n";
const char* const NOT_FOUND = "\ncan't find specified layername\n";
const char* const NO_GEOMETRY = "\nError: DXF file contains no geometry";

TEST(LayerScan, ReadsTheEntitiesOfTheLayerOnly) {
    Scan result =
        scan("ENTITIES\n" + line("A") + line("B", "9.0") + line("A", "5.0") + ENDSEC, "A");
    expectProfile(
        result, "A",
        LINE_RECORD +
            "LINE   L02 101    5.000000    2.000000    3.000000    4.000000    0.000000\n",
        2);
    EXPECT_EQ(result.errors, "");
}

TEST(LayerScan, AnEmptyFileEndsWithEndOfFile) {
    expectFailure(scan("", "A"), -1, END_OF_FILE);
}

TEST(LayerScan, AFileWithoutEndsecEndsWithEndOfFileAfterReadingTheLayer) {
    expectFailure(scan("ENTITIES\n" + line("A") + line("A"), "A"), -1, END_OF_FILE);
}

TEST(LayerScan, MissingFileCannotBeOpened) {
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    ::testing::internal::CaptureStdout();
    int status = processLayer("absent.sdxf", "A");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "\ncan't open SDXF file absent.sdxf\n");
    EXPECT_EQ(status, -1);
    EXPECT_TRUE(std::filesystem::is_empty("."));
}

TEST(LayerScan, NamesThatOnlyResembleTheLayerDoNotMatch) {
    std::string bytes = "ENTITIES\n" + line("WALLSX") + line("XWALLS") + line("walls") +
                        line("WAL") + line("WALLS ") + line(" WALLS") + ENDSEC;
    expectFailure(scan(bytes, "WALLS"), -4, NOT_FOUND);
}

TEST(LayerScan, RecognisesTheLayerGroupLineByTwoBlanksAndEightOrALeadingEight) {
    struct Case {
        const char* groupLine;
        bool recognised;
    };
    const Case cases[] = {
        {"  8\n", true}, {"8\n", true},    {"8 \n", true},   {"  8  \n", true},
        {" 8\n", false}, {"   8\n", true}, {"\t8\n", false}, {"  80\n", true},
    };
    for (const Case& c : cases) {
        std::string entity = line("A");
        std::size_t at = entity.find("  8\n");
        entity.replace(at, 4, c.groupLine);
        Scan result = scan("ENTITIES\n" + entity + ENDSEC, "A");
        if (c.recognised) {
            expectProfile(result, "A", LINE_RECORD, 1);
        } else {
            expectFailure(result, -4, NOT_FOUND);
        }
        SCOPED_TRACE(c.groupLine);
    }
}

TEST(LayerScan, AGroupBetweenAcDbEntityAndTheLayerPassesTheEntityOver) {
    std::string entity = line("A");
    entity.replace(entity.find("  8\n"), 0, " 67\n1\n");
    expectFailure(scan("ENTITIES\n" + entity + ENDSEC, "A"), -4, NOT_FOUND);
    // The entities after it are still examined.
    expectProfile(scan("ENTITIES\n" + entity + line("A") + ENDSEC, "A"), "A", LINE_RECORD, 1);
}

TEST(LayerScan, TheLineAfterAGroupOtherThanTheLayerIsScannedAgain) {
    // " 67" is not the layer group: the line after it is scanned for markers,
    // so its ENDSEC ends the scan.
    std::string bytes = "ENTITIES\n100\nAcDbEntity\n 67\nENDSEC\n" + line("A") + ENDSEC;
    expectFailure(scan(bytes, "A"), -4, NOT_FOUND);
    // After the layer group, the name line is only compared.
    bytes = "ENTITIES\n100\nAcDbEntity\n  8\nENDSEC\n" + line("A") + ENDSEC;
    expectProfile(scan(bytes, "A"), "A", LINE_RECORD, 1);
}

TEST(LayerScan, EndsecAnywhereInAScannedLineEndsTheScan) {
    for (const char* endLine : {"ENDSEC\n", "  0\nxxENDSECyy\n", "ENDSEC"}) {
        Scan result = scan("ENTITIES\n" + line("A") + endLine + line("A") + ENDSEC, "A");
        expectProfile(result, "A", LINE_RECORD, 1);
        SCOPED_TRACE(endLine);
    }
    expectFailure(scan("ENTITIES\n  0\nENDSEC\n" + line("A") + ENDSEC, "A"), -4, NOT_FOUND);
}

TEST(LayerScan, UnsupportedEntityOnLayerYieldsNothingAndLeavesTheNextEntityToTheScan) {
    std::string bytes = "ENTITIES\n" + text("A") + line("B") + ENDSEC;
    Scan forA = scan(bytes, "A");
    expectProfile(forA, "A", "", 0);
    EXPECT_EQ(forA.errors, "Left out of layer A:\n  AcDbText: 1\n");
    // The line that ended the look-ahead is still B's.
    Scan forB = scan(bytes, "B");
    expectProfile(forB, "B", LINE_RECORD, 1);
    EXPECT_EQ(forB.errors, "");
}

TEST(LayerScan, UnsupportedEntityLastOnTheLayerDoesNotFailTheRun) {
    Scan result = scan("ENTITIES\n" + line("A") + text("A") + ENDSEC, "A");
    expectProfile(result, "A", LINE_RECORD, 1);
    EXPECT_EQ(result.errors, "Left out of layer A:\n  AcDbText: 1\n");
}

TEST(LayerScan, ReportsWhatWasLeftOutByKindInOrderOfFirstAppearance) {
    std::string hatch = head("HATCH", "A") + "100\nAcDbHatch\n 10\n0.0\n";
    std::string bare = head("SOLID", "A") + " 10\n0.0\n";
    std::string bytes = "ENTITIES\n" + hatch + text("A") + line("A") + bare + text("A") + hatch +
                        text("A") + ENDSEC;
    Scan result = scan(bytes, "A");
    expectProfile(result, "A", LINE_RECORD, 1);
    EXPECT_EQ(result.errors,
              "Left out of layer A:\n  AcDbHatch: 2\n  AcDbText: 3\n  (no subclass marker): 1\n");
}

TEST(LayerScan, FileEndingDuringTheLookAheadHasNoGeometry) {
    expectFailure(scan("ENTITIES\n" + line("A") + head("TEXT", "A") + "100\nAcDbText\n 10\n", "A"),
                  -2, NO_GEOMETRY);
    // A last layer line without its line end still names the layer.
    expectFailure(scan("ENTITIES\n100\nAcDbEntity\n  8\nA", "A"), -2, NO_GEOMETRY);
}

TEST(LayerScan, ReadFailingRightAfterAcDbEntityOrTheLayerGroupEndsTheRun) {
    expectFailure(scan("ENTITIES\n" + line("A") + "  0\nLINE\n100\nAcDbEntity\n", "A"), -1,
                  END_OF_FILE);
    expectFailure(scan("ENTITIES\n" + line("A") + "  0\nLINE\n100\nAcDbEntity\n  8\n", "A"), -1,
                  END_OF_FILE);
}

TEST(LayerScan, FileEndingInsideAReaderEndsWithEndOfFile) {
    std::string whole = line("A");
    std::string cut = whole.substr(0, whole.find(" 21\n"));
    expectFailure(scan("ENTITIES\n" + cut, "A"), -1, END_OF_FILE);
}

TEST(LayerScan, LongLayerNameLinesAreJoinedAndComparedWhole) {
    for (std::size_t length : {1u, 61u, 62u, 63u, 64u, 65u, 100u, 125u, 126u, 127u, 200u, 251u}) {
        std::string name;
        for (std::size_t i = 0; i < length; ++i) name += static_cast<char>('A' + i % 26);
        std::string bytes = "ENTITIES\n" + line(name + "X", "9.0") +
                            line(name.substr(0, length - 1), "9.0") + line(name) +
                            line(name.substr(1), "9.0") + ENDSEC;
        expectProfile(scan(bytes, name), name, LINE_RECORD, 1);
        SCOPED_TRACE(length);
    }
}

TEST(LayerScan, ALayerNameLongerThanAnyArgumentMatchesNothing) {
    std::string longName(300, 'N');
    std::string bytes = "ENTITIES\n" + line(longName) + ENDSEC;
    expectFailure(scan(bytes, longName.substr(0, 251)), -4, NOT_FOUND);
    expectFailure(scan(bytes, "\n"), -4, NOT_FOUND);
}

TEST(LayerScan, CrLfLineEndsReadAsLf) {
    std::string bytes =
        "ENTITIES\n" + line("A") + text("A") + line("B") + line("A", "-0.0") + ENDSEC + "\n";
    std::string crlf;
    for (char c : bytes) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    Scan result = scan(crlf, "A");
    expectProfile(
        result, "A",
        LINE_RECORD +
            "LINE   L02 101    0.000000    2.000000    3.000000    4.000000    0.000000\n",
        2);
    EXPECT_EQ(result, scan(bytes, "A"));
}

TEST(LayerScan, AMarkerInsideALayerNameIsNotTakenForOne) {
    // Names and values are only compared, never searched for markers.
    std::string bytes = "ENTITIES\n" + line("AcDbEntity") + line("ENDSEC") + line("A") + ENDSEC;
    expectProfile(scan(bytes, "A"), "A", LINE_RECORD, 1);
    expectProfile(scan(bytes, "ENDSEC"), "ENDSEC", LINE_RECORD, 1);
}

}  // namespace
}  // namespace dxfprofile
