// Entity heads: the kind and layer of each entity of an ENTITIES section, in
// file order, for the mode-3 scan and the mode-2 layer list alike; and the
// whole entity when its head is wanted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dxf/entity_groups.h"
#include "dxf/group_reader.h"
#include "dxf/layer_name.h"
#include "dxf/name_set.h"

namespace dxfprofile {

struct EntityHead {
    std::string kind;        // the value of its group 0
    std::string layer;       // the value of its first group 8
    std::uint64_t line = 0;  // the line of its group 0
    LineSource::Mark start;  // where its group 0 begins
};

enum class HeadResult {
    head,        // the next entity with a layer (sub-entities excepted)
    sectionEnd,  // the pair (0, ENDSEC) was read
    fileEnd,     // the file ends first
};

// Whether an entity of `kind` belongs to the entity before it (a
// polyline's vertices): its head is no head of its own.
using SubEntityTest = bool (*)(std::string_view kind);

class EntityHeads {
  public:
    EntityHeads(GroupReader& reader, const LayerWanted& wanted, SubEntityTest isSubEntity)
        : reader_(reader), wanted_(wanted), isSubEntity_(isSubEntity) {}

    // The layer that the caller wants is this one: the heads on others are
    // passed over by searching for its name.
    void lookFor(std::string_view layerName);
    // The caller wants no head on a layer of `known` (which may grow): their
    // layer lines are passed over where they stand.
    void passOver(const NameSet& known) { known_ = &known; }

    // Reads the next head that is wanted. After a head, the reader stands
    // in its entity, after its layer group.
    HeadResult next(EntityHead& head);

  private:
    HeadResult readHead(EntityHead& head);
    HeadResult nextByLayerLines(EntityHead& head);

    GroupReader& reader_;
    const LayerWanted& wanted_;
    SubEntityTest isSubEntity_;
    const NameSet* known_ = nullptr;
    std::string layerName_;
    MarkerSet markers_;
    bool lookAhead_ = false;       // heads on other layers are passed over unread
    std::uint64_t readUntil_ = 0;  // heads are read one by one up to this offset
};

// Reads the whole entity of `head`, from its group 0 up to the next group 0,
// which is left unread. 1; 0 when the file ends inside it (`entity` holds
// what was read); -1 on a line that holds no group code or a file that
// cannot be read again (the message is printed unless the reader is quiet).
int readEntityGroups(GroupReader& reader, const EntityHead& head, EntityGroups& entity);

// Reads the group 0 that is the next group: the entity's kind and line, its
// groups emptied. 1; 0 when the file ends; -1 as readEntityGroups.
int readEntityStart(GroupReader& reader, EntityGroups& entity);
// Reads the groups of the entity whose group 0 was read last, up to the next
// group 0, which is left unread; as readEntityGroups.
int readEntityRest(GroupReader& reader, EntityGroups& entity);

}  // namespace dxfprofile
