#include "dxf/entity_groups.h"

#include <cmath>
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

double EntityValues::real(int code, double fallback) {
    const EntityGroup* group = findGroup(entity_, code);
    return group == nullptr ? fallback : real(*group);
}

double EntityValues::real(const EntityGroup& group) {
    double value = std::atof(group.value.c_str());
    if (!std::isfinite(value)) fault(group.line + 1);
    return value;
}

float EntityValues::narrow(double value, std::uint64_t line) {
    auto narrowed = static_cast<float>(value);
    if (!std::isfinite(narrowed)) fault(line);
    return narrowed;
}

std::uint64_t EntityValues::lineOf(int code) const {
    const EntityGroup* group = findGroup(entity_, code);
    return group == nullptr ? entity_.line : group->line + 1;
}

void EntityValues::fault(std::uint64_t line) {
    if (failed_) return;
    failed_ = true;
    faultLine_ = line;
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
