// The working set's session against VTs: the project's in-process terminal
// (VtCommandProcessor) for whole sessions, and a scripted VT for the answers
// a real terminal gives when things go wrong. Messages and time are fed in;
// nothing runs on another thread.
#include "Vt_test_images.h"
#include "Vt_test_link.h"

#include "platform/vt/DOM_xerces_spec_man.h"
#include "platform/vt/Object_deserial.h"
#include "platform/vt/Object_pool.h"
#include "platform/vt/Upload_bar_progress.h"
#include "platform/vt/Vt_session.h"

#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "tests/support/tshark_fields.h"
#include "tests/support/vt_object_model/InProcessVt.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

using namespace VT;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint8_t VT_A = 0x26;
constexpr uint8_t VT_B = 0x27;

using vt_test::OUR_ADDRESS;
using vt_test::Sent;
using vt_test::Test_link;

// Event 10 (a command's completion) as the application reads it.
struct Completion {
    unsigned short object;
    uint8_t function, result, error;
    bool operator==(const Completion& o) const
    {
        return object == o.object && function == o.function && result == o.result && error == o.error;
    }
};
std::ostream& operator<<(std::ostream& os, const Completion& c)
{
    return os << "{object " << c.object << " function " << int(c.function) << " result " << int(c.result)
              << " error " << int(c.error) << "}";
}

// A pool from the implement's specification and a generated image.
class Session : public testing::Test {
protected:
    void SetUp() override
    {
        waiter.init(&mm);
        pool.register_event_waiter(waiter);
        ASSERT_NO_FATAL_FAILURE(vt_test::load_pool(pool, image_strings()));
        link.names[VT_A] = 0xA000000000000001ull;
        link.names[VT_B] = 0xA000000000000002ull;
        vt.processor.setWorkingSetMaster(OUR_ADDRESS);
    }
    virtual int image_strings() { return 20; }

    Vt_session& make_session(Vt_session::Config config = Vt_session::Config())
    {
        config.intro_mask = pool.find<Data_mask_obj>("mask_intro")->get_id();
        config.progress = &progress;
        session.reset(new Vt_session(pool, link, config));
        session->start(now);
        return *session;
    }

    // A VT status message from `src` (the working set master and busy bits).
    void status(uint8_t src, uint8_t master = OUR_ADDRESS, uint8_t busy = 0)
    {
        Bytes s = {0xFE, master, 0xFF, 0xFF, 0xFF, 0xFF, busy, 0};
        session->on_vt_message(src, s.data(), uint32_t(s.size()), now);
    }

    // Delivers what the session sent to the in-process VT at VT_A (and the
    // second one at VT_B, when there is one), and what they answer back,
    // until all are quiet.
    void pump()
    {
        auto busy = [this] {
            return !link.out.empty() || !vt.transport.sent.empty() || (second && !second->transport.sent.empty());
        };
        for (int rounds = 0; rounds < 1000 && busy(); ++rounds) {
            while (!link.out.empty()) {
                Sent s = link.out.front();
                link.out.pop_front();
                log.push_back(s);
                if (s.pgn == Vt_session::PGN_ECU_TO_VT && s.dest == VT_A) {
                    vt.receive(s.bytes);
                    ++received[VT_A];
                } else if (s.pgn == Vt_session::PGN_ECU_TO_VT && s.dest == VT_B && second) {
                    second->receive(s.bytes);
                    ++received[VT_B];
                }
                session->on_sent(s.tag, true, now);
            }
            answers_of(vt, VT_A);
            if (second)
                answers_of(*second, VT_B);
        }
    }
    void answers_of(InProcessVt& from, uint8_t address)
    {
        for (const VtSentMessage& m : from.transport.take())
            if (m.destination == OUR_ADDRESS || m.destination == 255)
                session->on_vt_message(address, m.bytes.data(), uint32_t(m.bytes.size()), now);
    }

    void advance(int ms, bool statuses = true)
    {
        for (int t = 0; t < ms; t += 100) {
            now += 100;
            vt.system.timeMs = uint32_t(now);
            if (statuses && now % 1000 == 0)
                status(VT_A);
            session->tick(now);
            pump();
        }
    }

    // The functions of the messages sent to the VT, in order.
    std::vector<uint8_t> functions_sent() const
    {
        std::vector<uint8_t> f;
        for (const Sent& s : log)
            if (s.pgn == Vt_session::PGN_ECU_TO_VT && !s.bytes.empty())
                f.push_back(s.bytes[0]);
        return f;
    }

    std::vector<waiter_event> events()
    {
        std::vector<waiter_event> out;
        waiter_event ev;
        while (waiter.get_event(&ev, Atime::now()) == 0)
            out.push_back(ev);
        return out;
    }

    // The completions (event 10) since the last look.
    std::vector<Completion> completions()
    {
        std::vector<Completion> out;
        for (const waiter_event& ev : events())
            if (pool.vt_event_of(ev.module_id) == 10)
                out.push_back({uint16_t(ev.data), uint8_t(ev.code), uint8_t(ev.code >> 8), uint8_t(ev.code >> 16)});
        return out;
    }

    void bring_up()
    {
        make_session();
        status(VT_A);
        pump();
        ASSERT_EQ(session->state(), Vt_session::RUNNING) << session->last_error();
    }

    module_man mm;
    waiter_descriptor waiter;
    Object_pool pool{&mm};
    Upload_bar_progress progress{nullptr};
    Test_link link;
    InProcessVt vt;
    InProcessVt* second = nullptr;
    std::map<uint8_t, int> received;
    std::unique_ptr<Vt_session> session;
    std::vector<Sent> log;
    int64_t now = 1000;
};

TEST_F(Session, FindsTheVtAnnouncesTheWorkingSetAndUploadsThePool)
{
    vt.system.setNavigationSoftKeys(2);
    vt.system.setVirtualSoftKeys(64);
    vt.system.setPhysicalSoftKeys(6);
    vt.system.setSoftKeySize(VtSize(60, 32));
    make_session();
    EXPECT_EQ(pool.get_connection_state(), CONN_WAIT_VT);
    status(VT_A);
    pump();
    ASSERT_EQ(session->state(), Vt_session::RUNNING) << session->last_error();
    EXPECT_TRUE(pool.is_running());
    EXPECT_TRUE(pool.is_vt_active());
    EXPECT_EQ(pool.get_connection_state(), CONN_ACTIVE);
    EXPECT_EQ(progress.get_percent(), 100);

    // Master message to all, then the maintenance with the initiating bit,
    // then the VT's memory, soft keys, fonts and hardware, the pool and its end.
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0].pgn, Vt_session::PGN_WS_MASTER);
    EXPECT_EQ(log[0].dest, 255);
    EXPECT_EQ(log[0].bytes[0], 1);
    EXPECT_EQ(log[1].bytes[0], 0xFF);
    EXPECT_EQ(log[1].bytes[1], 1);
    std::vector<uint8_t> f = functions_sent();
    ASSERT_GE(f.size(), 7u);
    EXPECT_EQ(Bytes(f.begin() + 1, f.begin() + 5), (Bytes{0xC0, 0xC2, 0xC3, 0xC7}));
    EXPECT_EQ(f[5], 0x11);
    EXPECT_EQ(f.back(), 0x12);

    // The terminal holds every object, and shows the intro mask first.
    EXPECT_FALSE(vt.processor.getPoolError().failed);
    for (const auto& entry : pool.objects())
        ASSERT_NE(vt.processor.getObject(entry.first), nullptr) << entry.first;
    EXPECT_EQ(vt.display.getActiveMaskId(), pool.find<Data_mask_obj>("mask_intro")->get_id());

    // What the application reads: the connection went 11, 13, 16.
    std::vector<intptr_t> states;
    for (const waiter_event& ev : events())
        if (ev.data == EVENT_CONNECTION)
            states.push_back(ev.code);
    EXPECT_EQ(states, (std::vector<intptr_t>{CONN_WAIT_VT, CONN_VT_FOUND, CONN_UPLOADING, CONN_ACTIVE}));
    JIN_name::RAWNAME name;
    ASSERT_TRUE(pool.get_vt_name(name));
    EXPECT_EQ(name.to_u64(), 0xA000000000000001ull);
    EXPECT_GT(pool.get_x_res(), 0);
    // Soft keys: navigation, virtual, physical; the designator's size.
    EXPECT_EQ(pool.get_capabilities().word[2], 2u | 64u << 8 | 6u << 16);
    EXPECT_EQ(pool.get_capabilities().word[3], 60u | 32u << 8);
}

