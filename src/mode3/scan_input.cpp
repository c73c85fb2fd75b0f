#include "mode3/scan_input.h"

#include <cstdio>
#include <string>

#include "dxf/section_search.h"
#include "io/diagnostics.h"
#include "io/text_encoding.h"

namespace dxfprofile {

int findDrawingEntities(ScanRun& run, GroupReader& reader, BlockIndex& index) {
    std::string name;
    bool indexed = false;
    for (;;) {
        SectionSearch search = findSection(reader, name);
        if (search == SectionSearch::found && name == "ENTITIES") return 0;
        if (search == SectionSearch::found && name == "BLOCKS" && !indexed) {
            indexed = true;
            Piece line;
            LineSource& source = reader.source();
            if (!source.nextPiece(line) || !source.skipRestOfLine(line)) {
                search = SectionSearch::notFound;
            } else {
                reader.startHere();
                int read = readBlocksSection(reader, index);
                if (read < 0) search = SectionSearch::failed;
                if (read == 0) search = SectionSearch::notFound;
                reader.startHere();
            }
        }
        if (search == SectionSearch::found) continue;
        if (reader.source().readFailed()) {
            noteFailure("cannot read %s", run.path);
        } else if (reader.faultLine() != 0) {
            noteFailure("line %llu of %s is not a group code",
                        static_cast<unsigned long long>(reader.faultLine()), run.path);
        } else {
            std::fprintf(run.messages, "\nError: no ENTITIES section found\n");
            noteFailure("%s has no ENTITIES section", run.path);
        }
        return -1;
    }
}

bool indexBlocksFile(const BlockInput& blocks, BlockIndex& index) {
    LineSource& source = *blocks.source;
    Piece line;
    GroupReader reader(source, true);
    bool read = source.nextPiece(line) && source.skipRestOfLine(line);
    if (read) {
        reader.startHere();
        read = readBlocksSection(reader, index) > 0;
    }
    if (read) return true;
    std::fprintf(stderr, "warning: cannot read the blocks in %s; block references are left out\n",
                 blocks.path);
    return false;
}

void hintBlocks(const ScanRun& run, const BlockInput& blocks) {
    if (run.referencesLeftOut == 0 || blocks.source != nullptr) return;
    std::fprintf(stderr,
                 "note: %d block reference(s) on layer %s left out: %s is not there; run mode 2 "
                 "on the drawing again, or give mode 3 the drawing itself\n",
                 run.referencesLeftOut, shellQuoted(run.layerName).c_str(),
                 blocks.path[0] != '\0' ? blocks.path : "the blocks file");
}

}  // namespace dxfprofile
