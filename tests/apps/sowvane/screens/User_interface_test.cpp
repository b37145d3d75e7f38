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

// The pool's locale with imperial distances, areas and volumes.
VT::Locale_info imperial_locale(VT::Object_pool& pool)
{
    VT::Locale_info imperial = pool.get_locale();
    imperial.distance = 1;
    imperial.area = 1;
    imperial.volume = 1;
    return imperial;
}

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
    const VT::Locale_info imperial = imperial_locale(vt.pool);
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

// The VT shows another mask than the current screen's: the screens follow
// it to the screen of that mask, or ask the VT again for theirs. While
// another working set is on the VT, its masks are none of ours.
TEST_F(Screens_fixture, AVtShowingAnotherMaskIsBroughtBackInStep)
{
    start();
    ASSERT_STREQ(current(), "main");
    const unsigned short fill = ui.get_screen_man().find_screen("tank_fill_mask")->get_mask_id();
    auto vt_shows = [&](unsigned short mask, bool ours) {
        const uint8_t status[8] = {0xFE, uint8_t(ours ? 28 : 0x80), uint8_t(mask), uint8_t(mask >> 8),
                                   0xFF, 0xFF, 0, 0xFF};
        vt.pool.set_vt_status(status);
        vt.pool.set_vt_active(ours);
        ui.handle_mask_mismatch(true);
    };
    Stdout_capture out;
    vt_shows(fill, false);
    EXPECT_STREQ(current(), "main");
    EXPECT_TRUE(vt.masks_shown().empty());

    vt_shows(fill, true);
    EXPECT_STREQ(current(), "tank_fill_mask");
    vt.sent();
    vt_shows(fill, true);  // in step
    EXPECT_TRUE(vt.masks_shown().empty());

    vt_shows(0xFFFE, true);  // a mask no screen shows
    EXPECT_STREQ(current(), "tank_fill_mask");
    EXPECT_EQ(vt.masks_shown(), (std::vector<uint32_t>{fill}));
    const std::string lines = out.text();
    EXPECT_NE(lines.find("screen tank_fill_mask follows it"), std::string::npos) << lines;
    EXPECT_NE(lines.find("VT shows mask 65534, not " + std::to_string(fill) + ": asked again"), std::string::npos)
        << lines;
}

// A VT that rebuilt the pool shows the working set's start-up mask: the
// intro screen has nothing to press, so the screens stay where they are and
// ask the VT again for their own mask. Every other screen the VT may show
// (each data page and alarm pop-up) is one the operator can leave.
TEST_F(Screens_fixture, TheStartUpMaskOnTheVtIsAnsweredWithTheCurrentScreensMask)
{
    start();
    ASSERT_STREQ(current(), "main");
    Screen_man& man = ui.get_screen_man();
    const unsigned short start_up = man.find_screen("intro")->get_mask_id();
    const uint8_t status[8] = {0xFE, 28, uint8_t(start_up), uint8_t(start_up >> 8), 0xFF, 0xFF, 0, 0xFF};
    vt.pool.set_vt_status(status);
    Stdout_capture out;
    ui.handle_mask_mismatch(true);
    EXPECT_STREQ(current(), "main");
    EXPECT_EQ(vt.masks_shown(), (std::vector<uint32_t>{ids().main.data_mask}));
    EXPECT_NE(out.text().find("VT shows mask " + std::to_string(start_up) + ", not " +
                              std::to_string(ids().main.data_mask) + ": screen intro has no way out, asked again"),
              std::string::npos);

    int screens = 0;
    for (unsigned id = 0; id <= 0xFFFF && screens < man.screen_count(); ++id) {
        Screen* s = man.screen_by_id(id);
        if (!s)
            continue;
        ++screens;
        // The shared stats, never shown, aside.
        if (s != &man.get_global_stats() && s->get_mask_id() != VT::Object_pool::NULL_ID) {
            EXPECT_EQ(s->offers_way_out(), s != man.find_screen("intro")) << s->get_name();
        }
    }
    EXPECT_EQ(screens, man.screen_count());
}

