#include "mode2/section_extractor.h"

#include <cstdio>
#include <string>

#include "blocks/block_index.h"
#include "blocks/section_layers.h"
#include "bytes/line_end_join.h"
#include "dxf/section_search.h"
#include "io/diagnostics.h"
#include "kinds/kind_table.h"
#include "mode2/layer_inventory.h"
#include "mode2/section_output.h"

namespace dxfprofile {
namespace {

// Copies the section to `copy` (on a thread of its own, until the caller
// stops the copy) and lists its layers; the reader stands at its "ENTITIES"
// line. `referenced` tells whether model space places a block.
int copySection(GroupReader& reader, ByteSink& copy, LayerList& layers, const BlockIndex& blocks,
                bool& referenced) {
    LineSource& source = reader.source();
    source.startCopy(copy, true);
    Piece name;
    if (!source.nextPiece(name) || !source.skipRestOfLine(name)) return 0;
    reader.startHere();
    return collectPlacedLayers(reader, layers, blocks, referenced);
}

// Takes the bytes of a section that is read but not kept.
class NoCopy final : public ByteSink {
  public:
    void take(const char* /*data*/, std::size_t /*size*/) override {}
};

// Copies a BLOCKS section to `copy` (on a thread of its own when `kept`)
// and indexes its blocks; the reader stands at its "BLOCKS" line.
int copyBlocks(GroupReader& reader, ByteSink& copy, bool kept, BlockIndex& blocks) {
    LineSource& source = reader.source();
    source.startCopy(copy, kept);
    Piece name;
    if (!source.nextPiece(name) || !source.skipRestOfLine(name)) return 0;
    reader.startHere();
    int result = readBlocksSection(reader, blocks);
    source.stopCopy();
    return result;
}

enum class Fault { none, noSection, endsInside };

// Notes why the copy failed when the input is to blame: a line that holds no
// group code, or else `fault`.
void noteInputFailure(const GroupReader& reader, const char* path, Fault fault,
                      const char* section = "ENTITIES") {
    if (reader.faultLine() != 0) {
        noteFailure("line %llu of %s is not a group code",
                    static_cast<unsigned long long>(reader.faultLine()), path);
    } else if (fault == Fault::noSection) {
        noteFailure("%s has no ENTITIES section", path);
    } else if (fault == Fault::endsInside) {
        noteFailure("%s ends inside its %s section", path, section);
    }
}

// Finds the ENTITIES section; a BLOCKS section on the way is copied into
// `blocks` and indexed. -1 when the input is to blame (noted).
int findEntities(GroupReader& reader, const char* path, BlocksCopy* blocks, BlockIndex& index) {
    LineSource& input = reader.source();
    std::string name;
    bool indexed = false;
    for (;;) {
        SectionSearch search = findSection(reader, name);
        if (input.readFailed()) {
            noteFailure("cannot read %s", path);
            return -1;
        }
        if (search == SectionSearch::failed) {
            noteInputFailure(reader, path, Fault::none);
            return -1;
        }
        if (search == SectionSearch::notFound) {
            std::printf("\nError: no ENTITIES section found\n");
            noteInputFailure(reader, path, Fault::noSection);
            return -1;
        }
        if (name == "ENTITIES") return 0;
        // The first BLOCKS section is the drawing's.
        if (name != "BLOCKS" || indexed) continue;
        indexed = true;
        bool copying = blocks != nullptr;
        if (copying && blocks->output.open() != 0) return -1;
        if (copying) blocks->opened = true;
        NoCopy none;
        LineEndJoiner copy(copying ? static_cast<ByteSink&>(blocks->output) : none,
                           input.wideVectors());
        int copied = copyBlocks(reader, copy, copying, index);
        if (copied <= 0 || input.readFailed()) {
            if (copying) blocks->output.discard();
            if (copying) blocks->opened = false;
            if (copied == 0 || input.readFailed())
                std::printf("\nError: DXF file ends inside the BLOCKS section\n");
            if (input.readFailed()) {
                noteFailure("cannot read %s", path);
            } else {
                noteInputFailure(reader, path, Fault::endsInside, "BLOCKS");
            }
            return -1;
        }
        reader.startHere();
        if (!copying) continue;
        blocks->output.take("EOF", 3);
    }
}

}  // namespace

int extractEntitiesSection(LineSource& input, const char* path, SectionOutput& sdxf,
                           LayerList& layers, BlocksCopy* blocks) {
    GroupReader reader(input);
    reader.startHere();
    BlockIndex index;
    // A BLOCKS section was copied: it is kept only when it is needed.
    auto dropBlocks = [&] {
        if (blocks != nullptr && blocks->opened) blocks->output.discard();
    };
    if (findEntities(reader, path, blocks, index) != 0) {
        dropBlocks();
        return -1;
    }
    if (sdxf.open() != 0) {
        dropBlocks();
        return -1;
    }
    LineEndJoiner copy(sdxf, input.wideVectors());
    bool referenced = false;
    int copied = copySection(reader, copy, layers, index, referenced);
    input.stopCopy();
    if (copied <= 0 || input.readFailed()) {
        sdxf.discard();
        dropBlocks();
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
    int status = sdxf.commit();
    if (blocks == nullptr) return status;
    if (status != 0 || !referenced || !index.holdsEntities()) {
        dropBlocks();
        return status;
    }
    if (blocks->output.commit() != 0) return -1;
    blocks->written = true;
    return 0;
}

}  // namespace dxfprofile
