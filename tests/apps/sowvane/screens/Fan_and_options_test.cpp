// The fan settings and external options pages on the generated pool: what
// the start-up normalisation keeps of the stored fan records, edits as
// stored in "PS" and after a reload, and the items the options lists offer.
#include "tests/apps/sowvane/screens/Mask_fixture.h"

#include "apps/sowvane/screens/ExternalOptionsMask.h"
#include "apps/sowvane/screens/FanSettingsMask.h"

namespace {

class Fan_and_options : public mask_test::Fixture {
protected:
    NV_kelsu::fan_t& fan_record(unsigned i) { return ps->app.fans[i]; }
    void set_uploaded()
    {
        const bool yes = true;
        cds_set_bool(ds_head(), &ds().system.vt_uploaded, &yes);
    }

    FanSettingsMask fans{"fan_settings_mask", &man};
    ExternalOptionsMask options{"external_options_mask", &man};
};

TEST_F(Fan_and_options, StartUpEnablesTheFirstFansAndKeepsTheStoredPressureSensing)
{
    // Fan 2 enabled without fan 1; fan 2's pressure sensing switched off.
    fan_record(0).enabled.set(false);
    fan_record(1).enabled.set(true);
    fan_record(1).sense_pressure.set(false);
    fan_record(1).pressure_sensor_type.set(0);
    start("fan_settings_mask");
    EXPECT_TRUE(fan_record(0).enabled.get());
    EXPECT_TRUE(fan_record(0).sense_rpm.get());
    EXPECT_FALSE(fan_record(1).enabled.get());
    EXPECT_FALSE(fan_record(1).sense_pressure.get());
    EXPECT_EQ(fans.enabled_fans().get_item(), 0);

    fan_record(0).sense_pressure.set(false);
    fan_record(0).pressure_sensor_type.set(0);
    fan_record(1).enabled.set(true);
    // As after a restart: the operator's choice for an enabled fan stays.
    fans.post_snapshot_init();
    EXPECT_FALSE(fan_record(0).sense_pressure.get());
    EXPECT_EQ(fan_record(0).pressure_sensor_type.get(), 0);
    EXPECT_TRUE(fan_record(1).enabled.get());
}

TEST_F(Fan_and_options, FanEdits)
{
    fan_record(0).enabled.set(true);
    fan_record(0).pressure_gain.set(0);
    fan_record(0).encoder.set(25);
    fan_record(1).pressure_gain.set(7);
    start("fan_settings_mask");
    EXPECT_EQ(fans.fan(0).gain.get_item(), 0); // gain 0 shows as "1"
    EXPECT_EQ(fans.fan(1).gain.get_item(), 1); // gain 7 shows as "2"
    EXPECT_EQ(fans.fan(0).magnets.get_stat_val(), 10.0);

    const auto& f = ids.fan_settings_mask;
    send_value(f.enabled_fans_list, 1); // two fans
    EXPECT_TRUE(fan_record(1).enabled.get());
    EXPECT_TRUE(fan_record(1).sense_pressure.get());
    EXPECT_EQ(fan_record(1).pressure_sensor_type.get(), 1);
    send_value(f.pressure_sense_list[1], 0);
    EXPECT_FALSE(fan_record(1).sense_pressure.get());
    EXPECT_EQ(fan_record(1).pressure_sensor_type.get(), 0);
    send_value(f.pressure_gain_list[0], 1);
    EXPECT_EQ(fan_record(0).pressure_gain.get(), 2);
    type_number(f.magnets_input[1], 4.0);
    EXPECT_EQ(fan_record(1).encoder.get(), 4);
    type_number(f.magnets_input[1], 12.0); // above 10: refused
    EXPECT_EQ(fan_record(1).encoder.get(), 4);
    send_value(f.pump_list, 1);
    EXPECT_TRUE(fan_record(1).use_fan_as_pump.get());
    send_value(f.case_drain_list, 1);
    EXPECT_TRUE(ps->app.using_case_drain_alarm.get());

    auto* reloaded = save_and_reload();
    EXPECT_TRUE(reloaded->app.fans[1].enabled.get());
    EXPECT_EQ(reloaded->app.fans[1].encoder.get(), 4);
    EXPECT_EQ(reloaded->app.fans[0].pressure_gain.get(), 2);
    EXPECT_TRUE(reloaded->app.using_case_drain_alarm.get());

    // A change made elsewhere reaches the page.
    fan_record(1).encoder.set(6);
    pump();
    EXPECT_EQ(fans.fan(1).magnets.get_stat_val(), 6.0);
}

TEST_F(Fan_and_options, WithoutCabinSwitchBoxTheSwitchboxMasterIsWithdrawn)
{
    ps->app.swbox_external_swbox_type.set(1);
    ps->app.swbox_remote_master_mode.set(1);
    set_uploaded();
    start("external_options_mask");
    const auto& o = ids.external_options_mask;
    auto* master = vt.pool.find<VT::Input_list_obj>((unsigned short)o.ext_master_switch_list);
    ASSERT_NE(master, nullptr);
    EXPECT_EQ(master->get_child_objects_val(1), o.ext_master_switch_item[1]);

    send_value(o.cabin_switch_box_list, 0);
    EXPECT_EQ(ps->app.swbox_external_swbox_type.get(), 0);
    EXPECT_EQ(ps->app.swbox_remote_master_mode.get(), 0);
    EXPECT_EQ(master->get_child_objects_val(1), VT::Object_pool::NULL_ID);
    send_value(o.cabin_switch_box_list, 1);
    EXPECT_EQ(master->get_child_objects_val(1), o.ext_master_switch_item[1]);
    send_value(o.ext_master_switch_list, 2);
    EXPECT_EQ(ps->app.swbox_remote_master_mode.get(), 2);
    send_value(o.cal_switch_box_list, 2);
    EXPECT_EQ(ps->app.swbox_cal_swbox_type.get(), 2);
    EXPECT_EQ(save_and_reload()->app.swbox_remote_master_mode.get(), 2);
}

TEST_F(Fan_and_options, CalibrationDriveAndActuatorOptions)
{
    auto& ch = ps->app.channels;
    for (unsigned i = 0; i < 4; ++i) {
        ch[i].enabled.set(true);
        ch[i].mode.set(i == 3 ? 1 : 0);
        ch[i].granular_controller_type.set(0);
    }
    set_uploaded();
    start("external_options_mask");
    const auto& o = ids.external_options_mask;
    EXPECT_FALSE(options.actuator_rows_shown());
    auto* row = vt.pool.find<VT::Container_obj>((unsigned short)o.cal_drive_row);
    if (row != nullptr) {
        EXPECT_TRUE(row->get_hidden());
    }

    ch[1].granular_controller_type.set(1);
    pump();
    EXPECT_TRUE(options.actuator_rows_shown());
    if (row != nullptr) {
        EXPECT_FALSE(row->get_hidden());
    }

    ASSERT_TRUE(man.switch_to_screen("external_options_mask"));
    auto* drives = vt.pool.find<VT::Input_list_obj>((unsigned short)o.cal_drive_list);
    ASSERT_NE(drives, nullptr);
    // Drive 2 (tank 1, actuator) offered; drive 1 (electric) and drive 4
    // (liquid) withdrawn.
    EXPECT_EQ(drives->get_child_objects_val(2), o.cal_drive_item[2]);
    EXPECT_EQ(drives->get_child_objects_val(1), VT::Object_pool::NULL_ID);
    EXPECT_EQ(drives->get_child_objects_val(4), VT::Object_pool::NULL_ID);

    send_value(o.cal_drive_list, 2);
    EXPECT_EQ(ps->app.calibration_drive_channel.get(), 1);
    send_value(o.cal_drive_list, 0);
    EXPECT_EQ(ps->app.calibration_drive_channel.get(), -1);

    send_value(o.actuator_cal_style_list, 1);
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(ch[i].act_cal_mode.get(), 1) << i;
    send_value(o.master_clutch_list, 1);
    EXPECT_TRUE(ps->app.using_master_clutch.get());
    auto* reloaded = save_and_reload();
    EXPECT_EQ(reloaded->app.channels[3].act_cal_mode.get(), 1);
    EXPECT_TRUE(reloaded->app.using_master_clutch.get());
}

} // namespace