TEST_F(Session, MaintenanceEverySecondAndChangesReachTheTerminal)
{
    bring_up();
    log.clear();
    advance(3000);
    int maintenance = 0;
    for (uint8_t f : functions_sent())
        maintenance += f == 0xFF;
    EXPECT_EQ(maintenance, 3);
    events();

    ASSERT_TRUE(pool.find<Number_variable_obj>("var_alarm_spn")->set_value(4321));
    ASSERT_TRUE(pool.find<Container_obj>("pencil")->set_hidden(0));
    EXPECT_EQ(pool.pending_updates(), 2);
    advance(100);
    unsigned short spn = pool.find<Number_variable_obj>("var_alarm_spn")->get_id();
    EXPECT_EQ(static_cast<VtObjectNumberVariable*>(vt.processor.getObject(spn))->getValue(), 4321u);
    EXPECT_FALSE(static_cast<VtObjectContainer*>(
                     vt.processor.getObject(pool.find<Container_obj>("pencil")->get_id()))->getHidden());
    EXPECT_EQ(pool.pending_updates(), 0);
    int responses = 0;
    for (const waiter_event& ev : events())
        if (pool.vt_event_of(ev.module_id) == 10) {
            ++responses;
            EXPECT_EQ((ev.code >> 8) & 0xFF, 0) << "result";
        }
    EXPECT_EQ(responses, 2);
}

// The VT's answers to change commands carry their error codes where the
// standard puts them: after the selection byte of Select Input Object, after
// the two reserved bytes of Change String Value, after the mask and soft key
// mask of Change Soft Key Mask. Each answer is given as a VT would, and the
// result reaches the application as event 10.
TEST_F(Session, CommandAnswersAreReadInTheStandardsLayout)
{
    bring_up();
    auto id = [this](const char* name) { return pool.find<VT_obj>(name)->get_id(); };
    auto lo = [](unsigned short v) { return uint8_t(v); };
    auto hi = [](unsigned short v) { return uint8_t(v >> 8); };
    const unsigned short pencil = id("pencil"), button = id("button_widget_cycle"), mask = id("mask_intro"),
                         alarm = id("alarm_mask_FAN_PRESSURE_LOW"), list = id("list_locale_units"),
                         text = id("UNIT_NONE");
    struct Case {
        const char* what;
        std::function<bool(Object_pool&)> change;
        Bytes answer;
        uint8_t error;
    };
    const std::vector<Case> cases = {
        {"hide/show: invalid object", [](Object_pool& p) { return p.find<Container_obj>("pencil")->set_hidden(0); },
         {0xA0, lo(pencil), hi(pencil), 1, 0x02, 0xFF, 0xFF, 0xFF}, 0x02},
        {"select: not on the active mask",
         [](Object_pool& p) { return p.find<Button_obj>("button_widget_cycle")->select(); },
         {0xA2, lo(button), hi(button), 0, 0x04, 0xFF, 0xFF, 0xFF}, 0x04},
        {"select: selected", [](Object_pool& p) { return p.find<Button_obj>("button_widget_cycle")->select(); },
         {0xA2, lo(button), hi(button), 1, 0x00, 0xFF, 0xFF, 0xFF}, 0},
        {"active mask: invalid mask",
         [](Object_pool& p) { return p.activate_alarm_mask(p.find<Alarm_mask_obj>("alarm_mask_FAN_PRESSURE_LOW")); },
         {0xAD, lo(alarm), hi(alarm), 0x02, 0xFF, 0xFF, 0xFF, 0xFF}, 0x02},
        {"soft key mask: invalid soft key mask",
         [](Object_pool& p) { return p.find<Data_mask_obj>("mask_intro")->set_soft_key_mask(247); },
         {0xAE, lo(mask), hi(mask), 247, 0, 0x02, 0xFF, 0xFF}, 0x02},
        {"list item: index past the list",
         [](Object_pool& p) {
             return p.find<Input_list_obj>("list_locale_units")->set_child_objects_val(1, 0xFFFF, true);
         },
         {0xB1, lo(list), hi(list), 1, 0xFF, 0xFF, 0x02, 0xFF}, 0x02},
        {"string value: invalid object",
         [](Object_pool& p) { return p.set_string(p.find<VT_obj>("UNIT_NONE"), 0, "x", true, 0); },
         {0xB3, 0xFF, 0xFF, lo(text), hi(text), 0x02, 0xFF, 0xFF}, 0x02},
        {"string value: done",
         [](Object_pool& p) { return p.set_string(p.find<VT_obj>("UNIT_NONE"), 0, "y", true, 0); },
         {0xB3, 0xFF, 0xFF, lo(text), hi(text), 0x00, 0xFF, 0xFF}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        events();
        link.out.clear();
        ASSERT_TRUE(c.change(pool));
        session->tick(now);
        ASSERT_FALSE(link.out.empty());
        const Sent command = link.out.back();
        ASSERT_EQ(command.bytes[0], c.answer[0]);
        link.out.clear();
        session->on_sent(command.tag, true, now);
        session->on_vt_message(VT_A, c.answer.data(), uint32_t(c.answer.size()), now);
        int seen = 0;
        for (const waiter_event& ev : events()) {
            if (pool.vt_event_of(ev.module_id) != 10)
                continue;
            ++seen;
            EXPECT_EQ(ev.code & 0xFF, c.answer[0]);
            EXPECT_EQ((ev.code >> 8) & 0xFF, c.error ? 1 : 0) << "result";
            EXPECT_EQ((ev.code >> 16) & 0xFF, c.error) << "error codes";
        }
        EXPECT_EQ(seen, 1);
    }
}

TEST_F(Session, OperatorEventsReachTheRegisteredWaiter)
{
    bring_up();
    events();
    const unsigned short key = pool.find<Key_obj>("key_cross")->get_id();
    const unsigned short list = pool.find<VT_obj>("list_locale_units")->get_id();
    const unsigned short text = pool.find<VT_obj>("UNIT_NONE")->get_id();
    const unsigned short mask = vt_test::show_edit_keys(pool);
    advance(100);
    events();
    vt.processor.sendSoftKeyActivation(1, key, mask, 2);
    vt.processor.sendChangeNumericValue(list, 77, 4);
    vt.processor.sendEsc(list, 0);
    vt.processor.sendChangeStringValue(text, VtString("abc"));
    pump();
    std::vector<waiter_event> got;
    for (const waiter_event& ev : events())
        if (pool.vt_event_of(ev.module_id) >= 0)
            got.push_back(ev);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(pool.vt_event_of(got[0].module_id), 0);
    EXPECT_EQ(got[0].data & 0xFF, 1u);
    EXPECT_EQ(got[0].code & 0xFFFF, key);
    EXPECT_EQ(pool.vt_event_of(got[1].module_id), 5);
    EXPECT_EQ(got[1].data, list);
    EXPECT_EQ(got[1].code, 77);
    EXPECT_EQ(pool.vt_event_of(got[2].module_id), 4);
    EXPECT_EQ(got[2].data, 0u);
    EXPECT_EQ(got[2].code, list);
    EXPECT_EQ(pool.vt_event_of(got[3].module_id), 8);
    ASSERT_EQ(got[3].get_extended_data_len(), 3u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(got[3].get_extended_data()), 3), "abc");
}

