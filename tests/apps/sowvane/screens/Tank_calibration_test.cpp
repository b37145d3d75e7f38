// The tank calibration wizard on the generated pool, run end to end by a
// scripted operator against a stand-in for the control core (it counts shaft
// pulses while the calibration state asks for the drive), including an alarm
// pop-up in the middle of the run.
#include "tests/apps/sowvane/screens/Mask_fixture.h"

#include "apps/sowvane/screens/TankCalibrationSettingsMask.h"
#include "vtui/screen/Alarm_screen.h"

#include <cstring>

namespace {

using M = TankCalibrationSettingsMask;
constexpr unsigned short ALARM_MASK = 65000;

const char* const stub_names[] = {"product_settings_mask"};

struct Alarm_mask_in_pool {
    explicit Alarm_mask_in_pool(Recording_pool& vt)
    {
        vt.add(new VT::Alarm_mask_obj(ALARM_MASK, "alarm_test", 0, VT::Object_pool::NULL_ID, 0, 0));
    }
};

class Tank_calibration : public mask_test::Fixture {
protected:
    Tank_calibration() { add_stubs(stub_names); }

    void set_tank_and_product(unsigned tank, unsigned product)
    {
        cds_set(ds_head(), &ds().internal.current_tank_cal_index, tank);
        cds_set(ds_head(), &ds().internal.current_product_index, product);
        cds_set(ds_head(), &ds().internal.current_tank_cal_step, 0u);
    }
    void set_encoder_ratio(unsigned tank, float ratio)
    {
        cds_set(ds_head(), &ds().channels.channels[tank].encoder_ratio, ratio);
    }
    // The control core: while the calibration drive runs for the tank, its
    // shaft turns and the pulses are counted.
    void drive(unsigned tank, unsigned pulses)
    {
        const bool running = int(cds_get_word(ds_head(), &ds().operation.calibration_state)) == 1 &&
                             cds_get_byte(ds_head(), &ds().operation.tank[tank].calibrating_tank);
        if (!running)
            return;
        const unsigned n = cds_get_word(ds_head(), &ds().diagnostics.shaft[tank].pulse_count);
        cds_set(ds_head(), &ds().diagnostics.shaft[tank].pulse_count, n + pulses);
        man.fire_timeouts();
    }
    unsigned pulses(unsigned tank) const { return cds_get_word(ds_head(), &ds().diagnostics.shaft[tank].pulse_count); }
    int calibration_state() const { return int(cds_get_word(ds_head(), &ds().operation.calibration_state)); }
    void pop_up_alarm_and_close()
    {
        ASSERT_TRUE(man.switch_to_screen(&alarm));
        EXPECT_FALSE(cal.is_active());
        waiter_event close(0, Activation_event::PRESSED, intptr_t(1));
        man.send_vt_event(VT_event::SOFT_KEY_ACTIVATION, close, true);
        pump();
        EXPECT_STREQ(current(), "tank_calibration_settings_mask");
    }

