// The seed simulator, driven with time fed in: speed, rates, drive periods,
// tank levels, fans and sections move as a running seeder's would.

#include "App_model.h"

#include "apps/sowvane/control_logic/Seeder_logic.h"
#include "apps/sowvane/simulator/Seed_simulator.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class Simulator : public ::testing::Test {
protected:
    void run_for(double seconds, double step = 0.1)
    {
        for (double t = 0; t < seconds; t += step)
            sim.step(step);
    }
    // The operator switches the tank and the master switch on.
    void switch_on(int tank)
    {
        b.channels.channels[tank].active = true;
        b.operation.master_switch_active = true;
    }

    App_model model;
    data_store_body& b = model.body();
    NV_kelsu::application_t& app = model.ps->app;
    Seed_simulator sim{*model.store, *model.ps};
};

TEST_F(Simulator, ATankInUseMetersAtTheRequestedRateAndItsLevelFalls)
{
    app.manual_speed.set(12.0f);
    app.machine_width.set(10.0f);
    app.channels[0].current_rate.set(150.0f);
    const double start_level = b.channels.channels[0].bin_capacity;
    switch_on(0);

    run_for(20);
    const ds_channel& ch = b.channels.channels[0];
    EXPECT_NEAR(b.vehicle.speed, 12 / 3.6, 1e-5);  // the store keeps m/s
    EXPECT_GT(b.vehicle.ground_speed_sensor.pulse_count, 0u);
    EXPECT_GT(b.vehicle.ground_speed_sensor.period, 0u);
    EXPECT_TRUE(ch.active);
    EXPECT_EQ(ch.requested_rate, 150.0);
    EXPECT_NEAR(ch.actual_rate, 150.0, 1.0);
    EXPECT_GT(ch.shaft_rpm, 0.0);
    EXPECT_GT(ch.set_period, 0u);
    EXPECT_NEAR(double(ch.actual_period), double(ch.set_period), double(ch.set_period) * 0.02);
    EXPECT_GT(ch.motor_pulse_count, 0u);
    EXPECT_LT(ch.remaining_volume, start_level);
    EXPECT_GT(b.areas.area.total, 0.0f);
    EXPECT_NEAR(b.areas.area_rate, 12.0, 1e-3);  // 12 km/h over 10 m: 12 ha/h
    EXPECT_GT(b.volumes.volume.total, 0.0f);
    // The run screen's per-tank counters of the current sub-area move too.
    EXPECT_NEAR(b.areas.sub_areas[0][0], b.areas.area.total, 1e-4);
    EXPECT_NEAR(b.volumes.sub_volumes[0][0], b.volumes.volume.total, 1e-3);
    EXPECT_NEAR(b.history.output[0], b.volumes.volume.total, 1e-3);
    // Tanks not in use stay as they were.
    EXPECT_FALSE(b.channels.channels[1].active);
    EXPECT_EQ(b.channels.channels[1].actual_period, 0u);

    // Twice the rate: the shaft turns twice as fast, the period halves.
    const double rpm = ch.shaft_rpm;
    b.channels.channels[0].requested_rate = 300.0;
    run_for(30);
    EXPECT_NEAR(ch.shaft_rpm, 2 * rpm, rpm * 0.02);

    // A rate of 0 set by the task controller or the operator stops the
    // drive: the simulator does not put its own rate in its place.
    b.channels.channels[0].requested_rate = 0.0;
    run_for(30);
    EXPECT_EQ(ch.requested_rate, 0.0);
    EXPECT_EQ(ch.actual_rate, 0.0);
    EXPECT_EQ(ch.shaft_rpm, 0.0);
}

// A tank switched off (run screen, switch box, task controller) stays off
// and stops metering, as does every tank with the master switch off; the
// simulator switches nothing on by itself.
TEST_F(Simulator, ATankMetersOnlyWhileItsSwitchAndTheMasterSwitchAreOn)
{
    app.manual_speed.set(12.0f);
    app.channels[0].current_rate.set(150.0f);
    const ds_channel& ch = b.channels.channels[0];
    run_for(10);
    EXPECT_FALSE(ch.active);
    EXPECT_EQ(ch.actual_rate, 0.0);
    EXPECT_EQ(ch.actual_period, 0u);
    EXPECT_EQ(ch.motor_pulse_count, 0u);
    EXPECT_EQ(b.volumes.volume.total, 0.0f);

    switch_on(0);
    run_for(20);
    EXPECT_NEAR(ch.actual_rate, 150.0, 1.0);
    EXPECT_GT(ch.actual_period, 0u);

    struct Case {
        const char* what;
        bool tank, master;
    };
    for (const Case& c : {Case{"tank switched off", false, true}, Case{"master switched off", true, false}}) {
        SCOPED_TRACE(c.what);
        b.channels.channels[0].active = c.tank;
        b.operation.master_switch_active = c.master;
        run_for(20);
        EXPECT_EQ(ch.active, c.tank);
        EXPECT_NEAR(ch.actual_rate, 0.0, 0.01);
        EXPECT_EQ(ch.actual_period, 0u);
        const unsigned pulses = ch.motor_pulse_count;
        const double left = ch.remaining_volume;
        run_for(5);
        EXPECT_EQ(ch.motor_pulse_count, pulses);
        EXPECT_EQ(ch.remaining_volume, left);
        switch_on(0);
        run_for(20);
        EXPECT_NEAR(ch.actual_rate, 150.0, 1.0);
    }
}

