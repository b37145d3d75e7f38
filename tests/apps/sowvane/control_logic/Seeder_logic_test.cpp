// The control core driven step by step: settings in a parameter tree of the
// test's own, the live store read and written directly, time fed as steps.
#include "apps/sowvane/control_logic/Seeder_logic.h"

#include "apps/sowvane/data_store/data_store.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>

namespace {

struct Core : ::testing::Test {
    module_man mm;
    std::unique_ptr<Data_store> store = std::make_unique<Data_store>(&mm);
    data_store_body& b = store->body;
    CDS::Head* head = &store->head;
    std::unique_ptr<NV_kelsu::parameters_t> ps = std::make_unique<NV_kelsu::parameters_t>(&mm, 0, "PS");
    NV_kelsu::application_t& app = ps->app;
    std::unique_ptr<Seeder_logic> core;

    // A granular tank: 0.5 kg a shaft revolution, an electric drive of 50
    // pulses a revolution, so 100 pulses per kg.
    void granular_tank(unsigned c)
    {
        app.channels[c].enabled.set(true);
        app.channels[c].mode.set(0);
        app.channels[c].granular_controller_type.set(0);
        app.channels[c].motor_encoder_ratio.set(50.0f);
        app.channels[c].cal_setting.set(0.5f);
    }
    // Channel 0: that tank on a 6 m machine at a manual 10 km/h, 100 kg/ha
    // requested, tank switch and master on.
    void configure_granular_run()
    {
        app.machine_width.set(6.0f);
        app.speed_source.set(3);
        app.manual_speed.set(10.0f);
        granular_tank(0);
        app.channels[0].capacity.set(1000.0f);
        app.channels[0].remaining.set(500.0f);
        cds_set(head, &b.channels.channels[0].requested_rate, 100.0);
        cds_set(head, &b.channels.channels[0].active, true);
        cds_set(head, &b.channels.channels[0].product_assigned, true);
        cds_set(head, &b.operation.master_switch_active, true);
    }
    void start() { core = std::make_unique<Seeder_logic>(ps.get(), *store); }
    double stored(double ds_channel::*field, unsigned c = 0)
    {
        return cds_get_double(head, &(b.channels.channels[c].*field));
    }
};

TEST_F(Core, DefaultsAndTheSecondsCounter)
{
    start();
    EXPECT_EQ(36000.0f, core->gains().rate_constant);
    EXPECT_EQ(600.0f, core->gains().max_rpm);
    EXPECT_EQ(1.0f, core->gains().width_scale);
    EXPECT_EQ(160, core->tuning(9).counts[1]);
    EXPECT_EQ(0.1f, core->tuning(0).gains[7]);
    EXPECT_EQ(60u, core->seconds());
    EXPECT_EQ(1u, core->one_second_tick()); // 61
    EXPECT_FALSE(core->once_a_minute());
    for (int i = 2; i < 60; ++i)
        core->one_second_tick();
    EXPECT_FALSE(core->once_a_minute());
    EXPECT_EQ(2u, core->one_second_tick()); // the 60th tick: 120
    EXPECT_TRUE(core->once_a_minute());
    core->one_second_tick();
    EXPECT_FALSE(core->once_a_minute());
}

TEST_F(Core, RequestedRateDrivesSetPeriodAndMeasuredPeriodGivesRateAndFlow)
{
    configure_granular_run();
    app.channels[0].filter_rate.set(false);
    start();
    core->control_step();
    // pulses/s = 100 kg/ha x 10 km/h x 100 /kg x 6 m / 36000 = 16.667
    // (100 pulses per kg: 50 pulses a revolution of 0.5 kg)
    EXPECT_EQ(60000u, cds_get(head, &b.channels.channels[0].set_period));
    EXPECT_NEAR(10 / 3.6, cds_get(head, &b.vehicle.speed), 1e-5);
    EXPECT_DOUBLE_EQ(6.0, stored(&ds_channel::active_width));

    cds_set(head, &b.channels.channels[0].actual_period, ds_ulong(60000));
    core->control_step();
    EXPECT_NEAR(100.0, stored(&ds_channel::actual_rate), 1e-9);
    // 16.667 pulses/s = 10 kg/min, in the store's flow unit
    EXPECT_NEAR(10.0 * Seeder_logic::FLOW_FACTOR, stored(&ds_channel::raw_flow_rate), 1e-6);
    EXPECT_NEAR(10.0 * Seeder_logic::FLOW_FACTOR, stored(&ds_channel::flow_rate), 1e-6);
    // 0.5 s at 10 km/h over 6 m: 8.333e-4 ha a step (two steps worked), and
    // 0.0833 kg in the step that had a measured rate.
    EXPECT_NEAR(2 * 8.3333e-4, cds_get(head, &b.areas.area.total), 1e-6);
    EXPECT_NEAR(0.08333, cds_get(head, &b.volumes.volume.total), 1e-5);
    EXPECT_NEAR(500 - 0.08333, stored(&ds_channel::remaining_volume), 1e-4);

    // Master switch off: the drive stops, nothing is counted.
    cds_set(head, &b.operation.master_switch_active, false);
    core->control_step();
    EXPECT_EQ(0u, cds_get(head, &b.channels.channels[0].set_period));
    EXPECT_EQ(0.0, stored(&ds_channel::actual_rate));
}

// A granular tank's factor is the mass of one shaft revolution, as the
// calibration measures it, and each drive type counts the pulses of a
// revolution with its own encoder: the set period turns the shaft so that
// the factor's mass a turn gives the requested rate, and a shaft turning at
// that period reads back as the requested rate.
TEST_F(Core, AGranularFactorIsMassPerShaftRevolutionOfTheDrivesEncoder)
{
    configure_granular_run();
    app.channels[0].filter_rate.set(false);
    NV_kelsu::channel_t& tank = app.channels[0];
    tank.cal_setting.set(0.25f); // kg a revolution
    const struct {
        const char* name;
        unsigned drive;
        decltype(tank.motor_encoder_ratio)* encoder;
    } drives[] = {
        {"electric motor", 0, &tank.motor_encoder_ratio},
        {"actuator", 1, &tank.act_encoder_ratio},
        {"regulating valve", 2, &tank.rvalve_granular_encoder_ratio},
        {"proportional valve", 3, &tank.pvalve_granular_encoder_ratio},
    };
    start();
    for (const auto& d : drives) {
        SCOPED_TRACE(d.name);
        tank.granular_controller_type.set((unsigned char)d.drive);
        d.encoder->set(40.0f); // pulses a revolution
        core->refresh_settings();
        cds_set(head, &b.channels.channels[0].actual_period, ds_ulong(0));
        core->control_step();
        EXPECT_EQ(40.0f, cds_get(head, &b.channels.channels[0].encoder_ratio));
        // 100 kg/ha at 10 km/h over 6 m: 1/600 ha/s, 1/6 kg/s, 2/3 of a
        // revolution a second, 26.67 pulses a second.
        EXPECT_EQ(37500u, cds_get(head, &b.channels.channels[0].set_period));
        cds_set(head, &b.channels.channels[0].actual_period, ds_ulong(37500));
        core->control_step();
        EXPECT_NEAR(100.0, stored(&ds_channel::actual_rate), 1e-6);
        EXPECT_NEAR(40.0, stored(&ds_channel::raw_shaft_rpm), 1e-6);
        EXPECT_NEAR(10.0 * Seeder_logic::FLOW_FACTOR, stored(&ds_channel::raw_flow_rate), 1e-6); // kg/min
        d.encoder->set(0.0f);
    }
    // Without an encoder ratio the drive has nothing to count by: no rate.
    core->refresh_settings();
    core->control_step();
    EXPECT_EQ(0u, cds_get(head, &b.channels.channels[0].set_period));
    EXPECT_EQ(0.0, stored(&ds_channel::actual_rate));
}

// A zero or negative period, width, calibration or speed gives no rate: never
// inf or NaN in the store.
TEST_F(Core, ZeroInputsGiveNoRate)
{
    struct Case {
        const char* name;
        float width, cal, speed;
        ds_ulong period;
        double requested;
    } cases[] = {
        {"zero period", 6, 0.5, 10, 0, 100},       {"zero width", 0, 0.5, 10, 60000, 100},
        {"negative width", -6, 0.5, 10, 60000, 100}, {"zero calibration", 6, 0, 10, 60000, 100},
        {"negative calibration", 6, -5, 10, 60000, 100}, {"zero speed", 6, 0.5, 0, 60000, 100},
        {"negative speed", 6, 0.5, -3, 60000, 100}, {"zero requested", 6, 0.5, 10, 60000, 0},
    };
    configure_granular_run();
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app.machine_width.set(c.width);
        app.channels[0].cal_setting.set(c.cal);
        app.manual_speed.set(c.speed);
        core->refresh_settings();
        cds_set(head, &b.channels.channels[0].requested_rate, c.requested);
        cds_set(head, &b.channels.channels[0].actual_period, c.period);
        for (int i = 0; i < 3; ++i)
            core->control_step();
        for (double ds_channel::*f : {&ds_channel::actual_rate, &ds_channel::flow_rate,
                                      &ds_channel::raw_flow_rate, &ds_channel::shaft_rpm})
            EXPECT_TRUE(std::isfinite(stored(f)));
        EXPECT_TRUE(std::isfinite(cds_get(head, &b.areas.area.total)));
        EXPECT_TRUE(std::isfinite(cds_get(head, &b.vehicle.speed)));
        if (c.period == 0 || c.width <= 0 || c.cal <= 0 || c.speed <= 0) {
            EXPECT_EQ(0.0, stored(&ds_channel::actual_rate));
        }
        if (c.width <= 0 || c.cal <= 0 || c.speed <= 0 || c.requested <= 0) {
            EXPECT_EQ(0u, cds_get(head, &b.channels.channels[0].set_period));
        }
    }
}

