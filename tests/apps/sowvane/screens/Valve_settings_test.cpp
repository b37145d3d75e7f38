// The valve control settings pages on the generated pool: the bits of the
// valve mode byte, the liquid settings and the way to the controller's
// page, and the regulating valve's timing sets per controller mode.
#include "tests/apps/sowvane/screens/Mask_fixture.h"

#include "apps/sowvane/screens/LiquidPropValveControlSettingsMask.h"
#include "apps/sowvane/screens/LiquidPropValveSettingsMask.h"
#include "apps/sowvane/screens/LiquidRegValveControlSettingsMask.h"
#include "apps/sowvane/screens/PropValveControlSettingsMask.h"

namespace {

const char* const stub_names[] = {"main", "settings_menu", "seeder_settings_menu", "tank_settings_mask",
                                  "prop_valve_drive_settings_mask"};

class Valve_settings : public mask_test::Fixture {
protected:
    Valve_settings() { add_stubs(stub_names); }
    void choose_tank(unsigned i)
    {
        cds_set(ds_head(), &ds().internal.current_channel_index, i);
        pump();
    }

    void touch_internal()
    {
        const unsigned step = cds_get_word(ds_head(), &ds().internal.current_wheel_cal_step);
        cds_set(ds_head(), &ds().internal.current_wheel_cal_step, step + 1);
        pump();
    }

    PropValveControlSettingsMask granular{"prop_valve_control_settings_mask", &man};
    LiquidPropValveSettingsMask liquid{"liquid_prop_valve_settings_mask", &man};
    LiquidPropValveControlSettingsMask liquid_control{"liquid_prop_valve_control_settings_mask", &man};
    LiquidRegValveControlSettingsMask regulating{"liquid_reg_valve_control_settings_mask", &man};
};

TEST_F(Valve_settings, ModeByteBits)
{
    auto& mode = ps->app.channels[1].pvalve_granular_mode;
    start("prop_valve_control_settings_mask");
    choose_tank(1);
    const auto& g = ids.prop_valve_control_settings_mask;
    struct Case {
        unsigned before;
        uint32_t list;
        unsigned item;
        unsigned after;
    } cases[] = {
        {0xC5, g.dump_valve, 1, 0x85}, {0x35, g.soft_start, 0, 0x34}, {0x00, g.add_dither, 1, 0x10},
        {0x40, g.dump_valve, 2, 0xC0}, {0xC0, g.dump_valve, 0, 0x00}, {0x01, g.soft_stop, 1, 0x05},
    };
    for (const Case& c : cases) {
        mode.set((unsigned char)c.before);
        touch_internal();
        send_value(c.list, c.item);
        EXPECT_EQ(mode.get(), c.after) << std::hex << c.before;
    }
    struct Shown {
        unsigned mode, item;
    } shown[] = {{0xC0, 2}, {0x40, 0}, {0x80, 1}};
    for (const Shown& s : shown) {
        mode.set((unsigned char)s.mode);
        touch_internal(); // any change of the internal record refreshes
        EXPECT_EQ(granular.list(3).get_item(), s.item) << std::hex << s.mode;
    }
    send_value(g.max_pwm, 3);
    EXPECT_EQ(ps->app.channels[1].pvalve_granular_max_pwm_setting.get(), 3);
    EXPECT_EQ(save_and_reload()->app.channels[1].pvalve_granular_max_pwm_setting.get(), 3);
}

TEST_F(Valve_settings, LiquidSettingsAndTheControllerPage)
{
    start("liquid_prop_valve_settings_mask");
    choose_tank(2);
    const auto& l = ids.liquid_prop_valve_settings_mask;
    type_number(l.num_nozzles, 24.0);
    EXPECT_EQ(ps->app.channels[2].liquid_number_of_nozzles.get(), 24);
    type_number(l.num_nozzles, 300.0); // refused
    EXPECT_EQ(ps->app.channels[2].liquid_number_of_nozzles.get(), 24);
    send_value(l.pressure_sense, 1);
    EXPECT_TRUE(ps->app.channels[2].liquid_pressure_sense.get());

    ps->app.channels[2].liquid_controller_type.set(0);
    press_button(l.control_settings_button);
    EXPECT_STREQ(current(), "liquid_reg_valve_control_settings_mask");
    man.switch_to_screen("liquid_prop_valve_settings_mask");
    ps->app.channels[2].liquid_controller_type.set(1);
    press_button(l.control_settings_button);
    EXPECT_STREQ(current(), "liquid_prop_valve_control_settings_mask");
    send_value(ids.liquid_prop_valve_control_settings_mask.soft_start, 1);
    EXPECT_EQ(ps->app.channels[2].pvalve_liquid_mode.get() & 1, 1);
    EXPECT_EQ(ps->app.channels[2].pvalve_granular_mode.get() & 1, 0);

    // No tank record at index 10: the button goes nowhere.
    man.switch_to_screen("liquid_prop_valve_settings_mask");
    choose_tank(12);
    press_button(l.control_settings_button);
    EXPECT_STREQ(current(), "liquid_prop_valve_settings_mask");
}

TEST_F(Valve_settings, RegulatingValveTimingsPerControllerMode)
{
    auto& tank = ps->app.channels[0];
    tank.rvalve_liquid_mode.set(7);
    tank.rvalve_liquid_controller[2].gain.set(1);
    start("tank_settings_mask");
    ASSERT_TRUE(man.switch_to_screen("liquid_reg_valve_control_settings_mask"));
    choose_tank(0);
    using M = LiquidRegValveControlSettingsMask;
    EXPECT_EQ(regulating.list(M::CONTROLLER_MODE).get_item(), 0); // mode 7 shows as mode 0
    const auto& r = ids.liquid_reg_valve_control_settings_mask;
    send_value(r.controller_mode, 2);
    EXPECT_EQ(tank.rvalve_liquid_mode.get(), 2);
    if (vt.pool.find<VT::Container_obj>((unsigned short)r.pwm_setting_row[2]) != nullptr) {
        EXPECT_TRUE(regulating.mode_rows_shown(2));
        EXPECT_FALSE(regulating.mode_rows_shown(0));
    }
    send_value(r.max_on_time[2], 1);
    EXPECT_EQ(tank.rvalve_liquid_controller[2].max_on_time.get(), 1);
    send_value(r.max_on_time[0], 1); // a mode that is not chosen: not written
    EXPECT_EQ(tank.rvalve_liquid_controller[0].max_on_time.get(), 0);
    send_value(r.reverse_valve, 1);
    EXPECT_TRUE(tank.rvalve_liquid_reverse_valve_direction.get());
    auto* reloaded = save_and_reload();
    EXPECT_EQ(reloaded->app.channels[0].rvalve_liquid_controller[2].max_on_time.get(), 1);
    EXPECT_EQ(reloaded->app.channels[0].rvalve_liquid_mode.get(), 2);
}

} // namespace
