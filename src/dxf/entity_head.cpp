#include "dxf/entity_head.h"

#include <cstdio>

#include "bytes/pattern_search.h"

namespace dxfprofile {
namespace {

// Candidates of the look-ahead: a value line that is the layer name (up to a
// NUL) after a code line of group 8, or "ENDSEC" after one of group 0. A
// line before that the block does not hold is no reason to refuse.
class LayerLineCheck final : public LineCheck {
  public:
    LayerLineCheck(const GroupReader& reader, std::string_view layerName)
        : reader_(reader), layer_(layerName) {}

    bool accepts(const CandidateLine& line) override {
        if (reader_.isCodeLine(line.number)) return false;
        bool layer = layer_.isLayer(line.text);
        bool end = line.text == "ENDSEC";
        if (!layer && !end) return false;
        if (!line.previousKnown) return true;
        int code = -1;
        if (!parseGroupCode(line.previous, code)) return false;
        return (layer && code == 8) || (end && code == 0);
    }

  private:
    const GroupReader& reader_;
    OneLayer layer_;
};

// The code lines of group 0, where entities begin.
class EntityStartCheck final : public LineCheck {
  public:
    explicit EntityStartCheck(const GroupReader& reader) : reader_(reader) {}

    bool accepts(const CandidateLine& line) override {
        int code = -1;
        return reader_.isCodeLine(line.number) && parseGroupCode(line.text, code) && code == 0;
    }

  private:
    const GroupReader& reader_;
};

// Candidates of the layer search: the code line of a group 8 whose layer is
// wanted (or does not fit the block), and "ENDSEC" after a group 0.
class LayerCandidateCheck final : public LineCheck {
  public:
    explicit LayerCandidateCheck(const LayerWanted& wanted) : wanted_(wanted) {}

    bool accepts(const CandidateLine& line) override {
        int code = -1;
        if (line.text == "ENDSEC")
            return !line.previousKnown || (parseGroupCode(line.previous, code) && code == 0);
        if (!parseGroupCode(line.text, code) || code != 8) return false;
        return !line.followingKnown || wanted_.wants(layerNameOf(line.following));
    }

  private:
    const LayerWanted& wanted_;
};

// Reads groups into `entity` up to the next group 0, which is left unread.
int readToNextEntity(GroupReader& reader, EntityGroups& entity) {
    LineSource& source = reader.source();
    Group group;
    for (;;) {
        LineSource::Mark before = source.here();
        source.keep(before);
        int result = reader.next(group);
        if (result <= 0) return result;
        if (group.code == 0) return source.returnTo(before) == 0 ? 1 : -1;
        entity.groups.push_back({group.code, std::string(group.value), group.line});
    }
}

}  // namespace

void EntityHeads::lookFor(std::string_view layerName) {
    layerName_.assign(layerName);
    markers_ = makeMarkerSet(layerName_, "ENDSEC");
    lookAhead_ = markers_.searchable && reader_.source().searchesBlocks();
}

HeadResult EntityHeads::readHead(EntityHead& head) {
    LineSource& source = reader_.source();
    Group group;
    for (;;) {
        if (reader_.seekGroup(false) < 0) return HeadResult::fileEnd;
        head.start = source.here();
        source.keep(head.start);
        // The code line is one of group 0, so the pair reads.
        if (reader_.next(group) <= 0) return HeadResult::fileEnd;
        head.kind.assign(group.value);
        head.line = group.line;
        if (head.kind == "ENDSEC") return HeadResult::sectionEnd;
        // A polyline's vertices and its end belong to it.
        if (isSubEntity_(head.kind)) continue;
        int code = reader_.seekGroup(true);
        if (code < 0) return HeadResult::fileEnd;
        if (code == 0) continue;  // no layer: passed over
        if (reader_.next(group) <= 0) return HeadResult::fileEnd;
        head.layer.assign(group.value);
        return HeadResult::head;
    }
}

// Most heads are on layers that are not wanted: the search passes over
// their layer lines where they stand in the block, and a head is read only
// where a layer line may be wanted. Such a line belongs to the entity whose
// group 0 is the last one before it; none in the block after the reading
// position means the entity whose head was read last (or none), and the
// line is no entity's first layer line.
HeadResult EntityHeads::nextByLayerLines(EntityHead& head) {
    LineSource& source = reader_.source();
    for (;;) {
        LayerCandidateCheck candidate(wanted_);
        EntityStartCheck boundary(reader_);
        LineSource::Mark at;
        KnownLayerLine known(known_);
        LineSource::LookAhead found = source.findPatternLine(LAYER_LINES, reader_.codeParity(),
                                                             known, candidate, boundary, at);
        if (found == LineSource::LookAhead::end) return HeadResult::fileEnd;
        if (found == LineSource::LookAhead::found) {
            LineSource::Mark start;
            if (!source.lastLineBefore(at.offset, at.line, boundary, start)) {
                Piece line;
                if (source.returnTo(at) != 0 || !source.nextPiece(line) ||
                    !source.skipRestOfLine(line))
                    return HeadResult::fileEnd;
                continue;
            }
            if (source.returnTo(start) != 0) return HeadResult::fileEnd;
        }
        HeadResult result = readHead(head);
        if (result != HeadResult::head || wanted_.wants(layerNameOf(head.layer))) return result;
    }
}

HeadResult EntityHeads::next(EntityHead& head) {
    LineSource& source = reader_.source();
    if (source.searchesBlocks() && !lookAhead_) return nextByLayerLines(head);
    for (;;) {
        if (!lookAhead_ || source.offset() <= readUntil_) {
            HeadResult result = readHead(head);
            if (result != HeadResult::head || wanted_.wants(layerNameOf(head.layer))) return result;
            continue;
        }
        // Heads on other layers are passed over up to the next line that may
        // be the layer's or the section's end; from where the look-ahead
        // stopped to that line, heads are read one by one.
        source.releaseKept();
        LayerLineCheck candidate(reader_, layerName_);
        EntityStartCheck boundary(reader_);
        std::uint64_t at = 0;
        switch (source.findMarkedLine(markers_, candidate, boundary, at)) {
            case LineSource::LookAhead::found:
                readUntil_ = at;
                break;
            case LineSource::LookAhead::noBoundary:
                readUntil_ = source.offset();
                break;
            case LineSource::LookAhead::end:
                return HeadResult::fileEnd;
        }
    }
}

int readEntityGroups(GroupReader& reader, const EntityHead& head, EntityGroups& entity) {
    entity.kind = head.kind;
    entity.line = head.line;
    entity.groups.clear();
    if (reader.source().returnTo(head.start) != 0) {
        if (!reader.quiet()) {
            std::printf("\nError: can't read the drawing again from line %llu\n",
                        static_cast<unsigned long long>(head.line));
        }
        return -1;
    }
    Group group;
    int result = reader.next(group);  // its group 0, read before
    if (result <= 0) return result;
    return readToNextEntity(reader, entity);
}

int readEntityStart(GroupReader& reader, EntityGroups& entity) {
    entity.groups.clear();
    Group group;
    int result = reader.next(group);
    if (result <= 0) return result;
    entity.kind.assign(group.value);
    entity.line = group.line;
    return 1;
}

int readEntityRest(GroupReader& reader, EntityGroups& entity) {
    return readToNextEntity(reader, entity);
}

}  // namespace dxfprofile
