// Golden checks of the run screen and tank fill objects with the start-up
// mask of 240 x 240 (row height 44, gap 10, column width 48).
#include "Generated_pool.h"

#include <gtest/gtest.h>

namespace {

class RunScreenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { pool = new Generated_pool(); }
    static void TearDownTestSuite()
    {
        delete pool;
        pool = nullptr;
    }

    const Screen_object_ids& table() const { return *pool->table; }
    const Screen_object_ids::Record& record(int i) const { return *pool->table->tank_records[i]; }

    static Generated_pool* pool;
};

Generated_pool* RunScreenTest::pool = nullptr;

TEST_F(RunScreenTest, PageASoftKeysAreAttachedAndPageBIsNot)
{
    VtObjectDataMask& mask = pool->get<VtObjectDataMask>(table().main.data_mask);
    EXPECT_EQ(mask.getSoftKeyMask(), table().main.soft_keys_page_a);
    EXPECT_EQ(mask.getBackgroundColour().getIndex(), 1u);
    for (uint32_t oid = 10000; oid < VT_NULL_ID; ++oid)
        if (auto* other = dynamic_cast<VtObjectDataMask*>(pool->objects.find_object(oid))) {
            EXPECT_NE(other->getSoftKeyMask(), table().main.soft_keys_page_b) << "mask " << oid;
        }

    const auto& m = table().main;
    EXPECT_EQ(pool->keys_of(m.soft_keys_page_a),
              (std::vector<uint32_t>{m.key_to_page_b, m.master_key_pointer, m.key_preset, m.key_inc, m.key_dec,
                                     m.key_master_switch}));
    EXPECT_EQ(pool->get<VtObjectPointer>(m.master_key_pointer).getValue(), VT_NULL_ID);
    EXPECT_EQ(pool->get<VtObjectKey>(m.key_master).getKeyCode(), 7u);
    EXPECT_EQ(pool->texts_in(m.key_master), (std::vector<std::string>{"Tank", "ON/Off"}));
    EXPECT_EQ(pool->keys_of(m.soft_keys_page_b),
              (std::vector<uint32_t>{m.key_to_page_a, m.key_settings, m.key_reset_sub_area, m.key_reset_area,
                                     m.key_manual_speed, m.key_actuator_diagnostics}));
    // The indicators: 12 x 12 in the lower right corner of a 60 x 32 key.
    EXPECT_EQ(pool->position(m.key_master_switch, m.master_switch_rect), std::make_pair(46, 18));
    EXPECT_EQ(pool->position(m.key_manual_speed, m.manual_speed_rect), std::make_pair(46, 18));

    struct Key_row {
        uint32_t key;
        uint32_t code;
    };
    const Key_row keys[] = {{m.key_to_page_b, 1},   {m.key_preset, 3},         {m.key_inc, 4},
                            {m.key_dec, 5},         {m.key_master_switch, 6},  {m.key_to_page_a, 1},
                            {m.key_settings, 14},   {m.key_reset_sub_area, 11}, {m.key_reset_area, 12},
                            {m.key_manual_speed, 13}, {m.key_actuator_diagnostics, 19}};
    for (const Key_row& row : keys)
        EXPECT_EQ(pool->get<VtObjectKey>(row.key).getKeyCode(), row.code) << row.key;
}

TEST_F(RunScreenTest, ProductRowButtonsCarryTheTankCodes)
{
    for (int i = 0; i < 4; ++i) {
        const auto& r = record(i);
        EXPECT_EQ(pool->get<VtObjectButton>(r.fill_button).getKeyCode(), uint32_t(30 + i));
        EXPECT_EQ(pool->get<VtObjectButton>(r.select_button).getKeyCode(), uint32_t(54 + i));
        EXPECT_EQ(pool->get<VtObjectButton>(r.mode_1_button).getKeyCode(), uint32_t(84 + i));
        EXPECT_EQ(pool->get<VtObjectButton>(r.mode_2_button).getKeyCode(), uint32_t(80 + i));
        EXPECT_EQ(pool->texts_in(r.select_button), std::vector<std::string>{"SELECT"});
        EXPECT_EQ(pool->texts_in(r.mode_1_button), std::vector<std::string>{"MAN"});
        EXPECT_EQ(pool->texts_in(r.mode_2_button), std::vector<std::string>{"AUTO"});
        EXPECT_EQ(pool->get<VtObjectButton>(r.mode_1_button).getBackgroundColour().getIndex(), 12u);
        EXPECT_EQ(pool->get<VtObjectButton>(r.mode_2_button).getBackgroundColour().getIndex(), 2u);
        EXPECT_TRUE(pool->get<VtObjectContainer>(r.mode_2_group).getHidden());
        EXPECT_TRUE(pool->get<VtObjectContainer>(r.other_mode_group).getHidden());
        // The remaining product fills the button's face (54 - 2 x 4 wide).
        EXPECT_EQ(pool->position(r.fill_button, r.remaining).first, 0);
        EXPECT_EQ(pool->get<VtObjectOutputFieldNumber>(r.remaining).getWidth(), 46u);
    }
}

