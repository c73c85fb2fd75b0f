#include "mode2/section_extractor.h"

#include <cstdio>

#include "bytes/line_end_join.h"
#include "dxf/section_layers.h"
#include "io/diagnostics.h"
#include "kinds/kind_table.h"
#include "mode2/layer_inventory.h"
#include "mode2/section_output.h"

namespace dxfprofile {
namespace {

enum class Search { found, notFound, failed };

// Finds the value line "ENTITIES" of a (2, ENTITIES) pair that follows a
// (0, SECTION) pair, and stops at its start.
Search findEntitiesSection(GroupReader& reader) {
    LineSource& source = reader.source();
    Group group;
    for (;;) {
        if (reader.seekGroup(false) < 0 || reader.next(group) <= 0) return Search::notFound;
        if (group.value != "SECTION") continue;
        LineSource::Mark pair = source.here();
        source.keep(pair);
        int result = reader.next(group);
        if (result < 0) return Search::failed;
        if (result == 0) return Search::notFound;
        if (group.code == 2 && group.value == "ENTITIES") {
            // Back to the value line: its code line is one piece.
            Piece code;
            if (source.returnTo(pair) != 0 || !source.nextPiece(code)) return Search::failed;
            return Search::found;
        }
        // A group 0 right after the section's name stays to be looked at.
        if (group.code == 0 && source.returnTo(pair) != 0) return Search::failed;
    }
}

// Copies the section to `copy` and lists its layers; the reader stands at
// its "ENTITIES" line.
int copySection(GroupReader& reader, ByteSink& copy, LayerList& layers) {
    LineSource& source = reader.source();
    source.startCopy(copy);
    Piece name;
    if (!source.nextPiece(name) || !source.skipRestOfLine(name)) return 0;
    reader.startHere();
    return collectSectionLayers(reader, layers, isSubEntity);
}

enum class Fault { none, noSection, endsInside };

// Notes why the copy failed when the input is to blame: a line that holds no
// group code, or else `fault`.
void noteInputFailure(const GroupReader& reader, const char* path, Fault fault) {
    if (reader.faultLine() != 0) {
        noteFailure("line %llu of %s is not a group code",
                    static_cast<unsigned long long>(reader.faultLine()), path);
    } else if (fault == Fault::noSection) {
        noteFailure("%s has no ENTITIES section", path);
    } else if (fault == Fault::endsInside) {
        noteFailure("%s ends inside its ENTITIES section", path);
    }
}

}  // namespace

int extractEntitiesSection(LineSource& input, const char* path, SectionOutput& sdxf,
                           LayerList& layers) {
    GroupReader reader(input);
    reader.startHere();
    Search search = findEntitiesSection(reader);
    if (input.readFailed()) {
        noteFailure("cannot read %s", path);
        return -1;
    }
    if (search == Search::failed) {
        noteInputFailure(reader, path, Fault::none);
        return -1;
    }
    if (search == Search::notFound) {
        std::printf("\nError: no ENTITIES section found\n");
        noteInputFailure(reader, path, Fault::noSection);
        return -1;
    }
    if (sdxf.open() != 0) return -1;
    LineEndJoiner copy(sdxf, input.wideVectors());
    int copied = copySection(reader, copy, layers);
    input.stopCopy();
    if (copied <= 0 || input.readFailed()) {
        sdxf.discard();
        if (copied == 0 || input.readFailed())
            std::printf("\nError: DXF file ends inside the ENTITIES section\n");
        if (input.readFailed()) {
            noteFailure("cannot read %s", path);
        } else {
            noteInputFailure(reader, path, Fault::endsInside);
        }
        return -1;
    }
    sdxf.take("EOF", 3);
    return sdxf.commit();
}

}  // namespace dxfprofile
