// The product settings page on the generated pool: edits of one product
// saved and reloaded, attaching and detaching tanks, the copy of the product
// into its tank, and the way to the tank calibration.
#include "tests/apps/sowvane/screens/Mask_fixture.h"

#include "apps/sowvane/screens/ProductSettingsMask.h"

#include <cstring>

namespace {

using M = ProductSettingsMask;
const char* const stub_names[] = {"tank_calibration_settings_mask", "product_settings_menu"};

class Product_settings : public mask_test::Fixture {
protected:
    Product_settings() { add_stubs(stub_names); }
    void choose_product(unsigned p)
    {
        cds_set(ds_head(), &ds().internal.current_product_index, p);
        pump();
    }
    std::string name_of(const NV_store::NV_array<char, 3, unsigned char, 20>& n) const
    {
        char text[21] = {};
        n.get(text, 20);
        return text;
    }
    void rename(const char* text)
    {
        product.name() = text;
        product.handle_stat_update(&product.name());
        pump();
    }

    M product{"product_settings_mask", &man};
};

TEST_F(Product_settings, EditsOfTheChosenProductAreStoredAndReloaded)
{
    for (unsigned i = 0; i < 4; ++i)
        ps->app.channels[i].enabled.set(true);
    start("product_settings_mask");
    choose_product(5);
    EXPECT_EQ(product.product(), 5u);
    const auto& f = ids.product_settings_mask;

    send_value(f.tank_list, 2);
    EXPECT_EQ(ps->app.products[5].tank.get(), 2);
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().channels.channels[2].product_assigned));
    EXPECT_EQ(int(cds_get_word(ds_head(), &ds().channels.channels[2].product_number)), 5);

    type_number(f.preset_rate_1_input, 120.5);
    type_number(f.preset_rate_2_input, 80.0);
    type_number(f.inc_dec_input, 5.0);
    type_number(f.density_input, 0.75);
    type_number(f.factor_input, 0.42);
    type_number(f.density_input, 2000.0); // above 1000: refused
    rename("Oats");
    auto& p = ps->app.products[5];
    EXPECT_FLOAT_EQ(p.preset_rate_1.get(), 120.5f);
    EXPECT_FLOAT_EQ(p.preset_rate_2.get(), 80.0f);
    EXPECT_FLOAT_EQ(p.inc_dec.get(), 5.0f);
    EXPECT_FLOAT_EQ(p.density.get(), 0.75f);
    EXPECT_FLOAT_EQ(p.product_cal_factor.get(), 0.42f);
    EXPECT_EQ(name_of(p.name), "Oats");
    EXPECT_STREQ(product.name_text(), "Oats");

    // The tank carries a copy of the product.
    auto& tank = ps->app.channels[2];
    EXPECT_FLOAT_EQ(tank.preset_rate_1.get(), 120.5f);
    EXPECT_FLOAT_EQ(tank.rate_increment.get(), 5.0f);
    EXPECT_FLOAT_EQ(tank.cal_setting.get(), 0.42f);
    EXPECT_EQ(name_of(tank.name), "Oats");

    // Imperial rate: lb/ac.
    use_imperial();
    type_number(f.preset_rate_1_input, 100.0);
    EXPECT_NEAR(p.preset_rate_1.get(), 112.085, 0.01);

    auto* reloaded = save_and_reload();
    auto& r = reloaded->app.products[5];
    EXPECT_NEAR(r.preset_rate_1.get(), 112.085, 0.01);
    EXPECT_FLOAT_EQ(r.density.get(), 0.75f);
    EXPECT_FLOAT_EQ(r.product_cal_factor.get(), 0.42f);
    EXPECT_EQ(r.tank.get(), 2);
    EXPECT_EQ(name_of(r.name), "Oats");
    EXPECT_NEAR(reloaded->app.channels[2].preset_rate_1.get(), 112.085, 0.01);
}

// The tank takes the attached product whole, so that it meters the new
// product with the new product's factor, not with the one before.
TEST_F(Product_settings, AttachingToACarriedTankDetachesTheOtherProductAndCopiesTheNewOneIn)
{
    auto& old_product = ps->app.products[1];
    old_product.tank.set(0);
    old_product.name.set("Wheat               ", 20);
    old_product.product_cal_factor.set(0.25f);
    auto& tank = ps->app.channels[0];
    tank.enabled.set(true);
    tank.name.set("Wheat               ", 20);
    tank.cal_setting.set(0.25f);
    tank.preset_rate_1.set(150.0f);
    tank.preset_rate_2.set(120.0f);
    tank.rate_increment.set(5.0f);
    auto& barley = ps->app.products[3];
    barley.name.set("Barley              ", 20);
    barley.preset_rate_1.set(90.0f);
    barley.preset_rate_2.set(70.0f);
    barley.inc_dec.set(2.5f);
    barley.product_cal_factor.set(0.4f);
    start("product_settings_mask");
    choose_product(3);
    const auto& f = ids.product_settings_mask;

    send_value(f.tank_list, 0);
    EXPECT_EQ(old_product.tank.get(), 10);
    EXPECT_EQ(barley.tank.get(), 0);
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().channels.channels[0].product_assigned));
    EXPECT_EQ(int(cds_get_word(ds_head(), &ds().channels.channels[0].product_number)), 3);
    EXPECT_EQ(name_of(tank.name), "Barley              ");
    EXPECT_FLOAT_EQ(tank.cal_setting.get(), 0.4f);
    EXPECT_FLOAT_EQ(tank.preset_rate_1.get(), 90.0f);
    EXPECT_FLOAT_EQ(tank.preset_rate_2.get(), 70.0f);
    EXPECT_FLOAT_EQ(tank.rate_increment.get(), 2.5f);

    // Density changes leave the tank alone; choosing OFF detaches.
    type_number(f.density_input, 0.5);
    EXPECT_EQ(name_of(tank.name), "Barley              ");
    send_value(f.tank_list, 4);
    EXPECT_EQ(barley.tank.get(), 10);
    EXPECT_FALSE(cds_get_byte(ds_head(), &ds().channels.channels[0].product_assigned));
    EXPECT_EQ(name_of(tank.name).substr(0, 3), "---");
}