// A VT executing a command takes the next one (it answers them in order);
// one parsing a pool or out of memory gets none until it is free again.
TEST_F(Session, OnlyAVtParsingAPoolOrOutOfMemoryHoldsCommandsBack)
{
    bring_up();
    auto changes_sent = [this] {
        int n = 0;
        for (const Sent& s : link.out)
            n += s.bytes[0] == 0xA8;
        return n;
    };
    const struct {
        const char* what;
        uint8_t busy;
        bool holds;
    } cases[] = {
        {"executing a command", 0x04, false},
        {"updating the visible mask", 0x01, false},
        {"parsing a pool", 0x10, true},
        {"out of memory", 0x80, true},
    };
    unsigned value = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        link.out.clear();
        status(VT_A, OUR_ADDRESS, c.busy);
        pool.find<Number_variable_obj>("var_upload")->set_value(++value);
        session->tick(now);
        EXPECT_EQ(changes_sent(), c.holds ? 0 : 1);
        if (c.holds) {
            now += 1000;
            status(VT_A, OUR_ADDRESS, c.busy);
            session->tick(now);
            EXPECT_EQ(changes_sent(), 0);
            status(VT_A, OUR_ADDRESS, 0);
            session->tick(now);
            EXPECT_EQ(changes_sent(), 1);
        }
        pump();  // the VT answers
        EXPECT_EQ(pool.pending_updates(), 0);
    }

    // A VT that stays busy gets the command after the wait.
    link.out.clear();
    status(VT_A, OUR_ADDRESS, 0x10);
    pool.find<Number_variable_obj>("var_upload")->set_value(++value);
    for (int i = 0; i < 45; ++i) {
        now += 100;
        if (now % 1000 == 0)
            status(VT_A, OUR_ADDRESS, 0x10);
        session->tick(now);
    }
    EXPECT_EQ(changes_sent(), 0);
    for (int i = 0; i < 10; ++i) {
        now += 100;
        session->tick(now);
    }
    EXPECT_EQ(changes_sent(), 1);
}

TEST_F(Session, UnansweredCommandTimesOutAndTheNextGoes)
{
    bring_up();
    events();
    pool.find<Number_variable_obj>("var_upload")->set_value(1);
    pool.find<Number_variable_obj>("var_alarm_fmi")->set_value(2);
    session->tick(now);
    // The first command is lost on the way.
    ASSERT_FALSE(link.out.empty());
    link.out.clear();
    now += Vt_session::RESPONSE_MS + 100;
    status(VT_A);
    session->tick(now);
    pump();
    bool timed_out = false;
    for (const waiter_event& ev : events())
        if (pool.vt_event_of(ev.module_id) == 10 && ((ev.code >> 8) & 0xFF) == 2)
            timed_out = true;
    EXPECT_TRUE(timed_out);
    unsigned short fmi = pool.find<Number_variable_obj>("var_alarm_fmi")->get_id();
    EXPECT_EQ(static_cast<VtObjectNumberVariable*>(vt.processor.getObject(fmi))->getValue(), 2u);
}

TEST_F(Session, PartialUploadOfARunTimeObject)
{
    bring_up();
    char buffer[32];
    char* name = buffer;
    unsigned short id = 0;
    ASSERT_TRUE(pool.get_dyn_obj_id(id, &name, sizeof buffer, "SnV"));
    auto* nv = new Number_variable_obj(id, name, 99);
    ASSERT_TRUE(pool.add_object(nv));
    ASSERT_TRUE(pool.upload(nv));
    EXPECT_EQ(pool.pending_uploads(), 1);
    advance(100);
    EXPECT_EQ(pool.pending_uploads(), 0);
    VtObject* there = vt.processor.getObject(id);
    ASSERT_NE(there, nullptr);
    EXPECT_EQ(static_cast<VtObjectNumberVariable*>(there)->getValue(), 99u);
}

TEST_F(Session, LossAndReturnOfTheVtUploadsAgain)
{
    bring_up();
    advance(1000);
    advance(Vt_session::VT_LOST_MS + 500, false);
    EXPECT_EQ(session->state(), Vt_session::WAIT_VT);
    EXPECT_FALSE(pool.is_running());
    EXPECT_FALSE(pool.is_vt_active());
    VT_status_message last;
    EXPECT_FALSE(pool.get_vt_status(last)) << "no status from a VT that is gone";
    EXPECT_EQ(pool.get_connection_state(), CONN_WAIT_VT);
    // The changes made meanwhile are in the pool that goes up again.
    pool.find<Number_variable_obj>("var_alarm_spn")->set_value(11);
    EXPECT_EQ(pool.pending_updates(), 0);
    vt.processor.deleteAllObjects();
    status(VT_A);
    pump();
    ASSERT_EQ(session->state(), Vt_session::RUNNING) << session->last_error();
    unsigned short spn = pool.find<Number_variable_obj>("var_alarm_spn")->get_id();
    EXPECT_EQ(static_cast<VtObjectNumberVariable*>(vt.processor.getObject(spn))->getValue(), 11u);
}

TEST_F(Session, PrefersTheConfiguredVtAndFallsBackAfterTheTerminalTimeout)
{
    Vt_session::Config config;
    config.preferred_vt = JIN_name::RAWNAME(0xA000000000000002ull);
    config.has_preferred = true;
    config.terminal_timeout_s = 5;
    make_session(config);
    status(VT_A);
    session->tick(now);
    EXPECT_EQ(session->state(), Vt_session::WAIT_VT) << "the preferred VT may still come";
    status(VT_B);
    EXPECT_EQ(session->vt_address(), VT_B);
    EXPECT_EQ(session->get_next_vt(), 1);

    // Without the preferred VT, the first one after the timeout.
    link.out.clear();
    config.preferred_vt = JIN_name::RAWNAME(0xA000000000000009ull);
    make_session(config);
    status(VT_A);
    for (int t = 0; t < 4900; t += 100) {
        now += 100;
        if (now % 1000 == 0)
            status(VT_A);
        session->tick(now);
    }
    EXPECT_EQ(session->state(), Vt_session::WAIT_VT);
    now += 200;
    status(VT_A);
    session->tick(now);
    EXPECT_EQ(session->vt_address(), VT_A);
}

TEST_F(Session, SwitchesToTheNextVt)
{
    bring_up();
    EXPECT_EQ(session->get_next_vt(), 0);
    EXPECT_EQ(session->switch_next_vt(now), -1);
    status(VT_B);
    EXPECT_EQ(session->get_next_vt(), 2);
    log.clear();
    ASSERT_EQ(session->switch_next_vt(now), 0);
    EXPECT_EQ(session->vt_address(), VT_B);
    EXPECT_FALSE(pool.is_running());
    // The old VT is told to drop the pool; the new one is asked for its memory.
    ASSERT_FALSE(link.out.empty());
    EXPECT_EQ(link.out.front().dest, VT_A);
    EXPECT_EQ(link.out.front().bytes[0], 0xB2);
    bool asked = false;
    for (const Sent& s : link.out)
        asked = asked || (s.dest == VT_B && s.bytes[0] == 0xC0);
    EXPECT_TRUE(asked);
}

// Several nodes send the Language command: the locale is the VT's in use,
// and the session asks that VT for it as it takes it.
TEST_F(Session, LanguageCommandOfTheVtInUseBecomesTheLocale)
{
    const Bytes french = {'f', 'r', 0x40, 0x00, 0x15, 0x55, 0x01, 0xFF};
    const Bytes german = {'d', 'e', 0x40, 0x00, 0x00, 0x00, 0x00, 0xFF};
    auto told = [this] {
        bool t = false;
        for (const waiter_event& ev : events())
            t = t || (ev.data == EVENT_LOCALE);
        return t;
    };
    make_session();
    events();
    // Before a VT is in use, nobody's.
    session->on_language(VT_A, french.data(), uint32_t(french.size()));
    EXPECT_FALSE(told());

    status(VT_A);
    bool asked = false;
    for (const Sent& s : link.out)
        asked = asked || (s.pgn == Vt_session::PGN_REQUEST && s.dest == VT_A && s.bytes == Bytes{0x0F, 0xFE, 0x00});
    EXPECT_TRUE(asked) << "the VT is asked for its language";
    events();

    session->on_language(VT_A, french.data(), uint32_t(french.size()));
    EXPECT_TRUE(pool.get_locale() == "fr");
    EXPECT_TRUE(told());

    const struct {
        const char* what;
        uint8_t src;
        Bytes message;
    } ignored[] = {
        {"a tractor ECU", 0xF0, german},
        {"another VT", VT_B, german},
        {"the VT, too short", VT_A, Bytes(german.begin(), german.begin() + 3)},
    };
    for (const auto& c : ignored) {
        SCOPED_TRACE(c.what);
        session->on_language(c.src, c.message.data(), uint32_t(c.message.size()));
        EXPECT_TRUE(pool.get_locale() == "fr");
        EXPECT_FALSE(told());
    }
}

