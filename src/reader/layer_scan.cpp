#include "reader/layer_scan.h"

#include <cstdio>
#include <vector>

#include "entities/entity_table.h"
#include "entities/profile_writer.h"
#include "geometry/curve_chain.h"
#include "geometry/trace.h"
#include "reader/curve_reader.h"
#include "reader/entity_head.h"
#include "reader/left_out.h"
#include "reader/readers.h"

namespace dxfprofile {
namespace {

LineSource sdxfInput;
// The layer's curves, joined end to end until the next entity that gives
// records of its own.
CurveChain curveChain;

class OneLayer final : public LayerWanted {
  public:
    explicit OneLayer(std::string_view name) : name_(name) {}
    bool wants(std::string_view layer) const override { return layer == name_; }

  private:
    std::string_view name_;
};

enum class Scan { goOn, failed, refused };

void printEndOfFile() {
    std::printf("\nError: End of DXF file reached\n");
}

// A POLYLINE's VERTEX entities up to its SEQEND: 1, 0 when the file ends
// first, -1 on a failed read.
int readVertices(GroupReader& reader, std::vector<EntityGroups>& vertices) {
    vertices.clear();
    LineSource& source = reader.source();
    EntityGroups entity;
    for (;;) {
        LineSource::Mark before = source.here();
        source.keep(before);
        int result = readNextEntity(reader, entity);
        if (result <= 0) return result;
        if (entity.kind == "SEQEND") return 1;
        if (entity.kind != "VERTEX") {
            // A polyline without its SEQEND ends where another entity begins.
            return source.returnTo(before) == 0 ? 1 : -1;
        }
        vertices.push_back(std::move(entity));
    }
}

// The records of the curves read so far.
void flushCurves(const char* layerName) {
    int status = appendCurveRecords(curveChain);
    if (status == CURVE_PRECISION) {
        std::fprintf(stderr,
                     "warning: curves on layer %s that single precision cannot hold within %g are "
                     "left out\n",
                     layerName, CURVE_TOLERANCE);
        noteLeftOut("curves beyond single precision");
    } else if (status == CURVE_TOO_MANY_SPANS) {
        // More records than a layer may hold: the profile is refused.
        countEntities(MAX_ENTITIES + 1);
    }
}

bool givesRecords(const std::string& kind) {
    return kind == "LINE" || kind == "POINT" || kind == "CIRCLE" || kind == "ARC" ||
           kind == "LWPOLYLINE" || kind == "POLYLINE";
}

// Converts one entity of the layer into records; `status` is set on failure.
Scan convertEntity(GroupReader& reader, const EntityGroups& entity, const char* layerName,
                   int& status) {
    EntityOutcome outcome = EntityOutcome::leftOut;
    const std::string& kind = entity.kind;
    curveFault = CURVE_OK;
    if (givesRecords(kind)) flushCurves(layerName);
    if (kind == "SPLINE") {
        outcome = readSplineEntity(entity, curveChain);
    } else if (kind == "ELLIPSE") {
        outcome = readEllipseEntity(entity, curveChain);
    } else if (kind == "LINE") {
        outcome = readLineEntity(entity);
    } else if (kind == "POINT") {
        outcome = readPointEntity(entity);
    } else if (kind == "CIRCLE" || kind == "ARC") {
        outcome = readCircleEntity(entity);
    } else if (kind == "LWPOLYLINE") {
        outcome = readPolyline(entity);
    } else if (kind == "POLYLINE") {
        std::vector<EntityGroups> vertices;
        int result = readVertices(reader, vertices);
        if (result <= 0) {
            if (result == 0) printEndOfFile();
            status = -1;
            return Scan::failed;
        }
        outcome = readHeavyPolyline(entity, vertices);
        if (outcome == EntityOutcome::leftOut) {
            bool mesh = (integerValue(entity, 70) & (16 | 64)) != 0;
            noteLeftOut(mesh ? "POLYLINE (mesh)" : "POLYLINE (3D)");
            return Scan::goOn;
        }
    }
    if (outcome == EntityOutcome::outOfRange) {
        std::printf("\nError: %s on line %llu holds a value out of range on line %llu\n",
                    kind.c_str(), static_cast<unsigned long long>(entity.line),
                    static_cast<unsigned long long>(valueFaultLine));
        status = -1;
        return Scan::refused;
    }
    if (outcome == EntityOutcome::tilted) noteTilted(kind, entity.line);
    if (outcome == EntityOutcome::leftOut) noteLeftOut(kind);
    if (outcome == EntityOutcome::leftOut && curveFault != CURVE_OK) {
        std::fprintf(stderr, "warning: %s on line %llu gives no record (%s); left out\n",
                     kind.c_str(), static_cast<unsigned long long>(entity.line),
                     curveStatusText(curveFault));
    }
    return Scan::goOn;
}

}  // namespace

int processLayer(const char* path, const char* layerName) {
    if (sdxfInput.open(path) != 0) {
        std::printf("\ncan't open SDXF file %s\n", path);
        return -1;
    }
    resetEntityTable();
    resetLeftOut();
    resetCurveChain(curveChain);
    curveRecords = CurveRecords{};
    int status = 0;
    bool layerFound = false;
    bool valueRefused = false;
    GroupReader reader(sdxfInput);
    OneLayer wanted(layerName);
    EntityHeads heads(reader, wanted);
    EntityHead head;
    EntityGroups entity;
    // The first line names the section; the groups follow it.
    Piece first;
    if (!sdxfInput.nextPiece(first) || !sdxfInput.skipRestOfLine(first)) {
        printEndOfFile();
        status = -1;
    }
    reader.startHere();
    heads.lookFor(layerName);
    while (status == 0) {
        HeadResult result = heads.next(head);
        if (result == HeadResult::sectionEnd) {
            if constexpr (traceSections) std::printf("\nENDSEC found\n");
            flushCurves(layerName);
            break;
        }
        if (result == HeadResult::fileEnd) {
            printEndOfFile();
            status = -1;
            break;
        }
        int read = readEntityGroups(reader, head, entity);
        if (read < 0) {
            status = -1;
        } else if (read == 0) {
            if (hasCoordinates(entity) || inPaperSpace(entity)) {
                printEndOfFile();
                status = -1;
            } else {
                std::printf("\nError: DXF file contains no geometry");
                status = -2;
            }
        } else if (!inPaperSpace(entity)) {
            layerFound = true;
            valueRefused = convertEntity(reader, entity, layerName, status) == Scan::refused;
        }
    }
    sdxfInput.close();
    if (status == -1 && valueRefused) leaveEmptyProfile(layerName);
    if (status != 0) return status;
    if (!layerFound) {
        std::printf("\ncan't find specified layername\n");
        return -4;
    }
    status = writeProfile(layerName);
    printApproximated(layerName, curveChain.stats, curveRecords);
    printLeftOut(layerName);
    return status;
}

}  // namespace dxfprofile
