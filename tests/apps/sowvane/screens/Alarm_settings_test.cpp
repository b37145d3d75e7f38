// The alarm settings menu and masks on the generated pool: what each row
// shows of its alarm records, what an edit writes (in metric and imperial
// units) and keeps after a save and reload, rows of tanks that are not
// enabled, and the switch that keeps alarms off the VT.
#include "tests/apps/sowvane/screens/Mask_fixture.h"

#include "apps/sowvane/screens/AlarmSettingsMenu.h"
#include "apps/sowvane/screens/FanAlarmsMask.h"
#include "apps/sowvane/screens/NoFlowAlarmsMask.h"
#include "apps/sowvane/screens/OtherAlarmsMask.h"
#include "apps/sowvane/screens/ShaftAlarmsMask.h"
#include "apps/sowvane/screens/TankAlarmsMask.h"
#include "apps/sowvane/screens/TankGearAlarmsMask.h"
#include "apps/sowvane/screens/TankMotorAlarmsMask.h"
#include "apps/sowvane/screens/TankPressureAlarmsMask.h"

namespace {

using mask_test::Nav_case;

const char* const stub_names[] = {"main", "settings_menu"};

class Alarm_settings : public mask_test::Fixture {
protected:
    Alarm_settings() { add_stubs(stub_names); }

    NV_kelsu::alarms_t& alarms() { return ps->app.alarms; }

    AlarmSettingsMenu menu{"alarm_settings_menu", &man};
    FanAlarmsMask fan{"fan_alarms_mask", &man};
    ShaftAlarmsMask shaft{"shaft_alarms_mask", &man};
    TankAlarmsMask tank{"tank_alarms_mask", &man};
    OtherAlarmsMask other{"other_alarms_mask", &man};
    TankMotorAlarmsMask motor{"tank_motor_alarms_mask", &man};
    TankGearAlarmsMask gear{"tank_gear_alarms_mask", &man};
    TankPressureAlarmsMask pressure{"tank_pressure_alarms_mask", &man};
    NoFlowAlarmsMask no_flow{"no_flow_alarms_mask", &man};
};

TEST_F(Alarm_settings, MenuButtonsAndMaskKeysSwitchOnRelease)
{
    const auto& m = ids.alarm_settings_menu;
    const Nav_case cases[] = {
        {"alarm_settings_menu", m.key_settings_menu, false, "settings_menu"},
        {"alarm_settings_menu", m.key_main, false, "main"},
        {"alarm_settings_menu", m.fan_alarms_button, true, "fan_alarms_mask"},
        {"alarm_settings_menu", m.shaft_alarms_button, true, "shaft_alarms_mask"},
        {"alarm_settings_menu", m.tank_alarms_button, true, "tank_alarms_mask"},
        {"alarm_settings_menu", m.other_alarms_button, true, "other_alarms_mask"},
        {"alarm_settings_menu", m.tank_motor_alarms_button, true, "tank_motor_alarms_mask"},
        {"alarm_settings_menu", m.tank_gear_alarms_button, true, "tank_gear_alarms_mask"},
        {"alarm_settings_menu", m.tank_pressure_alarms_button, true, "tank_pressure_alarms_mask"},
        {"alarm_settings_menu", m.no_flow_alarms_button, true, "no_flow_alarms_mask"},
        {"fan_alarms_mask", ids.fan_alarms_mask.key_alarm_settings_menu, false, "alarm_settings_menu"},
        {"tank_gear_alarms_mask", ids.tank_gear_alarms_mask.key_settings_menu, false, "settings_menu"},
        {"no_flow_alarms_mask", ids.no_flow_alarms_mask.key_main, false, "main"},
    };
    start("alarm_settings_menu");
    check_navigation(cases);
}

TEST_F(Alarm_settings, InhibitKeyTogglesTheStoreFlagAndTheIndicator)
{
    start("alarm_settings_menu");
    auto* rect = vt.pool.find<VT::Rectangle_obj>((unsigned short)ids.alarm_settings_menu.inhibit_indicator);
    ASSERT_NE(rect, nullptr);
    const bool first = cds_get_byte(ds_head(), &ds().internal.inhibit_vt_alarms) != 0;
    const uint32_t fill[2] = {ids.common.indicator_off, ids.common.indicator_on};
    EXPECT_EQ(rect->get_fill_attributes(), fill[first]);
    release(ids.alarm_settings_menu.key_inhibit_alarms);
    EXPECT_EQ(cds_get_byte(ds_head(), &ds().internal.inhibit_vt_alarms) != 0, !first);
    EXPECT_EQ(rect->get_fill_attributes(), fill[!first]);
    release(ids.alarm_settings_menu.key_inhibit_alarms);
    EXPECT_EQ(cds_get_byte(ds_head(), &ds().internal.inhibit_vt_alarms) != 0, first);
    EXPECT_EQ(rect->get_fill_attributes(), fill[first]);
}

TEST_F(Alarm_settings, FanRowsShowBothFansAndWriteBoth)
{
    alarms().fan_pressure_low[0].enabled.set(true);
    alarms().fan_pressure_low[1].enabled.set(false);
    alarms().fan_speed_low[0].threshold.set(300.0f);
    alarms().fan_speed_low[1].threshold.set(500.0f);
    alarms().fan_speed_high[0].threshold.set(3000.0f);
    alarms().fan_speed_high[1].threshold.set(2500.0f);
    start("fan_alarms_mask");
    const auto& f = ids.fan_alarms_mask;
    auto* list = vt.pool.find<VT::Input_list_obj>((unsigned short)f.pressure_low_list);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->get_value(), 0); // one fan disabled shows Disabled
    EXPECT_EQ(fan.shown(6), 500.0);  // the stricter low point
    EXPECT_EQ(fan.shown(7), 2500.0); // the stricter high point

