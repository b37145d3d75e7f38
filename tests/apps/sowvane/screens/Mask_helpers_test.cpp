// The helpers every mask leans on: names as the operator sees them, typed
// look-ups, tank formats, index checks and the alarm table.
#include "apps/sowvane/screens/Alarm_table.h"
#include "apps/sowvane/screens/Mask_helpers.h"
#include "tests/support/debug_capture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

TEST(Mask_helpers, SettingNamesShowAllTwentyCharactersTrimmed)
{
    struct Case {
        const char* stored;
        const char* shown;
    } cases[] = {
        {"ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOPQRST"}, // all 20, not 19
        {"Wheat               ", "Wheat"},
        {"Two words   ", "Two words"},
        {"                    ", "......."},
        {"", "......."},
    };
    auto& name = ps().app.channels[0].name;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        char stored[20];
        std::memset(stored, 0, sizeof stored);
        std::memcpy(stored, c.stored, std::strlen(c.stored));
        name.set(stored, 20);
        char out[SETTING_NAME_BUFFER];
        EXPECT_STREQ(setting_name(name, out), c.shown);
    }
    name.set_default(true);
}

TEST(Mask_helpers, ATankWithoutProductOrWithABadProductNumberShowsDashes)
{
    char out[SETTING_NAME_BUFFER];
    ps().app.products[3].name.set("Canola", 6);
    EXPECT_STREQ(tank_product_name(3, true, out), "Canola");
    EXPECT_STREQ(tank_product_name(3, false, out), "---");
    EXPECT_STREQ(tank_product_name(16, true, out), "---");
    EXPECT_STREQ(tank_product_name(-1, true, out), "---");
    ps().app.products[3].name.set_default(true);
}

TEST(Mask_helpers, IndexesOutOfRangeAreRefusedWithALine)
{
    Debug_capture lines;
    EXPECT_TRUE(index_in_range("tank", 3, 4));
    EXPECT_FALSE(index_in_range("tank", 4, 4));
    EXPECT_FALSE(index_in_range("product", -1, 16));
    EXPECT_NE(lines.text().find("tank index 4 out of range"), std::string::npos);
    EXPECT_NE(lines.text().find("product index -1 out of range"), std::string::npos);
}

TEST(Mask_helpers, TankFormatsFollowTheTankMode)
{
    EXPECT_EQ(tank_rate_formats(1).metric.units, Units_man::UNITS_VOLUME_PER_AREA);
    EXPECT_EQ(tank_rate_formats(2).metric.units, Units_man::UNITS_MASS_N_PER_AREA);
    EXPECT_EQ(tank_rate_formats(0).metric.units, Units_man::UNITS_MASS_PER_AREA);
    EXPECT_EQ(tank_volume_formats(1).imperial.scale, 0.1);
    EXPECT_EQ(tank_volume_formats(2).metric.units, Units_man::UNITS_MASS_KGN);
    EXPECT_EQ(tank_volume_formats(7).imperial.scale, 0.045359237);
}

TEST(Mask_helpers, AnIdOfNoObjectOrOfAnotherClassFindsNothing)
{
    VT::Object_pool pool(nullptr);
    pool.add_object(new VT::Number_variable_obj(5, "n", 0));
    EXPECT_NE(find_pool_object<VT::Number_variable_obj>(&pool, 5), nullptr);
    EXPECT_EQ(find_pool_object<VT::Container_obj>(&pool, 5), nullptr);
    EXPECT_EQ(find_pool_object<VT::Number_variable_obj>(&pool, 6), nullptr);
    EXPECT_EQ(find_pool_object<VT::Number_variable_obj>(&pool, 65535), nullptr);
    EXPECT_EQ(find_pool_object<VT::Number_variable_obj>(&pool, 65536 + 5), nullptr);
    EXPECT_EQ(find_pool_object<VT::Number_variable_obj>(nullptr, 5), nullptr);
}

TEST(Alarm_table, NamesSixtyThreeDistinctPopUpsOverTheirOwnRecords)
{
    std::set<std::string> names;
    std::set<const void*> records;
    std::set<const void*> settings;
    for_each_alarm(ps().app.alarms, ds().alarms, [&](const char* name, NV_kelsu::alarm_t& s, ds_alarm& r) {
        names.insert(name);
        records.insert(&r);
        settings.insert(&s);
    });
    EXPECT_EQ(alarm_screen_count(), 63);
    EXPECT_EQ(names.size(), 63u);
    EXPECT_EQ(records.size(), 63u);
    EXPECT_EQ(settings.size(), 63u);
    EXPECT_TRUE(names.count("alarm_mask_FAN_SENSOR_FAIL_2"));
    EXPECT_FALSE(names.count("alarm_mask_FAN_SENSOR_FAIL_3"));
    EXPECT_TRUE(names.count("alarm_mask_SHAFT_MV_TANK_OFF_4"));
    EXPECT_TRUE(records.count(&ds().alarms.tank_low[3]));
    EXPECT_FALSE(records.count(&ds().alarms.tank_low[4]));
    EXPECT_TRUE(settings.count(&ps().app.alarms.fan_pressure_low[0]));
}