    Alarm_mask_in_pool alarm_mask{vt};
    M cal{"tank_calibration_settings_mask", &man};
    Alarm_screen alarm{vt.pool.find<VT::Alarm_mask_obj>(ALARM_MASK), &man, "alarm_test"};
};

TEST_F(Tank_calibration, GranularRunWithAnAlarmPopUpInTheMiddle)
{
    auto& ch = ps->app.channels;
    ch[1].enabled.set(true);
    ch[1].mode.set(0);
    ch[1].granular_controller_type.set(0);
    ch[1].cal_setting.set(0.5f);
    ps->app.products[4].tank.set(1);
    ps->app.products[4].product_cal_factor.set(0.5f);
    set_encoder_ratio(1, 10.0f);
    set_tank_and_product(1, 4);
    start("tank_calibration_settings_mask");
    EXPECT_STREQ(cal.step_text(), "Step 1/4) Press Start to begin calibration");
    EXPECT_STREQ(cal.revs_label(), "Revs");
    EXPECT_TRUE(cal.key_offered(M::KEY_START));
    EXPECT_TRUE(cal.key_offered(M::KEY_BACK));
    EXPECT_FALSE(cal.key_offered(M::KEY_NEXT));

    release(ids.tank_calibration_settings_mask.key_start);
    EXPECT_EQ(cal.step(), 1u);
    EXPECT_EQ(calibration_state(), 1);
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().operation.tank[1].calibrating_tank));
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().channels.channels[1].active));
    EXPECT_FALSE(cal.key_offered(M::KEY_START));

    drive(1, 300);
    EXPECT_NEAR(cal.revolutions().get_stat_val(), 30.0, 1e-9);
    EXPECT_NEAR(cal.estimated_weight().get_stat_val(), 15.0, 1e-9);

    // An alarm pops up and is closed: the run goes on where it was.
    pop_up_alarm_and_close();
    EXPECT_EQ(cal.step(), 1u);
    EXPECT_EQ(pulses(1), 300u);
    EXPECT_EQ(calibration_state(), 1);
    drive(1, 500);
    EXPECT_EQ(pulses(1), 800u);

    release(ids.tank_calibration_settings_mask.key_next);
    EXPECT_EQ(cal.step(), 2u);
    EXPECT_EQ(calibration_state(), 0);
    EXPECT_NEAR(cal.revolutions().get_stat_val(), 80.0, 1e-9);
    drive(1, 100); // stopped: nothing counts
    EXPECT_EQ(pulses(1), 800u);

    pop_up_alarm_and_close();
    EXPECT_NEAR(cal.revolutions().get_stat_val(), 80.0, 1e-9);

    type_number(ids.tank_calibration_settings_mask.weight_input, 48.0); // kg collected
    EXPECT_NEAR(cal.weight().get_stat_val(), 48.0, 1e-9);
    release(ids.tank_calibration_settings_mask.key_next);
    EXPECT_EQ(cal.step(), 3u);
    EXPECT_NEAR(cal.factor().get_stat_val(), 0.6, 1e-9); // kg per revolution
    release(ids.tank_calibration_settings_mask.key_next); // nothing at the last step
    EXPECT_EQ(cal.step(), 3u);

    release(ids.tank_calibration_settings_mask.key_accept);
    EXPECT_STREQ(current(), "product_settings_mask");
    EXPECT_EQ(cal.step(), 0u);
    EXPECT_NEAR(ps->app.products[4].product_cal_factor.get(), 0.6, 1e-6);
    EXPECT_NEAR(ps->app.channels[1].cal_setting.get(), 0.6, 1e-6);
    auto* reloaded = save_and_reload();
    EXPECT_NEAR(reloaded->app.products[4].product_cal_factor.get(), 0.6, 1e-6);
    EXPECT_NEAR(reloaded->app.channels[1].cal_setting.get(), 0.6, 1e-6);
}

TEST_F(Tank_calibration, LiquidTankCountsPulsesAndCancelKeepsTheFactor)
{
    auto& ch = ps->app.channels;
    ch[0].enabled.set(true);
    ch[0].mode.set(1);
    ps->app.products[0].tank.set(0);
    ps->app.products[0].product_cal_factor.set(200.0f);
    ch[0].cal_setting.set(200.0f);
    set_tank_and_product(0, 0);
    start("tank_calibration_settings_mask");
    EXPECT_STREQ(cal.revs_label(), "Pulses");
    const auto& t = ids.tank_calibration_settings_mask;
    release(t.key_start);
    drive(0, 2500);
    release(t.key_next);
    EXPECT_NEAR(cal.revolutions().get_stat_val(), 2500.0, 1e-9);
    type_number(t.weight_input, 10.0); // litres
    release(t.key_next);
    EXPECT_NEAR(cal.factor().get_stat_val(), 250.0, 1e-9); // pulses per litre
    release(t.key_cancel);
    EXPECT_EQ(cal.step(), 0u);
    EXPECT_FLOAT_EQ(ps->app.products[0].product_cal_factor.get(), 200.0f);
    EXPECT_FLOAT_EQ(ch[0].cal_setting.get(), 200.0f);
}