    send_value(f.pressure_low_list, 1);
    EXPECT_TRUE(alarms().fan_pressure_low[0].enabled.get());
    EXPECT_TRUE(alarms().fan_pressure_low[1].enabled.get());
    EXPECT_FALSE(alarms().fan_pressure_low[2].enabled.get());

    type_number(f.speed_low_input, 400.0);
    EXPECT_FLOAT_EQ(alarms().fan_speed_low[0].threshold.get(), 400.0f);
    EXPECT_FLOAT_EQ(alarms().fan_speed_low[1].threshold.get(), 400.0f);
    type_number(f.speed_low_input, 25000.0); // above 20000: refused
    EXPECT_FLOAT_EQ(alarms().fan_speed_low[1].threshold.get(), 400.0f);

    type_number(f.pressure_high_input, 55.5); // kPa
    EXPECT_FLOAT_EQ(alarms().fan_pressure_high[0].threshold.get(), 55.5f);
    use_imperial();
    type_number(f.pressure_high_input, 10.0); // psi
    EXPECT_NEAR(alarms().fan_pressure_high[1].threshold.get(), 10.0 / 0.14503774, 0.05);

    auto* reloaded = save_and_reload();
    EXPECT_TRUE(reloaded->app.alarms.fan_pressure_low[1].enabled.get());
    EXPECT_FLOAT_EQ(reloaded->app.alarms.fan_speed_low[1].threshold.get(), 400.0f);
    EXPECT_NEAR(reloaded->app.alarms.fan_pressure_high[0].threshold.get(), 68.95, 0.05);
}

TEST_F(Alarm_settings, OtherAlarmsShowTank1AndWriteTanks1To4)
{
    alarms().tank_off_master_on[0].enabled.set(true);
    alarms().tank_off_master_on[1].enabled.set(false);
    start("other_alarms_mask");
    const auto& o = ids.other_alarms_mask;
    EXPECT_EQ(other.shown(0), 1.0);
    send_value(o.tank_off_list, 0);
    for (unsigned t = 0; t < 4; ++t)
        EXPECT_FALSE(alarms().tank_off_master_on[t].enabled.get()) << t;
    send_value(o.alt_rate_list, 1);
    for (unsigned t = 0; t < 4; ++t)
        EXPECT_TRUE(alarms().tank_alt_rate_in_use[t].enabled.get()) << t;
    EXPECT_FALSE(alarms().tank_alt_rate_in_use[4].enabled.get());
    send_value(o.blocked_head_list, 1);
    EXPECT_TRUE(alarms().blocked_head.enabled.get());
    send_value(o.case_drain_list, 1);
    EXPECT_TRUE(save_and_reload()->app.alarms.case_drain.enabled.get());
}

