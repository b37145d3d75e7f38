// An operator at the VT calibrates a tank through its pages while the seed
// simulator stands in for the machine (run by the test, a tenth of a second
// a step), weighs what left the tank, accepts the factor, then seeds at a
// set rate: the run screen shows the set rate, and the simulator takes the
// set rate from the tank for each hectare.
#include "tests/apps/sowvane/screens/Seeder_vt.h"

#include "apps/sowvane/simulator/Seed_simulator.h"

#include <cmath>

namespace {

class Calibrated_seeding : public Screens_fixture {
protected:
    // The machine runs for that long, the screens following it.
    void run_for(double seconds)
    {
        for (int k = 0; k < int(std::lround(seconds * 10)); ++k) {
            sim.step(0.1);
            pump();
        }
    }
    // The operator types a number, in the units shown, into an input field.
    void type(uint32_t id, double shown)
    {
        auto* in = find_pool_object<VT::Input_number_obj>(&vt.pool, id);
        ASSERT_NE(in, nullptr) << id;
        const double raw = std::round(shown / double(in->get_scale())) - double(in->get_offset());
        in->set_value(uint32_t(int64_t(raw)));
        edit(id, uint32_t(int64_t(raw)));
    }
    double remaining() { return cds_get_double(ds_head(), &channel(0).remaining_volume); }
    double tank_area() { return cds_get(ds_head(), &ds().areas.sub_areas[0][0]); }

    Seed_simulator sim{sowvane_data_store, sowvane_parameters};
};

TEST_F(Calibrated_seeding, ACalibratedTankSeedsAtTheSetRate)
{
    // Tank 1 with an actuator drive of 30 teeth a shaft turn and a factor
    // far from what its meter delivers; 10 km/h over 12 m.
    give_tank_a_product(0, 0);
    auto& app = ps().app;
    app.channels[0].mode.set(0);
    app.channels[0].granular_controller_type.set(1);
    app.channels[0].act_encoder_ratio.set(30.0f);
    app.channels[0].cal_setting.set(0.8f);
    app.products[0].product_cal_factor.set(0.8f);
    app.channels[0].preset_rate_1.set(120.0f);
    app.manual_speed.set(10.0f);
    app.machine_width.set(12.0f);
    start();
    run_for(1);

    // To the tank's calibration: settings, products, the product, Calibrate.
    key(ids().main.key_settings);
    ASSERT_STREQ(current(), "settings_menu");
    key(ids().settings_menu.products_button, true);
    ASSERT_STREQ(current(), "product_settings_menu");
    key(ids().product_settings_menu.product_button[0], true);
    ASSERT_STREQ(current(), "product_settings_mask");
    key(ids().product_settings_mask.calibrate_button, true);
    ASSERT_STREQ(current(), "tank_calibration_settings_mask");

    // Start, let product dispense, Next; weigh what left the tank.
    const auto& cal = ids().tank_calibration_settings_mask;
    key(cal.key_start);
    const double before = remaining();
    run_for(40);
    key(cal.key_next);
    const double collected = before - remaining();
    ASSERT_GT(collected, 5.0); // kg
    type(cal.weight_input, collected);
    key(cal.key_next);
    key(cal.key_accept);
    ASSERT_STREQ(current(), "product_settings_mask");
    EXPECT_NEAR(app.channels[0].cal_setting.get(), Seed_simulator::METER_MASS_PER_REV, 0.0005);
    EXPECT_FLOAT_EQ(app.products[0].product_cal_factor.get(), app.channels[0].cal_setting.get());

    // Seed at preset 1: tank and master on.
    key(ids().product_settings_mask.key_main);
    ASSERT_STREQ(current(), "main");
    const auto& m = ids().main;
    key(ids().tank_records[0]->select_button, true);
    key(m.key_preset);
    ASSERT_DOUBLE_EQ(cds_get_double(ds_head(), &channel(0).requested_rate), 120.0);
    key(m.key_master_switch);
    if (!cds_get_byte(ds_head(), &channel(0).active))
        key(m.key_master);
    EXPECT_TRUE(cds_get_byte(ds_head(), &channel(0).active));
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().operation.master_switch_active));
    run_for(15); // the rate settles

    const double level = remaining();
    const double area = tank_area();
    run_for(20);
    EXPECT_NEAR(run_screen().channel(0).actual().get_stat_val(), 120.0, 0.5);
    const double taken_per_ha = (level - remaining()) / (tank_area() - area);
    EXPECT_NEAR(taken_per_ha, 120.0, 0.6);
}

} // namespace
