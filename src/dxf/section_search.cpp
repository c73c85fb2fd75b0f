#include "dxf/section_search.h"

namespace dxfprofile {

SectionSearch findSection(GroupReader& reader, std::string& name) {
    LineSource& source = reader.source();
    Group group;
    for (;;) {
        if (reader.seekGroup(false) < 0 || reader.next(group) <= 0) return SectionSearch::notFound;
        if (group.value != "SECTION") continue;
        LineSource::Mark pair = source.here();
        source.keep(pair);
        int result = reader.next(group);
        if (result < 0) return SectionSearch::failed;
        if (result == 0) return SectionSearch::notFound;
        if (group.code == 2) {
            name.assign(group.value);
            // Back to the value line: its code line is one piece.
            Piece code;
            if (source.returnTo(pair) != 0 || !source.nextPiece(code)) return SectionSearch::failed;
            return SectionSearch::found;
        }
        // A group 0 right after the section's name stays to be looked at.
        if (group.code == 0 && source.returnTo(pair) != 0) return SectionSearch::failed;
    }
}

bool startsWithSection(LineSource& source) {
    LineSource::Mark start = source.here();
    source.keep(start);
    GroupReader reader(source, true);
    reader.startHere();
    Group group;
    bool section = false;
    for (int comments = 0; comments < 64; ++comments) {
        if (reader.next(group) <= 0) break;
        if (group.code == 999) continue;
        section = group.code == 0 && group.value == "SECTION";
        break;
    }
    source.returnTo(start);
    return section;
}

}  // namespace dxfprofile