TEST_F(Core, AdaptiveRateFilter)
{
    EXPECT_EQ(0.0, Seeder_logic::deviation(0, 0));
    EXPECT_EQ(0.0, Seeder_logic::deviation(5, 0));
    EXPECT_EQ(100.0, Seeder_logic::deviation(0, 50));
    EXPECT_DOUBLE_EQ(10.0, Seeder_logic::deviation(90, 100));

    configure_granular_run();
    app.channels[0].mode.set(1); // nozzle routine: 100 meter pulses a litre
    app.channels[0].cal_setting.set(100.0f);
    app.channels[1].enabled.set(true);
    app.channels[1].mode.set(1);
    app.channels[1].cal_setting.set(100.0f);
    cds_set(head, &b.channels.channels[1].requested_rate, 100.0);
    cds_set(head, &b.channels.channels[1].active, true);
    start();
    // What the main loop's settings save waits for.
    waiter_descriptor saver;
    saver.init(&mm);
    ps->autoreg_waiter(&saver, true);
    auto settings_changed = [&] {
        waiter_event e;
        bool any = false;
        while (saver.get_event(&e, Atime::now()) == 0)
            any = true;
        return any;
    };
    auto run_with_period = [&](ds_ulong period0) {
        cds_set(head, &b.channels.channels[0].actual_period, period0);
        cds_set(head, &b.channels.channels[1].actual_period, ds_ulong(60000));
        core->control_step();
    };
    run_with_period(60000);
    EXPECT_NEAR(100.0, stored(&ds_channel::actual_rate), 1e-9);
    // Raw 60 % off and filtered (0.1 x 40 + 0.9 x 100 = 94) off by more
    // than 5 %: the fast filter, in the core's working state only.
    run_with_period(150000);
    EXPECT_NEAR(94.0, core->channel_state(0).filtered_rate, 1e-4);
    EXPECT_EQ(Seeder_logic::FAST_RATE_FILTER, core->channel_state(0).rate_filter);
    EXPECT_EQ(0.9f, app.channels[0].rate_filter_factor.get());
    EXPECT_FALSE(settings_changed());
    run_with_period(150000);
    EXPECT_NEAR(0.6 * 40 + 0.4 * 94, core->channel_state(0).filtered_rate, 1e-4);
    // Raw back within 5 %, filtered (84.6) still off: filtered jumps to the
    // requested rate, flow taken from the raw flow for this channel and the
    // later ones of the same step.
    cds_set(head, &b.channels.channels[1].flow_rate, 1.0);
    run_with_period(60000);
    EXPECT_EQ(Seeder_logic::SLOW_RATE_FILTER, core->channel_state(0).rate_filter);
    EXPECT_EQ(100.0, core->channel_state(0).filtered_rate);
    EXPECT_DOUBLE_EQ(stored(&ds_channel::raw_flow_rate, 0), stored(&ds_channel::flow_rate, 0));
    EXPECT_DOUBLE_EQ(stored(&ds_channel::raw_flow_rate, 1), stored(&ds_channel::flow_rate, 1));
    EXPECT_DOUBLE_EQ(stored(&ds_channel::raw_nozzle_flow_rate, 1),
                     stored(&ds_channel::nozzle_flow_rate, 1));
    EXPECT_FALSE(settings_changed());

    // The operator's own factor is kept; a new one is where the adaptation
    // starts again, another settings change leaves the adapted one.
    run_with_period(150000);
    ASSERT_EQ(Seeder_logic::FAST_RATE_FILTER, core->channel_state(0).rate_filter);
    app.machine_width.set(7.0f);
    core->refresh_settings();
    EXPECT_EQ(Seeder_logic::FAST_RATE_FILTER, core->channel_state(0).rate_filter);
    app.channels[0].rate_filter_factor.set(0.7f);
    core->refresh_settings();
    EXPECT_EQ(0.7f, core->channel_state(0).rate_filter);
    EXPECT_EQ(0.9f, core->channel_state(1).rate_filter);
    EXPECT_EQ(0.7f, app.channels[0].rate_filter_factor.get());
    ps->autounreg_waiter(&saver);
}

