#include "entities/entity_table.h"

#include <gtest/gtest.h>

namespace dxfprofile {
namespace {

// The table that the tests fill.
EntityTable entityTable;

TEST(EntityTable, StoresTheFirst64RecordsAndCountsEveryOne) {
    resetEntityTable(entityTable);
    for (int i = 0; i < 70000; ++i) appendEntity(entityTable, ENTITY_LINE, {float(i), 1, 2, 3});
    // The count does not wrap at 65,536.
    EXPECT_EQ(entityTable.entityCount, 70000u);
    EXPECT_EQ(entityTable.records[63].values[0], 63.0f);
    resetEntityTable(entityTable);
    EXPECT_EQ(entityTable.entityCount, 0u);
    EXPECT_EQ(entityTable.lineSequence, 1);
    EXPECT_EQ(entityTable.circleSequence, 1);
}

TEST(EntityTable, ValuesNotSuppliedAreZero) {
    resetEntityTable(entityTable);
    appendEntity(entityTable, ENTITY_ARC, {1, 2, 3, 4, 5, 6, 7});
    resetEntityTable(entityTable);
    appendEntity(entityTable, ENTITY_CIRCLE, {9, 8, 7});
    const EntityRecord& record = entityTable.records[0];
    EXPECT_EQ(record.type, ENTITY_CIRCLE);
    EXPECT_EQ(record.values[2], 7.0f);
    for (int i = 3; i < ENTITY_VALUES; ++i) EXPECT_EQ(record.values[i], 0.0f) << i;
}

}  // namespace
}  // namespace dxfprofile
