// The settings menus and the width, speed and wheel pages on the generated
// pool: navigation on key release, the settings the operator's edits leave in
// "PS" (metric and imperial, inside and outside the limits) and after a save
// and reload, the layout change that restarts the task controller link, and a
// wheel calibration driven over a simulated distance.
#include "tests/apps/sowvane/screens/Mask_fixture.h"

#include "apps/sowvane/screens/OperatingHistoryMenuMask.h"
#include "apps/sowvane/screens/ProductSettingsMenu.h"
#include "apps/sowvane/screens/SeederSettingsMenu.h"
#include "apps/sowvane/screens/SettingsMenu.h"
#include "apps/sowvane/screens/WheelCalibrationMask.h"
#include "apps/sowvane/screens/WheelCalibrationSettingsMask.h"
#include "apps/sowvane/screens/WidthAndSpeedSettingsMask.h"
#include "vtui/screen/Alarm_screen.h"

#include <algorithm>
#include <cstring>

namespace {

using mask_test::Fixture;
using mask_test::Nav_case;

const char* const stub_names[] = {
    "main",
    "alarm_settings_menu",
    "area_test_mask",
    "advanced_settings_mask",
    "tank_settings_mask",
    "tank_preload_settings_mask",
    "external_options_mask",
    "fan_settings_mask",
    "operating_history_menu_mask",
    "seeder_brand_mask",
    "blocked_head_settings_mask",
    "multi_tank_cal_1_mask",
    "product_settings_mask",
    "totals_history_mask",
    "shafts_history_mask",
    "fans_history_mask",
};

class History_menu : public Fixture {
protected:
    History_menu() : Fixture(mask_test::history_menu_image()) { add_stubs(stub_names); }
    SettingsMenu settings_menu{"settings_menu", &man};
    SeederSettingsMenu seeder_menu{"seeder_settings_menu", &man};
    OperatingHistoryMenuMask history_menu{"operating_history_menu_mask", &man};
};

TEST_F(History_menu, KeysAndButtonsSwitchOnReleaseOnly)
{
    const auto& oh = ids.operating_history_menu_mask;
    const Nav_case cases[] = {
        {"operating_history_menu_mask", oh.totals_button, true, "totals_history_mask"},
        {"operating_history_menu_mask", oh.shafts_button, true, "shafts_history_mask"},
        {"operating_history_menu_mask", oh.fans_button, true, "fans_history_mask"},
        {"operating_history_menu_mask", oh.key_seeder_settings_menu, false, "seeder_settings_menu"},
        {"operating_history_menu_mask", oh.key_settings_menu, false, "settings_menu"},
        {"operating_history_menu_mask", oh.key_main, false, "main"},
    };
    start("operating_history_menu_mask");
    check_navigation(cases);
}

class Settings_masks : public Fixture {
protected:
    Settings_masks() { add_stubs(stub_names); }

