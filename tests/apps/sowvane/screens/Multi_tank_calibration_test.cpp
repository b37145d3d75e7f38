// The multi-tank calibration on the generated pool, across tanks: step 1
// runs the calibratable tanks against a stand-in control core (with an alarm
// pop-up in the middle), step 2 takes the weights, step 3 stores the
// accepted factors in the tanks and their products.
#include "tests/apps/sowvane/screens/Mask_fixture.h"

#include "apps/sowvane/screens/MultiTankCal1Mask.h"
#include "apps/sowvane/screens/MultiTankCal2Mask.h"
#include "apps/sowvane/screens/MultiTankCal3Mask.h"
#include "vtui/screen/Alarm_screen.h"

namespace {

constexpr unsigned short ALARM_MASK = 65002;
const char* const stub_names[] = {"main", "product_settings_menu"};

struct Alarm_mask_in_pool {
    explicit Alarm_mask_in_pool(Recording_pool& vt)
    {
        vt.add(new VT::Alarm_mask_obj(ALARM_MASK, "alarm_multi", 0, VT::Object_pool::NULL_ID, 0, 0));
    }
};

class Multi_tank_calibration : public mask_test::Fixture {
protected:
    Multi_tank_calibration() { add_stubs(stub_names); }

    void set_tank(unsigned i, unsigned product, float cal, float encoder)
    {
        auto& tank = ps->app.channels[i];
        tank.enabled.set(true);
        tank.mode.set(0);
        tank.granular_controller_type.set(0);
        tank.cal_setting.set(cal);
        cds_set(ds_head(), &ds().channels.channels[i].product_assigned, true);
        cds_set(ds_head(), &ds().channels.channels[i].product_number, int(product));
        cds_set(ds_head(), &ds().channels.channels[i].active, true);
        cds_set(ds_head(), &ds().channels.channels[i].encoder_ratio, encoder);
    }
    // The control core drives the flagged, running tanks while the
    // calibration state asks for it.
    void drive(unsigned pulses)
    {
        if (int(cds_get_word(ds_head(), &ds().operation.calibration_state)) == 1)
            for (unsigned i = 0; i < 4; ++i)
                if (cds_get_byte(ds_head(), &ds().operation.tank[i].calibrating_tank) &&
                    cds_get_byte(ds_head(), &ds().channels.channels[i].active)) {
                    unsigned n = cds_get_word(ds_head(), &ds().diagnostics.shaft[i].pulse_count);
                    cds_set(ds_head(), &ds().diagnostics.shaft[i].pulse_count, n + pulses);
                }
        man.fire_timeouts();
        pump();
    }
    unsigned pulses(unsigned i) { return cds_get_word(ds_head(), &ds().diagnostics.shaft[i].pulse_count); }
    // The texts of a container's strings, one line after the other.
    std::string texts_under(uint32_t container)
    {
        std::string out;
        auto* parent = vt.pool.find<VT::Container_obj>((unsigned short)container);
        for (int k = 0; parent != nullptr && k < parent->num_children(); ++k)
            if (auto* text = vt.pool.find<VT::Output_string_obj>(parent->get_child_id(k)))
                out += (out.empty() ? "" : " ") + std::string(text->get_string());
        return out;
    }

