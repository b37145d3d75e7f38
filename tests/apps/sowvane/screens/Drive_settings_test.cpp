// The drive settings pages of a tank on the generated pool: the tank they
// edit follows internal.current_channel_index, edits land in that tank's
// record of "PS" (and survive a reload), tanks beyond the four are refused.
#include "tests/apps/sowvane/screens/Mask_fixture.h"

#include "apps/sowvane/screens/ActuatorDriveSettingsMask.h"
#include "apps/sowvane/screens/ElectricDriveSettingsMask.h"
#include "apps/sowvane/screens/PropValveDriveSettingsMask.h"

namespace {

using mask_test::Nav_case;
const char* const stub_names[] = {"main", "settings_menu", "seeder_settings_menu", "tank_settings_mask",
                                  "prop_valve_control_settings_mask"};

class Drive_settings : public mask_test::Fixture {
protected:
    Drive_settings() { add_stubs(stub_names); }
    void choose_tank(unsigned i)
    {
        cds_set(ds_head(), &ds().internal.current_channel_index, i);
        pump();
    }

    ActuatorDriveSettingsMask actuator{"actuator_drive_settings_mask", &man};
    ElectricDriveSettingsMask electric{"electric_drive_settings_mask", &man};
    PropValveDriveSettingsMask valve{"prop_valve_drive_settings_mask", &man};
};

TEST_F(Drive_settings, KeysAndTheControlSettingsButton)
{
    const auto& v = ids.prop_valve_drive_settings_mask;
    const Nav_case cases[] = {
        {"prop_valve_drive_settings_mask", v.control_settings_button, true, "prop_valve_control_settings_mask"},
        {"prop_valve_drive_settings_mask", v.key_tank_settings, false, "tank_settings_mask"},
        {"actuator_drive_settings_mask", ids.actuator_drive_settings_mask.key_main, false, "main"},
        {"electric_drive_settings_mask", ids.electric_drive_settings_mask.key_settings_menu, false, "settings_menu"},
    };
    start("actuator_drive_settings_mask");
    check_navigation(cases);
}

TEST_F(Drive_settings, ActuatorEditsGoToTheChosenTank)
{
    ps->app.channels[2].act_encoder_ratio.set(300.0f);
    start("actuator_drive_settings_mask");
    choose_tank(2);
    EXPECT_EQ(actuator.tank(), 2u);
    auto* number = vt.pool.find<VT::Output_number_obj>((unsigned short)ids.actuator_drive_settings_mask.tank_output);
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(number->get_value(), 3u);
    EXPECT_FLOAT_EQ(ps->app.channels[2].act_encoder_ratio.get(), 255.0f); // stored back at its limit
    const auto& a = ids.actuator_drive_settings_mask;
    type_number(a.encoder_teeth, 36.5);
    EXPECT_FLOAT_EQ(ps->app.channels[2].act_encoder_ratio.get(), 36.5f);
    type_number(a.encoder_teeth, 300.0); // above 255: refused
    EXPECT_FLOAT_EQ(ps->app.channels[2].act_encoder_ratio.get(), 36.5f);
    send_value(a.clutch, 1);
    EXPECT_TRUE(ps->app.channels[2].act_using_tank_clutch.get());
    send_value(a.style, 1);
    EXPECT_EQ(ps->app.channels[2].actuator_style.get(), 1);
    EXPECT_FALSE(ps->app.channels[0].act_using_tank_clutch.get());
    auto* reloaded = save_and_reload();
    EXPECT_FLOAT_EQ(reloaded->app.channels[2].act_encoder_ratio.get(), 36.5f);
    EXPECT_TRUE(reloaded->app.channels[2].act_using_tank_clutch.get());
}

TEST_F(Drive_settings, TanksBeyondTheFourAreNeitherReadNorWritten)
{
    start("actuator_drive_settings_mask");
    choose_tank(6);
    const float before = ps->app.channels[6].act_encoder_ratio.get();
    type_number(ids.actuator_drive_settings_mask.encoder_teeth, 20.0);
    EXPECT_EQ(ps->app.channels[6].act_encoder_ratio.get(), before);
    auto* number = vt.pool.find<VT::Output_number_obj>((unsigned short)ids.actuator_drive_settings_mask.tank_output);
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(number->get_value(), 7u);
}

TEST_F(Drive_settings, ElectricMotorSelectionShowsPresetsOrInputs)
{
    ps->app.channels[1].motor_pulse_encoder.set(2);
    ps->app.channels[1].motor_max_rpm.set(1234.0f);
    cds_set(ds_head(), &ds().internal.current_channel_index, 1u);
    start("electric_drive_settings_mask");
    const auto& e = ids.electric_drive_settings_mask;
    EXPECT_TRUE(electric.input_rows_shown());
    EXPECT_NEAR(electric.number(ElectricDriveSettingsMask::MAX_RPM).get_stat_val(), 1234.0, 1e-6);
    send_value(e.motor_selection, 1);
    EXPECT_EQ(ps->app.channels[1].motor_pulse_encoder.get(), 1);
    EXPECT_FALSE(electric.input_rows_shown());
    EXPECT_EQ(electric.preset(ElectricDriveSettingsMask::PRESET_PULSES).get_stat_val(), 4.0);
    EXPECT_EQ(electric.preset(ElectricDriveSettingsMask::PRESET_MAX_RPM).get_stat_val(), 2000.0);
    EXPECT_FLOAT_EQ(ps->app.channels[1].motor_max_rpm.get(), 1234.0f); // the stored value stays
    send_value(e.motor_selection, 2);
    EXPECT_TRUE(electric.input_rows_shown());
    type_number(e.gear_ratio, 12.34);
    EXPECT_NEAR(ps->app.channels[1].motor_gear_ratio.get(), 12.34, 1e-4);
    type_number(e.min_motor_rpm, 45.0);
    EXPECT_FLOAT_EQ(ps->app.channels[1].motor_min_rpm.get(), 45.0f);
    send_value(e.soft_start, 1);
    EXPECT_TRUE(ps->app.channels[1].motor_using_soft_start.get());
    EXPECT_NEAR(save_and_reload()->app.channels[1].motor_gear_ratio.get(), 12.34, 1e-4);
}

TEST_F(Drive_settings, PropValveClutchIsOneBitOfTheModeByte)
{
    auto& mode = ps->app.channels[0].pvalve_granular_mode;
    mode.set(32 | 4);
    start("prop_valve_drive_settings_mask");
    choose_tank(0);
    const auto& v = ids.prop_valve_drive_settings_mask;
    EXPECT_EQ(valve.list(0).get_item(), 1);
    send_value(v.tank_clutch, 0);
    EXPECT_EQ(mode.get(), 4);
    send_value(v.tank_clutch, 1);
    EXPECT_EQ(mode.get(), 36);
    type_number(v.max_shaft_rpm, 180.0);
    EXPECT_FLOAT_EQ(ps->app.channels[0].pvalve_granular_max_rpm.get(), 180.0f);
    type_number(v.encoder_pulses_rev, 3.25);
    EXPECT_FLOAT_EQ(ps->app.channels[0].pvalve_granular_encoder_ratio.get(), 3.25f);
    EXPECT_EQ(save_and_reload()->app.channels[0].pvalve_granular_mode.get(), 36);
}

} // namespace
