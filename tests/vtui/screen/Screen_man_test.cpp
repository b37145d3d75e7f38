// The screen manager driven by a scripted stream of VT events over a
// recording client pool, with time fed by the test: soft keys reach the
// current screen's activators, switching shows the right masks, alarm screens
// interrupt and return, timeout screens close themselves, and the global
// stats follow the screen that is shown.
#include "vtui/screen/Alarm_screen.h"
#include "vtui/screen/Data_screen.h"
#include "vtui/screen/Global_stat_manager.h"
#include "vtui/screen/Screen_man.h"

#include "platform/vt/Vt_session.h"

#include "glue/diner/module_man.h"
#include "tests/support/debug_capture.h"
#include "tests/support/vtui/Recording_pool.h"
#include "tests/support/vtui/Scripted_man.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <string>
#include <vector>

using VT::Object_pool;

namespace {

constexpr unsigned short NULL_ID = Object_pool::NULL_ID;
// Pool object ids.
constexpr unsigned short WS = 1, KEYS = 10, KEY_A = 11, KEY_B = 12, KEY_CROSS = 13, BUTTON = 20;
constexpr unsigned short MASK_INTRO = 100, MASK_RUN = 101, MASK_SETTINGS = 102, MASK_ALARM = 110,
                         MASK_ALARM_LOW = 111, MASK_NOTE = 112;
constexpr unsigned short PENCIL = 300, ESC_TEXT = 310;
constexpr unsigned short OUT_SPEED = 200, IN_RATE = 201, VAR_COUNT = 210, VAR_SPN = 211, VAR_FMI = 212;

// The UI module: records the notifications and the mask mismatches.
class Test_ui : public User_interface_base {
public:
    explicit Test_ui(module_man* mm) : User_interface_base(mm) {}
    ~Test_ui() override { terminate(true); }
    void handle_event(waiter_event&) override {}
    void handle_timeout(Timeout&) override {}
    void handle_mask_mismatch(bool) override { ++mismatches; }
    void notify_data_screen_up(Data_screen* s) override { log.push_back(std::string("up ") + s->get_name()); }
    void notify_data_screen_down(Data_screen* s) override { log.push_back(std::string("down ") + s->get_name()); }
    void notify_alarm_screen_up(Alarm_screen* s) override { log.push_back(std::string("alarm up ") + s->get_name()); }
    int mismatches = 0;
    std::vector<std::string> log;
};

// A data screen on its own mask with two soft keys and a button; it records
// what its activators and stats report.
class Test_screen : public Data_screen {
public:
    Test_screen(const char* name, Screen_man* man, const char* mask_name) : Data_screen(name, man), mask_name(mask_name)
    {
    }
    bool init(VT::Object_pool* p, NV_kelsu::parameters_t* params) override
    {
        key_a.init(this, KEY_A, NULL_ID);
        key_b.init(this, KEY_B, NULL_ID);
        button.init(this, NULL_ID, BUTTON);
        return Data_screen::init(p, p->find<VT::Data_mask_obj>(mask_name), params, nullptr, 0);
    }
    bool handle_activator_event(Activator& a, Activator_event& ev) override
    {
        const char* which = &a == &key_a ? "A" : &a == &key_b ? "B" : &a == &button ? "button" : "?";
        events.push_back(std::string(which) + " " + ev.event_string() + " " + std::to_string(ev.hold_time));
        return true;
    }
    bool handle_stat_update(Stat* s) override
    {
        edited.push_back(s);
        return true;
    }
    void send_soft_key_event(Soft_key_activation_event& ev, unsigned) override
    {
        hooked_keys.push_back(ev.object_id());
    }
    bool send_data_store_event(unsigned short v) override
    {
        store_values.push_back(v);
        return true;
    }
    const char* mask_name;
    Activator key_a, key_b, button;
    std::vector<std::string> events;
    std::vector<Stat*> edited;
    std::vector<unsigned short> store_values;
    std::vector<unsigned short> hooked_keys;
};

class Test_alarm : public Alarm_screen {
public:
    using Alarm_screen::Alarm_screen;
};

// The pool of the scripted VT: keys, masks, alarm masks and a few values.
struct Screen_pool : Recording_pool {
    Screen_pool()
    {
        add(new VT::Working_set_obj(WS, "ws", 0, true, MASK_INTRO));
        auto* keys = add(new VT::Soft_key_mask_obj(KEYS, "keys", 0));
        keys->add_key(KEY_A);
        keys->add_key(KEY_B);
        keys->add_key(KEY_CROSS);
        add(new VT::Key_obj(KEY_A, "key_a", 0, 1));
        add(new VT::Key_obj(KEY_B, "key_b", 0, 2));
        add(new VT::Key_obj(KEY_CROSS, "key_cross", 0, 3));
        add(new VT::Button_obj(BUTTON, "button", 20, 20, 0, 1, 4, false));
        add(new VT::Data_mask_obj(MASK_INTRO, "mask_intro", 0, KEYS));
        add(new VT::Data_mask_obj(MASK_RUN, "mask_run", 0, KEYS));
        add(new VT::Data_mask_obj(MASK_SETTINGS, "mask_settings", 0, KEYS));
        add(new VT::Alarm_mask_obj(MASK_ALARM, "alarm_high", 0, KEYS, 0, 0));
        add(new VT::Alarm_mask_obj(MASK_ALARM_LOW, "alarm_low", 0, KEYS, 2, 0));
        add(new VT::Alarm_mask_obj(MASK_NOTE, "note", 0, KEYS, 1, 0));
        add(new VT::Output_number_obj(OUT_SPEED, "on_speed", 40, 16, 1, NULL_ID, 0, NULL_ID, 0, 0, 1.0f, 0, 0, 2));
        add(new VT::Input_number_obj(IN_RATE, "in_rate", 40, 16, 1, NULL_ID, 1, NULL_ID, 0x7FFFFFFF, 0, 0xFFFFFFFF, 0,
                                        1.0f, 0, 0, 2, true));
        add(new VT::Number_variable_obj(VAR_COUNT, "var_alarm_occurance_count", 0));
        add(new VT::Number_variable_obj(VAR_SPN, "var_alarm_spn", 0));
        add(new VT::Number_variable_obj(VAR_FMI, "var_alarm_fmi", 0));
        auto* common = add(new VT::Container_obj(PENCIL + 1, "common_data_mask_items", 200, 200, false));
        common->add_child(PENCIL, 0, 0);
        add(new VT::Container_obj(PENCIL, "pencil", 10, 10, false));
        add(new VT::Output_string_obj(ESC_TEXT, "os_alarm_esc_string", 60, 10, 1, NULL_ID, 0, NULL_ID, 0, ""));
        add(new VT::String_variable_obj(ESC_TEXT + 1, "ts_alarm_esc_str", "ESC closes"));
    }
};

class Screen_man_fixture : public testing::Test {
protected:
    // Initialises the manager with the pool running (or not).
    void start(bool running = true)
    {
        if (running)
            vt.start();
        ASSERT_TRUE(man.init(&vt.pool, params(), &ui, &ui.get_waiter(), &units));
        vt.sent();
    }
    static NV_kelsu::parameters_t* params()
    {
        static int settings_stand_in;
        return reinterpret_cast<NV_kelsu::parameters_t*>(&settings_stand_in);
    }

