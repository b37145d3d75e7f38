// The module around the screens: whether the VT display is used, the
// terminal timeout that puts the implement into VT-only operation, the VT's
// NAME, connection loss and locale changes.
#include "tests/apps/sowvane/screens/Seeder_vt.h"

#include "tests/support/debug_capture.h"

namespace {

// Standard output of the block, as the module prints it.
struct Stdout_capture {
    Stdout_capture() { testing::internal::CaptureStdout(); }
    std::string text()
    {
        std::fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }
};

} // namespace

TEST_F(Screens_fixture, ANonVtTerminalLastTimeHoldsTheVtOffUntilTheTerminalTimeout)
{
    ps().system.non_vtt_connected.set(true);
    ps().system.tc_enabled.set(true);
    ps().app.channels[5].enabled.set(true);
    ps().app.channels[2].assigned_to_boom.set(3);
    ps().app.booms.num_booms.set(4);
    ps().app.booms.booms[2].num_sections.set(6);
    start(false);
    EXPECT_FALSE(vt.pool.is_enabled());

    Stdout_capture out;
    fire(ui.get_terminal_timeout());
    std::string lines = out.text();
    EXPECT_NE(lines.find("***** Timeout!! Checking if VT required*****"), std::string::npos);
    EXPECT_NE(lines.find("***** Enabling VT *****"), std::string::npos);
    EXPECT_TRUE(vt.pool.is_enabled());
    EXPECT_FALSE(ps().system.non_vtt_connected.get());
    EXPECT_FALSE(ps().system.tc_enabled.get());
    EXPECT_FALSE(ps().app.channels[5].enabled.get());
    EXPECT_EQ(ps().app.channels[2].assigned_to_boom.get(), 0);
    EXPECT_EQ(ps().app.booms.num_booms.get(), 0);
    EXPECT_EQ(ps().app.booms.booms[2].num_sections.get(), 0);
    EXPECT_EQ(ps().app.swbox_mapping[7].channel.get(), 7);
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().system.reset_tc));
}

TEST_F(Screens_fixture, ANonVtTerminalInTheStoreDisablesTheVtAtOnce)
{
    start();
    EXPECT_TRUE(vt.pool.is_enabled());
    Stdout_capture out;
    store(&ds().system.non_vtt_connected, true);
    EXPECT_NE(out.text().find("VT Display disabled"), std::string::npos);
    EXPECT_FALSE(vt.pool.is_enabled());
    EXPECT_TRUE(ps().system.non_vtt_connected.get());
    // Gone again: off until the terminal timeout says otherwise.
    store(&ds().system.non_vtt_connected, false);
    EXPECT_FALSE(vt.pool.is_enabled());
    fire(ui.get_terminal_timeout());
    EXPECT_TRUE(vt.pool.is_enabled());
}

TEST_F(Screens_fixture, LosingTheVtClearsTheStoreAndRunsTheIntroStepAgain)
{
    start();
    auto* enabled = vt.pool.find<VT::Fill_attributes_obj>("fill_attributes_tp_enabled");
    auto* red = vt.pool.find<VT::Fill_attributes_obj>("fill_attributes_red");
    ASSERT_TRUE(enabled && red);
    vt.pool.set_connection_state(VT::CONN_VT_FOUND);
    pump();
    EXPECT_EQ(enabled->get_fill_colour(), red->get_fill_colour());
    EXPECT_FALSE(cds_get_byte(ds_head(), &ds().system.vt_alive));
    EXPECT_FALSE(cds_get_byte(ds_head(), &ds().system.vt_uploaded));
    EXPECT_TRUE(ui.is_intro_pending());
    // Back while the run screen is still up: nothing switches, the pool
    // counts as uploaded only when the intro was left.
    vt.pool.set_connection_state(VT::CONN_ACTIVE);
    vt.sent();
    pump();
    EXPECT_FALSE(ui.is_intro_pending());
    EXPECT_STREQ(current(), "main");
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().system.vt_alive));
}

TEST_F(Screens_fixture, ANewVtNameIsLoggedOnceAndStored)
{
    JIN_name::RAWNAME name(0x2233445566778899ULL);
    vt.pool.set_vt_name(name, true);
    Stdout_capture out;
    start();
    std::string lines = out.text();
    EXPECT_NE(lines.find("Now changed to " + std::to_string(name.to_u64())), std::string::npos) << lines;
    EXPECT_EQ(ps().system.specific_vt_name.get(), name.to_u64());
    Stdout_capture again;
    vt.pool.set_connection_state(VT::CONN_VT_FOUND);
    vt.pool.set_connection_state(VT::CONN_ACTIVE);
    vt.sent();
    pump();
    EXPECT_EQ(again.text().find("Now changed"), std::string::npos);
}

TEST_F(Screens_fixture, ALocaleChangeWaitsWhileThePoolTransmitsAndAnEqualOneIsIgnored)
{
    start();
    VT::Locale_info imperial = vt.pool.get_locale();
    imperial.distance = 1;
    imperial.area = 1;
    imperial.volume = 1;
    vt.pool.set_tx_state(16);
    Stdout_capture out;
    vt.pool.set_locale(imperial);
    pump();
    vt.pool.set_tx_state(0);
    vt.sent();
    fire(ui.get_locale_timeout());
    std::string lines = out.text();
    EXPECT_NE(lines.find("Change locale: Wait1"), std::string::npos);
    EXPECT_NE(lines.find("Change locale: Expire"), std::string::npos);

    Stdout_capture same;
    vt.pool.post_pool_event(VT::EVENT_LOCALE, 0);
    pump();
    EXPECT_EQ(same.text(), "Change locale:\n");
}

TEST(User_interface_start, AnAlarmMaskMissingFromThePoolEndsTheStart)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            VT::Object_pool pool(&sowvane_module_man);
            Screen_object_ids table;
            Scripted_ui ui(&sowvane_module_man);
            ui.init(&pool, &table);
        },
        testing::ExitedWithCode(User_interface::EXIT_NO_ALARM_MASK & 0xFF), "");
}