// An event that names the null object works no key: on the factory reset
// page neither a button nor a selection of the null id confirms.
TEST_F(Screens_fixture, TheNullIdConfirmsNoFactoryReset)
{
    start();
    ASSERT_TRUE(ui.get_screen_man().switch_to_screen("factory_reset_mask"));
    key(0xFFFF, true);
    key(0xFFFF, false);
    vt.pool.post_vt_event(VT_event::SELECT_INPUT_OBJECT, 1, 0xFFFF);
    pump();
    EXPECT_EQ(cds_get_word(ds_head(), &ds().system.initiate_shutdown), 0u);
    EXPECT_STREQ(current(), "factory_reset_mask");
}

// While values move, the screens queue changes faster than the VT answers
// them and the command queue never empties. The run screen follows the intro
// and a new locale is applied once the VT has taken what was queued before
// them; a VT that stops answering holds them only for a while.
class Busy_vt : public Screens_fixture {
protected:
    // A change that keeps the queue from ever emptying.
    void another_change()
    {
        ASSERT_NE(ticker, nullptr);
        ticker->set_value(++ticks);
    }
    // The VT takes and answers the oldest waiting command.
    void answer_one()
    {
        VT::Vt_command c;
        if (vt.pool.take_command(c))
            vt.pool.command_done();
    }
    // Fires t, with the VT answering (or not) and a new change each time,
    // until done() or 1000 turns; the number of turns it took.
    template <class Done>
    int turns_until(Timeout& t, bool vt_answers, Done done)
    {
        int turns = 0;
        while (!done() && turns < 1000) {
            if (vt_answers)
                answer_one();
            another_change();
            fire(t);
            ++turns;
        }
        return turns;
    }
    // Three changes waiting as the pool comes up.
    void connect_with_a_backlog()
    {
        for (int state : {VT::CONN_VT_FOUND, VT::CONN_UPLOADING}) {
            vt.pool.set_connection_state(state);
            vt.sent();
            pump();
        }
        for (uint32_t id : {ids().main.area_rate, ids().main.fan_speed[0], ids().main.fan_speed[1]})
            find_pool_object<VT::Output_number_obj>(&vt.pool, id)->set_value(7);
        vt.pool.set_connection_state(VT::CONN_ACTIVE);
        pump();
    }

    VT::Output_number_obj* ticker = find_pool_object<VT::Output_number_obj>(&vt.pool, ids().main.speed);
    unsigned ticks = 0;
};

TEST_F(Busy_vt, TheRunScreenFollowsTheIntroOnceTheBacklogIsTaken)
{
    start(false);
    connect_with_a_backlog();
    EXPECT_STREQ(current(), "intro");
    const int backlog = vt.pool.pending_updates();
    // Each turn answers one command: the three and what the screens queued
    // as the pool came up, at most.
    const int turns = turns_until(ui.get_intro_timeout(), true, [&] { return std::string(current()) == "main"; });
    EXPECT_GE(turns, 3);
    EXPECT_LE(turns, backlog);
    EXPECT_STREQ(current(), "main");
    EXPECT_GT(vt.pool.pending_updates(), 0);
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().system.vt_uploaded));
}

TEST_F(Busy_vt, ASilentVtHoldsTheIntroForAWhileOnly)
{
    start(false);
    connect_with_a_backlog();
    const int turns = turns_until(ui.get_intro_timeout(), false, [&] { return std::string(current()) == "main"; });
    EXPECT_STREQ(current(), "main");
    // The step run as the pool came up was the first wait.
    EXPECT_EQ(turns, User_interface::INTRO_WAIT_LIMIT_MS / User_interface::INTRO_RETRY_MS);
}

TEST_F(Busy_vt, ANewLocaleIsAppliedOnceTheBacklogIsTaken)
{
    start();
    const VT::Locale_info imperial = imperial_locale(vt.pool);
    // A partial upload in progress, with a change waiting behind it.
    vt.pool.set_tx_state(16);
    another_change();
    vt.pool.set_locale(imperial);
    pump();
    vt.pool.set_tx_state(0);
    Units_man& units = ui.get_units_man();
    auto applied = [&] { return units.get_system_type(Units_man::UNITS_DISTANCE) != Units_man::UNITS_METRIC; };
    EXPECT_FALSE(applied());
    EXPECT_EQ(turns_until(ui.get_locale_timeout(), true, applied), 1);
    EXPECT_TRUE(applied());
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