    Alarm_mask_in_pool alarm_mask{vt};
    MultiTankCal1Mask step1{"multi_tank_cal_1_mask", &man};
    MultiTankCal2Mask step2{"multi_tank_cal_2_mask", &man};
    MultiTankCal3Mask step3{"multi_tank_cal_3_mask", &man};
    Alarm_screen alarm{vt.pool.find<VT::Alarm_mask_obj>(ALARM_MASK), &man, "alarm_multi"};
};

TEST_F(Multi_tank_calibration, ThreeStepsAcrossTanks)
{
    for (unsigned i = 0; i < 4; ++i)
        ps->app.channels[i].enabled.set(false);
    set_tank(0, 3, 0.5f, 10.0f);
    set_tank(1, 7, 0.2f, 5.0f);
    set_tank(2, 8, 0.4f, 10.0f);
    ps->app.products[3].product_cal_factor.set(0.5f);
    ps->app.products[7].product_cal_factor.set(0.2f);
    ps->app.products[8].product_cal_factor.set(0.4f);
    start("product_settings_menu");
    ASSERT_TRUE(man.switch_to_screen("multi_tank_cal_1_mask"));
    EXPECT_EQ(int(cds_get_word(ds_head(), &ds().operation.calibration_state)), 1);

    // Tank 3 switched off by the operator: it is not driven.
    press_button(ids.multi_tank_cal_1_mask.off_button[2]);
    EXPECT_FALSE(cds_get_byte(ds_head(), &ds().channels.channels[2].active));
    drive(400);
    EXPECT_EQ(pulses(0), 400u);
    EXPECT_EQ(pulses(2), 0u);

    // An alarm pop-up stops the drive for its time and the run resumes with
    // its counts.
    ASSERT_TRUE(man.switch_to_screen(&alarm));
    EXPECT_EQ(int(cds_get_word(ds_head(), &ds().operation.calibration_state)), 0);
    waiter_event close(0, Activation_event::PRESSED, intptr_t(1));
    man.send_vt_event(VT_event::SOFT_KEY_ACTIVATION, close, true);
    pump();
    ASSERT_STREQ(current(), "multi_tank_cal_1_mask");
    EXPECT_EQ(int(cds_get_word(ds_head(), &ds().operation.calibration_state)), 1);
    EXPECT_EQ(pulses(0), 400u);
    drive(600);
    EXPECT_EQ(pulses(0), 1000u);
    EXPECT_NEAR(step1.tank(0).revs.get_stat_val(), 100.0, 1e-9);
    EXPECT_NEAR(step1.tank(0).estimate.get_stat_val(), 50.0, 1e-6);
    EXPECT_NEAR(step1.tank(1).revs.get_stat_val(), 200.0, 1e-9);

    release(ids.multi_tank_cal_1_mask.key_next);
    ASSERT_STREQ(current(), "multi_tank_cal_2_mask");
    EXPECT_EQ(int(cds_get_word(ds_head(), &ds().operation.calibration_state)), 0);
    EXPECT_FALSE(cds_get_byte(ds_head(), &ds().operation.tank[0].calibrating_tank));
    EXPECT_NEAR(step2.estimated_weight(0).get_stat_val(), 50.0, 1e-4);
    type_number(ids.multi_tank_cal_2_mask.weight_input[0], 55.0); // 10 % more than estimated
    type_number(ids.multi_tank_cal_2_mask.weight_input[1], 40.0); // as estimated
    release(ids.multi_tank_cal_2_mask.key_next);
    ASSERT_STREQ(current(), "multi_tank_cal_3_mask");
    EXPECT_NEAR(step3.new_factor(0).get_stat_val(), 0.55, 1e-6);
    EXPECT_NEAR(step3.difference(0).get_stat_val(), 10.0, 1e-3);
    EXPECT_NEAR(step3.difference(1).get_stat_val(), 0.0, 1e-9);

    release(ids.multi_tank_cal_3_mask.key_accept_all);
    EXPECT_TRUE(step3.accepted(0));
    EXPECT_FALSE(step3.accepted(1)); // an exact match cannot be accepted
    EXPECT_FALSE(step3.accepted(2)); // nothing measured
    release(ids.multi_tank_cal_3_mask.key_save);
    EXPECT_STREQ(current(), "product_settings_menu");
    EXPECT_NEAR(ps->app.channels[0].cal_setting.get(), 0.55, 1e-6);
    EXPECT_NEAR(ps->app.products[3].product_cal_factor.get(), 0.55, 1e-6);
    EXPECT_FLOAT_EQ(ps->app.channels[1].cal_setting.get(), 0.2f);
    EXPECT_FLOAT_EQ(ps->app.channels[2].cal_setting.get(), 0.4f);
    EXPECT_NEAR(save_and_reload()->app.products[3].product_cal_factor.get(), 0.55, 1e-6);
}

// The new factors come from the pulses counted and the weights entered, not
// from the rounded figures shown, and are stored so; a factor outside the
// range of kg a revolution cannot be accepted and is never stored: the tank
// says so in place of its buttons until a weight in range is entered. The
// master clutch, off for the run of an actuator tank, stays on in the
// settings file.
TEST_F(Multi_tank_calibration, FactorsFromTheCountOutOfRangeOnesCannotBeSaved)
{
    for (unsigned i = 0; i < 4; ++i)
        ps->app.channels[i].enabled.set(false);
    set_tank(0, 3, 0.5f, 3.0f);
    set_tank(1, 7, 0.2f, 100.0f);
    ps->app.channels[0].granular_controller_type.set(1); // actuator, stationary calibration
    ps->app.using_master_clutch.set(true);
    start("product_settings_menu");
    ASSERT_TRUE(man.switch_to_screen("multi_tank_cal_1_mask"));
    EXPECT_FALSE(ps->app.using_master_clutch.get());
    EXPECT_TRUE(save_settings_file_and_reload()->app.using_master_clutch.get());
    drive(1001); // 333.667 and 10.01 revolutions
    EXPECT_NEAR(step1.tank(0).revs.get_stat_val(), 333.7, 1e-6);
    release(ids.multi_tank_cal_1_mask.key_next);
    EXPECT_TRUE(ps->app.using_master_clutch.get());
    type_number(ids.multi_tank_cal_2_mask.weight_input[0], 1.5);
    type_number(ids.multi_tank_cal_2_mask.weight_input[1], 600.0); // 59.9 kg a revolution
    release(ids.multi_tank_cal_2_mask.key_next);
    ASSERT_STREQ(current(), "multi_tank_cal_3_mask");
    const auto& r = ids.multi_tank_cal_3_mask;
    auto hidden = [&](uint32_t id) { return vt.pool.find<VT::Container_obj>((unsigned short)id)->get_hidden(); };
    EXPECT_TRUE(hidden(r.not_accepted_marker[1]));
    EXPECT_FALSE(hidden(r.out_of_range_marker[1]));
    EXPECT_EQ(texts_under(r.out_of_range_marker[1]), "Factor out of range");
    EXPECT_TRUE(hidden(r.out_of_range_marker[0]));
    EXPECT_FALSE(hidden(r.not_accepted_marker[0]));
    release(r.key_accept_all);
    EXPECT_TRUE(step3.accepted(0));
    EXPECT_FALSE(step3.accepted(1));
    EXPECT_TRUE(hidden(r.accepted_marker[1]));
    EXPECT_FALSE(hidden(r.out_of_range_marker[1]));
    press_button(r.accept_button[1]);
    EXPECT_FALSE(step3.accepted(1));

    // Back to the weights: the operator mistyped 600 for 6.
    release(r.key_back);
    ASSERT_STREQ(current(), "multi_tank_cal_2_mask");
    type_number(ids.multi_tank_cal_2_mask.weight_input[0], 1.5);
    type_number(ids.multi_tank_cal_2_mask.weight_input[1], 6.0);
    release(ids.multi_tank_cal_2_mask.key_next);
    ASSERT_STREQ(current(), "multi_tank_cal_3_mask");
    EXPECT_TRUE(hidden(r.out_of_range_marker[1]));
    EXPECT_FALSE(hidden(r.not_accepted_marker[1]));
    release(r.key_accept_all);
    press_button(r.ignore_button[1]);
    EXPECT_TRUE(step3.accepted(0));
    EXPECT_FALSE(step3.accepted(1));
    release(r.key_save);
    EXPECT_FLOAT_EQ(ps->app.channels[0].cal_setting.get(), float(1.5 / (1001.0 / 3.0)));
    EXPECT_FLOAT_EQ(ps->app.products[3].product_cal_factor.get(), float(1.5 / (1001.0 / 3.0)));
    EXPECT_FLOAT_EQ(ps->app.channels[1].cal_setting.get(), 0.2f);
    EXPECT_FLOAT_EQ(ps->app.products[7].product_cal_factor.get(), 0.0f);
}

TEST_F(Multi_tank_calibration, SwitchBoxSettingsLockTheButtonsAndTheMaster)
{
    set_tank(0, 0, 0.5f, 10.0f);
    ps->app.swbox_cal_swbox_type.set(2);
    ps->app.swbox_remote_master_mode.set(1);
    start("multi_tank_cal_1_mask");
    press_button(ids.multi_tank_cal_1_mask.off_button[0]);
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().channels.channels[0].active));
    const bool master = cds_get_byte(ds_head(), &ds().operation.master_switch_active);
    release(ids.multi_tank_cal_1_mask.key_master);
    EXPECT_EQ(cds_get_byte(ds_head(), &ds().operation.master_switch_active) != 0, master);
}

} // namespace
