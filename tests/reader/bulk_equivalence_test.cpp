// The whole program gives the same results whether its scans search whole
// blocks for their markers or read every piece: the same status, standard
// output and files, byte for byte, for mode 2 and mode 3.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "cli/dispatch.h"
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

struct Run {
    int status = 0;
    std::string output;
    std::string errors;
    std::map<std::string, std::string> files;  // every file written, by name

    bool operator==(const Run&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Run& run) {
    out << "status " << run.status << ", stdout \"" << run.output << "\", files";
    for (const auto& [name, bytes] : run.files) out << " " << name << " (" << bytes.size() << ")";
    return out;
}

// Runs the program on a copy of `drawing` in a fresh directory: mode 2 on
// d.dxf, then mode 3 on the SDXF file it wrote (or, when it wrote none, on
// the drawing itself) for each layer in turn.
Run runProgram(const std::string& drawing, const std::vector<std::string>& layers,
               const SourceSettings& settings) {
    SourceSettings saved = sourceSettings;
    sourceSettings = settings;
    ScopedTempDir dir;
    ScopedWorkingDir cwd(dir.path());
    writeFile("d.dxf", drawing);
    Run run;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const char* mode2[] = {"dxfprofile", "2", "d.dxf"};
    run.status = runCommandLine(3, mode2);
    const char* sdxf = std::filesystem::exists("d.sdxf") ? "d.sdxf" : "d.dxf";
    for (const std::string& layer : layers) {
        const char* mode3[] = {"dxfprofile", "3", sdxf, layer.c_str()};
        run.status = run.status * 8 + runCommandLine(4, mode3);
    }
    run.errors = ::testing::internal::GetCapturedStderr();
    run.output = ::testing::internal::GetCapturedStdout();
    sourceSettings = saved;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        std::string name = entry.path().filename().string();
        std::string bytes = readFile(name);
        // A profile refused for its size is left empty.
        bool profile = name.ends_with(".txt") && !bytes.empty();
        run.files[name] = profile ? withoutIdentifier(bytes) : bytes;
    }
    return run;
}

// Every way of reading must give what reading piece by piece gives: the
// block search 64 bytes at a time (where the processor can) and 32 at a time.
void expectSameRuns(const std::string& drawing, const std::vector<std::string>& layers,
                    const std::vector<std::size_t>& readLimits) {
    Run expected = runProgram(drawing, layers, {false, SOURCE_BLOCK, false});
    for (std::size_t limit : readLimits) {
        for (bool wide : {true, false}) {
            EXPECT_EQ(runProgram(drawing, layers, {true, limit, wide}), expected)
                << "read size " << limit << (wide ? ", wide vectors" : "");
        }
    }
}

// A drawing as CAD programs write one, entities only (so that the SDXF file
// and the drawing put their bytes at the same offsets), with the things that
// make the scans stumble mixed in: long and exact-length lines, markers in
// text values, an unsupported entity on the layer asked for, long names.
class DrawingText {
  public:
    explicit DrawingText(unsigned seed) : random_(seed) {}

    std::string entities(std::size_t size) {
        std::string text;
        while (text.size() < size) text += entity();
        return text;
    }

    // One entity in every 500 is on FEW, so that its profile stays within
    // the table.
    std::string entity() {
        const char* layers[] = {"WALL", "PIPE-07", "Walls", " WALL", "DIM"};
        std::string layer = layers[random_() % std::size(layers)];
        if (++count_ % 500 == 0) layer = "FEW";
        switch (random_() % 8) {
            case 0:
                return head("CIRCLE", layer) + "100\nAcDbCircle\n 10\n" + number() + "\n 20\n" +
                       number() + "\n 30\n0.0\n 40\n" + number() + "\n";
            case 1:
                return head("ARC", layer) + "100\nAcDbCircle\n 10\n" + number() + "\n 20\n" +
                       number() + "\n 30\n0.0\n 40\n3.5\n100\nAcDbArc\n 50\n" + number() +
                       "\n 51\n" + number() + "\n";
            case 2:
                return head("POINT", layer) + "100\nAcDbPoint\n 10\n" + number() + "\n 20\n" +
                       number() + "\n 30\n0.0\n";
            case 3:
                return head("LWPOLYLINE", layer) +
                       "100\nAcDbPolyline\n 90\n        3\n 70\n     1\n 43\n0.0\n 10\n" +
                       number() + "\n 20\n" + number() + "\n 42\n0.41\n 10\n" + number() +
                       "\n 20\n" + number() + "\n 10\n" + number() + "\n 20\n" + number() + "\n";
            case 4: {
                // A text value of 61 to 65 bytes, some ending in a marker.
                std::size_t length = 61 + random_() % 5;
                const char* ends[] = {"", "AcDbEntity", "ENDSE", "AcDbLine", "  8"};
                std::string end = ends[random_() % std::size(ends)];
                std::string value = std::string(length - end.size(), 'T') + end;
                return head("TEXT", layer) +
                       "100\nAcDbText\n 10\n1.0\n 20\n1.0\n 30\n0.0\n 40\n2.5\n" + "  1\n" + value +
                       "\n100\nAcDbText\n";
            }
            case 5:
                // A name longer than one piece.
                return head("LINE", std::string(70, 'L')) + "100\nAcDbLine\n 10\n1\n 20\n2\n";
            default:
                return head("LINE", layer) + "100\nAcDbLine\n 10\n" + number() + "\n 20\n" +
                       number() + "\n 30\n0.0\n 11\n" + number() + "\n 21\n" + number() +
                       "\n 31\n0.0\n";
        }
    }

