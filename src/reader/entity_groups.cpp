#include "reader/entity_groups.h"

#include <cstdlib>

namespace dxfprofile {

const EntityGroup* findGroup(const EntityGroups& entity, int code) {
    for (const EntityGroup& group : entity.groups) {
        if (group.code == code) return &group;
    }
    return nullptr;
}

double realValue(const EntityGroups& entity, int code, double fallback) {
    const EntityGroup* group = findGroup(entity, code);
    return group == nullptr ? fallback : std::atof(group->value.c_str());
}

int integerValue(const EntityGroups& entity, int code, int fallback) {
    const EntityGroup* group = findGroup(entity, code);
    return group == nullptr ? fallback : std::atoi(group->value.c_str());
}

bool inPaperSpace(const EntityGroups& entity) {
    return integerValue(entity, 67) == 1;
}

bool hasCoordinates(const EntityGroups& entity) {
    for (const EntityGroup& group : entity.groups) {
        if (group.code >= 10 && group.code <= 39) return true;
    }
    return false;
}

}  // namespace dxfprofile
