#include "mode3/layer_scan.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include "blocks/block_index.h"
#include "blocks/section_layers.h"
#include "dxf/entity_head.h"
#include "dxf/layer_hint.h"
#include "dxf/section_search.h"
#include "entities/entity_table.h"
#include "entities/profile_writer.h"
#include "geometry/curve_chain.h"
#include "geometry/trace.h"
#include "io/diagnostics.h"
#include "io/text_encoding.h"
#include "kinds/curve_reader.h"
#include "kinds/kind_table.h"
#include "mode3/left_out.h"
#include "mode3/record_tally.h"
#include "mode3/reference_expansion.h"
#include "mode3/scan_input.h"
#include "mode3/scan_run.h"

namespace dxfprofile {
namespace {

void printEndOfFile(const ScanRun& run) {
    std::fprintf(run.messages, "\nError: End of DXF file reached\n");
    noteFailure("%s ends before the end of its ENTITIES section", run.path);
}

// A read of the entity of `kind` on `line` failed; the reader said why.
void noteReadFailure(const ScanRun& run, const LineSource& source, const std::string& kind,
                     std::uint64_t line) {
    if (source.readFailed()) {
        noteFailure("cannot read %s", run.path);
    } else {
        noteFailure("the %s on line %llu of %s holds a line that is not a group code", kind.c_str(),
                    static_cast<unsigned long long>(line), run.path);
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
        if (!isSubEntity(entity.kind)) {
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
void flushCurves(ScanRun& run) {
    std::uint32_t before = run.table.entityCount;
    int status = appendCurveRecords(run.curveChain, run.curveRecords, run.table);
    if (status == CURVE_PRECISION) {
        std::fprintf(stderr,
                     "warning: curves on layer %s that single precision cannot hold within %g are "
                     "left out\n",
                     run.layerName, CURVE_TOLERANCE);
        noteLeftOut(run.leftOut, "curves beyond single precision");
    } else if (status == CURVE_TOO_MANY_SPANS) {
        // More records than a layer may hold: the profile is refused.
        countEntities(run.table, MAX_ENTITIES + 1);
    }
    tallyCurveRecords(run.tally, run.table.entityCount - before, status == CURVE_TOO_MANY_SPANS);
}

// What a polyline's walk did, segment by segment.
void printNotes(const ScanRun& run, const std::vector<SegmentNote>& notes) {
    static const char* const TEXT[] = {"\nseg", "\nbulge1", "\nbulge2"};
    for (SegmentNote note : notes) std::fputs(TEXT[static_cast<int>(note)], run.messages);
}

}  // namespace

void reportOutOfRange(const ScanRun& run, const std::string& kind, std::uint64_t line,
                      std::uint64_t faultLine) {
    std::fprintf(run.messages, "\nError: %s on line %llu holds a value out of range on line %llu\n",
                 kind.c_str(), static_cast<unsigned long long>(line),
                 static_cast<unsigned long long>(faultLine));
    noteFailure("the %s on line %llu of %s holds a value out of range on line %llu", kind.c_str(),
                static_cast<unsigned long long>(line), run.path,
                static_cast<unsigned long long>(faultLine));
}

Scan convertEntity(ScanRun& run, GroupReader& reader, const EntityGroups& entity, int& status,
                   const Placement& placement) {
    const std::string& kind = entity.kind;
    if (kind == "INSERT" && run.blocks != nullptr)
        return expandReference(run, entity, run.layerName, placement, 0, status);
    if (kind == "INSERT") ++run.referencesLeftOut;
    const EntityKind& row = kindOf(kind);
    if (row.givesRecords) flushCurves(run);
    std::uint32_t before = run.table.entityCount;
    std::vector<EntityGroups> vertices;
    if (row.ownsVertices) {
        int result = readVertices(reader, vertices);
        if (result <= 0) {
            if (result == 0) printEndOfFile(run);
            if (result < 0) noteReadFailure(run, reader.source(), kind, entity.line);
            status = -1;
            return Scan::failed;
        }
    }
    KindResult read = readEntity(row, entity, vertices, run.curveChain, before, placement);
    appendShapes(read, run.table);
    printNotes(run, read.notes);
    EntityOutcome outcome = read.outcome;
    if (row.ownsVertices && outcome == EntityOutcome::leftOut) {
        bool mesh = (integerValue(entity, 70) & (16 | 64)) != 0;
        noteLeftOut(run.leftOut, mesh ? "POLYLINE (mesh)" : "POLYLINE (3D)");
        return Scan::goOn;
    }
    if (outcome == EntityOutcome::read && !row.givesRecords) {
        tallyCurve(run.tally, kind, entity.line);
    } else if (outcome == EntityOutcome::read) {
        tallyRecords(run.tally, kind, entity.line, run.table.entityCount - before);
    }
    if (outcome == EntityOutcome::outOfRange) {
        reportOutOfRange(run, kind, entity.line, read.faultLine);
        status = -1;
        return Scan::refused;
    }
    if (outcome == EntityOutcome::tilted) noteTilted(run.leftOut, kind, entity.line);
    if (outcome == EntityOutcome::leftOut) noteLeftOut(run.leftOut, kind);
    if (outcome == EntityOutcome::leftOut && read.curveFault != CURVE_OK) {
        std::fprintf(stderr, "warning: %s on line %llu gives no record (%s); left out\n",
                     kind.c_str(), static_cast<unsigned long long>(entity.line),
                     curveStatusText(read.curveFault));
    }
    return Scan::goOn;
}

int processLayer(LineSource& sdxfInput, const char* path, const char* layerName,
                 std::FILE* messages, EntityTable& table, const BlockInput& blocks) {
    ScanRun run{table};
    run.messages = messages;
    run.path = path;
    run.layerName = layerName;
    resetEntityTable(table);
    resetCurveChain(run.curveChain);
    int status = 0;
    bool valueRefused = false;
    GroupReader reader(sdxfInput);
    BlockIndex index;
    bool placesBlocks = blocks.source != nullptr;
    if (blocks.drawing) {
        reader.startHere();
        status = findDrawingEntities(run, reader, index);
    } else if (placesBlocks && !indexBlocksFile(blocks, index)) {
        index = BlockIndex();
        placesBlocks = false;
    }
    BlockReach reach(index, layerName);
    if (placesBlocks) {
        run.blocks = &index;
        run.reach = &reach;
        run.blockSource = blocks.source;
        run.blocksPath = blocks.path;
    }
    OneLayer wanted(layerName);
    EveryLayer everyLayer;
    // References on other layers matter when a block puts entities on this
    // one whatever layer places it: every head is read then.
    bool everyHead = placesBlocks && reach.anyDirect();
    EntityHeads heads(reader,
                      everyHead ? static_cast<const LayerWanted&>(everyLayer)
                                : static_cast<const LayerWanted&>(wanted),
                      isSubEntity);
    EntityHead head;
    EntityGroups entity;
    // The first line names the section; the groups follow it.
    Piece first;
    if (status == 0 && (!sdxfInput.nextPiece(first) || !sdxfInput.skipRestOfLine(first))) {
        printEndOfFile(run);
        status = -1;
    }
    reader.startHere();
    if (!everyHead) heads.lookFor(layerName);
    while (status == 0) {
        HeadResult result = heads.next(head);
        if (result == HeadResult::sectionEnd) {
            if constexpr (traceSections) std::fprintf(run.messages, "\nENDSEC found\n");
            flushCurves(run);
            break;
        }
        if (result == HeadResult::fileEnd) {
            printEndOfFile(run);
            status = -1;
            break;
        }
        bool onLayer = wanted.isLayer(head.layer);
        if (!onLayer && head.kind != "INSERT") continue;
        int read = readEntityGroups(reader, head, entity);
        if (read < 0) {
            noteReadFailure(run, sdxfInput, head.kind, head.line);
            status = -1;
        } else if (read == 0) {
            if (!onLayer || hasCoordinates(entity) || inPaperSpace(entity)) {
                printEndOfFile(run);
                status = -1;
            } else {
                std::fprintf(run.messages, "\nError: DXF file contains no geometry");
                noteFailure("%s ends inside the %s on line %llu of layer %s", path,
                            entity.kind.c_str(), static_cast<unsigned long long>(entity.line),
                            shellQuoted(layerName).c_str());
                status = -2;
            }
        } else if (inPaperSpace(entity)) {
            continue;
        } else if (!onLayer) {
            if (run.blocks == nullptr) continue;
            // A reference on another layer: its block's entities on this one.
            Scan scan = expandReference(run, entity, layerNameOf(head.layer), IDENTITY_PLACEMENT, 0,
                                        status);
            valueRefused = scan == Scan::refused;
        } else {
            run.layerFound = true;
            Scan scan = convertEntity(run, reader, entity, status, IDENTITY_PLACEMENT);
            valueRefused = scan == Scan::refused;
        }
    }
    sdxfInput.close();
    if (status == -1 && valueRefused) leaveEmptyProfile(layerName);
    if (status != 0) return status;
    if (!run.layerFound) {
        std::fprintf(run.messages, "\ncan't find specified layername\n");
        noteMissingLayer(
            path, layerName, blocks.drawing,
            [&](GroupReader& names, NameSet& found) {
                bool referenced = false;
                return collectPlacedLayers(names, found, index, referenced);
            },
            blocks.layersPath);
        hintBlocks(run, blocks);
        return -4;
    }
    status = writeProfile(table, layerName, messages);
    if (status == -5) noteTooManyRecords(run.tally, layerName, run.table.entityCount);
    printApproximated(layerName, run.curveChain.stats, run.curveRecords);
    printLeftOut(run.leftOut, layerName);
    printUnplaced(run);
    hintBlocks(run, blocks);
    return status;
}

}  // namespace dxfprofile
