// The advanced settings, the factory reset confirmation and the system
// information page on the generated pool.
#include "tests/apps/sowvane/screens/Mask_fixture.h"

#include "apps/sowvane/screens/AdvancedSettingsMask.h"
#include "apps/sowvane/screens/ConfirmFactoryResetMask.h"
#include "apps/sowvane/screens/SystemInfoMask.h"

#include <cstring>

namespace {

class Advanced_and_info : public mask_test::Fixture {
protected:
    int shutdown_code() const { return int(cds_get_word(ds_head(), &ds().system.initiate_shutdown)); }
    bool reset_tc() const { return cds_get_byte(ds_head(), &ds().system.reset_tc) != 0; }
    void clear_reset_tc()
    {
        const bool no = false;
        cds_set_bool(ds_head(), &ds().system.reset_tc, &no);
    }
    void set_version(int channel, unsigned char major, unsigned char minor)
    {
        ds_version v{};
        v.v_major = major;
        v.v_minor = minor;
        cds_set(ds_head(), &ds().channels.channels[channel].ecu_version, v);
    }

    AdvancedSettingsMask advanced{"advanced_settings_mask", &man};
    ConfirmFactoryResetMask factory_reset{"factory_reset_mask", &man};
    SystemInfoMask info{"system_info_mask", &man};
};

TEST_F(Advanced_and_info, FactoryResetAsksForExitCode3OnlyOnConfirm)
{
    start("advanced_settings_mask");
    const auto& fr = ids.factory_reset_mask;
    press_button(ids.advanced_settings_mask.factory_reset_button);
    ASSERT_STREQ(current(), "factory_reset_mask");

    // A press or hold of Confirm, and Cancel, leave the program running.
    waiter_event press(0, Activation_event::PRESSED, intptr_t(fr.key_confirm));
    man.send_vt_event(VT_event::SOFT_KEY_ACTIVATION, press, true);
    waiter_event held(0, Activation_event::HELD, intptr_t(fr.key_confirm));
    man.send_vt_event(VT_event::SOFT_KEY_ACTIVATION, held, true);
    EXPECT_EQ(shutdown_code(), 0);
    release(fr.key_cancel);
    EXPECT_STREQ(current(), "advanced_settings_mask");
    EXPECT_EQ(shutdown_code(), 0);

    press_button(ids.advanced_settings_mask.factory_reset_button);
    release(fr.key_confirm);
    EXPECT_EQ(shutdown_code(), ConfirmFactoryResetMask::FACTORY_RESET_EXIT_CODE);
    EXPECT_EQ(shutdown_code(), 3);
}

TEST_F(Advanced_and_info, TaskControllerListsStoreTheChoiceRebuildTheBoomsAndRestartTheLink)
{
    auto& booms = ps->app.booms;
    booms.num_booms.set(6);
    for (unsigned b = 0; b < 6; ++b)
        booms.booms[b].num_sections.set(4);
    ps->app.machine_width.set(12.0f);
    ps->system.tc_enabled.set(true);
    start("advanced_settings_mask");
    const auto& am = ids.advanced_settings_mask;
    EXPECT_EQ(advanced.list(AdvancedSettingsMask::ENABLE_TC).get_item(), 1);

    send_value(am.enable_tc_list, 0);
    EXPECT_FALSE(ps->system.tc_enabled.get());
    EXPECT_TRUE(reset_tc());

    // The same choice again still restarts the link.
    clear_reset_tc();
    send_value(am.enable_tc_list, 0);
    EXPECT_TRUE(reset_tc());

    clear_reset_tc();
    send_value(am.enable_tc_boom_list, 1);
    EXPECT_TRUE(ps->app.vt_mode_enable_tc_boom_section.get());
    EXPECT_EQ(booms.num_booms.get(), 1);
    EXPECT_EQ(booms.booms[0].num_sections.get(), 1);
    for (unsigned b = 1; b < 6; ++b)
        EXPECT_EQ(booms.booms[b].num_sections.get(), 0) << b;
    EXPECT_DOUBLE_EQ(booms.booms[0].sections[0].width.get(), 12.0);
    EXPECT_TRUE(reset_tc());

    send_value(am.enable_tc_boom_list, 0);
    EXPECT_FALSE(ps->app.vt_mode_enable_tc_boom_section.get());
    EXPECT_EQ(booms.num_booms.get(), 0);
    EXPECT_EQ(booms.booms[0].num_sections.get(), 0);

    auto* reloaded = save_and_reload();
    EXPECT_FALSE(reloaded->system.tc_enabled.get());
    EXPECT_EQ(reloaded->app.booms.num_booms.get(), 0);
}

TEST_F(Advanced_and_info, CalibrationDriveChannelIsKeptOnlyOnAQualifyingTank)
{
    auto& tanks = ps->app.channels;
    struct Case {
        int channel;
        bool enabled;
        unsigned char mode, controller;
        int after;
    } cases[] = {
        {-1, true, 1, 0, -1}, // none stays none
        {2, false, 1, 0, 2},  // a tank that is not enabled
        {2, true, 0, 1, 2},   // enabled granular tank with an actuator
        {2, true, 1, 1, -1},  // enabled liquid tank
        {2, true, 0, 0, -1},  // granular with an electric drive
        {12, true, 0, 1, -1}, // no such tank: refused, cleared
    };
    for (const Case& c : cases) {
        tanks[2].enabled.set(c.enabled);
        tanks[2].mode.set(c.mode);
        tanks[2].granular_controller_type.set(c.controller);
        ps->app.calibration_drive_channel.set((signed char)c.channel);
        check_calibration_drive_channel();
        EXPECT_EQ(ps->app.calibration_drive_channel.get(), c.after) << c.channel;
    }
}

TEST_F(Advanced_and_info, SystemInformationShowsTheVersions)
{
    start("system_info_mask");
    EXPECT_STREQ(info.firmware_text(), "N/A");
    EXPECT_STREQ(info.versions_text(), "N/A");

    man.fire_timeouts();
    EXPECT_STREQ(info.firmware_text(), "4.04-r12");
    EXPECT_STREQ(info.versions_text(), "N/A,N/A");

    set_version(0, 0, 3);
    set_version(2, 2, 11);
    man.fire_timeouts();
    EXPECT_STREQ(info.versions_text(), "0.3,2.11");

    set_version(2, 0, 0);
    man.fire_timeouts();
    EXPECT_STREQ(info.versions_text(), "0.3,N/A");
    set_version(0, 0, 0);

    // Hidden, the page stops refreshing; shown again it shows the last
    // texts until the next refresh.
    const size_t armed = man.pending.size();
    man.switch_to_screen("advanced_settings_mask");
    EXPECT_EQ(man.pending.size(), armed - 1);
    man.switch_to_screen("system_info_mask");
    EXPECT_STREQ(info.versions_text(), "0.3,N/A");
    man.fire_timeouts();
    EXPECT_STREQ(info.versions_text(), "N/A,N/A");
}

} // namespace