TEST_F(Simulator, AnEmptyTankStopsAndSoDoesAStandingMachine)
{
    b.channels.channels[0].remaining_volume = 0.01;
    switch_on(0);
    run_for(30);
    const ds_channel& ch = b.channels.channels[0];
    EXPECT_EQ(ch.remaining_volume, 0.0);
    EXPECT_TRUE(ch.active);  // the switch stays where the operator put it
    EXPECT_EQ(ch.actual_period, 0u);

    app.manual_speed.set(0.0f);
    b.channels.channels[0].remaining_volume = 0;
    run_for(1);
    EXPECT_EQ(b.vehicle.speed, 0.0f);
    EXPECT_EQ(b.vehicle.ground_speed_sensor.period, 0u);
}

TEST_F(Simulator, EnabledFansRunUpAndSectionsFollowTheirRequests)
{
    app.fans[0].enabled.set(true);
    app.fans[0].max_rpm.set(3000.0f);
    app.booms.num_booms.set(1);
    app.booms.booms[0].num_sections.set(3);
    for (int s = 0; s < 3; s++)
        app.booms.booms[0].sections[s].width.set(2.0);
    b.booms.boom[0].sections[0].requested_state = 1;
    b.booms.boom[0].sections[2].requested_state = 1;
    b.operation.master_switch_active = true;

    run_for(30);
    EXPECT_NEAR(b.fans[0].rpm, 3000.0f, 1.0f);
    EXPECT_GT(b.fans[0].pressure, 0.0f);
    EXPECT_GT(b.fans[0].period, 0u);
    EXPECT_EQ(b.fans[1].rpm, 0.0f);
    EXPECT_EQ(b.booms.boom[0].sections[0].actual_state, 1u);
    EXPECT_EQ(b.booms.boom[0].sections[1].actual_state, 0u);
    EXPECT_EQ(b.booms.boom[0].section_sense_state, 0x5u);
    EXPECT_EQ(b.booms.boom[0].active_width, 4.0);

    // With the master switch off no section works.
    b.operation.master_switch_active = false;
    run_for(1);
    EXPECT_EQ(b.booms.boom[0].sections[0].actual_state, 0u);
    EXPECT_EQ(b.booms.boom[0].section_sense_state, 0u);
    EXPECT_EQ(b.booms.boom[0].active_width, 0.0);

    app.fans[0].enabled.set(false);
    run_for(60);
    EXPECT_EQ(b.fans[0].rpm, 0.0f);
    EXPECT_GT(b.fans[0].stopped_count, 0u);
}

// The control core, reading what the simulator reports as it reads the
// hardware, finds the speed, rate, flow, shaft speed and width the simulator
// runs at: both take the store's units and the settings alike.
TEST_F(Simulator, TheControlCoreReadsBackWhatTheSimulatorRuns)
{
    app.speed_source.set(2);  // the wheel sensor
    app.wheel_cal_factor.set(0.25f);  // metres per pulse
    app.manual_speed.set(12.0f);
    app.machine_width.set(10.0f);
    NV_kelsu::channel_t& tank = app.channels[0];
    tank.enabled.set(true);
    tank.filter_rate.set(false);
    tank.granular_controller_type.set(0);  // electric drive
    tank.cal_setting.set(0.5f);            // kg per shaft turn
    tank.motor_encoder_ratio.set(360.0f);  // pulses per shaft turn
    tank.current_rate.set(150.0f);
    app.fans[0].enabled.set(true);
    app.fans[0].sense_rpm.set(true);
    app.fans[0].filter_rpm.set(false);
    app.fans[0].encoder.set(2);
    app.fans[0].max_rpm.set(3000.0f);
    Seeder_logic core(model.ps.get(), *model.store);
    switch_on(0);

    run_for(40);
    const ds_channel simulated = b.channels.channels[0];
    ASSERT_NEAR(simulated.actual_rate, 150.0, 0.01);
    EXPECT_EQ(simulated.active_width, 10.0);
    // 150 kg/ha at 12 km/h over 10 m: 0.5 kg/s, 360 pulses/s, 60 rpm.
    EXPECT_NEAR(simulated.shaft_rpm, 60.0, 0.01);
    EXPECT_NEAR(simulated.flow_rate, 30.0 * Seeder_logic::FLOW_FACTOR, 0.01);
    // 12 km/h on 0.25 m a pulse: 13.33 pulses a second.
    EXPECT_EQ(b.vehicle.ground_speed_sensor.period, 75000u);

    core.control_step();
    EXPECT_NEAR(b.vehicle.speed, 12 / 3.6, 1e-4);
    EXPECT_NEAR(core.ground_speed_kmh(), 12.0, 1e-3);
    EXPECT_NEAR(core.channel_state(0).raw_rate, simulated.actual_rate, 0.05);
    EXPECT_NEAR(double(b.channels.channels[0].set_period), double(simulated.set_period), 1.0);
    EXPECT_NEAR(b.channels.channels[0].raw_shaft_rpm, simulated.shaft_rpm, 0.02);
    EXPECT_NEAR(b.channels.channels[0].raw_flow_rate, simulated.flow_rate, 0.2);
    EXPECT_EQ(b.channels.channels[0].active_width, simulated.active_width);
    EXPECT_NEAR(b.fans[0].rpm, 3000.0f, 1.0f);
}

