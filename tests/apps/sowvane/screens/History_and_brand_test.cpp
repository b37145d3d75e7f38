// The history pages and the seeder brand page on the generated pool.
#include "tests/apps/sowvane/screens/Mask_fixture.h"

#include "apps/sowvane/screens/FansHistoryMask.h"
#include "apps/sowvane/screens/SeederBrandMask.h"
#include "apps/sowvane/screens/ShaftsHistoryMask.h"
#include "apps/sowvane/screens/TotalsHistoryMask.h"
#include "tests/support/vtui/Float_vt.h"

namespace {

using mask_test::Nav_case;
const char* const stub_names[] = {"main", "settings_menu", "seeder_settings_menu", "operating_history_menu_mask"};

class History_and_brand : public mask_test::Fixture {
protected:
    History_and_brand() { add_stubs(stub_names); }
    void set_history(float* field, float v) { cds_set(ds_head(), field, v); }
    ds_history& h() { return ds().history; }

    TotalsHistoryMask totals{"totals_history_mask", &man};
    ShaftsHistoryMask shafts{"shafts_history_mask", &man};
    FansHistoryMask fans{"fans_history_mask", &man};
    SeederBrandMask brand{"seeder_brand_mask", &man};
};

TEST_F(History_and_brand, KeysSwitchOnRelease)
{
    const Nav_case cases[] = {
        {"totals_history_mask", ids.totals_history_mask.key_operating_history_menu, false,
         "operating_history_menu_mask"},
        {"shafts_history_mask", ids.shafts_history_mask.key_seeder_settings_menu, false, "seeder_settings_menu"},
        {"fans_history_mask", ids.fans_history_mask.key_settings_menu, false, "settings_menu"},
        {"fans_history_mask", ids.fans_history_mask.key_main, false, "main"},
        {"seeder_brand_mask", ids.seeder_brand_mask.key_seeder_settings_menu, false, "seeder_settings_menu"},
        {"seeder_brand_mask", ids.seeder_brand_mask.key_main, false, "main"},
    };
    start("totals_history_mask");
    check_navigation(cases);
}

TEST_F(History_and_brand, HistoryChangesShowAtOnceAndAreNeverWritten)
{
    set_history(&h().machine_operating_area, 1.5f);
    start("totals_history_mask");
    EXPECT_NEAR(totals.area().get_stat_val(), 15000.0, 1e-6);
    set_history(&h().output[2], 250.0f);
    set_history(&h().shaft_max_speed[1], 42.5f);
    pump();
    EXPECT_NEAR(totals.tank_output(2).get_stat_val(), 250.0, 1e-6);
    EXPECT_NEAR(shafts.shaft(1).get_stat_val(), 42.5, 1e-6);
    EXPECT_FLOAT_EQ(h().output[2], 250.0f);
}

// A machine's lifetime totals, beyond the raw steps a float VT computes
// exactly at their finest step, show as they are in coarser steps.
TEST_F(History_and_brand, LifetimeTotalsShowAsTheyAreOnAFloatVt)
{
    set_history(&h().machine_operating_distance, 2.5e7f);  // 25,000 km
    set_history(&h().output[2], 2.0e6f);                   // 2,000 t
    start("totals_history_mask");
    pump();
    auto shown = [&](uint32_t id) {
        auto* o = vt.pool.find<VT::Output_number_obj>((unsigned short)id);
        return o ? float_vt::shown(o->get_value(), o->get_offset(), o->get_scale(), o->get_no_decimals()) : "";
    };
    EXPECT_EQ(shown(ids.totals_history_mask.distance_output), "25000.00");
    EXPECT_EQ(shown(ids.totals_history_mask.tank_output[2]), "2000000");
}

TEST_F(History_and_brand, TankOutputUnitsFollowTheTankTypeOnActivation)
{
    start("totals_history_mask");
    EXPECT_EQ(totals.tank_output(0).get_format(0).units, Units_man::UNITS_MASS);
    ps->app.channels[0].mode.set(2);
    ps->app.channels[1].mode.set(1);
    EXPECT_EQ(totals.tank_output(0).get_format(0).units, Units_man::UNITS_MASS);
    man.switch_to_screen("shafts_history_mask");
    man.switch_to_screen("totals_history_mask");
    EXPECT_EQ(totals.tank_output(0).get_format(0).units, Units_man::UNITS_MASS_KGN);
    EXPECT_EQ(totals.tank_output(1).get_format(0).units, Units_man::UNITS_VOLUME);
}

TEST_F(History_and_brand, FanListOffersEnabledFansAndShowsTheChosenOne)
{
    ps->app.fans[0].enabled.set(true);
    ps->app.fans[1].enabled.set(true);
    set_history(&h().fan_max_speed[0], 3000.0f);
    set_history(&h().fan_max_speed[1], 2500.0f);
    start("fans_history_mask");
    EXPECT_NEAR(fans.value(FansHistoryMask::MAX_SPEED).get_stat_val(), 3000.0, 1e-6);
    const auto& f = ids.fans_history_mask;
    send_value(f.fan_list, 1);
    EXPECT_NEAR(fans.value(FansHistoryMask::MAX_SPEED).get_stat_val(), 2500.0, 1e-6);

    // Fan 2's settings change while it is chosen and enabled: it stays.
    ps->app.fans[1].encoder.set(3);
    pump();
    EXPECT_EQ(fans.fan_list().get_item(), 1);
    // Fan 2 disabled: its item goes and fan 1 is shown.
    ps->app.fans[1].enabled.set(false);
    pump();
    EXPECT_EQ(fans.fan_list().get_item(), 0);
    EXPECT_NEAR(fans.value(FansHistoryMask::MAX_SPEED).get_stat_val(), 3000.0, 1e-6);
    auto* list = vt.pool.find<VT::Input_list_obj>((unsigned short)f.fan_list);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->get_child_objects_val(1), VT::Object_pool::NULL_ID);
}

TEST_F(History_and_brand, BrandIsStoredAtOnce)
{
    ps->app.personality.set(2);
    start("seeder_brand_mask");
    EXPECT_EQ(brand.brand().get_item(), 2);
    send_value(ids.seeder_brand_mask.brand_list, 6);
    EXPECT_EQ(ps->app.personality.get(), 6);
    send_value(ids.seeder_brand_mask.brand_list, 9); // no such brand
    EXPECT_EQ(ps->app.personality.get(), 6);
    EXPECT_EQ(save_and_reload()->app.personality.get(), 6);
}

} // namespace