    SettingsMenu settings_menu{"settings_menu", &man};
    SeederSettingsMenu seeder_menu{"seeder_settings_menu", &man};
    ProductSettingsMenu product_menu{"product_settings_menu", &man};
    WidthAndSpeedSettingsMask width_speed{"width_and_speed_settings_mask", &man};
    WheelCalibrationSettingsMask wheel_settings{"wheel_calibration_settings_mask", &man};
    WheelCalibrationMask wheel{"wheel_calibration_mask", &man};
};

TEST_F(Settings_masks, KeysAndButtonsSwitchOnReleaseOnly)
{
    const auto& sm = ids.settings_menu;
    const auto& ss = ids.seeder_settings_menu;
    const auto& pm = ids.product_settings_menu;
    const auto& ws = ids.width_and_speed_settings_mask;
    const auto& wc = ids.wheel_calibration_settings_mask;
    const Nav_case cases[] = {
        {"settings_menu", sm.key_main, false, "main"},
        {"settings_menu", sm.seeder_button, true, "seeder_settings_menu"},
        {"settings_menu", sm.products_button, true, "product_settings_menu"},
        {"settings_menu", sm.alarms_button, true, "alarm_settings_menu"},
        {"settings_menu", sm.area_test_button, true, "area_test_mask"},
        {"settings_menu", sm.advanced_settings_button, true, "advanced_settings_mask"},
        {"seeder_settings_menu", ss.key_settings_menu, false, "settings_menu"},
        {"seeder_settings_menu", ss.key_main, false, "main"},
        {"seeder_settings_menu", ss.tanks_button, true, "tank_settings_mask"},
        {"seeder_settings_menu", ss.external_options_button, true, "external_options_mask"},
        {"seeder_settings_menu", ss.wheel_calibration_button, true, "wheel_calibration_settings_mask"},
        {"seeder_settings_menu", ss.fans_button, true, "fan_settings_mask"},
        {"seeder_settings_menu", ss.width_and_speed_button, true, "width_and_speed_settings_mask"},
        {"seeder_settings_menu", ss.operating_history_button, true, "operating_history_menu_mask"},
        {"seeder_settings_menu", ss.seeder_brand_button, true, "seeder_brand_mask"},
        {"seeder_settings_menu", ss.blocked_head_button, true, "blocked_head_settings_mask"},
        {"product_settings_menu", pm.key_settings_menu, false, "settings_menu"},
        {"product_settings_menu", pm.key_main, false, "main"},
        {"product_settings_menu", pm.key_multi_tank_cal, false, "multi_tank_cal_1_mask"},
        {"width_and_speed_settings_mask", ws.key_main, false, "main"},
        {"width_and_speed_settings_mask", ws.key_settings_menu, false, "settings_menu"},
        {"width_and_speed_settings_mask", ws.key_seeder_settings_menu, false, "seeder_settings_menu"},
        {"wheel_calibration_settings_mask", wc.key_seeder_settings_menu, false, "seeder_settings_menu"},
        {"wheel_calibration_settings_mask", wc.key_calibrate, false, "wheel_calibration_mask"},
    };
    start("settings_menu");
    check_navigation(cases);
}

TEST_F(Settings_masks, TankPreloadIsOfferedForAnEnabledGranularTankWithoutActuator)
{
    auto& tanks = ps->app.channels;
    for (unsigned i = 0; i < 4; ++i) {
        tanks[i].enabled.set(false);
        tanks[i].mode.set(0);
        tanks[i].granular_controller_type.set(1);
    }
    start("seeder_settings_menu");
    const bool uploaded = true;
    cds_set_bool(ds_head(), &ds().system.vt_uploaded, &uploaded);
    EXPECT_FALSE(seeder_menu.preload_shown());

    struct Case {
        bool enabled;
        unsigned char mode, controller;
        bool shown;
    } cases[] = {
        {false, 0, 0, false}, // not enabled
        {true, 1, 0, false},  // liquid
        {true, 2, 0, false},  // NH3
        {true, 0, 1, false},  // granular on an actuator
        {true, 0, 0, true},   // granular, electric drive
        {true, 0, 3, true},   // granular, proportional valve
    };
    for (const Case& c : cases) {
        tanks[3].enabled.set(c.enabled);
        tanks[3].mode.set(c.mode);
        tanks[3].granular_controller_type.set(c.controller);
        pump();
        EXPECT_EQ(seeder_menu.preload_shown(), c.shown) << int(c.enabled) << int(c.mode) << int(c.controller);
    }

    // Before the pool is on the VT a change leaves the button as it is.
    const bool not_uploaded = false;
    cds_set_bool(ds_head(), &ds().system.vt_uploaded, &not_uploaded);
    tanks[3].enabled.set(false);
    pump();
    EXPECT_TRUE(seeder_menu.preload_shown());
    // Showing the menu looks again.
    ASSERT_TRUE(man.switch_to_screen("seeder_settings_menu"));
    man.switch_to_screen("settings_menu");
    man.switch_to_screen("seeder_settings_menu");
    EXPECT_FALSE(seeder_menu.preload_shown());
}

TEST_F(Settings_masks, ProductRowsShowNameAndTankAndAButtonChoosesTheProduct)
{
    ps->app.products[0].name.set("Wheat               ", 20);
    ps->app.products[0].tank.set(3);
    ps->app.products[1].name.set("ABCDEFGHIJKLMNOPQRST", 20);
    ps->app.products[1].tank.set(1);
    ps->app.products[2].tank.set(10);
    ps->app.products[3].name.set("Winter wheat        ", 20);
    start("product_settings_menu");
    // What the VT holds of a row's text (the rows wrap their names over
    // the lines of the button, as the pool's tests check).
    auto text_of = [&](uint32_t id) {
        auto* s = vt.pool.find<VT::Output_string_obj>((unsigned short)id);
        std::string t = s && s->get_string() ? s->get_string() : "<none>";
        return t.substr(0, t.find_last_not_of(' ') + 1);
    };
    const auto& pm = ids.product_settings_menu;
    EXPECT_EQ(text_of(pm.product_name[0]), "Wheat");
    EXPECT_EQ(text_of(pm.product_tank[0]), "Tank4");
    EXPECT_EQ(text_of(pm.product_name[3]), "Winter wheat");
    // A name of 20 characters shows its first 19.
    EXPECT_EQ(text_of(pm.product_name[1]), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(text_of(pm.product_tank[1]), "Tank2");
    EXPECT_EQ(text_of(pm.product_tank[2]), "OFF");

    // A later change of a product record reaches the row.
    ps->app.products[2].tank.set(0);
    pump();
    EXPECT_EQ(text_of(pm.product_tank[2]), "Tank1");

    press_button(pm.product_button[15]);
    EXPECT_EQ(cds_get_word(ds_head(), &ds().internal.current_product_index), 15u);
    EXPECT_STREQ(current(), "product_settings_mask");
}

// One operator edit of the width and speed page.
struct Edit_case {
    const char* what;
    bool imperial;
    int row;       // WidthAndSpeedSettingsMask::number_row
    double typed;  // in the units shown
    double width;  // app.machine_width afterwards
    double speed;  // app.manual_speed (km/h) afterwards
};

TEST_F(Settings_masks, WidthAndSpeedEditsReachTheSettingsAndSurviveAReload)
{
    using M = WidthAndSpeedSettingsMask;
    const Edit_case cases[] = {
        {"width in metres", false, M::WIDTH, 12.5, 12.5, 10.0},
        {"width above 100 m is refused", false, M::WIDTH, 250.0, 12.5, 10.0},
        {"width in feet", true, M::WIDTH, 40.0, 12.192, 10.0},
        {"speed in km/h", false, M::MANUAL_SPEED, 12.0, 12.192, 12.0},
        {"speed above 50 km/h is refused", false, M::MANUAL_SPEED, 80.0, 12.192, 12.0},
        {"speed in mph", true, M::MANUAL_SPEED, 5.0, 12.192, 8.04672},
        {"speed of 0", false, M::MANUAL_SPEED, 0.0, 12.192, 0.0},
        {"width of 0", false, M::WIDTH, 0.0, 0.0, 0.0},
    };
    start("width_and_speed_settings_mask");
    const uint32_t inputs[] = {ids.width_and_speed_settings_mask.width_input,
                               ids.width_and_speed_settings_mask.manual_speed_input};
    for (const Edit_case& c : cases) {
        SCOPED_TRACE(c.what);
        use_units(c.imperial);
        type_number(inputs[c.row], c.typed);
        EXPECT_NEAR(ps->app.machine_width.get(), c.width, 1e-3);
        EXPECT_NEAR(ps->app.manual_speed.get(), c.speed, 1e-2);
        auto reloaded = save_and_reload();
        EXPECT_NEAR(reloaded->app.machine_width.get(), c.width, 1e-3);
        EXPECT_NEAR(reloaded->app.manual_speed.get(), c.speed, 1e-2);
        EXPECT_DOUBLE_EQ(reloaded->app.booms.booms[0].sections[0].width.get(), double(ps->app.machine_width.get()));
    }
}

TEST_F(Settings_masks, AWidthChangeAsksForATaskControllerRestartAnEqualWidthDoesNot)
{
    ps->app.machine_width.set(6.0f);
    start("width_and_speed_settings_mask");
    const uint32_t width = ids.width_and_speed_settings_mask.width_input;
    EXPECT_NEAR(width_speed.number(WidthAndSpeedSettingsMask::WIDTH).get_stat_val(), 6.0, 1e-6);

    type_number(width, 6.0);
    EXPECT_FALSE(cds_get_byte(ds_head(), &ds().system.reset_tc));

    type_number(width, 9.0);
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().system.reset_tc));
    EXPECT_FLOAT_EQ(ps->app.machine_width.get(), 9.0f);
    EXPECT_DOUBLE_EQ(ps->app.booms.booms[0].sections[0].width.get(), 9.0);
}

