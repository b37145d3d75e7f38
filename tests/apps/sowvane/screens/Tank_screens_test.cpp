// The tank columns of the run screen and tank fill, driven by the operator
// and by the settings over the generated pool.
#include "tests/apps/sowvane/screens/Seeder_vt.h"

#include "tests/support/debug_capture.h"

#include <cstring>

TEST_F(Screens_fixture, TankColumnsShowWholeTrimmedNames)
{
    give_tank_a_product(0, 0);
    give_tank_a_product(1, 1);
    ps().app.channels[0].name.set("ABCDEFGHIJKLMNOPQRST", 20);
    ps().app.channels[1].name.set("Seed      ", 10);
    start();
    EXPECT_STREQ(run_screen().channel(0).name().c_str(), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_STREQ(run_screen().channel(1).name().c_str(), "Seed");
    EXPECT_STREQ(run_screen().channel(2).name().c_str(), ".......");
    ps().app.channels[1].name.set("                    ", 20);
    pump();
    EXPECT_STREQ(run_screen().channel(1).name().c_str(), ".......");
}

TEST_F(Screens_fixture, ALiquidTankWithARegulatingValveShowsItsModeGroups)
{
    give_tank_a_product(0, 0);
    ps().app.channels[0].mode.set(1);
    ps().app.channels[0].liquid_controller_type.set(0);
    ps().app.channels[0].liquid_pressure_sense.set(true);
    start();
    const auto& tank = *ids().tank_records[0];
    EXPECT_FALSE(vt.hidden(tank.other_mode_group));
    EXPECT_TRUE(vt.hidden(tank.mode_2_group));
    EXPECT_FALSE(vt.hidden(tank.pressure_group));
    store(&channel(0).rate_control_mode, 2);
    EXPECT_FALSE(vt.hidden(tank.mode_2_group));
    EXPECT_TRUE(vt.hidden(tank.other_mode_group));
    // Granular: neither.
    ps().app.channels[0].mode.set(0);
    pump();
    EXPECT_TRUE(vt.hidden(tank.mode_2_group));
    EXPECT_TRUE(vt.hidden(tank.other_mode_group));
    EXPECT_TRUE(vt.hidden(tank.pressure_group));
}

TEST_F(Screens_fixture, TheIncorrectRateMarkerBlinksWhileTheMasterSwitchIsOn)
{
    give_tank_a_product(0, 0);
    start();
    const auto& tank = *ids().tank_records[0];
    store(&ds().alarms.tank_incorrect_rate[0].triggered, true);
    store(&ds().operation.master_switch_active, true);
    fire(run_screen().get_blink_timeout());
    EXPECT_FALSE(vt.hidden(tank.alarm_marker));
    fire(run_screen().get_blink_timeout());
    EXPECT_TRUE(vt.hidden(tank.alarm_marker));
    store(&ds().operation.master_switch_active, false);
    fire(run_screen().get_blink_timeout());
    EXPECT_TRUE(vt.hidden(tank.alarm_marker));
}

namespace {

// Tank fill up, tanks 1 and 2 with products; tank 1 granular (by mass).
class Tank_fill : public Screens_fixture {
protected:
    void SetUp() override
    {
        Screens_fixture::SetUp();
        give_tank_a_product(0, 0);
        give_tank_a_product(1, 1);
        ps().app.channels[0].capacity.set(1000.0f);
        ps().app.channels[1].capacity.set(500.0f);
        ps().app.channels[1].mode.set(1);
        ps().app.products[0].density.set(0.5f);
        ps().app.channels[0].tank_fill_inc_dec.set(100.0f);
        ps().app.channels[1].tank_fill_inc_dec.set(100.0f);
        start();
        key(ids().tank_records[0]->fill_button, true);
        ASSERT_STREQ(current(), "tank_fill_mask");
        fill = static_cast<TankFillMask*>(ui.get_screen_man().find_screen("tank_fill_mask"));
    }
    double remaining(int t) { return cds_get_double(ds_head(), &channel(t).remaining_volume); }
    TankFillMask* fill = nullptr;
};

} // namespace

TEST_F(Tank_fill, FillIncAndDecStayBetweenZeroAndTheFullLoad)
{
    const auto& m = ids().tank_fill_mask;
    edit(m.tank_list, TankFillMask::ALL_TANKS_ITEM);
    key(m.key_fill);
    EXPECT_DOUBLE_EQ(remaining(0), 500.0); // 1000 x density 0.5
    EXPECT_DOUBLE_EQ(remaining(1), 500.0); // liquid: the capacity
    key(m.key_inc);
    EXPECT_DOUBLE_EQ(remaining(0), 500.0);
    for (int i = 0; i < 6; ++i)
        key(m.key_dec);
    EXPECT_DOUBLE_EQ(remaining(0), 0.0);
    EXPECT_DOUBLE_EQ(remaining(1), 0.0);
    key(m.key_inc);
    EXPECT_DOUBLE_EQ(remaining(0), 100.0);

    // One tank chosen: only it.
    edit(m.tank_list, 1);
    key(m.key_fill);
    EXPECT_DOUBLE_EQ(remaining(0), 100.0);
    EXPECT_DOUBLE_EQ(remaining(1), 500.0);
    key(m.key_main);
    EXPECT_STREQ(current(), "main");
}

TEST_F(Tank_fill, AProductNumberOutOfRangeIsRefusedWithALine)
{
    const auto& m = ids().tank_fill_mask;
    store(&channel(0).product_number, 16);
    store(&channel(0).remaining_volume, 300.0);
    Debug_capture lines;
    edit(m.tank_list, 0);
    key(m.key_fill);
    key(m.key_inc);
    EXPECT_DOUBLE_EQ(remaining(0), 300.0);
    EXPECT_NE(lines.text().find("product index 16 out of range"), std::string::npos);
    key(m.key_dec); // DEC needs no product
    EXPECT_DOUBLE_EQ(remaining(0), 200.0);
}

TEST_F(Tank_fill, TypedAmountsGoToTheStoreAndTheSettings)
{
    Stat_num& left = fill->remaining(1);
    ASSERT_NE(left.get_in_object_id(), VT::Object_pool::NULL_ID);
    left.set_val(0);
    unsigned zero = left.get_raw();
    edit(left.get_var_id() != VT::Object_pool::NULL_ID ? left.get_var_id() : left.get_in_object_id(), zero + 2500);
    EXPECT_DOUBLE_EQ(remaining(1), 250.0);
    EXPECT_FLOAT_EQ(ps().app.channels[1].remaining.get(), 250.0f);
    store(&channel(1).remaining_volume, 120.0);
    EXPECT_DOUBLE_EQ(fill->remaining(1).get_stat_val(), 120.0);

    // Less than nothing cannot be left in a tank: the field starts at 0
    // and a negative amount is refused.
    const uint32_t input = left.get_var_id() != VT::Object_pool::NULL_ID ? left.get_var_id() : left.get_in_object_id();
    auto* field = vt.pool.find<VT::Input_number_obj>((unsigned short)left.get_in_object_id());
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->get_min_value(), zero);
    edit(input, zero - 50);
    EXPECT_DOUBLE_EQ(remaining(1), 120.0);
    EXPECT_FLOAT_EQ(ps().app.channels[1].remaining.get(), 250.0f);
}