// Events about objects the pool does not hold (the null id among them) reach
// no screen; the VT still gets the answers it waits for.
TEST_F(Session, EventsForObjectsThePoolDoesNotHoldAreDropped)
{
    bring_up();
    const unsigned short mask = vt_test::show_edit_keys(pool);
    advance(100);
    events();
    link.out.clear();
    const unsigned short key = pool.find<Key_obj>("key_cross")->get_id();
    const unsigned short unknown = 0x7777;
    ASSERT_EQ(pool.find<VT_obj>(unknown), nullptr);
    auto lo = [](unsigned short v) { return uint8_t(v); };
    auto hi = [](unsigned short v) { return uint8_t(v >> 8); };
    const Bytes messages[] = {
        {0x00, 1, 0xFF, 0xFF, 0xFF, 0xFF, 3, 0xFF},                  // soft key: null id
        {0x00, 1, lo(unknown), hi(unknown), 0xFF, 0xFF, 3, 0xFF},    // soft key: not ours
        {0x01, 1, 0xFF, 0xFF, 0xFF, 0xFF, 3, 0xFF},                  // button: null id
        {0x03, 0xFF, 0xFF, 1, 0xFF, 0xFF, 0xFF, 0xFF},               // select input: null id
        {0x04, lo(unknown), hi(unknown), 0, 0xFF, 0xFF, 0xFF, 0xFF}, // ESC of an input not ours
        {0x05, lo(unknown), hi(unknown), 0xFF, 7, 0, 0, 0},          // numeric value
        {0x08, lo(unknown), hi(unknown), 2, 'a', 'b', 0xFF, 0xFF},   // string value
        {0x00, 1, lo(key), hi(key), lo(mask), hi(mask), 3, 0xFF},    // soft key: ours
        {0x04, 0xFF, 0xFF, 1, 0xFF, 0xFF, 0xFF, 0xFF},               // ESC, no input open
    };
    for (const Bytes& m : messages)
        session->on_vt_message(VT_A, m.data(), uint32_t(m.size()), now);
    std::vector<std::pair<int, unsigned>> got;
    for (const waiter_event& ev : events())
        if (pool.vt_event_of(ev.module_id) >= 0)
            got.push_back({pool.vt_event_of(ev.module_id), unsigned(ev.code & 0xFFFF)});
    EXPECT_EQ(got, (std::vector<std::pair<int, unsigned>>{{0, key}, {4, 0xFFFF}}));
    // The VT's messages are answered all the same.
    std::vector<uint8_t> answered;
    for (const Sent& s : link.out)
        answered.push_back(s.bytes[0]);
    EXPECT_EQ(answered, (std::vector<uint8_t>{0x00, 0x00, 0x01, 0x03, 0x04, 0x05, 0x08, 0x00, 0x04}));
}

// A command the VT did not answer in time counts as unanswered; when its
// answer comes late, while a command of the same function waits, the answer
// is dropped and the waiting command keeps waiting for its own.
TEST_F(Session, ALateAnswerIsNotTakenForTheNextCommand)
{
    bring_up();
    events();
    Number_variable_obj* number = pool.find<Number_variable_obj>("var_upload");
    const unsigned short id = number->get_id();
    const unsigned short other = pool.find<Number_variable_obj>("var_alarm_fmi")->get_id();
    auto answer = [this](unsigned short object, uint8_t error, uint32_t value) {
        const Bytes a = {0xA8, uint8_t(object), uint8_t(object >> 8), error, uint8_t(value), 0, 0, 0};
        session->on_vt_message(VT_A, a.data(), uint32_t(a.size()), now);
    };

    link.out.clear();
    number->set_value(1);
    session->tick(now);
    ASSERT_EQ(link.out.size(), 1u);
    now += Vt_session::RESPONSE_MS + 100;
    status(VT_A);
    session->tick(now);
    EXPECT_EQ(completions(), (std::vector<Completion>{{id, 0xA8, 2, 0xFF}}));

    link.out.clear();
    number->set_value(2);
    session->tick(now);
    ASSERT_EQ(link.out.size(), 1u);
    answer(id, 0x04, 1);      // the first one's, late, with an error
    answer(other, 0x00, 2);   // another object's
    answer(0xFFFF, 0x00, 2);  // nobody's
    EXPECT_TRUE(completions().empty());
    EXPECT_EQ(pool.pending_updates(), 1);
    answer(id, 0x00, 2);
    EXPECT_EQ(completions(), (std::vector<Completion>{{id, 0xA8, 0, 0}}));
    EXPECT_EQ(pool.pending_updates(), 0);
    answer(id, 0x00, 2);  // twice: no command waits for it
    EXPECT_TRUE(completions().empty());
}

// The data of a partial upload goes by the transport protocol: End of Object
// Pool follows only once the transport has delivered it, and the VT's
// verdict is read from its error bytes.
TEST_F(Session, EndOfObjectPoolOfAPartialUploadFollowsItsData)
{
    bring_up();
    char buffer[32];
    char* name = buffer;
    unsigned short id = 0;
    ASSERT_TRUE(pool.get_dyn_obj_id(id, &name, sizeof buffer, "SsV"));
    auto* text = new String_variable_obj(id, name, "a string longer than one frame");
    ASSERT_TRUE(pool.add_object(text));
    ASSERT_TRUE(pool.upload(text));
    link.out.clear();
    session->tick(now);
    ASSERT_EQ(link.out.size(), 1u);
    const Sent data = link.out.front();
    link.out.clear();
    EXPECT_EQ(data.bytes[0], 0x11);
    EXPECT_GT(data.bytes.size(), 8u);
    // The transport is still busy with it: nothing follows yet.
    now += 500;
    session->tick(now);
    EXPECT_TRUE(link.out.empty());
    session->on_sent(data.tag, true, now);
    ASSERT_EQ(link.out.size(), 1u);
    EXPECT_EQ(link.out.front().bytes[0], 0x12);
    events();
    // No error bytes, yet a faulting object named: done, and logged.
    testing::internal::CaptureStderr();
    const Bytes done = {0x12, 0x00, 0x10, 0x27, 0x11, 0x27, 0x00, 0xFF};
    session->on_vt_message(VT_A, done.data(), uint32_t(done.size()), now);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("10001"), std::string::npos) << err;
    EXPECT_EQ(pool.pending_uploads(), 0);
    int done_events = 0;
    for (const waiter_event& ev : events())
        if (pool.vt_event_of(ev.module_id) == 10) {
            ++done_events;
            EXPECT_EQ((ev.code >> 8) & 0xFF, 0) << "result";
        }
    EXPECT_EQ(done_events, 1);
}

// A command that went by the transport protocol and was given up while its
// transport still runs holds the next command back until the transport is
// through: the VT gets each message whole, in order.
TEST_F(Session, NoCommandOvertakesAMessageStillWithTheTransport)
{
    bring_up();
    auto* text = pool.find<VT_obj>("UNIT_NONE");
    ASSERT_NE(text, nullptr);
    ASSERT_TRUE(pool.set_string(text, 0, "a text of more than eight bytes", true, 0));
    pool.find<Number_variable_obj>("var_upload")->set_value(3);
    link.out.clear();
    session->tick(now);
    ASSERT_EQ(link.out.size(), 1u);
    const Sent long_one = link.out.front();
    EXPECT_EQ(long_one.bytes[0], 0xB3);
    ASSERT_GT(long_one.bytes.size(), 8u);
    link.out.clear();
    for (int i = 0; i < 40; ++i) {
        now += 100;
        if (now % 1000 == 0)
            status(VT_A);
        session->tick(now);
    }
    auto changes_sent = [this] {
        int n = 0;
        for (const Sent& s : link.out)
            n += s.bytes[0] == 0xA8;
        return n;
    };
    EXPECT_EQ(changes_sent(), 0) << "nothing while the transport runs";
    session->on_sent(long_one.tag, true, now);
    EXPECT_EQ(changes_sent(), 1);
}