TEST_F(Core, PreloadRefusalsInTheirCheckOrder)
{
    configure_granular_run();
    app.preload_time.set(2.2f);
    app.fans[0].enabled.set(true);
    app.alarms.fan_speed_low[0].threshold.set(1000.0f);
    cds_set(head, &b.fans[0].rpm, 2000.0f);
    app.speed_source.set(1); // speed from the store
    start();
    core->control_step(); // widths
    struct Case {
        const char* message; // null: silent end
        std::function<void()> spoil, mend;
    };
    bool on = true, off = false;
    Case cases[] = {
        {"Master switch not active", [&] { cds_set(head, &b.operation.master_switch_active, off); },
         [&] { cds_set(head, &b.operation.master_switch_active, on); }},
        {nullptr, [&] { cds_set(head, &b.channels.channels[0].remote_preload, on); },
         [&] { cds_set(head, &b.channels.channels[0].remote_preload, off); }},
        {nullptr, [&] { cds_set(head, &b.channels.channels[0].sequence_time_expired, off); },
         [&] { cds_set(head, &b.channels.channels[0].sequence_time_expired, on); }},
        {nullptr, [&] { app.channels[0].mode.set(1); }, [&] { app.channels[0].mode.set(0); }},
        {"Actual speed too high", [&] { cds_set(head, &b.vehicle.speed, 0.5f / 3.6f); },
         [&] { cds_set(head, &b.vehicle.speed, 0.0f); }},
        {"Invalid working width", [&] { app.machine_width.set(0.0f); }, [&] { app.machine_width.set(6.0f); }},
        {"Channel Disabled", [&] { app.channels[0].enabled.set(false); },
         [&] { app.channels[0].enabled.set(true); }},
        {"Manual speed not set", [&] { app.manual_speed.set(0.0f); }, [&] { app.manual_speed.set(10.0f); }},
        {"No product assigned", [&] { cds_set(head, &b.channels.channels[0].product_assigned, off); },
         [&] { cds_set(head, &b.channels.channels[0].product_assigned, on); }},
        {"No fan speed", [&] { cds_set(head, &b.fans[0].rpm, 999.0f); },
         [&] { cds_set(head, &b.fans[0].rpm, 2000.0f); }},
        {"Invalid Preload Time", [&] { app.preload_time.set(0.0f); }, [&] { app.preload_time.set(2.2f); }},
        {"Invalid Set Rate", [&] { cds_set(head, &b.channels.channels[0].requested_rate, 0.0); },
         [&] { cds_set(head, &b.channels.channels[0].requested_rate, 100.0); }},
        {"Calibraiton is in progress", [&] { cds_set(head, &b.operation.calibration_state, 1); },
         [&] { cds_set(head, &b.operation.calibration_state, 0); }},
    };
    // Every condition spoilt at once: each request is refused by the first
    // check still failing, so mending them in order walks the table.
    for (Case& c : cases)
        c.spoil();
    for (Case& c : cases) {
        core->refresh_settings();
        core->control_step();
        ::testing::internal::CaptureStdout();
        core->start_preload(0);
        std::string out = ::testing::internal::GetCapturedStdout();
        std::string expected =
            c.message ? std::string("Preload not started for tank 0: ") + c.message + "\n" : "";
        EXPECT_EQ(expected, out);
        EXPECT_FALSE(core->preloading(0));
        c.mend();
    }
    core->refresh_settings();
    core->control_step();
    ::testing::internal::CaptureStdout();
    core->start_preload(0);
    EXPECT_EQ("Tank Index=0: SetPreloadTimer = 5\n", ::testing::internal::GetCapturedStdout());
    EXPECT_TRUE(core->preloading(0));
    EXPECT_EQ(5u, core->preload_countdown(0));
    core->start_preload(12); // no such tank: nothing
}

