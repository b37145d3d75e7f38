// The area test on the generated pool: which tanks take part, the area
// integrated from manual speed and width until the test stops itself, the
// predicted weights, pause and resume, and an alarm pop-up during the run
// that leaves the test where it was.
#include "tests/apps/sowvane/screens/Mask_fixture.h"

#include "apps/sowvane/screens/AreaTestMask.h"
#include "vtui/screen/Alarm_screen.h"

namespace {

using M = AreaTestMask;
constexpr unsigned short ALARM_MASK = 65001;
const char* const stub_names[] = {"main", "settings_menu"};

struct Alarm_mask_in_pool {
    explicit Alarm_mask_in_pool(Recording_pool& vt)
    {
        vt.add(new VT::Alarm_mask_obj(ALARM_MASK, "alarm_area", 0, VT::Object_pool::NULL_ID, 0, 0));
    }
};

class Area_test : public mask_test::Fixture {
protected:
    Area_test() { add_stubs(stub_names); }

    // Tank i granular, enabled, running, with product p of factor f.
    void set_tank(unsigned i, unsigned p, float factor, float cal, float encoder)
    {
        auto& tank = ps->app.channels[i];
        tank.enabled.set(true);
        tank.mode.set(0);
        tank.cal_setting.set(cal);
        ps->app.products[p].product_cal_factor.set(factor);
        cds_set(ds_head(), &ds().channels.channels[i].product_assigned, true);
        cds_set(ds_head(), &ds().channels.channels[i].product_number, int(p));
        cds_set(ds_head(), &ds().channels.channels[i].active, true);
        cds_set(ds_head(), &ds().channels.channels[i].encoder_ratio, encoder);
    }
    void clear_tanks()
    {
        for (unsigned i = 0; i < 4; ++i) {
            ps->app.channels[i].enabled.set(false);
            cds_set(ds_head(), &ds().channels.channels[i].product_assigned, false);
            cds_set(ds_head(), &ds().channels.channels[i].active, false);
        }
    }
    // The control core meters the test tanks while the master switch is on.
    void tick(int n, unsigned pulses_per_tick)
    {
        for (int k = 0; k < n; ++k) {
            if (cds_get_byte(ds_head(), &ds().operation.master_switch_active))
                for (unsigned i = 0; i < 4; ++i)
                    if (cds_get_byte(ds_head(), &ds().operation.tank[i].calibrating_tank)) {
                        unsigned c = cds_get_word(ds_head(), &ds().diagnostics.shaft[i].pulse_count);
                        cds_set(ds_head(), &ds().diagnostics.shaft[i].pulse_count, c + pulses_per_tick);
                    }
            man.fire_timeouts();
            pump();
        }
    }
    bool master() const { return cds_get_byte(ds_head(), &ds().operation.master_switch_active) != 0; }

    Alarm_mask_in_pool alarm_mask{vt};
    M area{"area_test_mask", &man};
    Alarm_screen alarm{vt.pool.find<VT::Alarm_mask_obj>(ALARM_MASK), &man, "alarm_area"};
};

TEST_F(Area_test, TestTanksAreTheCalibratedGranularOnes)
{
    clear_tanks();
    set_tank(0, 0, 0.5f, 0.5f, 10.0f);
    set_tank(1, 1, 0.0f, 0.5f, 10.0f); // product factor 0
    set_tank(2, 2, 0.5f, 0.5f, 10.0f);
    ps->app.channels[2].mode.set(1); // liquid
    set_tank(3, 3, 0.5f, 0.5f, 10.0f);
    cds_set(ds_head(), &ds().channels.channels[3].product_assigned, false);
    start("area_test_mask");
    EXPECT_TRUE(area.is_test_tank(0));
    EXPECT_FALSE(area.is_test_tank(1));
    EXPECT_FALSE(area.is_test_tank(2));
    EXPECT_FALSE(area.is_test_tank(3));
    release(ids.area_test_mask.key_start);
    EXPECT_EQ(area.step(), 1u);
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().channels.channels[0].active));
    for (unsigned i = 1; i < 4; ++i)
        EXPECT_FALSE(cds_get_byte(ds_head(), &ds().channels.channels[i].active)) << i;
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().operation.ignore_tank_switches));
}