    // The scripted VT.
    void soft_key(unsigned short key, unsigned code, unsigned key_code = 0)
    {
        waiter_event e(0, code | key_code << 8, key);
        man.send_vt_event(VT_event::SOFT_KEY_ACTIVATION, e, true);
    }
    void vt_event(VT_event::id_t id, uint32_t first, uint32_t second)
    {
        waiter_event e(0, first, intptr_t(second));
        man.send_vt_event(id, e, true);
    }
    // The masks the VT was told to show, in order.
    std::vector<uint32_t> masks_shown()
    {
        std::vector<uint32_t> out;
        for (const Vt_cmd& c : vt.sent())
            if (c.function == Recording_pool::CHANGE_ACTIVE_MASK)
                out.push_back(c.value);
        return out;
    }

    Screen_pool vt;
    module_man mm;
    Test_ui ui{&mm};
    Units_man units;
    Scripted_man man{stat_man};
    Global_stat_manager stat_man{"stat_man", &man};
    Test_screen intro{"intro", &man, "mask_intro"};
    Test_screen run{"run", &man, "mask_run"};
    Test_screen settings{"settings", &man, "mask_settings"};
    Test_alarm alarm{vt.pool.find<VT::Alarm_mask_obj>("alarm_high"), &man, nullptr};
    Timeout_alarm_screen note{vt.pool.find<VT::Alarm_mask_obj>("note"), &man, nullptr};
    Test_alarm low{vt.pool.find<VT::Alarm_mask_obj>("alarm_low"), &man, "low"};
};

} // namespace