// One list of a per-tank or single-alarm mask and the record it edits.
struct Enable_case {
    const char* screen;
    uint32_t list;
    NV_kelsu::alarm_t& (*alarm)(NV_kelsu::parameters_t&);
};

TEST_F(Alarm_settings, EachEnableListWritesItsOwnRecord)
{
    const Enable_case cases[] = {
        {"shaft_alarms_mask", ids.shaft_alarms_mask.enable_list[2],
         [](NV_kelsu::parameters_t& p) -> NV_kelsu::alarm_t& { return p.app.alarms.tank_shaft[2]; }},
        {"tank_alarms_mask", ids.tank_alarms_mask.empty_list[3],
         [](NV_kelsu::parameters_t& p) -> NV_kelsu::alarm_t& { return p.app.alarms.tank_empty[3]; }},
        {"tank_motor_alarms_mask", ids.tank_motor_alarms_mask.jam_list[0],
         [](NV_kelsu::parameters_t& p) -> NV_kelsu::alarm_t& { return p.app.alarms.tank_motor_jam[0]; }},
        {"tank_gear_alarms_mask", ids.tank_gear_alarms_mask.enable_list[1],
         [](NV_kelsu::parameters_t& p) -> NV_kelsu::alarm_t& { return p.app.alarms.tank_gear[1]; }},
        {"tank_pressure_alarms_mask", ids.tank_pressure_alarms_mask.high_list[2],
         [](NV_kelsu::parameters_t& p) -> NV_kelsu::alarm_t& { return p.app.alarms.liquid_pressure_max[2]; }},
        {"no_flow_alarms_mask", ids.no_flow_alarms_mask.no_fan_pressure_list,
         [](NV_kelsu::parameters_t& p) -> NV_kelsu::alarm_t& { return p.app.alarms.no_flow_no_fan_pressure; }},
    };
    start("alarm_settings_menu");
    for (const Enable_case& c : cases) {
        SCOPED_TRACE(c.screen);
        ASSERT_TRUE(man.switch_to_screen(c.screen));
        const bool before = c.alarm(*ps).enabled.get();
        send_value(c.list, before ? 0 : 1);
        EXPECT_EQ(c.alarm(*ps).enabled.get(), !before);
        EXPECT_EQ(c.alarm(*save_and_reload()).enabled.get(), !before);
        send_value(c.list, 7); // no such item: nothing changes
        EXPECT_EQ(c.alarm(*ps).enabled.get(), !before);
    }
}

TEST_F(Alarm_settings, TankPressurePointsInKpaAndPsi)
{
    alarms().liquid_pressure_min[1].threshold.set(150.0f);
    start("tank_pressure_alarms_mask");
    const auto& p = ids.tank_pressure_alarms_mask;
    EXPECT_EQ(pressure.shown(4 + 1), 150.0); // low points follow the four low lists
    type_number(p.low_input[1], 250.0);
    EXPECT_FLOAT_EQ(alarms().liquid_pressure_min[1].threshold.get(), 250.0f);
    type_number(p.high_input[3], 12000.0); // above 10000 kPa: refused
    EXPECT_FLOAT_EQ(alarms().liquid_pressure_max[3].threshold.get(), 0.0f);
    use_imperial();
    type_number(p.high_input[3], 100.0);
    EXPECT_NEAR(alarms().liquid_pressure_max[3].threshold.get(), 100.0 / 0.14503774, 0.1);
    EXPECT_NEAR(save_and_reload()->app.alarms.liquid_pressure_max[3].threshold.get(), 689.48, 0.1);
}

TEST_F(Alarm_settings, RowsOfTanksThatAreNotEnabledAreHiddenOnEveryActivation)
{
    for (unsigned t = 0; t < 4; ++t)
        ps->app.channels[t].enabled.set(t != 2);
    start("alarm_settings_menu");
    ASSERT_TRUE(man.switch_to_screen("tank_gear_alarms_mask"));
    // containers: row_a[0..3], then row_b[0..3]
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(gear.row_hidden(c), c % 4 == 2) << c;
    ps->app.channels[2].enabled.set(true);
    ps->app.channels[0].enabled.set(false);
    ASSERT_TRUE(man.switch_to_screen("alarm_settings_menu"));
    ASSERT_TRUE(man.switch_to_screen("tank_gear_alarms_mask"));
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(gear.row_hidden(c), c % 4 == 0) << c;
}

} // namespace
