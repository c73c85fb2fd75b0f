#include "reader/layer_scan.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "entities/entity_table.h"
#include "entities/profile_writer.h"
#include "geometry/trace.h"
#include "reader/line_source.h"
#include "reader/readers.h"

namespace dxfprofile {
namespace {

constexpr std::size_t NAME_BUFFER = 256;
constexpr int MAX_LEFT_OUT_KINDS = 32;

// What on the requested layer yielded no record, for the closing report.
struct LeftOut {
    char marker[MAX_LEFT_OUT_KINDS][PIECE_LENGTH + 1];
    int count[MAX_LEFT_OUT_KINDS];
    int kinds = 0;
    int otherKinds = 0;  // entities of kinds past the table
    const char* tiltedKind[MAX_LEFT_OUT_KINDS];
    int tiltedCount[MAX_LEFT_OUT_KINDS];
    int tiltedKinds = 0;
};
LeftOut leftOut;

// How far the warnings have counted lines. Each count goes on from the last
// one, so that a layer full of tilted entities does not make the file be
// read from its start for each of them.
struct LineCount {
    std::uint64_t offset = 0;  // bytes counted
    std::uint64_t line = 1;    // the number of the line that holds that byte
};
LineCount lineCount;

// The number of the line of the scan's file that holds byte `offset`.
std::uint64_t lineNumberOf(std::uint64_t offset) {
    if (offset < lineCount.offset) lineCount = LineCount{};
    static char block[1 << 16];
    while (lineCount.offset < offset) {
        auto ask = static_cast<std::size_t>(
            std::min<std::uint64_t>(sizeof block, offset - lineCount.offset));
        // pread leaves the reading position of the line source alone.
        ssize_t got =
            ::pread(lineSource.sdxfInput, block, ask, static_cast<off_t>(lineCount.offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        lineCount.line += static_cast<std::uint64_t>(std::count(block, block + got, '\n'));
        lineCount.offset += static_cast<std::uint64_t>(got);
    }
    return lineCount.line;
}

void noteLeftOut(std::string_view marker) {
    if (marker.empty()) marker = "(no subclass marker)";
    for (int i = 0; i < leftOut.kinds; ++i) {
        if (marker == leftOut.marker[i]) {
            ++leftOut.count[i];
            return;
        }
    }
    if (leftOut.kinds == MAX_LEFT_OUT_KINDS) {
        ++leftOut.otherKinds;
        return;
    }
    std::size_t length = std::min(marker.size(), PIECE_LENGTH);
    std::memcpy(leftOut.marker[leftOut.kinds], marker.data(), length);
    leftOut.marker[leftOut.kinds][length] = '\0';
    leftOut.count[leftOut.kinds++] = 1;
}

void printLeftOut(const char* layerName) {
    if (leftOut.kinds == 0 && leftOut.tiltedKinds == 0) return;
    std::fprintf(stderr, "Left out of layer %s:\n", layerName);
    for (int i = 0; i < leftOut.kinds; ++i) {
        std::fprintf(stderr, "  %s: %d\n", leftOut.marker[i], leftOut.count[i]);
    }
    if (leftOut.otherKinds > 0) std::fprintf(stderr, "  other kinds: %d\n", leftOut.otherKinds);
    for (int i = 0; i < leftOut.tiltedKinds; ++i) {
        std::fprintf(stderr, "  %s in a tilted plane: %d\n", leftOut.tiltedKind[i],
                     leftOut.tiltedCount[i]);
    }
}

// The subclass marker that a line holds, such as "AcDbText", or nothing.
std::string_view subclassMarker(const LineSource& source) {
    std::string_view line(source.lineBuffer, source.lineLength);
    std::size_t first = line.find("AcDb");
    if (first == std::string_view::npos) return {};
    std::size_t last = line.find_first_of(" \t\r\n", first);
    return line.substr(first, last == std::string_view::npos ? line.size() - first : last - first);
}

// Reads the rest of a layer name whose first piece is in lineBuffer: pieces
// up to the line end are joined, so that long names are compared whole.
// False for a name longer than any layer name argument, which matches none.
bool readLayerName(char (&name)[NAME_BUFFER], std::size_t& nameLength) {
    std::size_t length = 0;
    bool tooLong = false;
    for (;;) {
        std::size_t piece = lineSource.lineLength;
        bool ends = pieceEndsLine(lineSource);
        if (ends) --piece;
        if (length + piece < NAME_BUFFER) {
            std::memcpy(name + length, lineSource.lineBuffer, piece);
            length += piece;
        } else {
            tooLong = true;
        }
        if (ends || !nextLine()) break;
    }
    name[length] = '\0';
    nameLength = length;
    return !tooLong;
}

// Whether a layer name line of `length` bytes names the requested layer. The
// name ends at a NUL byte in it, as a C string does; the requested name has
// none.
bool isRequestedLayer(const char* name, std::size_t length, const char* layerName,
                      std::size_t layerLength) {
    if (length < layerLength) return false;
    if (length > layerLength && name[layerLength] != '\0') return false;
    return std::memcmp(name, layerName, layerLength) == 0;
}

enum class LookAhead { read, leftOut, endOfFile };

// Looks ahead from the layer line for the entity's geometry and reads it.
// A line that starts another entity or ends the section ends the look-ahead
// with no record; the scan then treats that line as its own.
LookAhead readGeometry() {
    std::string_view marker;
    char markerText[PIECE_LENGTH + 1] = {};
    for (;;) {
        if (!nextLine()) return LookAhead::endOfFile;
        if (lineContains(lineSource, "AcDbEntity") || lineContains(lineSource, "ENDSEC")) {
            noteLeftOut(marker);
            return LookAhead::leftOut;
        }
        if (lineContains(lineSource, "AcDbLine")) {
            readLineEntity();
        } else if (lineContains(lineSource, "AcDbPoint")) {
            readPointEntity();
        } else if (lineContains(lineSource, "AcDbCircle")) {
            readCircleEntity();
        } else if (lineContains(lineSource, "AcDbPolyline")) {
            readPolyline();
        } else {
            std::string_view found =
                marker.empty() ? subclassMarker(lineSource) : std::string_view{};
            if (!found.empty()) {
                std::memcpy(markerText, found.data(), found.size());
                marker = std::string_view(markerText, found.size());
            }
            continue;
        }
        return LookAhead::read;
    }
}

bool isLayerGroupLine(const LineSource& source) {
    return lineContains(source, "  8") || source.lineBuffer[0] == '8';
}

bool isLayerGroupText(std::string_view text) {
    // The text stands in the block with 64 bytes readable (peekShortLine).
    return (!text.empty() && text[0] == '8') || textContains(text.data(), text.size(), "  8");
}

// Passes over the entities on other layers whose heads are laid out as CAD
// programs write them, and stops before the first marked piece that is
// anything else (false at the end of the file). This is where the scan spends
// its time on a large drawing.
bool passOverOtherLayers(const MarkerSet& markers, const char* layerName, std::size_t layerLength) {
    for (;;) {
        if (!seekMarkedPiece(lineSource, markers)) return false;
        std::string_view name;
        std::size_t afterName = 0;
        if (!peekEntityLayer(lineSource, name, afterName) ||
            isRequestedLayer(name.data(), name.size(), layerName, layerLength)) {
            return true;
        }
        lineSource.position = afterName;
    }
}

enum class Peek { otherLayer, unsure };

// Most entities are on other layers: their group code line and layer name
// line, short and whole in the block, are tested where they stand and passed
// over, with the result of reading them piece by piece.
Peek peekLayer(const char* layerName, std::size_t layerLength) {
    std::string_view code;
    std::string_view name;
    std::size_t afterCode = 0;
    std::size_t afterName = 0;
    if (startsWithLine(lineSource, lineSource.position, "  8", afterCode)) {
        // The layer group code as CAD programs write it.
    } else if (!peekShortLine(lineSource, lineSource.position, code, afterCode)) {
        return Peek::unsure;
    } else if (!isLayerGroupText(code)) {
        lineSource.position = afterCode;
        return Peek::otherLayer;
    }
    if (!peekShortLine(lineSource, afterCode, name, afterName)) return Peek::unsure;
    if (isRequestedLayer(name.data(), name.size(), layerName, layerLength)) return Peek::unsure;
    lineSource.position = afterName;
    return Peek::otherLayer;
}

}  // namespace

void reportTiltedEntity(const char* kind) {
    std::uint64_t offset = sourceOffset(lineSource);
    std::uint64_t line = lineNumberOf(offset > 0 ? offset - 1 : 0);
    std::fprintf(stderr, "warning: %s ending on line %llu lies in a tilted plane; left out\n", kind,
                 static_cast<unsigned long long>(line));
    for (int i = 0; i < leftOut.tiltedKinds; ++i) {
        if (std::strcmp(leftOut.tiltedKind[i], kind) == 0) {
            ++leftOut.tiltedCount[i];
            return;
        }
    }
    if (leftOut.tiltedKinds < MAX_LEFT_OUT_KINDS) {
        leftOut.tiltedKind[leftOut.tiltedKinds] = kind;
        leftOut.tiltedCount[leftOut.tiltedKinds++] = 1;
    }
}

int processLayer(const char* path, const char* layerName) {
    if (openLineSource(lineSource, path) != 0) {
        std::printf("\ncan't open SDXF file %s\n", path);
        return -1;
    }
    resetEntityTable();
    leftOut.kinds = 0;
    leftOut.otherKinds = 0;
    leftOut.tiltedKinds = 0;
    lineCount = LineCount{};

    const MarkerSet scanMarkers = makeMarkerSet({"ENDSEC", "AcDbEntity"});
    int status = 0;
    bool layerFound = false;
    bool haveLine = false;  // the look-ahead left a line for the scan
    char name[NAME_BUFFER];
    std::size_t nameLength = 0;
    const std::size_t layerLength = std::strlen(layerName);
    std::string_view piece;  // the scanned line, in lineBuffer or where it stands
    for (;;) {
        if (haveLine) {
            piece = std::string_view(lineSource.lineBuffer, lineSource.lineLength);
        } else if ((lineSource.bulkSkip &&
                    !passOverOtherLayers(scanMarkers, layerName, layerLength)) ||
                   !nextMarkedPiece(lineSource, scanMarkers, piece)) {
            std::printf("\nError: End of DXF file reached\n");
            status = -1;
            break;
        }
        haveLine = false;
        // Most marked lines are this one, which holds no other marker.
        if (piece != "AcDbEntity\n" && piece != "AcDbEntity") {
            if (textContains(piece.data(), piece.size(), "ENDSEC")) {
                if constexpr (traceSections) std::printf("\nENDSEC found\n");
                break;
            }
            if (!textContains(piece.data(), piece.size(), "AcDbEntity")) continue;
        }
        if (lineSource.bulkSkip && peekLayer(layerName, layerLength) == Peek::otherLayer) continue;
        if (!nextLine()) {
            std::printf("\nError: End of DXF file reached\n");
            status = -1;
            break;
        }
        if (!isLayerGroupLine(lineSource)) continue;
        if (!nextLine()) {
            std::printf("\nError: End of DXF file reached\n");
            status = -1;
            break;
        }
        if (!readLayerName(name, nameLength) ||
            !isRequestedLayer(name, nameLength, layerName, layerLength)) {
            continue;
        }
        layerFound = true;
        LookAhead result = readGeometry();
        if (result == LookAhead::endOfFile) {
            std::printf("\nError: DXF file contains no geometry");
            status = -2;
            break;
        }
        haveLine = result == LookAhead::leftOut;
    }
    closeLineSource(lineSource);
    if (status != 0) return status;
    if (!layerFound) {
        std::printf("\ncan't find specified layername\n");
        return -4;
    }
    status = writeProfile(layerName);
    printLeftOut(layerName);
    return status;
}

}  // namespace dxfprofile