TEST_F(Screen_man_fixture, ScreensRegisterInOrderAndTheDefaultScreenComesUp)
{
    EXPECT_EQ(man.screen_count(), 7);
    EXPECT_EQ(man.screen_by_id(0), &stat_man);
    EXPECT_EQ(man.find_screen("alarm_high"), &alarm);
    EXPECT_EQ(alarm.priority, 0);
    start();
    EXPECT_EQ(man.get_current_screen(), &intro);
    EXPECT_TRUE(intro.is_active());
    EXPECT_EQ(ui.log, (std::vector<std::string>{"up intro"}));
}

TEST_F(Screen_man_fixture, SoftKeysReachTheCurrentScreensActivators)
{
    start();
    soft_key(KEY_A, Activation_event::PRESSED);
    man.advance(300);
    soft_key(KEY_A, Activation_event::HELD); // the first hold restarts the clock
    man.advance(200);
    soft_key(KEY_A, Activation_event::HELD);
    soft_key(KEY_A, Activation_event::RELEASED);
    soft_key(KEY_B, Activation_event::ABORTED); // another key's non-press: dropped
    soft_key(KEY_B, Activation_event::PRESSED);
    soft_key(KEY_CROSS, Activation_event::PRESSED); // no activator: nothing
    EXPECT_EQ(intro.events, (std::vector<std::string>{"A Pressed 0", "A Held 0", "A Held 200", "A Released 0",
                                                       "B Pressed 0"}));

    vt_event(VT_event::BUTTON_ACTIVATION, Activation_event::PRESSED, BUTTON);
    EXPECT_EQ(intro.events.back(), "button Pressed 0");
    // Soft keys only count while the VT shows this working set.
    waiter_event e(0, Activation_event::PRESSED, KEY_A);
    man.send_vt_event(VT_event::SOFT_KEY_ACTIVATION, e, false);
    EXPECT_EQ(intro.events.size(), 6u);
}

TEST_F(Screen_man_fixture, SwitchingShowsTheRightMaskAndDropsTheReleaseOfTheSwitchingKey)
{
    start();
    EXPECT_TRUE(man.switch_to_screen("run"));
    EXPECT_EQ(masks_shown(), (std::vector<uint32_t>{MASK_RUN}));
    EXPECT_FALSE(intro.is_active());
    EXPECT_TRUE(run.is_active());
    EXPECT_EQ(man.peek_previous_screen(), &intro);

    soft_key(KEY_A, Activation_event::RELEASED); // the key that switched
    EXPECT_TRUE(run.events.empty());
    soft_key(KEY_B, Activation_event::PRESSED);
    EXPECT_EQ(run.events, (std::vector<std::string>{"B Pressed 0"}));

    EXPECT_TRUE(man.switch_to_screen(&settings));
    EXPECT_EQ(man.back_screen(1), &run);
    EXPECT_EQ(masks_shown(), (std::vector<uint32_t>{MASK_SETTINGS, MASK_RUN}));
    // Two more back steps with one screen stacked: the screen current after
    // the last pop comes up again and the result is none.
    EXPECT_EQ(man.back_screen(2), nullptr);
    EXPECT_EQ(man.get_current_screen(), &intro);
    EXPECT_TRUE(intro.is_active());
}

TEST_F(Screen_man_fixture, SwitchingToAnUnknownNameIsRefusedAndTheScreenStays)
{
    start();
    Debug_capture lines;
    EXPECT_FALSE(man.switch_to_screen("nowhere"));
    EXPECT_NE(lines.text().find("Could not find screen nowhere"), std::string::npos);
    EXPECT_EQ(man.get_current_screen(), &intro);
    EXPECT_TRUE(intro.is_active());
    EXPECT_TRUE(masks_shown().empty());
}