// Settings changed elsewhere (the console, a remote data-store peer) while
// the page is not shown are what it shows when the operator opens it again.
TEST_F(Settings_masks, TheWidthAndSpeedPageShowsTheStoredValuesEachTimeItOpens)
{
    ps->app.machine_width.set(6.0f);
    start("seeder_settings_menu");
    const auto& ws = ids.width_and_speed_settings_mask;
    press_button(ids.seeder_settings_menu.width_and_speed_button);
    ASSERT_STREQ(current(), "width_and_speed_settings_mask");
    EXPECT_NEAR(shown_number(ws.width_input), 6.0, 1e-3);
    release(ws.key_seeder_settings_menu);
    ASSERT_STREQ(current(), "seeder_settings_menu");

    ps->app.machine_width.set(8.5f);
    ps->app.manual_speed.set(14.0f);
    ps->app.speed_source.set(5);
    pump();
    press_button(ids.seeder_settings_menu.width_and_speed_button);
    ASSERT_STREQ(current(), "width_and_speed_settings_mask");
    // What the fields show (their VT update follows within the second of
    // their update interval).
    EXPECT_NEAR(width_speed.number(WidthAndSpeedSettingsMask::WIDTH).get_stat_val(), 8.5, 1e-3);
    EXPECT_NEAR(width_speed.number(WidthAndSpeedSettingsMask::MANUAL_SPEED).get_stat_val(), 14.0 / 3.6, 0.01);
    auto* list = vt.pool.find<VT::Input_list_obj>((unsigned short)ws.speed_source_list);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->get_value(), 5);
}