TEST_F(RunScreenTest, ProductRowGeometry)
{
    const auto& r = record(1);
    const uint32_t band = r.column;
    EXPECT_EQ(pool->position(band, r.selected_rect), std::make_pair(0, 0));
    EXPECT_EQ(pool->get<VtObjectRectangle>(r.selected_rect).getLineSuppression(), 15u);
    EXPECT_EQ(pool->get<VtObjectRectangle>(r.selected_rect).getWidth(), 240u);
    EXPECT_EQ(pool->get<VtObjectRectangle>(r.selected_rect).getHeight(), 44u);
    // The name has room for 20 characters up to the column line: two wrapped
    // lines of 18 in the 6 x 8 font, under the band's separator and over the
    // active bar.
    const auto& name = pool->get<VtObjectOutputFieldString>(r.name);
    EXPECT_STREQ(name.getValue().c_str(), "2: Product2         ");
    EXPECT_EQ(pool->position(band, r.name), std::make_pair(10, 1));
    EXPECT_EQ(name.getWidth(), 120u - 10 - 1);
    EXPECT_EQ(name.getHeight(), 16u);
    EXPECT_EQ(name.getOptions() & 2, 2u);
    EXPECT_EQ(pool->position(band, r.active_rect), std::make_pair(10, 44 / 3 + 2 + 1));
    EXPECT_EQ(pool->get<VtObjectRectangle>(r.active_rect).getFillAttributes(), table().common.indicator_off);
    EXPECT_EQ(pool->position(band, r.rate_input), std::make_pair(3 + 120, 2));
    // The 11-pixel marker ends a line above the foot of the 44-pixel row.
    EXPECT_EQ(pool->position(band, r.preset_1_marker), std::make_pair(122, 32));
    EXPECT_TRUE(pool->get<VtObjectContainer>(r.preset_2_marker).getHidden());
    EXPECT_TRUE(pool->get<VtObjectContainer>(r.alarm_marker).getHidden());
    EXPECT_EQ(pool->position(r.alarm_marker, r.actual_rate).second, 0);
    EXPECT_EQ(pool->position(band, r.fill_button), std::make_pair(60 + 120 + 3, 2 + 11));
    // The second value (pressure, 22 high) and its unit sit at y 22 and 34
    // of the 44-pixel row.
    EXPECT_EQ(pool->position(r.pressure_group, r.pressure), std::make_pair(123, 22));
    VtObjectContainer& pressure_group = pool->get<VtObjectContainer>(r.pressure_group);
    ASSERT_EQ(pressure_group.getChilds().size(), 2u);
    EXPECT_EQ(pressure_group.getChilds().at(1)->y, 34);
    EXPECT_EQ(pool->get<VtObjectPointer>(pressure_group.getChilds().at(1)->oid).getValue(), table().main.pressure_units);
    // "SELECT" sits left of the rate column, at the foot of the row.
    VtObjectButton& select = pool->get<VtObjectButton>(r.select_button);
    EXPECT_EQ(select.getWidth(), 48u);
    EXPECT_EQ(pool->position(band, r.select_button), std::make_pair(120 - 3 - 48, 44 - 2 - 19));
    EXPECT_EQ(pool->get<VtObjectButton>(r.mode_1_button).getWidth(), 33u);
    EXPECT_EQ(pool->position(r.mode_2_group, r.mode_1_button), std::make_pair(15 + 15, 23));
}

TEST_F(RunScreenTest, RateInputShowsTenthsOfItsVariable)
{
    for (int i = 0; i < 4; ++i) {
        const auto& r = record(i);
        VtObjectInputFieldNumber& input = pool->get<VtObjectInputFieldNumber>(r.rate_input);
        EXPECT_EQ(input.getVariableReference(), r.rate_variable);
        EXPECT_EQ(input.getMinValue(), 0u);
        EXPECT_EQ(input.getMaxValue(), 1000u);
        EXPECT_FLOAT_EQ(input.getScale(), 0.1);
        EXPECT_EQ(input.getNumberOfDecimals(), 1u);
        EXPECT_TRUE(input.getEnabled());
        EXPECT_EQ(input.getWidth(), 57u);
        EXPECT_EQ(input.getHeight(), 22u);
        EXPECT_EQ(pool->get<VtObjectNumberVariable>(r.rate_variable).getValue(), 110u);
    }
}

