// The drive diagnostics pages on the generated pool: readings as shown, the
// rows by drive type, the key set with or without the pressures page, the
// reset key and the flag that tells the control side a page is shown.
#include "tests/apps/sowvane/screens/Mask_fixture.h"

#include "apps/sowvane/screens/ActuatorDiagnostics.h"
#include "apps/sowvane/screens/Diagnostics2.h"

namespace {

const char* const stub_names[] = {"main", "system_info_mask", "blocked_head_diags_mask"};

class Drive_diagnostics : public mask_test::Fixture {
protected:
    Drive_diagnostics() { add_stubs(stub_names); }
    bool showing() const { return cds_get_byte(ds_head(), &ds().diagnostics.showing_diagnostics) != 0; }

    ActuatorDiagnostics actuator{"actuator_diagnostics", &man};
    Diagnostics2 pressures{"diagnostics2", &man};
};

TEST_F(Drive_diagnostics, ReadingsAsShown)
{
    start("actuator_diagnostics");
    EXPECT_TRUE(showing());
    cds_set(ds_head(), &ds().diagnostics.actuator[0].adc.adc_val, 255u);
    cds_set(ds_head(), &ds().diagnostics.shaft[1].period, ds_ulong(12345));
    cds_set(ds_head(), &ds().diagnostics.shaft[1].pulse_count, 77u);
    cds_set(ds_head(), &ds().diagnostics.ground_speed.period, ds_ulong(2000));
    pump();
    EXPECT_NEAR(actuator.tank(0).position.get_stat_val(), 100.0, 1e-3);
    EXPECT_NEAR(actuator.tank(1).period.get_stat_val(), 12.3, 0.05);
    EXPECT_EQ(actuator.tank(1).pulses.get_stat_val(), 77.0);
    EXPECT_NEAR(actuator.ground_speed_period().get_stat_val(), 2.0, 1e-9);
    cds_set(ds_head(), &ds().diagnostics.actuator[0].adc.adc_val, 0u);
    pump();
    EXPECT_EQ(actuator.tank(0).position.get_stat_val(), 0.0);

    release(ids.actuator_diagnostics.key_reset);
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().operation.reset_diag_data));
    EXPECT_STREQ(current(), "actuator_diagnostics");
    cds_set(ds_head(), &ds().operation.reset_diag_data, false);

    release(ids.actuator_diagnostics.key_main);
    EXPECT_STREQ(current(), "main");
    EXPECT_FALSE(showing());
}

TEST_F(Drive_diagnostics, KeySetAndRowsFollowTheTanks)
{
    auto& ch = ps->app.channels;
    ch[0].enabled.set(true);
    ch[0].granular_controller_type.set(1);
    ch[1].enabled.set(false);
    ch[1].granular_controller_type.set(0);
    start("actuator_diagnostics");
    EXPECT_EQ(actuator.soft_keys_shown(), ids.actuator_diagnostics.soft_key_mask);
    auto* pointer = actuator.tank(1).position_pointer;
    if (pointer != nullptr) {
        EXPECT_EQ(pointer->get_value(), VT::Object_pool::NULL_ID); // disabled tank
    }
    if (actuator.tank(0).actuator_row != nullptr) {
        EXPECT_FALSE(actuator.tank(0).actuator_row->get_hidden());
    }
    if (actuator.tank(1).electric_row != nullptr) {
        EXPECT_TRUE(actuator.tank(1).electric_row->get_hidden());
    }

    ch[2].enabled.set(true);
    ch[2].mode.set(1);
    ch[2].liquid_pressure_sense.set(true);
    man.switch_to_screen("main");
    man.switch_to_screen("actuator_diagnostics");
    EXPECT_EQ(actuator.soft_keys_shown(), ids.actuator_diagnostics.soft_key_mask_liquid);

    release(ids.actuator_diagnostics.key_pressures);
    ASSERT_STREQ(current(), "diagnostics2");
    EXPECT_TRUE(showing());
    cds_set(ds_head(), &ds().diagnostics.liquid_pressure_sensor[2].adc_val, 345u);
    pump();
    EXPECT_EQ(pressures.pressure(2).get_stat_val(), 345.0);
    release(ids.diagnostics2.key_actuator_diagnostics);
    EXPECT_STREQ(current(), "actuator_diagnostics");
    EXPECT_TRUE(showing());
}

} // namespace