TEST_F(Settings_masks, SpeedSourceListStoresTheChosenItemAndRefusesUnknownItems)
{
    ps->app.speed_source.set(3);
    ps->app.manual_speed.set(80.0f);
    start("width_and_speed_settings_mask");
    const auto& ws = ids.width_and_speed_settings_mask;
    auto* list = vt.pool.find<VT::Input_list_obj>((unsigned short)ws.speed_source_list);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->get_value(), 3); // a stored Manual still shows
    EXPECT_EQ(list->get_child_objects_val(0), VT::Object_pool::NULL_ID);
    EXPECT_EQ(list->get_child_objects_val(3), VT::Object_pool::NULL_ID);
    // 80 km/h shows as 50 km/h (in m/s inside the stat).
    EXPECT_NEAR(width_speed.number(WidthAndSpeedSettingsMask::MANUAL_SPEED).get_stat_val(), 50.0 / 3.6, 0.01);

    send_value(ws.speed_source_list, 5);
    EXPECT_EQ(ps->app.speed_source.get(), 5);
    send_value(ws.speed_source_list, 9);
    EXPECT_EQ(ps->app.speed_source.get(), 5);
    EXPECT_EQ(save_and_reload()->app.speed_source.get(), 5);
}

TEST_F(Settings_masks, WheelFactorEditedDirectly)
{
    ps->app.wheel_cal_factor.set(0.25f);
    start("wheel_calibration_settings_mask");
    const uint32_t input = ids.wheel_calibration_settings_mask.wheel_factor_input;
    EXPECT_NEAR(wheel_settings.factor().get_stat_val(), 0.25, 1e-6);
    type_number(input, 0.321);
    EXPECT_NEAR(ps->app.wheel_cal_factor.get(), 0.321, 1e-6);
    type_number(input, 75.0); // above 50 m: refused
    EXPECT_NEAR(ps->app.wheel_cal_factor.get(), 0.321, 1e-6);
    use_imperial();
    type_number(input, 1.0); // feet per pulse
    EXPECT_NEAR(ps->app.wheel_cal_factor.get(), 0.3048, 1e-6);
    EXPECT_NEAR(save_and_reload()->app.wheel_cal_factor.get(), 0.3048, 1e-6);
}

// The wheel calibration pages with an alarm that can pop up in front of
// them; the control logic's pulse count and calibration state are the
// store's.
class Wheel_calibration : public Settings_masks {
protected:
    static constexpr unsigned short ALARM_MASK = 65003;
    struct Alarm_mask_in_pool {
        explicit Alarm_mask_in_pool(Recording_pool& vt)
        {
            vt.add(new VT::Alarm_mask_obj(ALARM_MASK, "alarm_wheel", 0, VT::Object_pool::NULL_ID, 0, 0));
        }
    };

