#include "mode2/section_extractor.h"

#include <cstdio>

#include "mode2/layer_inventory.h"
#include "io/output_file.h"
#include "dxf/entity_head.h"

namespace dxfprofile {
namespace {

LineSource dxfSource;
OutputFile sdxfOutput;

enum class Search { found, notFound, failed };

// The layers not yet listed.
class NewLayer final : public LayerWanted {
  public:
    explicit NewLayer(const LayerList& layers) : layers_(layers) {}
    bool wants(std::string_view layer) const override { return !layers_.contains(layer); }

  private:
    const LayerList& layers_;
};

// Finds the value line "ENTITIES" of a (2, ENTITIES) pair that follows a
// (0, SECTION) pair, and stops at its start.
Search findEntitiesSection(GroupReader& reader) {
    Group group;
    for (;;) {
        if (reader.seekGroup(false) < 0 || reader.next(group) <= 0) return Search::notFound;
        if (group.value != "SECTION") continue;
        LineSource::Mark pair = dxfSource.here();
        dxfSource.keep(pair);
        int result = reader.next(group);
        if (result < 0) return Search::failed;
        if (result == 0) return Search::notFound;
        if (group.code == 2 && group.value == "ENTITIES") {
            // Back to the value line: its code line is one piece.
            Piece code;
            if (dxfSource.returnTo(pair) != 0 || !dxfSource.nextPiece(code)) return Search::failed;
            return Search::found;
        }
        // A group 0 right after the section's name stays to be looked at.
        if (group.code == 0 && dxfSource.returnTo(pair) != 0) return Search::failed;
    }
}

// Copies the section and lists its layers; the reader stands at its
// "ENTITIES" line.
int copySection(GroupReader& reader, LayerList& layers) {
    dxfSource.startCopy(sdxfOutput);
    Piece name;
    if (!dxfSource.nextPiece(name) || !dxfSource.skipRestOfLine(name)) return 0;
    reader.startHere();
    NewLayer wanted(layers);
    EntityHeads heads(reader, wanted);
    heads.passOver(layers);
    EntityHead head;
    EntityGroups entity;
    for (;;) {
        HeadResult result = heads.next(head);
        if (result == HeadResult::sectionEnd) break;
        if (result == HeadResult::fileEnd) return 0;
        std::string_view layer = layerNameOf(head.layer);
        // A new name counts only for an entity in model space, which may
        // say otherwise anywhere in its groups.
        int read = readEntityGroups(reader, head, entity);
        if (read <= 0) return read;
        if (!inPaperSpace(entity)) layers.add(layer);
    }
    dxfSource.stopCopy();
    return 1;
}

}  // namespace

int extractEntitiesSection(int dxfInput, const char* SDXF_filename, LayerList& layers) {
    dxfSource.attach(dxfInput);
    GroupReader reader(dxfSource);
    reader.startHere();
    Search search = findEntitiesSection(reader);
    if (search == Search::failed) return -1;
    if (search == Search::notFound) {
        std::printf("\nError: no ENTITIES section found\n");
        return -1;
    }
    if (openOutput(sdxfOutput, SDXF_filename) != 0) {
        std::printf("\ncan't open output file");
        return -1;
    }
    int copied = copySection(reader, layers);
    if (copied <= 0 || dxfSource.readFailed()) {
        discardOutput(sdxfOutput);
        if (copied == 0 || dxfSource.readFailed())
            std::printf("\nError: DXF file ends inside the ENTITIES section\n");
        return -1;
    }
    writeOutput(sdxfOutput, "EOF", 3);
    if (commitOutput(sdxfOutput) != 0) {
        std::printf("\nError: can't write output file %s\n", SDXF_filename);
        return -1;
    }
    return 0;
}

}  // namespace dxfprofile