TEST_F(RunScreenTest, ValuesPageFramesAndUnits)
{
    const auto& m = table().main;
    EXPECT_EQ(pool->get<VtObjectOutputFieldNumber>(m.speed).getWidth(), 42u);
    EXPECT_EQ(pool->get<VtObjectContainer>(m.single_fan_group).getChilds().at(0)->oid, m.fan_speed[0]);
    EXPECT_EQ(pool->get<VtObjectContainer>(m.fan_group[0]).getChilds().at(0)->oid, m.fan_speed[0]);
    EXPECT_EQ(pool->get<VtObjectContainer>(m.fan_group[1]).getChilds().at(0)->oid, m.fan_speed[1]);
    EXPECT_EQ(pool->get<VtObjectContainer>(m.fan_pressure_group[1]).getChilds().at(0)->oid, m.fan_pressure[1]);
    EXPECT_EQ(pool->get<VtObjectContainer>(m.single_fan_pressure_group).getChilds().at(0)->oid, m.fan_pressure[0]);
    EXPECT_EQ(pool->get<VtObjectOutputFieldNumber>(m.fan_speed[0]).getHeight(), 12u) << "three of ten rows of 4";
    EXPECT_EQ(pool->texts_in(m.manual_speed_group), std::vector<std::string>{"(Manual)"});
    EXPECT_STREQ(pool->get<VtObjectOutputFieldString>(m.speed_units).getValue().c_str(), "12345");
    EXPECT_STREQ(pool->get<VtObjectOutputFieldString>(table().common.rpm_units).getValue().c_str(), "rpm");
    EXPECT_STREQ(pool->get<VtObjectOutputFieldString>(table().common.density_units).getValue().c_str(), "123456");

    EXPECT_TRUE(pool->get<VtObjectContainer>(m.page_b).getHidden());
    EXPECT_FALSE(pool->get<VtObjectContainer>(m.page_a).getHidden());
    VtObjectInputFieldList& areas = pool->get<VtObjectInputFieldList>(m.sub_area_list);
    ASSERT_EQ(areas.getElements().size(), 10u);
    EXPECT_STREQ(pool->get<VtObjectOutputFieldString>(areas.getElements().at(9)->oid).getValue().c_str(), "  10 ");
    EXPECT_EQ(pool->get<VtObjectInputFieldList>(m.view_tank_list).getElements().size(), 4u);
    EXPECT_EQ(pool->get<VtObjectPointer>(m.volume_units_pointer).getValue(), table().common.volume_units[0]);
}

TEST_F(RunScreenTest, TankFillInputsAndKeys)
{
    const auto& t = table().tank_fill_mask;
    EXPECT_TRUE(pool->get<VtObjectContainer>(t.single_tank_group).getHidden());
    for (int i = 0; i < 4; ++i) {
        for (uint32_t oid : {t.remaining_input[i], t.step_input[i]}) {
            VtObjectInputFieldNumber& input = pool->get<VtObjectInputFieldNumber>(oid);
            EXPECT_EQ(input.getMaxValue(), 1000u);
            EXPECT_FLOAT_EQ(input.getScale(), 0.1);
            EXPECT_EQ(input.getNumberOfDecimals(), 1u);
            EXPECT_EQ(input.getWidth(), 95u - 6u);
        }
    }
    struct Key_row {
        uint32_t key;
        uint32_t code;
        std::vector<std::string> label;
    };
    const Key_row keys[] = {{t.key_fill, 1, {"Fill"}},
                            {t.key_inc, 4, {"INC"}},
                            {t.key_dec, 5, {"DEC"}},
                            {t.key_settings, 15, {"Settings", "Menu"}},
                            {t.key_main, 17, {"Main", "Screen"}}};
    for (const Key_row& row : keys) {
        EXPECT_EQ(pool->get<VtObjectKey>(row.key).getKeyCode(), row.code);
        EXPECT_EQ(pool->texts_in(row.key), row.label);
    }
    EXPECT_EQ(pool->keys_of(pool->get<VtObjectDataMask>(t.data_mask).getSoftKeyMask()),
              (std::vector<uint32_t>{t.key_fill, t.key_inc, t.key_dec, t.key_settings, t.key_main}));
}

} // namespace