    static void set_pulses(unsigned n) { cds_set_uint(ds_head(), &ds().vehicle.ground_speed_sensor.pulse_count, &n); }
    static unsigned pulses() { return cds_get_word(ds_head(), &ds().vehicle.ground_speed_sensor.pulse_count); }
    static int calibration_state() { return int(cds_get_word(ds_head(), &ds().operation.calibration_state)); }
    void pop_up_alarm_and_close()
    {
        ASSERT_TRUE(man.switch_to_screen(&alarm));
        EXPECT_FALSE(wheel.is_active());
        waiter_event close(0, Activation_event::PRESSED, intptr_t(1));
        man.send_vt_event(VT_event::SOFT_KEY_ACTIVATION, close, true);
        pump();
        EXPECT_STREQ(current(), "wheel_calibration_mask");
    }

    Alarm_mask_in_pool alarm_mask{vt};
    Alarm_screen alarm{vt.pool.find<VT::Alarm_mask_obj>(ALARM_MASK), &man, "alarm_wheel"};
};

TEST_F(Wheel_calibration, OverASimulatedDistance)
{
    ps->app.wheel_cal_factor.set(0.1f);
    start("wheel_calibration_settings_mask");
    const auto& wc = ids.wheel_calibration_mask;

    release(ids.wheel_calibration_settings_mask.key_calibrate);
    ASSERT_STREQ(current(), "wheel_calibration_mask");
    EXPECT_STREQ(wheel.instructions(), "Step 1/4) Press Start to begin calibration");

    set_pulses(77);
    release(wc.key_start);
    EXPECT_EQ(wheel.step(), 1u);
    EXPECT_EQ(calibration_state(), 2);
    EXPECT_EQ(pulses(), 0u);

    // Driving: the control logic counts pulses, the page follows each second.
    for (unsigned n : {100u, 400u, 800u}) {
        set_pulses(n);
        man.fire_timeouts();
        EXPECT_DOUBLE_EQ(wheel.pulses().get_stat_val(), double(n));
        EXPECT_NEAR(wheel.estimated_distance().get_stat_val(), 0.1 * n, 1e-6);
    }

    // Shown again after an alarm pop-up: the drive goes on.
    pop_up_alarm_and_close();
    EXPECT_EQ(calibration_state(), 2);
    EXPECT_EQ(pulses(), 800u);
    man.fire_timeouts();
    EXPECT_DOUBLE_EQ(wheel.pulses().get_stat_val(), 800.0);

    release(wc.key_next);
    EXPECT_EQ(wheel.step(), 2u);
    EXPECT_EQ(calibration_state(), 0);
    set_pulses(900); // counted after Next: not used
    man.fire_timeouts();
    EXPECT_DOUBLE_EQ(wheel.pulses().get_stat_val(), 800.0);

    type_number(wc.distance_input, 100.0); // metres driven
    release(wc.key_next);
    EXPECT_EQ(wheel.step(), 3u);
    EXPECT_NEAR(wheel.factor().get_stat_val(), 0.125, 1e-9);
    release(wc.key_next); // ignored at the last step
    EXPECT_EQ(wheel.step(), 3u);

    release(wc.key_accept);
    EXPECT_NEAR(ps->app.wheel_cal_factor.get(), 0.125, 1e-6);
    EXPECT_EQ(wheel.step(), 0u);
    EXPECT_STREQ(current(), "wheel_calibration_settings_mask");
    EXPECT_NEAR(save_and_reload()->app.wheel_cal_factor.get(), 0.125, 1e-6);
}