// No weight, no pulses or no encoder ratio: the calibration failed, the page
// says so, offers no Accept, and Accept stores nothing.
TEST_F(Tank_calibration, ZeroWeightOrCountFailsAndStoresNothing)
{
    struct Case {
        const char* name;
        float encoder_ratio;
        unsigned pulses;
        double weight;
    } cases[] = {
        {"no weight", 10.0f, 500, 0.0},
        {"no encoder ratio", 0.0f, 1000, 5.0},
        {"no pulses", 10.0f, 0, 5.0},
    };
    auto& ch = ps->app.channels[2];
    ch.enabled.set(true);
    ch.mode.set(0);
    ch.granular_controller_type.set(0);
    ch.cal_setting.set(0.3f);
    ps->app.products[1].tank.set(2);
    ps->app.products[1].product_cal_factor.set(0.3f);
    set_tank_and_product(2, 1);
    start("tank_calibration_settings_mask");
    const auto& t = ids.tank_calibration_settings_mask;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        set_encoder_ratio(2, c.encoder_ratio);
        release(t.key_start);
        drive(2, c.pulses);
        release(t.key_next);
        type_number(t.weight_input, c.weight);
        EXPECT_EQ(cal.weight().get_stat_val(), c.weight);
        release(t.key_next);
        ASSERT_EQ(cal.step(), 3u);
        EXPECT_TRUE(cal.failed());
        EXPECT_STREQ(cal.step_text(),
                     "Step 4/4) Calibration failed: no weight or no count. Press Cancel and calibrate again");
        EXPECT_FALSE(cal.key_offered(M::KEY_ACCEPT));
        EXPECT_TRUE(cal.key_offered(M::KEY_CANCEL));
        release(t.key_accept); // stores nothing and stays
        EXPECT_STREQ(current(), "tank_calibration_settings_mask");
        EXPECT_FLOAT_EQ(ps->app.products[1].product_cal_factor.get(), 0.3f);
        EXPECT_FLOAT_EQ(ch.cal_setting.get(), 0.3f);
        release(t.key_cancel);
        EXPECT_EQ(cal.step(), 0u);
        EXPECT_STREQ(cal.step_text(), "Step 1/4) Press Start to begin calibration");
    }
}

// The factor comes from the pulses counted and the weight entered, not from
// the revolutions and the factor as the page rounds them: 0.45 kg over 80
// revolutions is 0.005625 kg a revolution (shown as 0.006).
TEST_F(Tank_calibration, TheFactorIsComputedFromTheCountAndStoredUnrounded)
{
    auto& ch = ps->app.channels[0];
    ch.enabled.set(true);
    ch.mode.set(0);
    ch.granular_controller_type.set(0);
    ps->app.products[0].tank.set(0);
    set_encoder_ratio(0, 3.0f);
    set_tank_and_product(0, 0);
    start("tank_calibration_settings_mask");
    const auto& t = ids.tank_calibration_settings_mask;
    release(t.key_start);
    drive(0, 240);
    release(t.key_next);
    type_number(t.weight_input, 0.45);
    release(t.key_next);
    EXPECT_NEAR(cal.factor().get_stat_val(), 0.006, 1e-9); // as shown
    release(t.key_accept);
    EXPECT_FLOAT_EQ(ps->app.products[0].product_cal_factor.get(), 0.005625f);
    EXPECT_FLOAT_EQ(ch.cal_setting.get(), 0.005625f);

    // 1001 pulses are 333.667 revolutions (shown as 333.7).
    cds_set(ds_head(), &ds().internal.current_tank_cal_step, 0u);
    pump();
    man.switch_to_screen("tank_calibration_settings_mask");
    release(t.key_start);
    drive(0, 1001);
    release(t.key_next);
    EXPECT_NEAR(cal.revolutions().get_stat_val(), 333.7, 1e-6);
    type_number(t.weight_input, 1.5);
    release(t.key_next);
    release(t.key_accept);
    EXPECT_FLOAT_EQ(ch.cal_setting.get(), float(1.5 / (1001.0 / 3.0)));
}