  private:
    static std::string head(const std::string& kind, const std::string& layer) {
        return "  0\n" + kind + "\n  5\n2A\n330\n1F\n100\nAcDbEntity\n  8\n" + layer + "\n";
    }

    std::string number() {
        char text[32];
        std::snprintf(text, sizeof text, "%.10g",
                      static_cast<double>(random_() % 2000000) / 97.0 - 10000.0);
        return text;
    }

    std::mt19937 random_;
    int count_ = 0;
};

std::string withCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

const std::vector<std::string> LAYERS = {"FEW", "ABSENT", "WALL", std::string(70, 'L')};

TEST(BulkEquivalence, ProgramGivesTheSameFilesOnADrawingOfSeveralBlocks) {
    DrawingText drawing(1);
    std::string text = "ENTITIES\n" + drawing.entities(3 * SOURCE_BLOCK / 2) + "  0\nENDSEC\n";
    text += "  0\nSECTION\n  2\nOBJECTS\n  0\nENDSEC\n  0\nEOF\n";
    expectSameRuns(text, LAYERS, {SOURCE_BLOCK, 4099});
    expectSameRuns(withCrLf(text), LAYERS, {SOURCE_BLOCK});
}

// A drawing whose last entities start `shift` bytes before offset `at`,
// where the block search's first window ends when it reads `at` bytes at a
// time: a text entity on FEW with "AcDbEntity" as its value (a look-ahead
// that passes over it), a line on WALL that the look-ahead takes, and the
// end of the section.
std::string drawingWithTailAt(std::size_t at, std::size_t shift, bool crLf) {
    std::string tail =
        "  0\nTEXT\n  5\n2B\n330\n1F\n100\nAcDbEntity\n  8\nFEW\n100\nAcDbText\n  1\nAcDbEntity\n"
        "  0\nLINE\n  5\n2C\n330\n1F\n100\nAcDbEntity\n  8\nWALL\n100\nAcDbLine\n 10\n5.5\n"
        " 20\n6.5\n 30\n0.0\n 11\n7.5\n 21\n8.5\n 31\n0.0\n  0\nENDSEC\n  0\nEOF\n";
    DrawingText drawing(2);
    const std::string end = crLf ? "\r\n" : "\n";
    std::string text = "ENTITIES" + end;
    while (text.size() + 800 < at - shift) {
        text += crLf ? withCrLf(drawing.entity()) : drawing.entity();
    }
    // Short comment groups, then one long comment line, fill up to the
    // tail without adding markers.
    while (text.size() + 300 < at - shift) text += "999" + end + "x" + end;
    text += "999" + end;
    text += std::string(at - shift - text.size() - end.size(), 'p') + end;
    return text + (crLf ? withCrLf(tail) : tail);
}

TEST(BulkEquivalence, ProgramGivesTheSameFilesWhateverLiesAtTheEndOfAWindow) {
    // Shifting the tail a byte at a time puts every line end, CR LF pair and
    // marker of it across the end of the first window.
    for (bool crLf : {false, true}) {
        for (std::size_t shift = 0; shift < 128; ++shift) {
            SCOPED_TRACE(::testing::Message() << "shift " << shift << (crLf ? " CR LF" : ""));
            expectSameRuns(drawingWithTailAt(4096, shift, crLf), {"FEW", "ABSENT"}, {4096});
        }
    }
}

TEST(BulkEquivalence, ProgramGivesTheSameFilesWhateverLiesAtTheEndOfAFullBlock) {
    struct Case {
        std::size_t shift;
        bool crLf;
    };
    for (Case c : {Case{0, false}, Case{1, false}, Case{13, false}, Case{0, true}, Case{2, true}}) {
        SCOPED_TRACE(::testing::Message() << "shift " << c.shift << (c.crLf ? " CR LF" : ""));
        expectSameRuns(drawingWithTailAt(SOURCE_BLOCK, c.shift, c.crLf), {"FEW"}, {SOURCE_BLOCK});
    }
}

}  // namespace
}  // namespace dxfprofile
