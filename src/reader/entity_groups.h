// An entity as its groups: what the entity readers compute their records
// from, without a file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dxfprofile {

struct EntityGroup {
    int code = 0;
    std::string value;
};

struct EntityGroups {
    std::string kind;                 // the value of its group 0
    std::uint64_t line = 0;           // the line of its group 0
    std::vector<EntityGroup> groups;  // the groups after its group 0, in file order
};

// The first group `code` of the entity, or nullptr.
const EntityGroup* findGroup(const EntityGroups& entity, int code);

// The value of the first group `code` as a number (atof, atoi), or
// `fallback` when the entity has no such group.
double realValue(const EntityGroups& entity, int code, double fallback = 0.0);
int integerValue(const EntityGroups& entity, int code, int fallback = 0);

// Whether the entity lies in paper space (group 67 of 1).
bool inPaperSpace(const EntityGroups& entity);

// Whether the entity holds any coordinate (a group 10 to 39).
bool hasCoordinates(const EntityGroups& entity);

}  // namespace dxfprofile