// A computed factor outside the range of its unit is refused on the page and
// never stored (nor clamped); one inside is stored as it is, also above the
// granular range for a liquid tank. The factor input takes what the unit
// allows.
TEST_F(Tank_calibration, FactorsOutsideTheRangeOfTheirUnitAreRefused)
{
    struct Case {
        const char* name;
        int mode;
        float encoder_ratio;
        unsigned pulses;
        double weight;
        bool stored;
        double factor;
    } cases[] = {
        {"60 kg a revolution", 0, 10.0f, 100, 600.0, false, 0},
        {"0.6 kg a revolution", 0, 10.0f, 100, 6.0, true, 0.6},
        {"200,000 pulses a litre", 1, 0.0f, 2000000, 10.0, false, 0},
        {"250 pulses a litre", 1, 0.0f, 2500, 10.0, true, 250.0},
    };
    auto& ch = ps->app.channels[1];
    ch.enabled.set(true);
    ch.granular_controller_type.set(0);
    ps->app.products[3].tank.set(1);
    set_tank_and_product(1, 3);
    start("tank_calibration_settings_mask");
    const auto& t = ids.tank_calibration_settings_mask;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ch.mode.set((unsigned char)c.mode);
        ch.cal_setting.set(0.1f);
        ps->app.products[3].product_cal_factor.set(0.1f);
        set_encoder_ratio(1, c.encoder_ratio);
        cds_set(ds_head(), &ds().internal.current_tank_cal_step, 0u);
        pump();
        ASSERT_TRUE(man.switch_to_screen("tank_calibration_settings_mask"));
        release(t.key_start);
        drive(1, c.pulses);
        release(t.key_next);
        type_number(t.weight_input, c.weight);
        release(t.key_next);
        ASSERT_EQ(cal.step(), 3u);
        EXPECT_EQ(cal.failed(), !c.stored);
        EXPECT_EQ(cal.key_offered(M::KEY_ACCEPT), c.stored);
        if (!c.stored) {
            EXPECT_STREQ(cal.step_text(),
                         "Step 4/4) Calibration failed: factor out of range. Press Cancel and calibrate again");
        }
        release(t.key_accept);
        EXPECT_FLOAT_EQ(ch.cal_setting.get(), c.stored ? float(c.factor) : 0.1f);
        EXPECT_FLOAT_EQ(ps->app.products[3].product_cal_factor.get(), c.stored ? float(c.factor) : 0.1f);
        if (!c.stored)
            release(t.key_cancel);
    }

    // Typed in: a liquid factor of 300 pulses a litre is taken, 60,000 not.
    ASSERT_TRUE(man.switch_to_screen("tank_calibration_settings_mask"));
    EXPECT_EQ(cal.step(), 0u);
    EXPECT_NEAR(cal.factor().get_stat_val(), 250.0, 1e-9);
    type_number(t.factor_input, 300.0);
    EXPECT_FLOAT_EQ(ch.cal_setting.get(), 300.0f);
    type_number(t.factor_input, 60000.0);
    EXPECT_FLOAT_EQ(ch.cal_setting.get(), 300.0f);
    // A granular tank's: 60 kg a revolution is refused.
    ch.mode.set(0);
    cds_set(ds_head(), &ds().internal.current_tank_cal_step, 0u);
    ASSERT_TRUE(man.switch_to_screen("tank_calibration_settings_mask"));
    type_number(t.factor_input, 60.0);
    EXPECT_FLOAT_EQ(ch.cal_setting.get(), 300.0f);
    type_number(t.factor_input, 12.5);
    EXPECT_FLOAT_EQ(ch.cal_setting.get(), 12.5f);
}