TEST_F(Screen_man_fixture, AHigherPriorityAlarmInterruptsAndReturns)
{
    start();
    man.switch_to_screen("run");
    vt.sent();
    alarm.set_values(3, 520, 7, NULL_ID);
    EXPECT_TRUE(man.switch_to_screen(&alarm));
    auto cmds = vt.sent();
    ASSERT_FALSE(Recording_pool::of(cmds, Recording_pool::CHANGE_ACTIVE_MASK, MASK_ALARM).empty());
    EXPECT_EQ(vt.pool.find<VT::Number_variable_obj>(VAR_SPN)->get_value(), 520u);
    EXPECT_EQ(vt.pool.find<VT::Number_variable_obj>(VAR_FMI)->get_value(), 7u);
    EXPECT_EQ(vt.pool.find<VT::Number_variable_obj>(VAR_COUNT)->get_value(), 3u);

    // A data screen asked for meanwhile waits below the alarm.
    EXPECT_TRUE(man.switch_to_screen(&settings));
    EXPECT_EQ(man.get_current_screen(), &alarm);
    EXPECT_FALSE(settings.is_active());

    // The release of the cross key does nothing; its press closes the alarm.
    soft_key(KEY_CROSS, Activation_event::PRESSED, 3);
    EXPECT_EQ(man.get_current_screen(), &settings);
    man.switch_to_screen(&alarm);
    soft_key(KEY_CROSS, Activation_event::RELEASED, 3);
    EXPECT_EQ(man.get_current_screen(), &alarm);
    soft_key(KEY_A, Activation_event::PRESSED, 1); // not the cross
    EXPECT_EQ(man.get_current_screen(), &alarm);
    soft_key(KEY_CROSS, Activation_event::PRESSED, 3);
    EXPECT_EQ(man.get_current_screen(), &settings);
    EXPECT_EQ(masks_shown().back(), MASK_SETTINGS);
}

TEST_F(Screen_man_fixture, ATimeoutAlarmReturnsAfterItsTime)
{
    start();
    man.switch_to_screen("run");
    man.switch_to_screen(&note);
    EXPECT_EQ(man.get_current_screen(), &note);
    man.advance(999);
    EXPECT_EQ(man.get_current_screen(), &note);
    man.advance(1);
    EXPECT_EQ(man.get_current_screen(), &run);
    EXPECT_TRUE(run.is_active());

    // Closed before its time: the expiry does nothing.
    man.switch_to_screen(&note);
    man.back_screen(1);
    man.switch_to_screen(&settings);
    man.advance(1000);
    EXPECT_EQ(man.get_current_screen(), &settings);
    EXPECT_TRUE(man.set_alarm_timeout("note", 2000));
    EXPECT_FALSE(man.set_alarm_timeout("run", 2000));
}

TEST_F(Screen_man_fixture, GlobalStatsAreSharedByTheScreensThatListThem)
{
    static const Stat_ids::num_ids speed_only[] = {Stat_ids::NUM_0};
    static const Stat_ids::num_ids speed_twice[] = {Stat_ids::NUM_0, Stat_ids::NUM_0};
    run.set_stat_num_ids(speed_only, 1);
    settings.set_stat_num_ids(speed_twice, 2);
    Stat_num* speed = stat_man.get_num(Stat_ids::NUM_0);
    ASSERT_TRUE(speed->init(&intro.get_global_stat_col(), vt.pool.find<VT::Output_number_obj>(OUT_SPEED), 0,
                            Stat_num_format(Units_man::UNITS_SPEED, 0.1, 1),
                            Stat_num_format(Units_man::UNITS_SPEED, 0.1, 1), nullptr, Stat_num::RAW_MAX, 0,
                            &vt.pool, nullptr));
    start();
    // Set up into the active set; the first screen to go down puts it back.
    EXPECT_EQ(stat_man.get_stats().count(), 1);

    man.switch_to_screen(&run);
    EXPECT_EQ(stat_man.get_stats().count(), 1);
    speed->set_val(2.0);
    vt.sent();
    man.advance(100); // the manager's refresh
    auto cmds = Recording_pool::of(vt.sent(), Recording_pool::CHANGE_NUMERIC_VALUE, OUT_SPEED);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(cmds[0].value, Stat_num::RAW_MAX / 2 + 20);

    // The next screen lists it twice: it is active once, and the value that
    // went out is not sent again.
    man.switch_to_screen(&settings);
    EXPECT_EQ(stat_man.get_stats().count(), 1);
    EXPECT_EQ(stat_man.available_count(), 0);
    man.advance(100);
    EXPECT_TRUE(Recording_pool::of(vt.sent(), Recording_pool::CHANGE_NUMERIC_VALUE, OUT_SPEED).empty());
    man.back_screen(2);
    EXPECT_EQ(man.get_current_screen(), &intro);
    EXPECT_EQ(stat_man.get_stats().count(), 0);
    EXPECT_EQ(stat_man.available_count(), 1);
}