// A fresh machine's tank has no full load: no capacity, or for a tank filled
// by mass no density of its product. FILL and INC keep what it holds and the
// page says what to set first; the amount can still be typed in the input's
// own range. Once the setting is there, FILL fills and the message goes.
TEST_F(Tank_fill, FillAndIncOnATankWithoutAFullLoadKeepItsProductAndSayWhatToSetFirst)
{
    const auto& m = ids().tank_fill_mask;
    struct Case {
        int mode;
        float capacity, density;
        const char* message;
    } cases[] = {
        {0, 0.0f, 0.5f, "Set the capacity of tank 1 first"},
        {0, 1000.0f, 0.0f, "Set the density of tank 1's product first"},
        {1, 0.0f, 0.5f, "Set the capacity of tank 1 first"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message + std::string(", mode ") + std::to_string(c.mode));
        ps().app.channels[0].mode.set(c.mode);
        ps().app.channels[0].capacity.set(c.capacity);
        ps().app.products[0].density.set(c.density);
        pump();
        store(&channel(0).remaining_volume, 300.0);
        edit(m.tank_list, 0);
        for (uint32_t k : {m.key_fill, m.key_inc}) {
            key(k);
            EXPECT_DOUBLE_EQ(remaining(0), 300.0);
            EXPECT_EQ(fill->get_message(), c.message);
            vt.sent();
            EXPECT_EQ(vt.text(m.message).substr(0, std::strlen(c.message)), c.message);
        }

        // Typed: the input keeps its own range, not 0 to 0.
        Stat_num& left = fill->remaining(0);
        auto* field = vt.pool.find<VT::Input_number_obj>((unsigned short)left.get_in_object_id());
        ASSERT_NE(field, nullptr);
        left.set_val(0);
        const unsigned zero = left.get_raw();
        EXPECT_GE(field->get_max_value(), zero + 999990u);
        edit(left.get_var_id() != VT::Object_pool::NULL_ID ? left.get_var_id() : left.get_in_object_id(), zero + 2500);
        EXPECT_DOUBLE_EQ(remaining(0), 250.0);

        // Both tanks: the other one fills, the message stays.
        edit(m.tank_list, TankFillMask::ALL_TANKS_ITEM);
        store(&channel(1).remaining_volume, 0.0);
        key(m.key_fill);
        EXPECT_DOUBLE_EQ(remaining(0), 250.0);
        EXPECT_DOUBLE_EQ(remaining(1), 500.0);
        EXPECT_EQ(fill->get_message(), c.message);

        // DEC needs no full load and says nothing.
        key(m.key_dec);
        EXPECT_DOUBLE_EQ(remaining(0), 150.0);
        EXPECT_EQ(fill->get_message(), "");
        vt.sent();
        EXPECT_EQ(vt.text(m.message).find_first_not_of(' '), std::string::npos);
    }

    // Set: FILL fills to it.
    ps().app.channels[0].mode.set(0);
    ps().app.channels[0].capacity.set(1000.0f);
    ps().app.products[0].density.set(0.5f);
    pump();
    edit(m.tank_list, 0);
    key(m.key_fill);
    EXPECT_DOUBLE_EQ(remaining(0), 500.0);
    EXPECT_EQ(fill->get_message(), "");
}

TEST_F(Screens_fixture, AMaskNotShownFollowsTheStoreAndShowsItWhenItComesUp)
{
    give_tank_a_product(0, 0);
    ps().app.channels[0].capacity.set(1000.0f);
    ps().app.products[0].density.set(1.0f);
    start();
    auto* fill = static_cast<TankFillMask*>(ui.get_screen_man().find_screen("tank_fill_mask"));
    store(&channel(0).remaining_volume, 420.0);
    EXPECT_FALSE(fill->is_active());
    EXPECT_DOUBLE_EQ(fill->remaining(0).get_stat_val(), 420.0);
    vt.sent();
    key(ids().tank_records[0]->fill_button, true);
    vt.sent();
    // Out with the mask, or (within the stat's one-second rate limit) still
    // pending for the manager's next refresh.
    EXPECT_DOUBLE_EQ(fill->remaining(0).get_stat_val(), 420.0);
    EXPECT_TRUE(fill->remaining(0).get_val() == 420.0 || !fill->get_values_complete());
}
