#include "mode3/layer_scan.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include "dxf/entity_head.h"
#include "dxf/layer_hint.h"
#include "entities/entity_table.h"
#include "entities/profile_writer.h"
#include "geometry/curve_chain.h"
#include "geometry/trace.h"
#include "io/diagnostics.h"
#include "io/text_encoding.h"
#include "kinds/curve_reader.h"
#include "kinds/readers.h"
#include "mode3/left_out.h"
#include "mode3/record_tally.h"

namespace dxfprofile {
namespace {

// The layer's curves, joined end to end until the next entity that gives
// records of its own.
CurveChain curveChain;

enum class Scan { goOn, failed, refused };

// The SDXF file of the run, for its messages.
const char* scanPath = "";

void printEndOfFile() {
    std::printf("\nError: End of DXF file reached\n");
    noteFailure("%s ends before the end of its ENTITIES section", scanPath);
}

// A read of the entity of `kind` on `line` failed; the reader said why.
void noteReadFailure(const LineSource& source, const std::string& kind, std::uint64_t line) {
    if (source.readFailed()) {
        noteFailure("cannot read %s", scanPath);
    } else {
        noteFailure("the %s on line %llu of %s holds a line that is not a group code", kind.c_str(),
                    static_cast<unsigned long long>(line), scanPath);
    }
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
        int result = readEntityStart(reader, entity);
        if (result <= 0) return result;
        if (entity.kind != "VERTEX" && entity.kind != "SEQEND") {
            // A polyline without its SEQEND ends where another entity, or
            // the section, begins.
            return source.returnTo(before) == 0 ? 1 : -1;
        }
        result = readEntityRest(reader, entity);
        if (result <= 0 || entity.kind == "SEQEND") return result;
        vertices.push_back(std::move(entity));
    }
}

// The records of the curves read so far.
void flushCurves(const char* layerName) {
    std::uint32_t before = entityTable.entityCount;
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
    tallyCurveRecords(entityTable.entityCount - before, status == CURVE_TOO_MANY_SPANS);
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
    std::uint32_t before = entityTable.entityCount;
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
            if (result < 0) noteReadFailure(reader.source(), kind, entity.line);
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
    if (outcome == EntityOutcome::read && (kind == "SPLINE" || kind == "ELLIPSE")) {
        tallyCurve(kind, entity.line);
    } else if (outcome == EntityOutcome::read) {
        tallyRecords(kind, entity.line, entityTable.entityCount - before);
    }
    if (outcome == EntityOutcome::outOfRange) {
        std::printf("\nError: %s on line %llu holds a value out of range on line %llu\n",
                    kind.c_str(), static_cast<unsigned long long>(entity.line),
                    static_cast<unsigned long long>(valueFaultLine));
        noteFailure("the %s on line %llu of %s holds a value out of range on line %llu",
                    kind.c_str(), static_cast<unsigned long long>(entity.line), scanPath,
                    static_cast<unsigned long long>(valueFaultLine));
        status = -1;
        return Scan::refused;
    }
    if (outcome == EntityOutcome::tilted) noteTilted(kind, entity.line);
    if (outcome == EntityOutcome::leftOut) noteLeftOut(kind);
    if (outcome == EntityOutcome::leftOut && curveFault != CURVE_OK) {
        std::fprintf(stderr, "warning: %s on line %llu gives no record (%s); left out\n",
                     kind.c_str(), static_cast<unsigned long long>(entity.line),
                     curveFault == CURVE_FIT_POINTS_ONLY ? "only fit points, no control points"
                                                         : curveStatusText(curveFault));
    }
    return Scan::goOn;
}

}  // namespace

int processLayer(LineSource& sdxfInput, const char* path, const char* layerName) {
    scanPath = path;
    resetEntityTable();
    resetRecordTally();
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
            noteReadFailure(sdxfInput, head.kind, head.line);
            status = -1;
        } else if (read == 0) {
            if (hasCoordinates(entity) || inPaperSpace(entity)) {
                printEndOfFile();
                status = -1;
            } else {
                std::printf("\nError: DXF file contains no geometry");
                noteFailure("%s ends inside the %s on line %llu of layer %s", path,
                            entity.kind.c_str(), static_cast<unsigned long long>(entity.line),
                            shellQuoted(layerName).c_str());
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
        noteMissingLayer(path, layerName);
        return -4;
    }
    status = writeProfile(layerName);
    if (status == -5) noteTooManyRecords(layerName, entityTable.entityCount);
    printApproximated(layerName, curveChain.stats, curveRecords);
    printLeftOut(layerName);
    return status;
}

}  // namespace dxfprofile