// Two VTs on the bus: the working set waits for the preferred one, leaves
// the other alone, and moves to it when asked, dropping its pool from the
// first.
TEST_F(Session, PreferredVtAndSwitchToTheNext)
{
    InProcessVt vt_b;
    vt_b.processor.setWorkingSetMaster(OUR_ADDRESS);
    second = &vt_b;
    Vt_session::Config config;
    config.preferred_vt = JIN_name::RAWNAME(0xA000000000000002ull);
    config.has_preferred = true;
    config.terminal_timeout_s = 30;
    make_session(config);
    status(VT_A);
    pump();
    for (int t = 0; t < 2000; t += 100) {
        now += 100;
        if (now % 1000 == 0)
            status(VT_A);
        session->tick(now);
        pump();
    }
    EXPECT_EQ(session->state(), Vt_session::WAIT_VT) << "the preferred VT may still come";
    status(VT_B);
    pump();
    ASSERT_EQ(session->state(), Vt_session::RUNNING) << session->last_error();
    JIN_name::RAWNAME name;
    ASSERT_TRUE(pool.get_vt_name(name));
    EXPECT_EQ(name.to_u64(), 0xA000000000000002ull);
    for (const auto& entry : pool.objects())
        ASSERT_NE(vt_b.processor.getObject(entry.first), nullptr) << entry.first;
    EXPECT_EQ(received[VT_A], 0) << "the other VT is left alone";

    status(VT_A);
    EXPECT_EQ(session->get_next_vt(), 1);
    log.clear();
    ASSERT_EQ(session->switch_next_vt(now), 0);
    pump();
    ASSERT_EQ(session->state(), Vt_session::RUNNING) << session->last_error();
    ASSERT_TRUE(pool.get_vt_name(name));
    EXPECT_EQ(name.to_u64(), 0xA000000000000001ull);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().dest, VT_B);
    EXPECT_EQ(log.front().bytes[0], 0xB2) << "the first VT drops the pool";
    EXPECT_EQ(vt_b.processor.getObject(pool.get_working_set()->get_id()), nullptr);
    for (const auto& entry : pool.objects())
        ASSERT_NE(vt.processor.getObject(entry.first), nullptr) << entry.first;
    EXPECT_GT(received[VT_A], 0);
}

// Every Soft Key and Button Activation is answered with what the VT sent:
// function, activation code, key, parent and key code, and in the last byte
// a version 6 VT's transaction number (its upper half), reserved before;
// whether the key acts or not. The dissector reads each answer as the
// message it answers.
TEST_F(Session, KeyAndButtonActivationsAreAnsweredWithWhatTheVtSent)
{
    std::vector<std::string> frames;
    std::vector<std::string> expected_decodes;
    for (uint32_t version : {3u, 4u, 6u}) {
        SCOPED_TRACE(version);
        vt.system.vtVersion = version;
        bring_up();
        const unsigned short mask = vt_test::show_edit_keys(pool);
        advance(100);
        link.out.clear();
        const unsigned short key = pool.find<Key_obj>("key_tick")->get_id();
        const unsigned short button = pool.find<Button_obj>("button_widget_cycle")->get_id();
        auto lo = [](unsigned short v) { return uint8_t(v); };
        auto hi = [](unsigned short v) { return uint8_t(v >> 8); };
        const std::vector<Bytes> messages = {
            {0x00, 1, lo(key), hi(key), lo(mask), hi(mask), 4, 0x5F},        // a key of the mask shown
            {0x00, 0, lo(key), hi(key), 0xFF, 0xFF, 4, 0xAF},                // one that does not act
            {0x01, 2, lo(button), hi(button), lo(mask), hi(mask), 60, 0x3F}, // a button held
            {0x00, 3, 0xFF, 0xFF, lo(mask), hi(mask), 0, 0xFF},              // no key at all
        };
        for (const Bytes& m : messages)
            session->on_vt_message(VT_A, m.data(), uint32_t(m.size()), now);
        ASSERT_EQ(link.out.size(), messages.size());
        for (size_t i = 0; i < messages.size(); ++i) {
            Bytes expected = messages[i];
            expected[7] = version >= 6 ? uint8_t(messages[i][7] | 0x0F) : 0xFF;
            EXPECT_EQ(link.out[i].dest, VT_A);
            EXPECT_EQ(link.out[i].pgn, Vt_session::PGN_ECU_TO_VT);
            EXPECT_EQ(link.out[i].bytes, expected) << i;
            const Bytes& m = messages[i];
            char decode[64];
            std::snprintf(decode, sizeof decode, "%u/%u/%u/%u/%u", m[0], m[1], unsigned(m[2] | m[3] << 8),
                          unsigned(m[4] | m[5] << 8), m[6]);
            for (bool from_vt : {true, false}) {
                frames.push_back(vt_test::candump_line(from_vt ? m : link.out[i].bytes, from_vt ? "1CE61C26" : "14E7261C",
                                                       int(frames.size())));
                expected_decodes.push_back(decode);
            }
        }
    }
    if (!test_support::tshark_available())
        GTEST_SKIP() << "tshark is not installed";
    const std::vector<std::string> fields = {
        "isobus.vt.command",
        "isobus.vt.soft_key.act_code",
        "isobus.vt.button.act_code",
        "isobus.vt.soft_key.object_id",
        "isobus.vt.button.object_id",
        "isobus.vt.soft_key.parent_object_id",
        "isobus.vt.button.parent_object_id",
        "isobus.vt.soft_key.key_number",
        "isobus.vt.button.key_number",
    };
    EXPECT_EQ(test_support::tshark_isobus_fields(frames, fields), expected_decodes);
}

// The VT knows the working set by its address. Without one the session is
// silent; from a new one it announces the working set and uploads its pool
// again, as to a VT it has just found.
TEST_F(Session, AMoveOfTheWorkingSetsAddressStartsTheSessionAgainFromTheNewOne)
{
    bring_up();
    link.address = 0xFE;
    log.clear();
    advance(2000);
    EXPECT_TRUE(log.empty()) << log.size() << " messages sent without an address";
    EXPECT_EQ(session->state(), Vt_session::WAIT_VT);

    link.address = 0x80;
    advance(2000);
    ASSERT_EQ(session->state(), Vt_session::RUNNING) << session->last_error();
    bool announced = false;
    for (const Sent& s : log)
        announced = announced || s.pgn == Vt_session::PGN_WS_MASTER;
    EXPECT_TRUE(announced);
    const std::vector<uint8_t> f = functions_sent();
    EXPECT_NE(std::find(f.begin(), f.end(), 0xC0), f.end()) << "Get Memory from the new address";
    EXPECT_NE(std::find(f.begin(), f.end(), 0x12), f.end()) << "End of Object Pool from the new address";
}

// An Acknowledgement: control byte (0 ACK, 1 NACK, 2 Access Denied), group
// function, two reserved bytes, the address acknowledged and the PGN.
Bytes acknowledgement(uint8_t control, uint8_t acknowledged, uint32_t pgn)
{
    return {control, 0xFF, 0xFF, 0xFF, acknowledged, uint8_t(pgn), uint8_t(pgn >> 8), uint8_t(pgn >> 16)};
}
const Bytes REQUEST_FOR_CLAIMS = {0x00, 0xEE, 0x00};

// A VT that started again within the time the working set counts it lost
// knows the working set no more: its refusal of the working set's VT
// messages, or its claim that answers no request, starts the connection
// again at once: announcement, memory, the whole pool.
TEST_F(Session, AVtThatLostTheWorkingSetIsJoinedAgainAtItsFirstSign)
{
    const auto claims = [&] { session->on_address_claimed(VT_A, now); };
    struct Case {
        const char* what;
        std::function<void()> before;  // what happened on the bus before
        std::function<void()> sign;
    };
    const Case cases[] = {
        {"a NACK of its VT messages", [] {},
         [&] {
             const Bytes nack = acknowledgement(1, OUR_ADDRESS, Vt_session::PGN_ECU_TO_VT);
             session->on_acknowledgement(VT_A, OUR_ADDRESS, nack.data(), 8, now);
         }},
        {"Access Denied to all, naming the working set", [] {},
         [&] {
             const Bytes denied = acknowledgement(2, OUR_ADDRESS, Vt_session::PGN_ECU_TO_VT);
             session->on_acknowledgement(VT_A, 0xFF, denied.data(), 8, now);
         }},
        {"its address claim, unasked", [] {}, claims},
        {"its claim after a request for another PGN",
         [&] {
             const Bytes other = {0x0F, 0xFE, 0x00};
             session->on_request(0xFF, other.data(), 3, now);
         },
         claims},
        {"its claim once the time to answer a request has passed",
         [&] {
             session->on_request(0xFF, REQUEST_FOR_CLAIMS.data(), 3, now);
             advance(int(Iso::Claim_answer_window::ANSWER_MS) + 100);
         },
         claims},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bring_up();
        advance(1000);
        vt.processor.deleteAllObjects();  // the VT started again
        c.before();
        log.clear();
        c.sign();
        EXPECT_EQ(session->state(), Vt_session::GET_MEMORY);
        EXPECT_FALSE(pool.is_running());
        pump();
        ASSERT_EQ(session->state(), Vt_session::RUNNING) << session->last_error();
        EXPECT_EQ(session->vt_address(), VT_A);
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.front().pgn, Vt_session::PGN_WS_MASTER) << "announced first";
        bool initiating = false;
        for (const Sent& s : log)
            initiating = initiating || (s.pgn == Vt_session::PGN_ECU_TO_VT && s.bytes[0] == 0xFF && s.bytes[1] == 1);
        EXPECT_TRUE(initiating) << "maintenance with the initiating bit";
        const std::vector<uint8_t> f = functions_sent();
        EXPECT_NE(std::find(f.begin(), f.end(), 0xC0), f.end()) << "Get Memory";
        EXPECT_NE(std::find(f.begin(), f.end(), 0x11), f.end()) << "the pool";
        EXPECT_TRUE(pool.is_running());
        for (const auto& entry : pool.objects())
            ASSERT_NE(vt.processor.getObject(entry.first), nullptr) << entry.first;
    }
}

