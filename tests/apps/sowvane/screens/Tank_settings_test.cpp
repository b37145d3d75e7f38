// The tank settings and tank preload pages on the generated pool: enabled
// tanks, capacities in the units of the tank type, tank types and drives as
// stored in "PS" and after a reload, the task-controller restart after a
// layout change, and the setup buttons that open a tank's drive page.
#include "tests/apps/sowvane/screens/Mask_fixture.h"

#include "apps/sowvane/screens/TankPreloadSettingsMask.h"
#include "apps/sowvane/screens/TankSettingsMask.h"

namespace {

const char* const stub_names[] = {
    "main",
    "settings_menu",
    "seeder_settings_menu",
    "liquid_prop_valve_settings_mask",
    "electric_drive_settings_mask",
    "prop_valve_drive_settings_mask",
    "actuator_drive_settings_mask",
};

class Tank_settings : public mask_test::Fixture {
protected:
    Tank_settings() { add_stubs(stub_names); }
    bool reset_tc() const { return cds_get_byte(ds_head(), &ds().system.reset_tc) != 0; }
    void clear_reset_tc()
    {
        const bool no = false;
        cds_set_bool(ds_head(), &ds().system.reset_tc, &no);
    }
    std::vector<bool> enabled() const
    {
        std::vector<bool> out;
        for (unsigned i = 0; i < 4; ++i)
            out.push_back(ps->app.channels[i].enabled.get());
        return out;
    }

    TankSettingsMask tanks{"tank_settings_mask", &man};
    TankPreloadSettingsMask preload{"tank_preload_settings_mask", &man};
};

TEST_F(Tank_settings, NoTankEnabledAtStartEnablesTank1WithoutRestartingTheLink)
{
    for (unsigned i = 0; i < 4; ++i)
        ps->app.channels[i].enabled.set(false);
    start("tank_settings_mask");
    EXPECT_EQ(enabled(), (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(tanks.enabled_tanks().get_item(), 0);
    EXPECT_EQ(ps->app.num_channels.get(), 4);
    EXPECT_FALSE(reset_tc());
}

TEST_F(Tank_settings, TheEnabledTanksAreTheFirstOnes)
{
    for (unsigned i = 0; i < 4; ++i)
        ps->app.channels[i].enabled.set(i == 0 || i == 2);
    start("tank_settings_mask");
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(tanks.enabled_tanks().get_item(), 1);

    send_value(ids.tank_settings_mask.enabled_tanks_list, 3);
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true}));
    EXPECT_TRUE(reset_tc());
    EXPECT_EQ(ps->app.num_channels.get(), 4);
    auto* reloaded = save_and_reload();
    EXPECT_TRUE(reloaded->app.channels[3].enabled.get());
    EXPECT_EQ(reloaded->app.num_channels.get(), 4);
}

TEST_F(Tank_settings, TankTypesAndDrivesAsStored)
{
    const auto& t = ids.tank_settings_mask;
    auto& ch = ps->app.channels;
    ch[1].granular_controller_type.set(3);
    start("tank_settings_mask");
    // A stored proportional valve shows as item 2.
    EXPECT_EQ(tanks.tank(1).granular_drive.get_item(), 2);

    send_value(t.granular_drive_list[0], 2);
    EXPECT_EQ(ch[0].granular_controller_type.get(), 3);
    send_value(t.granular_drive_list[0], 0);
    EXPECT_EQ(ch[0].granular_controller_type.get(), 0);
    EXPECT_EQ(int(cds_get_word(ds_head(), &ds().channels.channels[0].rate_control_mode)), 1);

    clear_reset_tc();
    send_value(t.tank_type_list[2], 2); // NH3
    EXPECT_EQ(ch[2].mode.get(), 2);
    EXPECT_TRUE(reset_tc());
    EXPECT_EQ(int(cds_get_word(ds_head(), &ds().interface.channels[2].content_kind)), 0);
    EXPECT_EQ(tanks.tank(2).capacity.get_format(0).units, Units_man::UNITS_VOLUME);
    auto* liquid_row = vt.pool.find<VT::Container_obj>((unsigned short)t.liquid_drive_row[2]);
    if (liquid_row != nullptr) {
        EXPECT_FALSE(liquid_row->get_hidden());
    }

    send_value(t.tank_type_list[3], 1); // liquid
    EXPECT_EQ(int(cds_get_word(ds_head(), &ds().interface.channels[3].content_kind)), 1);
    send_value(t.liquid_drive_list[3], 1);
    EXPECT_EQ(ch[3].liquid_controller_type.get(), 1);

    clear_reset_tc();
    send_value(t.tank_type_list[3], 1); // the same type again: nothing
    EXPECT_FALSE(reset_tc());

    auto* reloaded = save_and_reload();
    EXPECT_EQ(reloaded->app.channels[2].mode.get(), 2);
    EXPECT_EQ(reloaded->app.channels[3].liquid_controller_type.get(), 1);
    EXPECT_EQ(reloaded->app.channels[0].granular_controller_type.get(), 0);
}

