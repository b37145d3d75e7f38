#include "apps/sowvane/pool/Screen_object_ids.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(ScreenObjectIdsTest, ConstructionLeavesEveryFieldWithoutObject)
{
    Screen_object_ids table;
    size_t count = 0;
    const Screen_object_field* fields = Screen_object_ids::fields(count);
    ASSERT_GT(count, 400u);
    std::set<size_t> offsets;
    for (size_t f = 0; f < count; ++f) {
        for (uint32_t i = 0; i < fields[f].count; ++i) {
            const uint32_t expected = fields[f].kind == screen_field_plain ? 0 : VT_NULL_ID;
            EXPECT_EQ(*table.field(fields[f], i), expected) << fields[f].group << "." << fields[f].name << "[" << i << "]";
            EXPECT_TRUE(offsets.insert(fields[f].offset + 4 * i).second) << "two fields share one place";
        }
        EXPECT_EQ(table.field(fields[f], fields[f].count), nullptr);
    }
    EXPECT_EQ(table.settings_menu.reserved, 0u);
    EXPECT_EQ(table.main.fan_speed[1], VT_NULL_ID);
    for (int i = 0; i < Screen_object_ids::tank_count; ++i) {
        EXPECT_EQ(table.tank_records[i], &table.records[i]);
        EXPECT_EQ(table.tank_records[i]->name, VT_NULL_ID);
        EXPECT_EQ(table.tank_records[i]->initial_rate, 110u);
        EXPECT_EQ(table.tank_records[i]->value_3, 500u);
        EXPECT_FALSE(table.tank_records[i]->flag);
    }
    EXPECT_EQ(table.tank_record_count, 4u);
    EXPECT_EQ(table.reserved_end, 0u);
}

TEST(ScreenObjectIdsTest, TablesCompareFieldByField)
{
    Screen_object_ids a;
    Screen_object_ids b;
    EXPECT_TRUE(a.same_as(b));
    b.product_settings_menu.product_tank[15] = 12345;
    EXPECT_FALSE(a.same_as(b));
    b.product_settings_menu.product_tank[15] = VT_NULL_ID;
    b.records[3].value_5 = 11;
    EXPECT_FALSE(a.same_as(b));
}

} // namespace