// The VT that started again refuses each message the working set sent
// before it announced itself again; the refusals still on their way start
// nothing more once the connection starts again.
TEST_F(Session, RefusalsStillOnTheirWayAfterTheVtIsJoinedAgainStartNothingMore)
{
    bring_up();
    advance(1000);
    vt.processor.deleteAllObjects();
    const Bytes nack = acknowledgement(1, OUR_ADDRESS, Vt_session::PGN_ECU_TO_VT);
    log.clear();
    for (int refusals = 0; refusals < 3; ++refusals)
        session->on_acknowledgement(VT_A, OUR_ADDRESS, nack.data(), 8, now);
    ASSERT_EQ(session->state(), Vt_session::GET_MEMORY);
    pump();
    ASSERT_EQ(session->state(), Vt_session::RUNNING) << session->last_error();
    int announcements = 0;
    for (const Sent& sent : log)
        announcements += sent.pgn == Vt_session::PGN_WS_MASTER;
    EXPECT_EQ(announcements, 1);

    // Once the VT has answered, a refusal is a sign again.
    vt.processor.deleteAllObjects();
    session->on_acknowledgement(VT_A, OUR_ADDRESS, nack.data(), 8, now);
    EXPECT_EQ(session->state(), Vt_session::GET_MEMORY);
}