TEST_F(Screen_man_fixture, OperatorEditsFindTheirStatAndStrayOnesChangeNothing)
{
    Stat_num rate;
    ASSERT_TRUE(rate.init(&intro.get_stats(), vt.pool.find<VT::Input_number_obj>(IN_RATE), 0, Stat_num_format(),
                          Stat_num_format(), nullptr, Stat_num::RAW_MAX, 0, &vt.pool, nullptr));
    rate.set_editable(true);
    start();
    vt_event(VT_event::CHANGE_NUMERIC_VALUE, IN_RATE, Stat_num::RAW_MAX / 2 + 12);
    ASSERT_EQ(intro.edited.size(), 1u);
    EXPECT_EQ(intro.edited[0], &rate);
    EXPECT_EQ(rate.get_stat_val_int(), 12);
    vt.sent();

    for (unsigned short stray : {NULL_ID, uint16_t(999), OUT_SPEED})
        vt_event(VT_event::CHANGE_NUMERIC_VALUE, stray, 5);
    EXPECT_EQ(intro.edited.size(), 1u);
    EXPECT_EQ(rate.get_stat_val_int(), 12);
    EXPECT_TRUE(vt.sent().empty());
}

TEST_F(Screen_man_fixture, AnAbortedLiveEditPutsTheSelectedValueBack)
{
    Stat_num rate;
    ASSERT_TRUE(rate.init(&intro.get_stats(), vt.pool.find<VT::Input_number_obj>(IN_RATE), 0, Stat_num_format(),
                          Stat_num_format(), nullptr, Stat_num::RAW_MAX, 0, &vt.pool, nullptr));
    rate.set_editable(true);
    start();
    vt_event(VT_event::SELECT_INPUT_OBJECT, 1, IN_RATE); // backs up the raw value of zero
    vt_event(VT_event::CHANGE_NUMERIC_VALUE, IN_RATE, Stat_num::RAW_MAX / 2 + 4);
    EXPECT_EQ(rate.get_stat_val_int(), 4);
    vt_event(VT_event::ESC, 0, IN_RATE);
    EXPECT_EQ(rate.get_stat_val_int(), 0);
    EXPECT_EQ(intro.edited.size(), 2u);
    // Nothing backed up any more: a second ESC changes nothing.
    vt_event(VT_event::ESC, 0, IN_RATE);
    EXPECT_EQ(intro.edited.size(), 2u);
}

TEST_F(Screen_man_fixture, RestrictedSwitchesWaitUntilReleased)
{
    start();
    man.set_restrict_screen_switches(true);
    EXPECT_FALSE(man.switch_to_screen(&run));
    EXPECT_EQ(man.get_current_screen(), &intro);
    EXPECT_EQ(man.get_pending_screens().count(), 1);
    man.set_restrict_screen_switches(false);
    EXPECT_EQ(man.get_current_screen(), &run);
    EXPECT_EQ(man.get_pending_screens().count(), 0);
}

TEST_F(Screen_man_fixture, VtStatusNamingAnotherMaskIsActedOnAfterTheGuard)
{
    start();
    VT::VT_status_message m;
    m.valid = true;
    m.data[2] = uint8_t(MASK_RUN);
    m.data[3] = 0;
    man.send_vt_status(m);
    EXPECT_EQ(ui.mismatches, 0); // within 5000 ms of the switch
    man.advance(5000);
    man.send_vt_status(m);
    EXPECT_EQ(ui.mismatches, 1);
    // The VT showing the current mask is fine.
    m.data[2] = uint8_t(MASK_INTRO);
    man.send_vt_status(m);
    EXPECT_EQ(ui.mismatches, 1);
    // A busy pool delays the next check by 2000 ms.
    m.data[2] = uint8_t(MASK_RUN);
    vt.pool.set_running(false);
    man.send_vt_status(m);
    vt.pool.set_running(true);
    man.advance(1999);
    man.send_vt_status(m);
    EXPECT_EQ(ui.mismatches, 1);
    man.advance(1);
    man.send_vt_status(m);
    EXPECT_EQ(ui.mismatches, 2);
}

TEST_F(Screen_man_fixture, StoreEventsGoToTheScreenTheyName)
{
    start();
    waiter_event e(0, 0, intptr_t(uint32_t(run.get_id()) << 16 | 77));
    EXPECT_TRUE(man.send_data_store_event(e));
    EXPECT_EQ(run.store_values, (std::vector<unsigned short>{77}));
    waiter_event nobody(0, 0, intptr_t(uint32_t(40) << 16 | 1));
    EXPECT_FALSE(man.send_data_store_event(nobody));
}

TEST_F(Screen_man_fixture, ScreensSwitchedBeforeThePoolRunsWaitOnTheStack)
{
    start(false);
    EXPECT_TRUE(man.switch_to_screen(&run));
    EXPECT_EQ(man.get_current_screen(), &intro);
    EXPECT_EQ(man.peek_previous_screen(), &run);
}