// A preload meters with the implement standing still: its drive runs for
// the manual speed, whatever the speed source, and its measured period
// reads back as the rate.
TEST_F(Core, PreloadMetersStandingStill)
{
    configure_granular_run();
    app.speed_source.set(4); // speed messages; none yet: standing
    app.preload_time.set(5.0f);
    app.channels[0].filter_rate.set(false);
    start();
    core->control_step();
    EXPECT_EQ(0u, cds_get(head, &b.channels.channels[0].set_period));
    ::testing::internal::CaptureStdout();
    core->start_preload(0);
    ::testing::internal::GetCapturedStdout();
    ASSERT_TRUE(core->preloading(0));
    core->control_step();
    EXPECT_EQ(60000u, cds_get(head, &b.channels.channels[0].set_period));
    cds_set(head, &b.channels.channels[0].actual_period, ds_ulong(60000));
    core->control_step();
    EXPECT_NEAR(100.0, stored(&ds_channel::actual_rate), 1e-9);
    EXPECT_EQ(0.0f, cds_get(head, &b.areas.area.total)); // nothing worked standing
    // The other tanks still meter for the ground speed: none.
    granular_tank(1);
    cds_set(head, &b.channels.channels[1].requested_rate, 100.0);
    cds_set(head, &b.channels.channels[1].active, true);
    core->refresh_settings();
    core->control_step();
    EXPECT_EQ(0u, cds_get(head, &b.channels.channels[1].set_period));
}