// Leaving with Back and coming back for the same tank runs the step's entry
// actions again: what was switched on meanwhile is off while the page says
// "Press Start". Only the return from an alarm pop-up leaves a run as it was.
TEST_F(Tank_calibration, EveryEntryRunsTheEntryActionsExceptTheReturnFromAnAlarm)
{
    auto& ch = ps->app.channels[1];
    ch.enabled.set(true);
    ch.mode.set(0);
    ch.granular_controller_type.set(0);
    ps->app.products[4].tank.set(1);
    set_encoder_ratio(1, 10.0f);
    set_tank_and_product(1, 4);
    start("tank_calibration_settings_mask");
    const auto& t = ids.tank_calibration_settings_mask;
    release(t.key_start);
    release(t.key_cancel);
    release(t.key_back);
    ASSERT_STREQ(current(), "product_settings_mask");

    // On the run screen the operator switches the tank and the master on,
    // then opens the calibration of the same tank again.
    cds_set(ds_head(), &ds().channels.channels[1].active, true);
    cds_set(ds_head(), &ds().operation.master_switch_active, true);
    cds_set(ds_head(), &ds().operation.calibration_state, 1);
    set_tank_and_product(1, 4);
    pump();
    ASSERT_TRUE(man.switch_to_screen("tank_calibration_settings_mask"));
    EXPECT_STREQ(cal.step_text(), "Step 1/4) Press Start to begin calibration");
    EXPECT_FALSE(cds_get_byte(ds_head(), &ds().channels.channels[1].active));
    EXPECT_FALSE(cds_get_byte(ds_head(), &ds().operation.master_switch_active));
    EXPECT_EQ(calibration_state(), 0);

    // The same at step 0 after an alarm pop-up: nothing runs again.
    cds_set(ds_head(), &ds().channels.channels[1].active, true);
    pop_up_alarm_and_close();
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().channels.channels[1].active));
}

TEST_F(Tank_calibration, IndexesOutOfRangeAreRefused)
{
    ps->app.products[3].product_cal_factor.set(0.7f);
    set_tank_and_product(7, 20);
    start("tank_calibration_settings_mask");
    const auto& t = ids.tank_calibration_settings_mask;
    release(t.key_start);
    EXPECT_EQ(calibration_state(), 0); // no tank: the drive stays off
    type_number(t.factor_input, 0.9);  // no product: nothing stored
    for (unsigned p = 0; p < 16; ++p)
        EXPECT_NE(ps->app.products[p].product_cal_factor.get(), 0.9f) << p;
}

TEST_F(Tank_calibration, FactorEditStoresInTheProductAndItsTank)
{
    ps->app.products[2].tank.set(3);
    set_tank_and_product(3, 2);
    start("tank_calibration_settings_mask");
    type_number(ids.tank_calibration_settings_mask.factor_input, 1.234);
    EXPECT_NEAR(ps->app.products[2].product_cal_factor.get(), 1.234, 1e-6);
    EXPECT_NEAR(ps->app.channels[3].cal_setting.get(), 1.234, 1e-6);
    use_imperial();
    type_number(ids.tank_calibration_settings_mask.factor_input, 1.0); // lb per revolution
    EXPECT_NEAR(ps->app.products[2].product_cal_factor.get(), 0.45359237, 1e-5);
}

TEST_F(Tank_calibration, MasterClutchIsOffDuringAStationaryActuatorCalibrationAndRestoredAfter)
{
    auto& ch = ps->app.channels;
    ch[0].mode.set(0);
    ch[0].granular_controller_type.set(1);
    ch[0].act_cal_mode.set(0);
    ps->app.products[0].tank.set(0);
    ps->app.using_master_clutch.set(true);
    set_tank_and_product(0, 0);
    start("tank_calibration_settings_mask");
    EXPECT_FALSE(ps->app.using_master_clutch.get());
    // What the settings file gets meanwhile is the operator's setting.
    EXPECT_TRUE(save_settings_file_and_reload()->app.using_master_clutch.get());
    EXPECT_FALSE(ps->app.using_master_clutch.get());
    release(ids.tank_calibration_settings_mask.key_back);
    EXPECT_STREQ(current(), "product_settings_mask");
    EXPECT_TRUE(ps->app.using_master_clutch.get());
}

} // namespace
