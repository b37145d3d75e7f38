// The seed simulator, driven with time fed in: speed, rates, drive periods,
// tank levels, fans and sections move as a running seeder's would.

#include "App_model.h"

#include "apps/sowvane/simulator/Seed_simulator.h"

#include <gtest/gtest.h>

namespace {

class Simulator : public ::testing::Test {
protected:
    void run_for(double seconds, double step = 0.1)
    {
        for (double t = 0; t < seconds; t += step)
            sim.step(step);
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

    run_for(20);
    const ds_channel& ch = b.channels.channels[0];
    EXPECT_EQ(b.vehicle.speed, 12.0f);
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
    // Tanks not in use stay as they were.
    EXPECT_FALSE(b.channels.channels[1].active);
    EXPECT_EQ(b.channels.channels[1].actual_period, 0u);

    // Twice the rate: the shaft turns twice as fast, the period halves.
    const double rpm = ch.shaft_rpm;
    b.channels.channels[0].requested_rate = 300.0;
    run_for(30);
    EXPECT_NEAR(ch.shaft_rpm, 2 * rpm, rpm * 0.02);
}

TEST_F(Simulator, AnEmptyTankStopsAndSoDoesAStandingMachine)
{
    b.channels.channels[0].remaining_volume = 0.01;
    run_for(30);
    const ds_channel& ch = b.channels.channels[0];
    EXPECT_EQ(ch.remaining_volume, 0.0);
    EXPECT_FALSE(ch.active);
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

    run_for(30);
    EXPECT_NEAR(b.fans[0].rpm, 3000.0f, 1.0f);
    EXPECT_GT(b.fans[0].pressure, 0.0f);
    EXPECT_GT(b.fans[0].period, 0u);
    EXPECT_EQ(b.fans[1].rpm, 0.0f);
    EXPECT_EQ(b.booms.boom[0].sections[0].actual_state, 1u);
    EXPECT_EQ(b.booms.boom[0].sections[1].actual_state, 0u);
    EXPECT_EQ(b.booms.boom[0].section_sense_state, 0x5u);
    EXPECT_EQ(b.booms.boom[0].active_width, 4.0);

    app.fans[0].enabled.set(false);
    run_for(60);
    EXPECT_EQ(b.fans[0].rpm, 0.0f);
    EXPECT_GT(b.fans[0].stopped_count, 0u);
}

}  // namespace