namespace {
// The capabilities record as the VT session builds it from a VT's answers:
// its version, its small and large font sizes.
VT::vt_capabilities_t capabilities_from(uint8_t version, uint8_t small_fonts, uint8_t large_fonts)
{
    struct Link : VT::Vt_link {
        bool send(uint8_t, uint32_t, uint8_t, const uint8_t*, uint32_t, int) override { return true; }
        uint8_t own_address() override { return 28; }
        bool name_of(uint8_t, JIN_name::RAWNAME&) override { return false; }
    } link;
    module_man mm;
    VT::Object_pool pool(&mm);
    VT::Vt_session session(pool, link, VT::Vt_session::Config());
    session.start(0);
    const std::vector<std::vector<uint8_t>> from_vt = {
        {0xFE, 28, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0},                                  // status
        {0xC0, version, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},                          // memory
        {0xC2, 4, 0xFF, 0xFF, 60, 32, 64, 6},                                      // soft keys
        {0xC3, 0xFF, 0xFF, 0xFF, 0xFF, small_fonts, large_fonts, 0x0F},            // fonts
        {0xC7, 0xFF, 2, 0x0F, uint8_t(480 & 0xFF), uint8_t(480 >> 8), 0xE0, 0x01}, // hardware
    };
    for (const std::vector<uint8_t>& m : from_vt)
        session.on_vt_message(0x26, m.data(), uint32_t(m.size()), 0);
    EXPECT_EQ(session.state(), VT::Vt_session::END_OF_POOL) << session.last_error();
    return pool.get_capabilities();
}
} // namespace

TEST(Vt_information_test, KindFollowsTheMakerAndItsGeneration)
{
    auto name = [](unsigned maker, unsigned identity) {
        return JIN_name::RAWNAME(J1939::industry_group_t(2), 0, J1939::device_class_t(0), J1939::function_code_t(29), 0,
                                 0, J1939::manufacturer_code_t(maker), identity, true);
    };
    // The maker that tells its generations apart by their VT version and
    // font sizes.
    EXPECT_EQ(VT_information(name(102, 1), capabilities_from(6, 0xF0, 0x00)).kind, 2);
    VT_information live(name(102, 1), capabilities_from(6, 0xFF, 0x7F));
    EXPECT_EQ(live.kind, VT_information::KIND_LIVE_EDIT);
    EXPECT_TRUE(live.kind_by_version);
    EXPECT_EQ(VT_information(name(102, 1), capabilities_from(8, 0xF0, 0x00)).kind, 3);
    EXPECT_EQ(VT_information(name(102, 1), capabilities_from(5, 0xF0, 0x00)).kind, 5);
    const VT::vt_capabilities_t caps = capabilities_from(4, 0xFF, 0x00);
    EXPECT_EQ(VT_information(name(57, 1), caps).kind, 1);
    EXPECT_EQ(VT_information(name(232, 1), caps).kind, 1);
    EXPECT_EQ(VT_information(name(89, 1), caps).kind, 6);
    EXPECT_EQ(VT_information(name(SOWVANE_MANUFACTURER_CODE, 27), caps).kind, 8);
    EXPECT_EQ(VT_information(name(SOWVANE_MANUFACTURER_CODE, 3), caps).kind, 7);
    EXPECT_EQ(VT_information(name(1, 1), caps).kind, 0);
    EXPECT_FALSE(VT_information(name(1, 1), caps).kind_by_version);
}

// The null id stands for "no key" and "no button" of an activator: events
// that name it reach none.
TEST_F(Screen_man_fixture, TheNullIdWorksNoActivator)
{
    start();
    soft_key(NULL_ID, Activation_event::PRESSED);
    soft_key(NULL_ID, Activation_event::RELEASED);
    vt_event(VT_event::BUTTON_ACTIVATION, Activation_event::PRESSED, NULL_ID);
    vt_event(VT_event::BUTTON_ACTIVATION, Activation_event::RELEASED, NULL_ID);
    vt_event(VT_event::SELECT_INPUT_OBJECT, 1, NULL_ID);
    EXPECT_TRUE(intro.events.empty()) << intro.events.front();
    // The real ones still do.
    soft_key(KEY_A, Activation_event::PRESSED);
    vt_event(VT_event::BUTTON_ACTIVATION, Activation_event::PRESSED, BUTTON);
    EXPECT_EQ(intro.events, (std::vector<std::string>{"A Pressed 0", "button Pressed 0"}));
}

