#include "entities/entity_table.h"

#include <limits>

namespace dxfprofile {

EntityTable entityTable;

void resetEntityTable() {
    entityTable.lineSequence = 1;
    entityTable.arcSequence = 1;
    entityTable.pointSequence = 1;
    entityTable.circleSequence = 1;
    entityTable.entityCount = 0;
}

void countEntities(std::uint32_t count) {
    std::uint32_t room = std::numeric_limits<std::uint32_t>::max() - entityTable.entityCount;
    entityTable.entityCount += count < room ? count : room;
}

void appendEntity(std::uint16_t type, std::initializer_list<float> values) {
    if (entityTable.entityCount < MAX_ENTITIES) {
        EntityRecord& record = entityTable.records[entityTable.entityCount];
        record.type = type;
        int i = 0;
        for (float value : values) {
            if (i == ENTITY_VALUES) break;
            record.values[i++] = value;
        }
        for (; i < ENTITY_VALUES; ++i) record.values[i] = 0.0f;
    }
    if (entityTable.entityCount < std::numeric_limits<std::uint32_t>::max()) {
        ++entityTable.entityCount;
    }
}

}  // namespace dxfprofile