// A granular tank's meter delivers its own mass each shaft turn; the drive
// turns as the tank's factor (mass per turn) says. A factor that is right
// takes the rate shown from the tank for each hectare; a wrong one takes
// another amount while the rate shown is the same, and the shaft's turns
// times the meter's mass is always what left the tank.
TEST_F(Simulator, AGranularTankTakesTheRateShownOnceItsFactorIsRight)
{
    app.manual_speed.set(12.0f);
    app.machine_width.set(10.0f);
    NV_kelsu::channel_t& tank = app.channels[0];
    tank.granular_controller_type.set(1);  // actuator
    tank.act_encoder_ratio.set(24.0f);     // teeth a shaft turn
    tank.current_rate.set(150.0f);
    b.channels.channels[0].remaining_volume = 900.0;
    switch_on(0);
    const ds_channel& ch = b.channels.channels[0];
    // Taken from the tank for each hectare worked, after the rate settled.
    auto taken_per_ha = [&] {
        run_for(20);
        const double level = ch.remaining_volume;
        const double area = b.areas.sub_areas[0][0];
        b.diagnostics.shaft[0].pulse_count = 0;
        run_for(10);
        const double taken = level - ch.remaining_volume;
        EXPECT_NEAR(b.diagnostics.shaft[0].pulse_count / 24.0 * Seed_simulator::METER_MASS_PER_REV, taken,
                    taken * 0.01);
        return taken / (b.areas.sub_areas[0][0] - area);
    };
    for (float factor : {0.25f, 1.0f}) {
        SCOPED_TRACE(factor);
        tank.cal_setting.set(factor);
        EXPECT_NEAR(taken_per_ha(), 150.0 * Seed_simulator::METER_MASS_PER_REV / factor, 1.0);
        EXPECT_NEAR(ch.actual_rate, 150.0, 0.5);
        EXPECT_EQ(ch.encoder_ratio, 24.0f);
    }
    tank.cal_setting.set(float(Seed_simulator::METER_MASS_PER_REV));
    EXPECT_NEAR(taken_per_ha(), 150.0, 1.0);
}

// The calibration screens zero the wheel and shaft pulse counts at the start
// of a run and read what was counted since; the tank fill screen sets the
// level the tank goes on from.
TEST_F(Simulator, CountsGoOnFromWhatTheScreensSetAndSoDoesTheTankLevel)
{
    app.manual_speed.set(9.0f);  // 2.5 m/s
    app.wheel_cal_factor.set(0.5f);
    app.channels[0].granular_controller_type.set(0);  // electric drive
    app.channels[0].motor_encoder_ratio.set(100.0f);
    switch_on(0);
    run_for(20);
    ASSERT_GT(b.vehicle.ground_speed_sensor.pulse_count, 20u);
    ASSERT_GT(b.diagnostics.shaft[0].pulse_count, 0u);

    b.vehicle.ground_speed_sensor.pulse_count = 0;
    b.diagnostics.shaft[0].pulse_count = 0;
    b.channels.channels[0].remaining_volume = 500.0;
    run_for(10);
    // 25 m on 0.5 m a pulse.
    EXPECT_NEAR(b.vehicle.ground_speed_sensor.pulse_count, 50.0, 1.0);
    const ds_channel& ch = b.channels.channels[0];
    const double revs = b.diagnostics.shaft[0].pulse_count / double(ch.encoder_ratio);
    EXPECT_EQ(ch.encoder_ratio, 100.0f);
    EXPECT_NEAR(revs, ch.shaft_rpm * 10 / 60, 0.5);
    EXPECT_LT(ch.remaining_volume, 500.0);
    EXPECT_GT(ch.remaining_volume, 490.0);
}

}  // namespace