TEST_F(Screen_man_fixture, EscToRootGivesUpAfterElevenTries)
{
    start();
    man.switch_to_screen(&run);
    // The run screen takes ESC without going back: the stack never empties.
    EXPECT_FALSE(man.esc_to_root());
    EXPECT_EQ(run.events.size(), 11u);
    EXPECT_EQ(run.events.back(), "? ESC 0");
    man.back_screen(1);
    EXPECT_TRUE(man.esc_to_root());
}

TEST_F(Screen_man_fixture, AStackedScreenDeferredWhileRestrictedMovesToThePendingList)
{
    start();
    man.switch_to_screen(&run);
    man.switch_to_screen(&settings); // run and intro are stacked
    man.set_restrict_screen_switches(true);
    EXPECT_FALSE(man.switch_to_screen(&run));
    EXPECT_FALSE(man.get_screen_stack().contains(&run));
    EXPECT_TRUE(man.get_pending_screens().contains(&run));
    man.set_restrict_screen_switches(false);
    EXPECT_EQ(man.get_current_screen(), &run);
    EXPECT_EQ(man.back_screen(1), &settings);
}

TEST_F(Screen_man_fixture, WhileThePencilShowsSoftKeysBypassTheActivators)
{
    start();
    EXPECT_FALSE(man.get_pencil_man().is_visible()); // shown only when an edit asks for it
    man.get_pencil_man().show(true);
    soft_key(KEY_A, Activation_event::PRESSED);
    EXPECT_TRUE(intro.events.empty());
    EXPECT_EQ(intro.hooked_keys, (std::vector<unsigned short>{KEY_A}));
    intro.de_edit();
    EXPECT_FALSE(man.get_pencil_man().is_visible());
    soft_key(KEY_A, Activation_event::PRESSED);
    EXPECT_EQ(intro.events, (std::vector<std::string>{"A Pressed 0"}));
}

TEST_F(Screen_man_fixture, EachAlarmWritesItsOwnValuesIntoTheSharedObjects)
{
    start();
    alarm.set_values(1, 100, 2, NULL_ID);
    low.set_values(5, 900, 31, NULL_ID);
    man.switch_to_screen(&low);
    EXPECT_EQ(vt.pool.find<VT::Number_variable_obj>(VAR_SPN)->get_value(), 900u);
    auto* esc = vt.pool.find<VT::Output_string_obj>(ESC_TEXT);
    EXPECT_EQ(esc->get_variable_reference(), ESC_TEXT + 1);
    Window::allow_vt_esc_text = false;
    man.switch_to_screen(&alarm); // higher priority: shown on top
    Window::allow_vt_esc_text = true;
    EXPECT_EQ(man.get_current_screen(), &alarm);
    EXPECT_EQ(vt.pool.find<VT::Number_variable_obj>(VAR_SPN)->get_value(), 100u);
    EXPECT_EQ(vt.pool.find<VT::Number_variable_obj>(VAR_FMI)->get_value(), 2u);
    EXPECT_EQ(esc->get_variable_reference(), NULL_ID);
    EXPECT_EQ(man.back_screen(1), &low);
    EXPECT_EQ(vt.pool.find<VT::Number_variable_obj>(VAR_COUNT)->get_value(), 5u);
}

// A count that changes while its pop-up is up shows at once, and only then;
// an unchanged one sends nothing.
TEST_F(Screen_man_fixture, ANewOccurrenceCountShowsAtOnceWhileItsAlarmIsUp)
{
    start();
    alarm.set_values(1, 100, 2, NULL_ID);
    low.set_values(5, 900, 31, NULL_ID);
    man.switch_to_screen(&alarm);
    vt.sent();
    low.set_occurrence_count(6);
    EXPECT_TRUE(vt.sent().empty());
    alarm.set_occurrence_count(2);
    const std::vector<Vt_cmd> sent = vt.sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].id, VAR_COUNT);
    EXPECT_EQ(sent[0].value, 2u);
    alarm.set_occurrence_count(2);
    EXPECT_TRUE(vt.sent().empty());
    EXPECT_EQ(man.back_screen(1), &intro);
    EXPECT_EQ(low.get_occurrence_count(), 6u);
}