// Settings that are not finite numbers (a damaged settings file) give no
// speed or width: never inf or NaN in the store.
TEST_F(Core, NonFiniteSettingsGiveNoSpeedOrWidth)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        float manual_speed, machine_width;
        double section_width;
    } cases[] = {
        {"infinite manual speed", inf, 6, 3},
        {"NaN manual speed", nan, 6, 3},
        {"infinite machine width", 10, inf, 3},
        {"infinite section width", 10, 6, double(inf)},
    };
    configure_granular_run();
    app.booms.num_booms.set(1);
    app.booms.booms[0].num_sections.set(2);
    app.booms.booms[0].sections[1].width.set(3.0);
    granular_tank(1);
    app.channels[1].assigned_to_boom.set(0);
    app.channels[1].full_width.set(true);
    cds_set(head, &b.channels.channels[1].active, true);
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app.manual_speed.set(c.manual_speed);
        app.machine_width.set(c.machine_width);
        app.booms.booms[0].sections[0].width.set(c.section_width);
        core->refresh_settings();
        for (int i = 0; i < 2; ++i)
            core->control_step();
        EXPECT_TRUE(std::isfinite(cds_get(head, &b.vehicle.speed)));
        EXPECT_TRUE(std::isfinite(cds_get(head, &b.vehicle.source_speed)));
        EXPECT_TRUE(std::isfinite(cds_get(head, &b.history.max_speed)));
        for (unsigned ch = 0; ch < 2; ++ch)
            EXPECT_TRUE(std::isfinite(stored(&ds_channel::active_width, ch))) << ch;
        EXPECT_TRUE(std::isfinite(cds_get_double(head, &b.booms.boom[0].active_width)));
        EXPECT_TRUE(std::isfinite(cds_get(head, &b.areas.area.total)));
        EXPECT_TRUE(std::isfinite(cds_get(head, &b.areas.sub_areas[0][0])));
        EXPECT_TRUE(std::isfinite(cds_get(head, &b.history.machine_operating_distance)));
    }
}

// The store keeps every speed in m/s, its maximum as well.
TEST_F(Core, MaxSpeedIsKeptInTheStoreUnit)
{
    app.speed_source.set(4);
    start();
    cds_set(head, &b.vehicle.speed, 2.5f);
    core->control_step();
    EXPECT_FLOAT_EQ(2.5f, cds_get(head, &b.history.max_speed));
    cds_set(head, &b.vehicle.speed, 1.0f);
    core->control_step();
    EXPECT_FLOAT_EQ(2.5f, cds_get(head, &b.history.max_speed));
}