// What another node says, another PGN refused, and a claim that answers a
// request for the claims (a node that starts asks all from the null
// address; the working set's node asks the VT when it does not know its
// NAME) leave the connection as it is.
TEST_F(Session, WhatIsNoSignThatTheVtLostTheWorkingSetChangesNothing)
{
    bring_up();
    advance(1000);
    auto acknowledged = [&](uint8_t src, uint8_t dest, const Bytes& d) {
        return [=] { session->on_acknowledgement(src, dest, d.data(), uint32_t(d.size()), now); };
    };
    Bytes short_nack = acknowledgement(1, OUR_ADDRESS, Vt_session::PGN_ECU_TO_VT);
    short_nack.resize(7);
    struct Case {
        const char* what;
        std::function<void()> happens;
    };
    const Case cases[] = {
        {"another node's NACK", acknowledged(VT_B, OUR_ADDRESS, acknowledgement(1, OUR_ADDRESS, 0xE700))},
        {"a NACK of another PGN", acknowledged(VT_A, OUR_ADDRESS, acknowledgement(1, OUR_ADDRESS, 0xFE0F))},
        {"an ACK", acknowledged(VT_A, OUR_ADDRESS, acknowledgement(0, OUR_ADDRESS, 0xE700))},
        {"a NACK to all for another working set", acknowledged(VT_A, 0xFF, acknowledgement(1, 0x80, 0xE700))},
        {"a NACK to another node", acknowledged(VT_A, 0x80, acknowledgement(1, 0x80, 0xE700))},
        {"a NACK too short", acknowledged(VT_A, OUR_ADDRESS, short_nack)},
        {"another node claims", [&] { session->on_address_claimed(0x80, now); }},
        {"the VT answers a request to all from the null address",
         [&] {
             session->on_request(0xFF, REQUEST_FOR_CLAIMS.data(), 3, now);
             advance(250);
             session->on_address_claimed(VT_A, now);
         }},
        {"the VT answers a request to it",
         [&] {
             advance(2000);
             session->on_request(VT_A, REQUEST_FOR_CLAIMS.data(), 3, now);
             advance(1200);
             session->on_address_claimed(VT_A, now);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        c.happens();
        advance(100);
        EXPECT_EQ(session->state(), Vt_session::RUNNING);
        for (const Sent& s : log)
            EXPECT_NE(s.pgn, Vt_session::PGN_WS_MASTER) << "not announced again";
        const std::vector<uint8_t> f = functions_sent();
        EXPECT_EQ(std::find(f.begin(), f.end(), 0xC0), f.end()) << "no Get Memory";
    }
}

// The connection starts again with the VT that lost the working set, not
// with the first one on the bus.
TEST_F(Session, AVtThatLostTheWorkingSetIsJoinedAgainWhenAnotherComesFirst)
{
    InProcessVt vt_b;
    vt_b.processor.setWorkingSetMaster(OUR_ADDRESS);
    second = &vt_b;
    bring_up();
    status(VT_B);
    ASSERT_EQ(session->switch_next_vt(now), 0);
    pump();
    ASSERT_EQ(session->vt_address(), VT_B);
    ASSERT_EQ(session->state(), Vt_session::RUNNING) << session->last_error();
    const int at_a = received[VT_A];

    const Bytes nack = acknowledgement(1, OUR_ADDRESS, Vt_session::PGN_ECU_TO_VT);
    session->on_acknowledgement(VT_B, OUR_ADDRESS, nack.data(), 8, now);
    EXPECT_EQ(session->vt_address(), VT_B);
    pump();
    EXPECT_EQ(session->state(), Vt_session::RUNNING) << session->last_error();
    EXPECT_EQ(received[VT_A], at_a) << "the other VT is left alone";
}

// A pointing event and a selection of an input are answered with what the
// VT sent, the transaction number kept on a version 6 VT.
TEST_F(Session, PointingAndInputSelectionAreAnsweredWithWhatTheVtSent)
{
    for (uint32_t version : {3u, 4u, 6u}) {
        SCOPED_TRACE(version);
        vt.system.vtVersion = version;
        bring_up();
        advance(100);
        link.out.clear();
        const unsigned short input = 5000;  // answered whether or not the pool holds it
        const Bytes pointing = {0x02, 0x10, 0x00, 0x20, 0x00, 0x51, 0x34, 0x12};
        const Bytes selection = {0x03, uint8_t(input), uint8_t(input >> 8), 1, 1, 0xFF, 0xFF, 0x7F};
        session->on_vt_message(VT_A, pointing.data(), uint32_t(pointing.size()), now);
        session->on_vt_message(VT_A, selection.data(), uint32_t(selection.size()), now);
        Bytes selected = selection;
        selected[7] = version >= 6 ? 0x7F : 0xFF;
        ASSERT_EQ(link.out.size(), 2u);
        EXPECT_EQ(link.out[0].bytes, pointing);
        EXPECT_EQ(link.out[1].bytes, selected);
        EXPECT_EQ(link.out[1].dest, VT_A);
    }
}

// A key acts only when the operator can see it: a soft key of the soft key
// mask of the mask the working set shows (the VT naming that mask or the
// soft key mask as its parent), a button of that mask. A key naming no
// parent, another mask or a soft key mask not shown reaches no screen.
TEST_F(Session, OnlyAKeyOfTheMaskShownActs)
{
    bring_up();
    const unsigned short mask = vt_test::show_edit_keys(pool);
    advance(100);
    auto id = [this](const char* name) { return pool.find<VT_obj>(name)->get_id(); };
    const unsigned short soft_keys = id("key_mask_edit_number"), tick = id("key_tick"),
                         hidden_key = id("key_edit_space"), button = id("button_widget_cycle"),
                         other_mask = vt_test::RUN_MASK_ID;
    const struct {
        const char* what;
        uint8_t function;
        unsigned short key, parent;
        bool acts;
    } cases[] = {
        {"soft key, parent the mask shown", 0x00, tick, mask, true},
        {"soft key, parent the soft key mask shown", 0x00, tick, soft_keys, true},
        {"soft key, no parent", 0x00, tick, 0xFFFF, false},
        {"soft key, parent another mask", 0x00, tick, other_mask, false},
        {"soft key of a soft key mask not shown", 0x00, hidden_key, mask, false},
        {"soft key of a soft key mask not shown, parent that one", 0x00, hidden_key, id("key_mask_edit_string_control"),
         false},
        {"button, parent the mask shown", 0x01, button, mask, true},
        {"button, no parent", 0x01, button, 0xFFFF, false},
        {"button, parent another mask", 0x01, button, other_mask, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        events();
        const Bytes m = {c.function, 1, uint8_t(c.key), uint8_t(c.key >> 8), uint8_t(c.parent), uint8_t(c.parent >> 8),
                         1, 0xFF};
        session->on_vt_message(VT_A, m.data(), uint32_t(m.size()), now);
        int acted = 0;
        for (const waiter_event& ev : events())
            acted += pool.vt_event_of(ev.module_id) == c.function && (ev.code & 0xFFFF) == c.key;
        EXPECT_EQ(acted, c.acts ? 1 : 0);
    }
    // Once the working set shows another soft key mask, the keys of the one
    // before are hidden.
    ASSERT_TRUE(pool.find<Data_mask_obj>("mask_intro")->set_soft_key_mask(id("key_mask_edit_string_control")));
    advance(100);
    events();
    const Bytes was_shown = {0x00, 1, uint8_t(id("key_increment")), uint8_t(id("key_increment") >> 8), uint8_t(mask),
                             uint8_t(mask >> 8), 1, 0xFF};
    const Bytes now_shown = {0x00, 1, uint8_t(hidden_key), uint8_t(hidden_key >> 8), uint8_t(mask), uint8_t(mask >> 8),
                             1, 0xFF};
    session->on_vt_message(VT_A, was_shown.data(), 8, now);
    session->on_vt_message(VT_A, now_shown.data(), 8, now);
    std::vector<unsigned> keys;
    for (const waiter_event& ev : events())
        if (pool.vt_event_of(ev.module_id) == 0)
            keys.push_back(unsigned(ev.code & 0xFFFF));
    EXPECT_EQ(keys, std::vector<unsigned>{hidden_key});
}

// One lost answer delays no later command. An answer belongs to the oldest
// command waiting for it that it can be the answer of: a Change Numeric
// Value answer echoes the value, so the answer to the next value completes
// that command at once, and the late answer of the value given up is known
// and dropped. A command whose answer cannot be told from that of the one
// given up (a string value of the same object, the same value again) takes
// the next such answer as its own.
TEST_F(Session, OneLostAnswerDelaysNoLaterCommand)
{
    bring_up();
    events();
    Number_variable_obj* number = pool.find<Number_variable_obj>("var_upload");
    const unsigned short id = number->get_id();
    auto answer = [this](const Bytes& a) { session->on_vt_message(VT_A, a.data(), uint32_t(a.size()), now); };
    auto value_answer = [&](uint32_t value) {
        answer({0xA8, uint8_t(id), uint8_t(id >> 8), 0, uint8_t(value), uint8_t(value >> 8), 0, 0});
    };
    // The transport delivers what was sent.
    auto deliver = [this] {
        for (; !link.out.empty(); link.out.pop_front())
            session->on_sent(link.out.front().tag, true, now);
    };
    // Sends the change and loses its answer.
    auto lose_answer_of = [&](std::function<void()> change) {
        link.out.clear();
        change();
        session->tick(now);
        ASSERT_EQ(link.out.size(), 1u);
        deliver();
        now += Vt_session::RESPONSE_MS + 100;
        status(VT_A);
        session->tick(now);
        ASSERT_EQ(completions().size(), 1u) << "given up";
    };

    ASSERT_NO_FATAL_FAILURE(lose_answer_of([&] { number->set_value(1); }));
    link.out.clear();
    number->set_value(2);
    session->tick(now);
    ASSERT_EQ(link.out.size(), 1u);
    value_answer(2);
    EXPECT_EQ(completions(), (std::vector<Completion>{{id, 0xA8, 0, 0}})) << "answered at once";

    number->set_value(300);
    session->tick(now);
    value_answer(1);  // the late answer of the value given up
    EXPECT_TRUE(completions().empty());
    value_answer(300);
    EXPECT_EQ(completions(), (std::vector<Completion>{{id, 0xA8, 0, 0}}));

    // The same value again after a lost answer.
    ASSERT_NO_FATAL_FAILURE(lose_answer_of([&] {
        number->set_value(4);
        pool.change_answered(false);  // the VT's value is not known: sent again
    }));
    number->set_value(5);
    session->tick(now);
    value_answer(5);
    completions();
    number->set_value(4);
    session->tick(now);
    value_answer(4);
    EXPECT_EQ(completions(), (std::vector<Completion>{{id, 0xA8, 0, 0}}));

    // A string value: its answer names the object alone.
    VT_obj* text = pool.find<VT_obj>("UNIT_NONE");
    const unsigned short text_id = text->get_id();
    const Bytes string_answer = {0xB3, 0xFF, 0xFF, uint8_t(text_id), uint8_t(text_id >> 8), 0, 0xFF, 0xFF};
    ASSERT_NO_FATAL_FAILURE(lose_answer_of([&] { pool.set_string(text, 0, "a", true, 0); }));
    for (const char* t : {"b", "c"}) {
        ASSERT_TRUE(pool.set_string(text, 0, t, true, 0));
        session->tick(now);
        deliver();
        answer(string_answer);
        EXPECT_EQ(completions(), (std::vector<Completion>{{text_id, 0xB3, 0, 0}})) << t;
    }
}

// Completions name the message they are about: after a switch to another
// VT, the completion of a pool transfer message to the VT left behind
// neither lets the next chunk to the new VT go early nor frees a command.
TEST_F(Session, ACompletionOfATransferToTheVtLeftBehindCountsForNothing)
{
    InProcessVt vt_b;
    vt_b.processor.setWorkingSetMaster(OUR_ADDRESS);
    make_session();
    status(VT_A);
    status(VT_B);
    // Runs the upload to `to` up to its first pool transfer message and
    // holds that message with the transport.
    auto first_chunk_to = [&](InProcessVt& terminal, uint8_t to) {
        for (int rounds = 0; rounds < 100; ++rounds) {
            if (link.out.empty())
                return Sent{};
            Sent s = link.out.front();
            link.out.pop_front();
            if (s.pgn == Vt_session::PGN_ECU_TO_VT && s.dest == to && s.bytes[0] == 0x11)
                return s;
            if (s.pgn == Vt_session::PGN_ECU_TO_VT && s.dest == to)
                terminal.receive(s.bytes);
            session->on_sent(s.tag, true, now);
            for (const VtSentMessage& m : terminal.transport.take())
                if (m.destination == OUR_ADDRESS)
                    session->on_vt_message(to, m.bytes.data(), uint32_t(m.bytes.size()), now);
        }
        return Sent{};
    };
    const Sent old_chunk = first_chunk_to(vt, VT_A);
    ASSERT_FALSE(old_chunk.bytes.empty());
    ASSERT_EQ(session->state(), Vt_session::UPLOADING);
    ASSERT_EQ(session->switch_next_vt(now), 0);
    const Sent new_chunk = first_chunk_to(vt_b, VT_B);
    ASSERT_FALSE(new_chunk.bytes.empty());
    ASSERT_EQ(session->vt_address(), VT_B);
    link.out.clear();
    session->on_sent(old_chunk.tag, true, now);
    EXPECT_TRUE(link.out.empty()) << "the next chunk waits for the transfer to the new VT";
    session->on_sent(new_chunk.tag, true, now);
    ASSERT_FALSE(link.out.empty());
    EXPECT_EQ(link.out.front().dest, VT_B);
    EXPECT_EQ(link.out.front().bytes[0], 0x11);
}

// ---------------------------------------------------------------------------
// A scripted VT: answers the requests, and End of Object Pool as told.

class Scripted_end : public Session {
protected:
    // Runs the session up to End of Object Pool and answers it with `answer`.
    void answer_end_of_pool(const Bytes& answer)
    {
        make_session();
        status(VT_A);
        for (int rounds = 0; rounds < 200 && !link.out.empty(); ++rounds) {
            Sent s = link.out.front();
            link.out.pop_front();
            session->on_sent(s.tag, true, now);
            if (s.pgn != Vt_session::PGN_ECU_TO_VT)
                continue;
            Bytes reply;
            switch (s.bytes[0]) {
            case 0xC0: reply = {0xC0, 4, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}; break;
            case 0xC2: reply = {0xC2, 4, 0xFF, 0xFF, 60, 32, 6, 6}; break;
            case 0xC3: reply = {0xC3, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x0F}; break;
            case 0xC7: reply = {0xC7, 0xFF, 2, 0x0F, 0xE0, 0x01, 0xE0, 0x01}; break;
            case 0x12: reply = answer; break;
            default: break;
            }
            if (!reply.empty())
                session->on_vt_message(VT_A, reply.data(), uint32_t(reply.size()), now);
        }
    }
    // Lets `ms` pass with the VT's status every second: whether the session
    // asked the VT for its memory meanwhile (a new upload).
    bool asks_memory_within(int ms)
    {
        link.out.clear();
        for (int t = 0; t < ms; t += 100) {
            now += 100;
            if (now % 1000 == 0)
                status(VT_A);
            session->tick(now);
        }
        for (const Sent& s : link.out)
            if (s.pgn == Vt_session::PGN_ECU_TO_VT && s.bytes[0] == 0xC0)
                return true;
        return false;
    }
    int image_strings() override { return 1; }
};

TEST_F(Scripted_end, EndOfObjectPoolIsJudgedByItsErrorBytes)
{
    struct Case {
        const char* what;
        Bytes answer;
    };
    const Case failures[] = {
        {"error bit: pool error", {0x12, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF}},
        {"out of memory", {0x12, 0x04, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF}},
        {"pool error code alone", {0x12, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0xFF}},
        {"any other error", {0x12, 0x10, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF}},
    };
    for (const Case& c : failures) {
        SCOPED_TRACE(c.what);
        events();
        answer_end_of_pool(c.answer);
        EXPECT_EQ(session->state(), Vt_session::UPLOAD_FAILED);
        EXPECT_FALSE(pool.is_running());
        EXPECT_EQ(pool.get_connection_state(), CONN_UPLOAD_FAILED);
        EXPECT_NE(session->last_error().find("End of Object Pool"), std::string::npos);
    }
    // Both error bytes clear: done, even when the faulting-object fields
    // name an object (that is logged).
    testing::internal::CaptureStderr();
    answer_end_of_pool({0x12, 0x00, 0x10, 0x27, 0x11, 0x27, 0x00, 0xFF});
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(session->state(), Vt_session::RUNNING) << session->last_error();
    EXPECT_NE(err.find("names object 10001 (parent 10000)"), std::string::npos) << err;
    answer_end_of_pool({0x12, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF});
    EXPECT_EQ(session->state(), Vt_session::RUNNING);
    EXPECT_EQ(pool.get_x_res(), 480);
    EXPECT_EQ(pool.get_capabilities().word[1], 480u | 480u << 16);
}

TEST_F(Scripted_end, NoAnswerOrNoMemoryFailsTheUpload)
{
    make_session();
    status(VT_A);
    link.out.clear();
    now += Vt_session::RESPONSE_MS + 100;
    status(VT_A);
    session->tick(now);
    EXPECT_EQ(session->state(), Vt_session::UPLOAD_FAILED);
    EXPECT_NE(session->last_error().find("did not answer"), std::string::npos);

    make_session();
    status(VT_A);
    Bytes no_memory = {0xC0, 4, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    session->on_vt_message(VT_A, no_memory.data(), 8, now);
    EXPECT_EQ(session->state(), Vt_session::UPLOAD_FAILED);
    EXPECT_NE(session->last_error().find("memory"), std::string::npos);
}

// A connection started again because the VT refused the working set does
// not inherit the pause of the failed uploads before it: it asks for memory
// at once, and its own first failure is tried again after the first pause.
TEST_F(Scripted_end, ANewConnectionStartsWithoutThePauseOfTheFailedUploads)
{
    answer_end_of_pool({});
    ASSERT_FALSE(asks_memory_within(Vt_session::RESPONSE_MS + 200));
    ASSERT_TRUE(asks_memory_within(Vt_session::UPLOAD_RETRY_MS));
    ASSERT_FALSE(asks_memory_within(Vt_session::RESPONSE_MS + 200));
    ASSERT_EQ(session->state(), Vt_session::UPLOAD_FAILED);  // the next try after twice the pause

    link.out.clear();
    const Bytes nack = acknowledgement(1, OUR_ADDRESS, Vt_session::PGN_ECU_TO_VT);
    session->on_acknowledgement(VT_A, OUR_ADDRESS, nack.data(), 8, now);
    EXPECT_EQ(session->state(), Vt_session::GET_MEMORY);
    bool asked = false;
    for (const Sent& s : link.out)
        asked = asked || (s.pgn == Vt_session::PGN_ECU_TO_VT && s.bytes[0] == 0xC0);
    EXPECT_TRUE(asked) << "memory asked for at once";
    EXPECT_FALSE(asks_memory_within(Vt_session::RESPONSE_MS + 200));
    ASSERT_EQ(session->state(), Vt_session::UPLOAD_FAILED);
    EXPECT_FALSE(asks_memory_within(Vt_session::UPLOAD_RETRY_MS - 400));
    EXPECT_TRUE(asks_memory_within(400)) << "after the first pause again";
}

} // namespace

namespace {

// A VT that reports it is parsing the pool is given time to answer End of
// Object Pool; one that is not parsing and does not answer fails the upload.
TEST_F(Scripted_end, EndOfObjectPoolIsAwaitedWhileTheVtParsesThePool)
{
    for (uint8_t busy : {uint8_t(0x10), uint8_t(0x00)}) {
        SCOPED_TRACE(busy ? "parsing" : "not parsing");
        answer_end_of_pool({});
        ASSERT_EQ(session->state(), Vt_session::END_OF_POOL);
        for (int i = 0; i < 80; ++i) {
            now += 100;
            if (now % 1000 == 0)
                status(VT_A, OUR_ADDRESS, busy);
            session->tick(now);
        }
        if (busy == 0) {
            EXPECT_EQ(session->state(), Vt_session::UPLOAD_FAILED);
            continue;
        }
        ASSERT_EQ(session->state(), Vt_session::END_OF_POOL) << session->last_error();
        status(VT_A, OUR_ADDRESS, 0);
        Bytes done = {0x12, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF};
        session->on_vt_message(VT_A, done.data(), uint32_t(done.size()), now);
        EXPECT_EQ(session->state(), Vt_session::RUNNING);
    }
}

// An upload that went wrong on the way (the VT did not answer in time) is
// tried again after a pause that grows with each failure; a pool the VT
// refused stays refused.
TEST_F(Scripted_end, AnUploadThatWentWrongIsTriedAgainARefusedOneIsNot)
{
    answer_end_of_pool({});
    EXPECT_FALSE(asks_memory_within(Vt_session::RESPONSE_MS + 200));
    ASSERT_EQ(session->state(), Vt_session::UPLOAD_FAILED);
    EXPECT_FALSE(asks_memory_within(Vt_session::UPLOAD_RETRY_MS - 400));
    EXPECT_TRUE(asks_memory_within(400));
    EXPECT_EQ(session->state(), Vt_session::GET_MEMORY);
    // No answer again: the next try after twice the pause.
    EXPECT_FALSE(asks_memory_within(Vt_session::RESPONSE_MS + 200));
    ASSERT_EQ(session->state(), Vt_session::UPLOAD_FAILED);
    EXPECT_FALSE(asks_memory_within(2 * Vt_session::UPLOAD_RETRY_MS - 400));
    EXPECT_TRUE(asks_memory_within(400));

    // A pool the VT refused, or had no memory for, is not sent again.
    answer_end_of_pool({0x12, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF});
    ASSERT_EQ(session->state(), Vt_session::UPLOAD_FAILED);
    EXPECT_FALSE(asks_memory_within(Vt_session::UPLOAD_RETRY_MAX_MS + 1000));
    make_session();
    status(VT_A);
    const Bytes no_memory = {0xC0, 4, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    session->on_vt_message(VT_A, no_memory.data(), 8, now);
    ASSERT_EQ(session->state(), Vt_session::UPLOAD_FAILED);
    EXPECT_FALSE(asks_memory_within(Vt_session::UPLOAD_RETRY_MAX_MS + 1000));
}

} // namespace