namespace {

// The masks a working set may show, each offering the operator a way out or
// none: soft keys, an empty soft key mask, a button in a container, one in a
// hidden container, nothing but progress.
struct Way_out_pool : Recording_pool {
    enum : unsigned short {
        KEYS = 10, KEY = 11, NO_KEYS = 12, BUTTON = 20, SHOWN_BOX = 30, HIDDEN_BOX = 31, INNER_BOX = 32,
        PROGRESS = 40, WITH_KEYS = 100, WITH_EMPTY_KEYS, WITH_BUTTON, WITH_HIDDEN_BUTTON, LOADING, ALARM_WITH_KEYS,
        ALARM_WITHOUT_KEYS
    };
    Way_out_pool()
    {
        add(new VT::Working_set_obj(1, "ws", 0, true, LOADING));
        add(new VT::Soft_key_mask_obj(KEYS, "keys", 0))->add_key(KEY);
        add(new VT::Key_obj(KEY, "key", 0, 1));
        add(new VT::Soft_key_mask_obj(NO_KEYS, "no_keys", 0));
        add(new VT::Button_obj(BUTTON, "button", 20, 20, 0, 1, 4, false));
        add(new VT::Container_obj(INNER_BOX, "inner_box", 40, 40, false))->add_child(BUTTON, 0, 0);
        add(new VT::Container_obj(SHOWN_BOX, "shown_box", 60, 60, false))->add_child(INNER_BOX, 0, 0);
        add(new VT::Container_obj(HIDDEN_BOX, "hidden_box", 60, 60, true))->add_child(BUTTON, 0, 0);
        add(new VT::Output_string_obj(PROGRESS, "progress", 60, 10, 1, NULL_ID, 0, NULL_ID, 0, "Loading..."));
        add(new VT::Data_mask_obj(WITH_KEYS, "with_keys", 0, KEYS))->add_child(PROGRESS, 0, 0);
        add(new VT::Data_mask_obj(WITH_EMPTY_KEYS, "with_empty_keys", 0, NO_KEYS));
        add(new VT::Data_mask_obj(WITH_BUTTON, "with_button", 0, NO_KEYS))->add_child(SHOWN_BOX, 0, 0);
        add(new VT::Data_mask_obj(WITH_HIDDEN_BUTTON, "with_hidden_button", 0, NULL_ID))->add_child(HIDDEN_BOX, 0, 0);
        add(new VT::Data_mask_obj(LOADING, "loading", 0, NULL_ID))->add_child(PROGRESS, 0, 0);
        add(new VT::Alarm_mask_obj(ALARM_WITH_KEYS, "alarm_with_keys", 0, KEYS, 1, 0));
        add(new VT::Alarm_mask_obj(ALARM_WITHOUT_KEYS, "alarm_without_keys", 0, NULL_ID, 1, 0));
    }
};

// A data screen of no manager on any mask.
class Plain_screen : public Data_screen {
public:
    Plain_screen() : Data_screen("plain", nullptr) {}
    bool init(VT::Object_pool*, NV_kelsu::parameters_t*) override { return true; }
};

} // namespace

// What the operator can leave is read from the mask: a soft key or a
// button not hidden away is a way out, a mask of progress alone is none.
TEST(Screen_way_out, ASoftKeyOrAShownButtonIsAWayOutAndAProgressMaskNone)
{
    Way_out_pool vt;
    NV_kelsu::parameters_t* params = nullptr;
    const struct {
        unsigned short mask;
        bool way_out;
    } data_masks[] = {
        {Way_out_pool::WITH_KEYS, true},           {Way_out_pool::WITH_EMPTY_KEYS, false},
        {Way_out_pool::WITH_BUTTON, true},         {Way_out_pool::WITH_HIDDEN_BUTTON, false},
        {Way_out_pool::LOADING, false},
    };
    for (const auto& c : data_masks) {
        Plain_screen screen;
        screen.Data_screen::init(&vt.pool, vt.pool.find<VT::Data_mask_obj>(c.mask), params, nullptr, 0);
        EXPECT_EQ(screen.offers_way_out(), c.way_out) << "mask " << c.mask;
    }
    Plain_screen without_mask;
    EXPECT_FALSE(without_mask.offers_way_out());

    for (auto [mask, way_out] : {std::pair<unsigned short, bool>{Way_out_pool::ALARM_WITH_KEYS, true},
                                 {Way_out_pool::ALARM_WITHOUT_KEYS, false}}) {
        Alarm_screen alarm(vt.pool.find<VT::Alarm_mask_obj>(mask), nullptr, "alarm");
        alarm.init(&vt.pool, params);
        EXPECT_EQ(alarm.offers_way_out(), way_out) << "alarm mask " << mask;
    }
}