TEST_F(Tank_settings, CapacityEditsInAndOutOfRange)
{
    const auto& t = ids.tank_settings_mask;
    start("tank_settings_mask");
    type_number(t.capacity_input[0], 2500.5);
    EXPECT_FLOAT_EQ(ps->app.channels[0].capacity.get(), 2500.5f);
    type_number(t.capacity_input[0], 150000.0); // above 99999: refused
    EXPECT_FLOAT_EQ(ps->app.channels[0].capacity.get(), 2500.5f);
    EXPECT_FLOAT_EQ(save_and_reload()->app.channels[0].capacity.get(), 2500.5f);
}

TEST_F(Tank_settings, SetupButtonsOpenTheDriveOfTheTank)
{
    auto& ch = ps->app.channels;
    ch[0].mode.set(0);
    ch[0].granular_controller_type.set(0);
    ch[1].mode.set(0);
    ch[1].granular_controller_type.set(3);
    ch[2].mode.set(0);
    ch[2].granular_controller_type.set(1);
    ch[3].mode.set(1);
    start("tank_settings_mask");
    const char* expected[4] = {"electric_drive_settings_mask", "prop_valve_drive_settings_mask",
                               "actuator_drive_settings_mask", "liquid_prop_valve_settings_mask"};
    for (unsigned i = 0; i < 4; ++i) {
        ASSERT_TRUE(man.switch_to_screen("tank_settings_mask"));
        press_button(ids.tank_settings_mask.setup_button[i]);
        EXPECT_STREQ(current(), expected[i]);
        EXPECT_EQ(cds_get_word(ds_head(), &ds().internal.current_channel_index), i);
    }
}

TEST_F(Tank_settings, LeavingTheTanksDropsACalibrationDriveThatNoLongerQualifies)
{
    auto& ch = ps->app.channels;
    ch[0].enabled.set(true);
    ch[1].enabled.set(true);
    ch[1].mode.set(0);
    ch[1].granular_controller_type.set(1);
    ps->app.calibration_drive_channel.set(1);
    start("tank_settings_mask");
    send_value(ids.tank_settings_mask.granular_drive_list[1], 0);
    EXPECT_EQ(ps->app.calibration_drive_channel.get(), 1);
    release(ids.tank_settings_mask.key_main);
    EXPECT_EQ(ps->app.calibration_drive_channel.get(), -1);
}

TEST_F(Tank_settings, PreloadTime)
{
    ps->app.preload_time.set(12.0f);
    start("tank_preload_settings_mask");
    EXPECT_NEAR(preload.preload_time().get_stat_val(), 12.0, 1e-6);
    type_number(ids.tank_preload_settings_mask.preload_time_input, 3.5);
    EXPECT_FLOAT_EQ(ps->app.preload_time.get(), 3.5f);
    type_number(ids.tank_preload_settings_mask.preload_time_input, 20.0); // above 15 s: refused
    EXPECT_FLOAT_EQ(ps->app.preload_time.get(), 3.5f);
    EXPECT_FLOAT_EQ(save_and_reload()->app.preload_time.get(), 3.5f);
}

} // namespace
