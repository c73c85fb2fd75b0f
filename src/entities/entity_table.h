// The entity table: the fixed table of records that every geometry reader of
// mode 3 fills and that the profile writer turns into the profile file.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "entities/profile_format.h"

namespace dxfprofile {

struct EntityRecord {
    std::uint16_t type = 0;
    float values[ENTITY_VALUES] = {};
};

struct EntityTable {
    EntityRecord records[MAX_ENTITIES];
    // Counts every record appended in the run, stored or not. It is wide
    // enough never to wrap, so a layer of 65,600 records is still refused.
    std::uint32_t entityCount = 0;
    int lineSequence = 0;
    int arcSequence = 0;
    int pointSequence = 0;
    int circleSequence = 0;
};

// Start of a run: every sequence counter to 1, the count to 0.
void resetEntityTable(EntityTable& table);

// Counts records that cannot be stored: the table is full by far.
void countEntities(EntityTable& table, std::uint32_t count);

// Stores a record while the table has room (values not given are 0.0) and
// counts it in any case.
void appendEntity(EntityTable& table, std::uint16_t type, std::initializer_list<float> values);

}  // namespace dxfprofile
