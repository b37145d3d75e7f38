// The blocked-head settings and diagnostics pages on the generated pool: the
// input masks and sections the choices give, and the live input rows.
#include "tests/apps/sowvane/screens/Mask_fixture.h"

#include "apps/sowvane/screens/BlockedHeadDiagsMask.h"
#include "apps/sowvane/screens/BlockedHeadSettingsMask.h"

namespace {

class Blocked_head : public mask_test::Fixture {
protected:
    std::vector<unsigned> masks()
    {
        std::vector<unsigned> out;
        for (unsigned k = 0; k < 4; ++k)
            out.push_back(ps->app.monitor_ecus.monitor_inputs[k].mask.get());
        return out;
    }
    unsigned section(unsigned s) { return ps->app.monitor_ecus.monitor_inputs_sections[s].boom_section.get(); }

    BlockedHeadSettingsMask settings{"blocked_head_settings_mask", &man};
    BlockedHeadDiagsMask diags{"blocked_head_diags_mask", &man};
};

TEST_F(Blocked_head, HeadChoicesGiveTheInputMasksAndSections)
{
    start("blocked_head_settings_mask");
    const auto& b = ids.blocked_head_settings_mask;
    send_value(b.monitoring_list, 1);
    EXPECT_EQ(ps->app.monitor_ecus.monitoring_config.get(), 1);
    EXPECT_TRUE(ps->app.monitor_ecus.monitor_ecus[0].enabled.get());
    type_number(b.num_sensors_input, 24);
    send_value(b.head_systems_list, 1); // double shoot
    type_number(b.first_fert_sensor_input, 13);
    EXPECT_EQ(ps->app.monitor_ecus.first_fert_sensor.get(), 12);
    send_value(b.enabled_heads_list, 1); // seed only
    EXPECT_EQ(masks(), (std::vector<unsigned>{0xFF, 0x0F, 0x00, 0x00}));
    EXPECT_EQ(section(11), 0u);
    EXPECT_EQ(section(12), 1u);
    EXPECT_EQ(section(31), 1u);
    send_value(b.enabled_heads_list, 2); // fertiliser only
    EXPECT_EQ(masks(), (std::vector<unsigned>{0x00, 0xF0, 0xFF, 0x00}));

    send_value(b.head_systems_list, 0); // single shoot
    EXPECT_EQ(ps->app.monitor_ecus.head_systems_enabled.get(), 1);
    EXPECT_EQ(masks(), (std::vector<unsigned>{0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(section(20), 0u);

    type_number(b.num_sensors_input, 40); // more than 32: only the 32 bits
    EXPECT_EQ(masks(), (std::vector<unsigned>{0xFF, 0xFF, 0xFF, 0xFF}));
    auto* reloaded = save_and_reload();
    EXPECT_EQ(reloaded->app.monitor_ecus.num_sensors.get(), 40);
    EXPECT_EQ(reloaded->app.monitor_ecus.monitor_inputs[3].mask.get(), 0xFF);
}

TEST_F(Blocked_head, AFirstFertiliserSensorOf0IsRefused)
{
    ps->app.monitor_ecus.first_fert_sensor.set(5);
    start("blocked_head_settings_mask");
    EXPECT_EQ(settings.number(BlockedHeadSettingsMask::FIRST_FERT).get_stat_val(), 6.0);
    type_number(ids.blocked_head_settings_mask.first_fert_sensor_input, 0);
    EXPECT_EQ(ps->app.monitor_ecus.first_fert_sensor.get(), 5);
}

TEST_F(Blocked_head, InputRowsShowTheLiveBits)
{
    char text[9];
    BlockedHeadDiagsMask::bits_to_text(0x81, text);
    EXPECT_STREQ(text, "10000001");
    BlockedHeadDiagsMask::bits_to_text(0x01, text);
    EXPECT_STREQ(text, "00000001");
    start("blocked_head_diags_mask");
    cds_set(ds_head(), &ds().monitor_ecus.monitor_inputs_active[2], (unsigned char)0x0F);
    man.fire_timeouts();
    EXPECT_STREQ(diags.row_text(2), "00001111");
    EXPECT_STREQ(diags.row_text(0), "00000000");
    cds_set(ds_head(), &ds().monitor_ecus.monitor_inputs_active[2], (unsigned char)0);
}

} // namespace
