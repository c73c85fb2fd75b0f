#include "entities/entity_table.h"

#include <limits>

namespace dxfprofile {

void resetEntityTable(EntityTable& table) {
    table.lineSequence = 1;
    table.arcSequence = 1;
    table.pointSequence = 1;
    table.circleSequence = 1;
    table.entityCount = 0;
}

void countEntities(EntityTable& table, std::uint32_t count) {
    std::uint32_t room = std::numeric_limits<std::uint32_t>::max() - table.entityCount;
    table.entityCount += count < room ? count : room;
}

void appendEntity(EntityTable& table, std::uint16_t type, std::initializer_list<float> values) {
    if (table.entityCount < MAX_ENTITIES) {
        EntityRecord& record = table.records[table.entityCount];
        record.type = type;
        int i = 0;
        for (float value : values) {
            if (i == ENTITY_VALUES) break;
            record.values[i++] = value;
        }
        for (; i < ENTITY_VALUES; ++i) record.values[i] = 0.0f;
    }
    if (table.entityCount < std::numeric_limits<std::uint32_t>::max()) {
        ++table.entityCount;
    }
}

}  // namespace dxfprofile