TEST_F(Product_settings, NamesAsShown)
{
    start("product_settings_mask");
    struct Case {
        const char* stored;
        const char* shown;
    } cases[] = {
        {"Wheat               ", "Wheat"},
        {"Winter wheat        ", "Winter wheat"},
        {"                    ", "......."},
        {"   Barley           ", "Barley"},
    };
    for (const Case& c : cases) {
        ps->app.products[0].name.set(c.stored, 20);
        pump();
        EXPECT_STREQ(product.name_text(), c.shown) << c.stored;
    }
}

TEST_F(Product_settings, CalibrateOpensTheCalibrationOfTheProductsTank)
{
    ps->app.channels[1].mode.set(0);
    ps->app.channels[2].mode.set(2);
    start("product_settings_mask");
    const auto& f = ids.product_settings_mask;
    press_button(f.calibrate_button); // no tank: nothing
    EXPECT_STREQ(current(), "product_settings_mask");
    send_value(f.tank_list, 2);
    press_button(f.calibrate_button); // NH3: nothing
    EXPECT_STREQ(current(), "product_settings_mask");
    send_value(f.tank_list, 1);
    cds_set(ds_head(), &ds().internal.current_tank_cal_step, 3u);
    press_button(f.calibrate_button);
    EXPECT_STREQ(current(), "tank_calibration_settings_mask");
    EXPECT_EQ(cds_get_word(ds_head(), &ds().internal.current_tank_cal_step), 0u);
    EXPECT_EQ(cds_get_word(ds_head(), &ds().internal.current_tank_cal_index), 1u);
}

TEST_F(Product_settings, AProductIndexOf16OrMoreIsRefused)
{
    start("product_settings_mask");
    choose_product(2);
    choose_product(16);
    EXPECT_EQ(product.product(), 2u);
    type_number(ids.product_settings_mask.density_input, 0.9);
    EXPECT_FLOAT_EQ(ps->app.products[2].density.get(), 0.9f);
}

// The factor's input takes the range of the unit of the product's tank:
// meter pulses a litre for a liquid tank (a stored 250 shows as 250, 1200 can
// be typed), kg a revolution up to 50 for a granular one.
TEST_F(Product_settings, TheFactorRangeIsTheOneOfTheTanksUnit)
{
    ps->app.channels[0].enabled.set(true);
    ps->app.channels[0].mode.set(1);
    ps->app.channels[1].enabled.set(true);
    ps->app.channels[1].mode.set(0);
    ps->app.products[6].tank.set(0);
    ps->app.products[6].product_cal_factor.set(250.0f);
    start("product_settings_mask");
    choose_product(6);
    const auto& f = ids.product_settings_mask;
    EXPECT_NEAR(product.number(M::FACTOR).get_stat_val(), 250.0, 1e-9);
    type_number(f.factor_input, 1200.0);
    EXPECT_FLOAT_EQ(ps->app.products[6].product_cal_factor.get(), 1200.0f);
    EXPECT_FLOAT_EQ(ps->app.channels[0].cal_setting.get(), 1200.0f);
    type_number(f.factor_input, 90000.0); // above the meter's range: refused
    EXPECT_FLOAT_EQ(ps->app.products[6].product_cal_factor.get(), 1200.0f);

    send_value(f.tank_list, 1); // a granular tank
    type_number(f.factor_input, 60.0);
    EXPECT_FLOAT_EQ(ps->app.products[6].product_cal_factor.get(), 1200.0f);
    type_number(f.factor_input, 0.75);
    EXPECT_FLOAT_EQ(ps->app.products[6].product_cal_factor.get(), 0.75f);
    EXPECT_FLOAT_EQ(ps->app.channels[1].cal_setting.get(), 0.75f);
}

TEST_F(Product_settings, DisabledTanksAreNotOffered)
{
    ps->app.channels[0].enabled.set(true);
    ps->app.channels[3].enabled.set(false);
    start("product_settings_mask");
    auto* list = vt.pool.find<VT::Input_list_obj>((unsigned short)ids.product_settings_mask.tank_list);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->get_child_objects_val(0), ids.common.tank_entry[0]);
    EXPECT_EQ(list->get_child_objects_val(3), VT::Object_pool::NULL_ID);
    ps->app.channels[3].enabled.set(true);
    pump();
    EXPECT_EQ(list->get_child_objects_val(3), ids.common.tank_entry[3]);
}

} // namespace