// The wheel sensor's speed: the calibration factor is the distance a pulse
// stands for in metres (what the wheel calibration divides the driven
// distance by), the period µs a pulse.
TEST_F(Core, WheelSensorSpeedIsTheFactorInMetresOverThePeriod)
{
    app.speed_source.set(2);
    app.wheel_cal_factor.set(0.25f);
    start();
    cds_set(head, &b.vehicle.ground_speed_sensor.period, ds_ulong(75000));
    core->control_step();
    EXPECT_NEAR(0.25 / 0.075, cds_get(head, &b.vehicle.speed), 1e-5);
    EXPECT_NEAR(12.0, core->ground_speed_kmh(), 1e-4);
}

TEST_F(Core, PreloadTimerCountsDownInSteps)
{
    start();
    struct Case {
        float seconds;
        uint32_t steps;
    } cases[] = {{2.2f, 5}, {2.5f, 5}, {0.1f, 1}};
    for (const Case& c : cases) {
        app.preload_time.set(c.seconds);
        core->refresh_settings();
        ::testing::internal::CaptureStdout();
        core->set_preload_timer(3, true, false);
        ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(c.steps, core->preload_countdown(3)) << c.seconds;
        for (uint32_t s = 1; s < c.steps; ++s) {
            core->control_step();
            EXPECT_TRUE(core->preloading(3));
            EXPECT_TRUE(cds_get(head, &b.operation.preload_active));
        }
        core->control_step();
        EXPECT_FALSE(core->preloading(3));
        EXPECT_FALSE(cds_get(head, &b.operation.preload_active));
        EXPECT_FALSE(cds_get(head, &b.channels.channels[3].remote_preload));
    }
}

TEST_F(Core, AlarmWaitsForItsDelayAndRespectsItsLimit)
{
    configure_granular_run();
    cds_set(head, &b.channels.channels[0].requested_rate, 0.0);
    app.alarms.tank_active_no_rate[0].enabled.set(true);
    app.alarms.tank_active_no_rate[0].delay_count.set(2);
    app.alarms.tank_active_no_rate[0].limit_count.set(1);
    start();
    ds_alarm& alarm = b.alarms.tank_active_no_rate[0];
    core->control_step();
    core->control_step();
    EXPECT_TRUE(cds_get(head, &alarm).pending);
    EXPECT_FALSE(cds_get(head, &alarm).triggered);
    core->control_step();
    EXPECT_TRUE(cds_get(head, &alarm).triggered);
    EXPECT_TRUE(cds_get(head, &alarm).active);
    EXPECT_TRUE(cds_get(head, &alarm).new_alarm);
    // Cleared when the condition goes; the limit of one keeps it down after.
    cds_set(head, &b.channels.channels[0].requested_rate, 50.0);
    core->control_step();
    EXPECT_FALSE(cds_get(head, &alarm).triggered);
    cds_set(head, &b.channels.channels[0].requested_rate, 0.0);
    for (int i = 0; i < 6; ++i)
        core->control_step();
    EXPECT_FALSE(cds_get(head, &alarm).triggered);
}

TEST_F(Core, SettingsReloadAndRuntimeSave)
{
    configure_granular_run();
    app.speed_source.set(4);
    start();
    EXPECT_FALSE(cds_get(head, &b.operation.use_manual_speed));
    cds_set(head, &b.vehicle.speed, 2.0f);
    core->control_step();
    EXPECT_NEAR(7.2f, core->ground_speed_kmh(), 1e-5);
    // Switching to manual speed mid-run.
    app.speed_source.set(3);
    core->refresh_settings();
    EXPECT_TRUE(cds_get(head, &b.operation.use_manual_speed));
    EXPECT_NEAR(10.0f, core->ground_speed_kmh(), 1e-5);
    for (int i = 0; i < 4; ++i)
        core->control_step();
    float job = cds_get(head, &b.history.job_operating_time);
    EXPECT_NEAR(2.5 / 3600, job, 1e-7); // five steps moving with the master switch on
    core->save_runtime();
    EXPECT_EQ(job, app.job_operating_time.get());
    EXPECT_EQ(cds_get(head, &b.areas.area.total), app.areas.area[0].total.get());
    EXPECT_FLOAT_EQ(float(stored(&ds_channel::remaining_volume)), app.channels[0].remaining.get());
    // Indexes from events are range-checked.
    core->setpoint_changed(10);
    core->tank_switch_changed(99);
    core->boom_state_changed(6);
}

} // namespace