TEST_F(Area_test, RunToTheRequiredAreaWithPauseAndAnAlarmPopUp)
{
    clear_tanks();
    set_tank(0, 0, 0.5f, 0.25f, 4.0f);
    ps->app.manual_speed.set(10.0f);
    ps->app.machine_width.set(12.0f);
    ps->app.swbox_remote_master_mode.set(2);
    ps->app.swbox_cal_swbox_type.set(1);
    start("area_test_mask");
    EXPECT_EQ(area.slot_shows(M::SLOT_RUN), area.key_id(M::KEY_START));
    EXPECT_EQ(ps->app.swbox_remote_master_mode.get(), 0);
    EXPECT_EQ(ps->app.swbox_cal_swbox_type.get(), 0);
    // The settings file keeps the operator's switch-box settings meanwhile.
    auto* saved = save_settings_file_and_reload();
    EXPECT_EQ(saved->app.swbox_remote_master_mode.get(), 2);
    EXPECT_EQ(saved->app.swbox_cal_swbox_type.get(), 1);
    EXPECT_EQ(ps->app.swbox_remote_master_mode.get(), 0);
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().operation.use_manual_speed));

    const auto& a = ids.area_test_mask;
    release(a.key_start);
    EXPECT_TRUE(master());
    EXPECT_EQ(area.slot_shows(M::SLOT_RUN), area.key_id(M::KEY_PAUSE));
    EXPECT_EQ(area.slot_shows(M::SLOT_MAIN), VT::Object_pool::NULL_ID);
    tick(30, 10); // 3 s at 10 km/h over 12 m: 100 m2
    EXPECT_NEAR(area.covered_area(), 100.0, 0.1);

    // An alarm pops up and is closed: the test goes on where it was.
    ASSERT_TRUE(man.switch_to_screen(&alarm));
    EXPECT_FALSE(area.is_active());
    waiter_event close(0, Activation_event::PRESSED, intptr_t(1));
    man.send_vt_event(VT_event::SOFT_KEY_ACTIVATION, close, true);
    pump();
    ASSERT_STREQ(current(), "area_test_mask");
    EXPECT_EQ(area.step(), 1u);
    EXPECT_NEAR(area.covered_area(), 100.0, 0.1);
    EXPECT_EQ(cds_get_word(ds_head(), &ds().diagnostics.shaft[0].pulse_count), 300u);
    EXPECT_TRUE(master());

    release(a.key_pause);
    EXPECT_FALSE(master());
    tick(10, 10); // paused: nothing grows
    EXPECT_NEAR(area.covered_area(), 100.0, 0.1);
    release(a.key_resume);
    EXPECT_TRUE(master());
    EXPECT_EQ(cds_get_word(ds_head(), &ds().diagnostics.shaft[0].pulse_count), 300u);

    tick(600, 10); // on to 0.2 ha: stops by itself
    EXPECT_EQ(area.step(), 3u);
    EXPECT_FALSE(master());
    EXPECT_GE(area.covered_area(), 2000.0f);
    const double pulses = cds_get_word(ds_head(), &ds().diagnostics.shaft[0].pulse_count);
    EXPECT_NEAR(area.tank_weight(0).get_stat_val(), 0.25 * pulses / 4.0, 0.05);
    EXPECT_EQ(area.slot_shows(M::SLOT_RESET), area.key_id(M::KEY_RESET));

    release(a.key_main);
    EXPECT_STREQ(current(), "main");
    EXPECT_EQ(area.step(), 0u);
    EXPECT_EQ(ps->app.swbox_remote_master_mode.get(), 2);
    EXPECT_EQ(ps->app.swbox_cal_swbox_type.get(), 1);
    EXPECT_FALSE(cds_get_byte(ds_head(), &ds().operation.use_manual_speed));
    EXPECT_EQ(int(cds_get_word(ds_head(), &ds().operation.calibration_state)), 0);
}

TEST_F(Area_test, RequiredAreaIsEditableAtSetUpOnly)
{
    clear_tanks();
    set_tank(0, 0, 0.5f, 0.5f, 0.0f); // no encoder ratio: weight 0
    ps->app.manual_speed.set(36.0f);
    ps->app.machine_width.set(10.0f);
    start("area_test_mask");
    const auto& a = ids.area_test_mask;
    type_number(a.target_area_input, 0.05);
    EXPECT_NEAR(area.required_area().get_stat_val(), 0.05, 1e-9);
    release(a.key_start);
    tick(48, 10); // 10 m/s x 10 m x 0.1 s = 10 m2 a tick; 500 m2 in 50 ticks
    EXPECT_EQ(area.step(), 1u);
    tick(3, 10);
    EXPECT_EQ(area.step(), 3u);
    EXPECT_EQ(area.tank_weight(0).get_stat_val(), 0.0);
    release(a.key_reset);
    EXPECT_EQ(area.step(), 0u);
    EXPECT_EQ(area.covered_area(), 0.0f);
}

} // namespace
