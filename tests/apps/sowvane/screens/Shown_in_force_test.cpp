// What the screens show is what is in force: the first fan's pressure on the
// run screen of a fresh start, and a product name typed on the VT kept as
// typed, without the spaces a VT pads an input text with.
#include "tests/apps/sowvane/screens/Seeder_vt.h"

#include "apps/sowvane/settings/Settings_file.h"

#include <cstring>

namespace {

std::string stored_name(const NV_store::NV_array<char, 3, unsigned char, 20>& name)
{
    return std::string(name._get(), strnlen(name._get(), 20));
}

// A start without a settings file runs the first fan with its pressure
// sensed: the simulator's or the sensor's pressure shows in the run screen's
// pressure column.
TEST_F(Screens_fixture, AFreshStartShowsTheFirstFansPressure)
{
    apply_startup_defaults(ps());
    start();
    store(&ds().fans[0].rpm, 3400.0f);
    store(&ds().fans[0].pressure, 3.5f);
    const auto& m = ids().main;
    EXPECT_FALSE(vt.hidden(m.single_fan_group));
    EXPECT_FALSE(vt.hidden(m.single_fan_pressure_group)) << "the pressure column is empty";
    // The number in it is the fan's (its value goes out at the screen's
    // update rate, once a second).
    EXPECT_NE(vt.mirror.values.count(uint16_t(m.fan_pressure[0])), 0u);
    EXPECT_TRUE(ps().app.fans[0].sense_pressure.get());
}

// The VT sends a typed text padded with spaces to the input's length
// (ISO 11783-6 Change String Value): "Wheat" comes as "Wheat" and 15 spaces.
TEST_F(Screens_fixture, ANameTypedOnTheVtIsStoredAsTyped)
{
    give_tank_a_product(0, 0);
    start();
    ASSERT_TRUE(ui.get_screen_man().switch_to_screen("product_settings_mask"));
    pump();
    const std::string typed = "Wheat" + std::string(15, ' ');
    vt.pool.post_vt_string_event(uint16_t(ids().product_settings_mask.name_input),
                                 reinterpret_cast<const uint8_t*>(typed.data()), uint32_t(typed.size()));
    pump();
    EXPECT_EQ(stored_name(ps().app.products[0].name), "Wheat");
    EXPECT_EQ(stored_name(ps().app.channels[0].name), "Wheat") << "the tank carries the product's name";
}

}  // namespace