// Leaving the wizard and coming back at the same step runs the step's entry
// actions again: at the first step the calibration state is idle while the
// page says "Press Start"; at the driving step the drive runs and the count
// starts from 0. Only the return from an alarm pop-up leaves a drive as it
// was.
TEST_F(Wheel_calibration, EveryEntryRunsTheEntryActionsExceptTheReturnFromAnAlarm)
{
    ps->app.wheel_cal_factor.set(0.1f);
    start("wheel_calibration_settings_mask");
    const auto& wc = ids.wheel_calibration_mask;
    release(ids.wheel_calibration_settings_mask.key_calibrate);
    release(wc.key_cancel);
    ASSERT_STREQ(current(), "wheel_calibration_settings_mask");

    // Meanwhile another page (or the console) leaves a calibration state
    // set; the operator opens the wizard again, at its first step.
    cds_set(ds_head(), &ds().operation.calibration_state, 2);
    pump();
    release(ids.wheel_calibration_settings_mask.key_calibrate);
    ASSERT_STREQ(current(), "wheel_calibration_mask");
    EXPECT_STREQ(wheel.instructions(), "Step 1/4) Press Start to begin calibration");
    EXPECT_EQ(calibration_state(), 0);

    // Left while driving (the VT shows another page), the state changed
    // meanwhile; shown again at the driving step, the drive runs afresh.
    release(wc.key_start);
    set_pulses(300);
    man.fire_timeouts();
    ASSERT_TRUE(man.switch_to_screen("wheel_calibration_settings_mask"));
    cds_set(ds_head(), &ds().operation.calibration_state, 0);
    pump();
    ASSERT_TRUE(man.switch_to_screen("wheel_calibration_mask"));
    EXPECT_EQ(wheel.step(), 1u);
    EXPECT_EQ(calibration_state(), 2);
    EXPECT_EQ(pulses(), 0u);
    man.fire_timeouts();
    EXPECT_DOUBLE_EQ(wheel.pulses().get_stat_val(), 0.0);

    // An alarm pop-up in front of the drive: it goes on with its count.
    set_pulses(120);
    pop_up_alarm_and_close();
    EXPECT_EQ(calibration_state(), 2);
    EXPECT_EQ(pulses(), 120u);
}

TEST_F(Settings_masks, WheelCalibrationCancelReturnsToTheFirstStepThenLeaves)
{
    ps->app.wheel_cal_factor.set(0.2f);
    start("wheel_calibration_mask");
    const auto& wc = ids.wheel_calibration_mask;
    release(wc.key_start);
    release(wc.key_next);
    type_number(wc.distance_input, 50.0);
    release(wc.key_cancel);
    EXPECT_EQ(wheel.step(), 0u);
    EXPECT_EQ(wheel.entered_distance().get_stat_val(), 0.0);
    EXPECT_EQ(int(cds_get_word(ds_head(), &ds().operation.calibration_state)), 0);
    release(wc.key_cancel);
    EXPECT_STREQ(current(), "wheel_calibration_settings_mask");
    EXPECT_FLOAT_EQ(ps->app.wheel_cal_factor.get(), 0.2f);
}

// A wheel calibration that cannot give a factor (no pulses, or a factor
// outside 0 to 50 m a pulse) says so, offers no Accept and stores nothing;
// one that can is stored as computed, not as the page rounds it.
TEST_F(Settings_masks, WheelCalibrationResults)
{
    struct Case {
        const char* name;
        unsigned pulses;
        double distance;
        const char* text;
        double stored;
    } cases[] = {
        {"no pulses", 0, 50.0,
         "Step 4/4) Calibration failed: no distance or no pulses. Press Cancel and calibrate again", 0.2},
        {"100 m a pulse", 1, 100.0,
         "Step 4/4) Calibration failed: factor out of range. Press Cancel and calibrate again", 0.2},
        {"12.3 mm a pulse", 8100, 100.0, "Step 4/4) Calibration Complete, Accept to confirm, Cancel no change",
         100.0 / 8100.0},
    };
    start("wheel_calibration_mask");
    const auto& wc = ids.wheel_calibration_mask;
    auto* accept_slot = vt.pool.find<VT::Object_pointer_obj>((unsigned short)wc.key_pointer_accept);
    ASSERT_NE(accept_slot, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ps->app.wheel_cal_factor.set(0.2f);
        release(wc.key_start);
        cds_set_uint(ds_head(), &ds().vehicle.ground_speed_sensor.pulse_count, &c.pulses);
        release(wc.key_next);
        type_number(wc.distance_input, c.distance);
        release(wc.key_next);
        ASSERT_EQ(wheel.step(), 3u);
        EXPECT_STREQ(wheel.instructions(), c.text);
        const bool computed = c.stored != 0.2;
        EXPECT_EQ(unsigned(accept_slot->get_value()), computed ? unsigned(wc.key_accept) : unsigned(VT::Object_pool::NULL_ID));
        release(wc.key_accept);
        EXPECT_FLOAT_EQ(ps->app.wheel_cal_factor.get(), float(c.stored));
        if (!computed)
            release(wc.key_cancel);
        ASSERT_TRUE(man.switch_to_screen("wheel_calibration_mask"));
        ASSERT_EQ(wheel.step(), 0u);
    }
}

} // namespace
