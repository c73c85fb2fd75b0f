#include "mode3/reference_expansion.h"

#include <algorithm>
#include <cstdio>

#include "dxf/entity_head.h"
#include "dxf/layer_name.h"
#include "entities/entity_table.h"
#include "io/diagnostics.h"
#include "io/text_encoding.h"
#include "kinds/extrusion.h"
#include "kinds/kind_table.h"

namespace dxfprofile {
namespace {

// Entities placed on the layer past this many give no profile: the records
// are over the limit long before, unless the entities give none, and the
// work is cut there.
constexpr std::uint64_t MAX_PLACED_ENTITIES = std::uint64_t{MAX_ENTITIES} << 10;
constexpr std::size_t MAX_UNPLACED = 32;

std::string_view blockNameOf(const EntityGroups& insert) {
    const EntityGroup* name = findGroup(insert, 2);
    return name != nullptr ? std::string_view(name->value) : std::string_view();
}

void noteUnplaced(ScanRun& run, std::string_view name, std::uint64_t line, bool external) {
    for (UnplacedBlock& block : run.unplaced) {
        if (block.name == name) {
            ++block.references;
            return;
        }
    }
    if (run.unplaced.size() < MAX_UNPLACED)
        run.unplaced.push_back({std::string(name), line, 1, external});
}

// The reference's values, each checked as it is taken.
InsertValues insertValuesOf(EntityValues& values, const BlockDefinition& block) {
    InsertValues insert;
    insert.baseX = block.base[0];
    insert.baseY = block.base[1];
    insert.baseZ = block.base[2];
    insert.x = values.real(10);
    insert.y = values.real(20);
    insert.z = values.real(30);
    insert.scaleX = values.real(41, 1.0);
    insert.scaleY = values.real(42, 1.0);
    insert.scaleZ = values.real(43, 1.0);
    insert.rotation = values.real(50);
    insert.columnSpacing = values.real(44);
    insert.rowSpacing = values.real(45);
    Extrusion normal = extrusionOf(values);
    insert.normalX = normal.x;
    insert.normalY = normal.y;
    insert.normalZ = normal.z;
    return insert;
}

// The blocks could not be read again: a failed read, a line that holds no
// group code (its message printed by the reader) or a block without its end.
Scan failRead(ScanRun& run, const GroupReader* reader, int& status) {
    if (reader != nullptr && reader->faultLine() != 0) {
        noteFailure("line %llu of %s is not a group code",
                    static_cast<unsigned long long>(reader->faultLine()), run.blocksPath);
    } else if (reader != nullptr && !run.blockSource->readFailed()) {
        std::fprintf(run.messages, "\nError: End of DXF file reached\n");
        noteFailure("%s ends inside a block", run.blocksPath);
    } else {
        std::fprintf(run.messages, "\nError: can't read the blocks again\n");
        noteFailure("cannot read the blocks in %s", run.blocksPath);
    }
    status = -1;
    return Scan::failed;
}

Scan refuseNesting(ScanRun& run, const EntityGroups& insert, std::string_view name, bool cyclic,
                   int& status) {
    std::string quoted = shellQuoted(name);
    if (cyclic) {
        std::fprintf(run.messages, "\nError: block %s places itself\n", quoted.c_str());
        noteFailure("block %s places itself (the INSERT on line %llu of %s)", quoted.c_str(),
                    static_cast<unsigned long long>(insert.line), run.path);
    } else {
        std::fprintf(run.messages, "\nError: blocks nested deeper than %d\n", MAX_BLOCK_NESTING);
        noteFailure("the INSERT on line %llu of %s nests blocks deeper than %d",
                    static_cast<unsigned long long>(insert.line), run.path, MAX_BLOCK_NESTING);
    }
    status = -1;
    return Scan::failed;
}

// Converts the entities of `block` that land on the run's layer, placed by
// `placement`.
Scan placeBlock(ScanRun& run, const BlockDefinition& block, std::string_view layer,
                const Placement& placement, int depth, int& status) {
    LineSource& source = *run.blockSource;
    if (source.returnTo(block.entities) != 0) return failRead(run, nullptr, status);
    GroupReader reader(source);
    reader.startHere();
    OneLayer wanted(run.layerName);
    EntityGroups entity;
    for (;;) {
        int read = readEntityStart(reader, entity);
        if (read > 0 && (entity.kind == "ENDBLK" || entity.kind == "ENDSEC")) return Scan::goOn;
        if (read > 0) read = readEntityRest(reader, entity);
        if (read <= 0) return failRead(run, &reader, status);
        // Attributes and a polyline's end belong to the entity before them.
        if (isSubEntity(entity.kind)) continue;
        const EntityGroup* layerGroup = findGroup(entity, 8);
        std::string_view own = layerGroup != nullptr ? layerNameOf(layerGroup->value) : "0";
        std::string_view landsOn = own == "0" ? layer : own;
        if (entity.kind == "INSERT") {
            if (wanted.isLayer(landsOn)) run.layerFound = true;
            LineSource::Mark after = source.here();
            Scan scan = expandReference(run, entity, landsOn, placement, depth, status);
            if (scan != Scan::goOn) return scan;
            if (source.returnTo(after) != 0) return failRead(run, nullptr, status);
            continue;
        }
        if (!wanted.isLayer(landsOn)) continue;
        run.layerFound = true;
        if (++run.placedEntities > MAX_PLACED_ENTITIES) {
            tallyBeyond(run.tally, entity.kind, entity.line);
            countEntities(run.table, MAX_ENTITIES + 1);
            return Scan::goOn;
        }
        Scan scan = convertEntity(run, reader, entity, status, placement);
        if (scan != Scan::goOn) return scan;
    }
}

}  // namespace

Scan expandReference(ScanRun& run, const EntityGroups& insert, std::string_view layer,
                     const Placement& outer, int depth, int& status) {
    std::string_view name = blockNameOf(insert);
    int at = run.blocks->indexOf(name);
    if (at < 0) {
        noteUnplaced(run, name, insert.line, false);
        return Scan::goOn;
    }
    auto index = static_cast<std::size_t>(at);
    const BlockDefinition& block = run.blocks->blocks()[index];
    if ((block.flags & BLOCK_EXTERNAL) != 0) {
        noteUnplaced(run, name, insert.line, true);
        return Scan::goOn;
    }
    const BlockReach& reach = *run.reach;
    if (reach.cyclic(index)) return refuseNesting(run, insert, name, true, status);
    if (depth + reach.nesting(index) > MAX_BLOCK_NESTING)
        return refuseNesting(run, insert, name, false, status);
    OneLayer wanted(run.layerName);
    if (!reach.direct(index) && !(wanted.isLayer(layer) && reach.inherits(index)))
        return Scan::goOn;
    EntityValues values(insert);
    InsertValues placing = insertValuesOf(values, block);
    long columns = std::max(1, integerValue(insert, 70, 1));
    long rows = std::max(1, integerValue(insert, 71, 1));
    if (values.failed()) {
        reportOutOfRange(run, insert.kind, insert.line, values.faultLine());
        status = -1;
        return Scan::refused;
    }
    // Copies of an array that land on the same spot are placed once, and
    // places that give no record once, for what they leave out.
    if (placing.columnSpacing == 0.0) columns = 1;
    if (placing.rowSpacing == 0.0) rows = 1;
    if (!reach.geometry(index, wanted.isLayer(layer))) columns = rows = 1;
    auto places = static_cast<std::uint64_t>(columns) * static_cast<std::uint64_t>(rows);
    if (places > MAX_ENTITIES) {
        // Each place gives a record at least: more than a profile holds.
        tallyBeyond(run.tally, insert.kind, insert.line);
        countEntities(run.table, MAX_ENTITIES + 1);
        return Scan::goOn;
    }
    for (long row = 0; row < rows; ++row) {
        for (long column = 0; column < columns; ++column) {
            Placement place;
            int placed =
                insertPlacement(placing, static_cast<int>(column), static_cast<int>(row), place);
            if (placed == PLACEMENT_TILTED) {
                noteTilted(run.leftOut, insert.kind, insert.line);
                return Scan::goOn;
            }
            if (placed == PLACEMENT_DEGENERATE) {
                std::fprintf(stderr, "warning: INSERT on line %llu has a scale of 0; left out\n",
                             static_cast<unsigned long long>(insert.line));
                noteLeftOut(run.leftOut, "INSERT (scale 0)");
                return Scan::goOn;
            }
            if (placed != PLACEMENT_OK) {
                reportOutOfRange(run, insert.kind, insert.line, insert.line);
                status = -1;
                return Scan::refused;
            }
            Scan scan =
                placeBlock(run, block, layer, composePlacements(outer, place), depth + 1, status);
            if (scan != Scan::goOn) return scan;
            if (run.table.entityCount > MAX_ENTITIES) return Scan::goOn;
        }
    }
    return Scan::goOn;
}

void printUnplaced(const ScanRun& run) {
    for (const UnplacedBlock& block : run.unplaced) {
        std::string quoted = shellQuoted(block.name);
        std::fprintf(stderr,
                     "warning: %d INSERT of block %s (the first on line %llu) left out: %s\n",
                     block.references, quoted.c_str(), static_cast<unsigned long long>(block.line),
                     block.external ? "an external reference, whose entities are in another file"
                                    : "the drawing does not define it");
    }
}

}  // namespace dxfprofile
