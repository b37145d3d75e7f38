// What the working set sends the VT once the pool is up: a change only when
// it differs from what the VT took last without error. A session against the
// project's in-process terminal, messages and time fed in; the terminal's
// answers can be turned into refusals or held back.
#include "Vt_test_images.h"
#include "Vt_test_link.h"

#include "platform/vt/DOM_xerces_spec_man.h"
#include "platform/vt/Object_deserial.h"
#include "platform/vt/Object_pool.h"
#include "platform/vt/Upload_bar_progress.h"
#include "platform/vt/Vt_session.h"

#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "tests/support/vt_object_model/InProcessVt.h"

#include "vt_object_model/VtObjects.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace VT;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint8_t VT_ADDRESS = 0x26;
// An input number that edits a number variable, added to the pool.
constexpr unsigned short RATE_VARIABLE = 30001;
constexpr unsigned short RATE_INPUT = 30002;

using vt_test::OUR_ADDRESS;
using vt_test::Sent;
using vt_test::Test_link;

class Vt_traffic : public testing::Test {
public:
    // How the terminal's answer to a change command reaches the session.
    enum Answer { ANSWERED, REFUSED, UNANSWERED };

    void SetUp() override
    {
        waiter.init(&mm);
        pool.register_event_waiter(waiter);
        ASSERT_NO_FATAL_FAILURE(vt_test::load_pool(pool, 1));
        ASSERT_TRUE(pool.add_object(new Number_variable_obj(RATE_VARIABLE, "t_rate", 5)));
        ASSERT_TRUE(pool.add_object(new Input_number_obj(RATE_INPUT, "t_rate_in", 40, 16, 1, 1, 0, RATE_VARIABLE, 0,
                                                         0, 100, 0, 1.0f, 0, 0, 2, true)));
        vt.processor.setWorkingSetMaster(OUR_ADDRESS);
        link.names[VT_ADDRESS] = 0xA000000000000001ull;
        // A VT of version 3: the enabled state goes by Enable/Disable Object.
        vt.system.vtVersion = 3;
    }

    // The session finds the VT and uploads the pool; `before_end` runs once
    // the pool is transferred and End of Object Pool not yet answered.
    void bring_up(const std::function<void()>& before_end = nullptr)
    {
        Vt_session::Config config;
        config.intro_mask = pool.find<Data_mask_obj>("mask_intro")->get_id();
        config.progress = &progress;
        session.reset(new Vt_session(pool, link, config));
        session->start(now);
        status();
        if (before_end) {
            while (!link.out.empty() && link.out.front().bytes[0] != 0x12)
                deliver_one(ANSWERED);
            before_end();
        }
        pump();
        ASSERT_EQ(session->state(), Vt_session::RUNNING) << session->last_error();
        commands.clear();
    }

    // The terminal's VT status message (with the mask it shows).
    void status()
    {
        vt.processor.sendStatus();
        for (const VtSentMessage& m : vt.transport.take())
            session->on_vt_message(VT_ADDRESS, m.bytes.data(), uint32_t(m.bytes.size()), now);
    }

    // One message of the session to the terminal, and the terminal's answers
    // back. A change command is recorded and answered as `answer` says: a
    // refusal is the terminal's answer with error codes set.
    void deliver_one(Answer answer)
    {
        Sent s = link.out.front();
        link.out.pop_front();
        session->on_sent(s.tag, true, now);
        if (s.pgn != Vt_session::PGN_ECU_TO_VT || s.dest != VT_ADDRESS)
            return;
        const bool change = s.bytes[0] >= 0xA0 && s.bytes[0] <= 0xBF;
        if (change) {
            commands.push_back(s.bytes);
            if (answer == UNANSWERED)
                return;
        }
        vt.receive(s.bytes);
        for (VtSentMessage& m : vt.transport.take()) {
            if (m.destination != OUR_ADDRESS)
                continue;
            if (change && answer == REFUSED && m.bytes[0] == s.bytes[0])
                m.bytes[size_t(Vt_session::error_byte_of(m.bytes[0]))] = 0x01;
            session->on_vt_message(VT_ADDRESS, m.bytes.data(), uint32_t(m.bytes.size()), now);
        }
    }

    // Lets the session and the terminal send what they have, until both
    // are quiet.
    void pump(Answer answer = ANSWERED)
    {
        session->tick(now);
        for (int rounds = 0; rounds < 1000 && (!link.out.empty() || !vt.transport.sent.empty()); ++rounds) {
            for (const VtSentMessage& m : vt.transport.take())
                session->on_vt_message(VT_ADDRESS, m.bytes.data(), uint32_t(m.bytes.size()), now);
            if (!link.out.empty())
                deliver_one(answer);
        }
    }

    // Time passes with the VT announcing itself every second.
    void advance(int ms)
    {
        for (int t = 0; t < ms; t += 100) {
            now += 100;
            vt.system.timeMs = uint32_t(now);
            if (now % 1000 == 0)
                status();
            pump();
        }
    }

    // Change commands of that function the terminal received since the
    // pool went up.
    int received(uint8_t function) const
    {
        int n = 0;
        for (const Bytes& c : commands)
            n += c[0] == function;
        return n;
    }

    template <class T>
    T* obj(const char* name)
    {
        T* o = pool.find<T>(name);
        EXPECT_NE(o, nullptr) << name;
        return o;
    }
    unsigned short id(const char* name) { return pool.find<VT_obj>(name)->get_id(); }
    uint32_t shown_number(unsigned short object)
    {
        return static_cast<VtObjectNumberVariable*>(vt.processor.getObject(object))->getValue();
    }

    module_man mm;
    waiter_descriptor waiter;
    Object_pool pool{&mm};
    Upload_bar_progress progress{nullptr};
    Test_link link;
    InProcessVt vt;
    std::unique_ptr<Vt_session> session;
    std::vector<Bytes> commands;
    int64_t now = 1000;
};

struct Change_case {
    const char* what;
    uint8_t function;
    std::function<bool(Vt_traffic&)> change;
};

// A value as the VT got it with the pool is not sent; the same change asked
// for again and again (as the screens' refresh does) goes once.
TEST_F(Vt_traffic, AValueTheVtHoldsIsNotSentAgain)
{
    bring_up();
    using T = Vt_traffic;
    const std::vector<Change_case> as_uploaded = {
        {"hidden", 0xA0, [](T& t) { return t.obj<Container_obj>("skcontainer_lettercycle")->set_hidden(1); }},
        {"numeric value", 0xA8, [](T& t) { return t.obj<Number_variable_obj>("var_alarm_fmi")->set_value(0); }},
        {"the mask shown first", 0xAD,
         [](T& t) { return t.pool.activate_data_mask(t.obj<Data_mask_obj>("mask_intro")); }},
    };
    for (const Change_case& c : as_uploaded) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.change(*this));
        advance(100);
    }
    EXPECT_TRUE(commands.empty());

    const std::vector<Change_case> once = {
        {"hide/show", 0xA0, [](T& t) { return t.obj<Container_obj>("pencil")->set_hidden(0); }},
        {"numeric value", 0xA8, [](T& t) { return t.obj<Number_variable_obj>("var_alarm_spn")->set_value(4321); }},
        {"object pointer", 0xA8,
         [](T& t) { return t.obj<Object_pointer_obj>("ptr_widget_bdr")->set_value(t.id("rec_cycle_selected")); }},
        {"string value", 0xB3, [](T& t) { return t.pool.set_string(t.obj<VT_obj>("UNIT_NONE"), 0, "kg/ha", true, 0); }},
        {"fill attributes", 0xAC, [](T& t) { return t.obj<Fill_attributes_obj>("fill_attributes_red")->set_fill_colour(3); }},
        {"line attributes", 0xAB, [](T& t) { return t.obj<Line_attributes_obj>("line_black")->set_line(12, 2, 0xFFFF); }},
        {"font attributes", 0xAA, [](T& t) { return t.obj<Font_attributes_obj>("font_small")->set_font(12, 1, 0, 0); }},
        {"attribute", 0xAF,
         [](T& t) { return t.obj<Rectangle_obj>("rec_pencil")->set_fill_attributes(t.id("fill_grey")); }},
        {"enabled state", 0xA1, [](T& t) { return t.obj<Input_number_obj>("t_rate_in")->set_enabled(false); }},
        {"list item", 0xB1,
         [](T& t) {
             return t.obj<Input_list_obj>("list_locale_units")->set_child_objects_val(1, Object_pool::NULL_ID, true);
         }},
        {"soft key mask", 0xAE,
         [](T& t) { return t.obj<Data_mask_obj>("mask_intro")->set_soft_key_mask(t.id("key_mask_edit_number")); }},
        {"active mask", 0xAD,
         [](T& t) { return t.pool.activate_alarm_mask(t.obj<Alarm_mask_obj>("alarm_mask_FAN_PRESSURE_LOW")); }},
    };
    for (const Change_case& c : once) {
        SCOPED_TRACE(c.what);
        commands.clear();
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(c.change(*this));
            advance(100);
        }
        EXPECT_EQ(received(c.function), 1);
        EXPECT_EQ(commands.size(), 1u);
    }
}

// A change the VT refused, or did not answer, is sent again when asked for
// again; once the VT took it, it is not.
TEST_F(Vt_traffic, ARefusedOrUnansweredChangeIsSentAgain)
{
    bring_up();
    Number_variable_obj* spn = obj<Number_variable_obj>("var_alarm_spn");
    ASSERT_TRUE(spn->set_value(5));
    pump(REFUSED);
    ASSERT_EQ(received(0xA8), 1);
    ASSERT_TRUE(spn->set_value(5));
    pump();
    EXPECT_EQ(received(0xA8), 2) << "refused: sent again";
    ASSERT_TRUE(spn->set_value(5));
    pump();
    EXPECT_EQ(received(0xA8), 2) << "taken: not sent again";

    Container_obj* pencil = obj<Container_obj>("pencil");
    ASSERT_TRUE(pencil->set_hidden(0));
    pump(UNANSWERED);
    ASSERT_EQ(received(0xA0), 1);
    advance(Vt_session::RESPONSE_MS + 200);  // given up
    ASSERT_TRUE(pencil->set_hidden(0));
    advance(100);
    EXPECT_EQ(received(0xA0), 2) << "unanswered: sent again";
    ASSERT_TRUE(pencil->set_hidden(0));
    advance(100);
    EXPECT_EQ(received(0xA0), 2);
}

// A value changed back while its change is on its way goes after it, though
// the VT held it before.
TEST_F(Vt_traffic, AValueChangedBackWhileItsChangeIsOnItsWayFollowsIt)
{
    bring_up();
    Number_variable_obj* fmi = obj<Number_variable_obj>("var_alarm_fmi");
    ASSERT_TRUE(fmi->set_value(9));
    pump();  // the VT holds 9
    ASSERT_TRUE(fmi->set_value(3));
    session->tick(now);  // sent, not yet answered
    ASSERT_TRUE(fmi->set_value(9));
    pump();
    EXPECT_EQ(received(0xA8), 3);
    EXPECT_EQ(shown_number(fmi->get_id()), 9u);
}

// Values the VT may not show as the pool holds them go when asked for: a
// change kept from the VT, one the operator made at the VT, the VT's own
// change of the active mask.
TEST_F(Vt_traffic, AValueTheVtMayNotShowIsSent)
{
    bring_up();
    using T = Vt_traffic;
    struct Case {
        const char* what;
        std::function<void(T&)> before;
        Change_case change;
    };
    const std::vector<Case> cases = {
        {"a text changed in the pool only",
         [](T& t) { t.pool.set_string(t.obj<VT_obj>("UNIT_FIXME"), 0, "l/ha", false, 0); },
         {"", 0xB3, [](T& t) { return t.pool.set_string(t.obj<VT_obj>("UNIT_FIXME"), 0, "l/ha", true, 0); }}},
        {"a list item changed in the pool only",
         [](T& t) { t.obj<Input_list_obj>("list_locale_language")->set_child_objects_val(0, 65535, false); },
         {"", 0xB1,
          [](T& t) { return t.obj<Input_list_obj>("list_locale_language")->set_child_objects_val(0, 65535, true); }}},
        {"a list choice of the operator",
         [](T& t) {
             t.vt.processor.sendChangeNumericValue(t.id("list_locale_units"), 1, 1);
             t.pump();
         },
         {"", 0xA8, [](T& t) { return t.obj<Input_list_obj>("list_locale_units")->set_value(0); }}},
        {"a number the operator typed into an input with a variable",
         [](T& t) {
             t.vt.processor.sendChangeNumericValue(RATE_INPUT, 7, 4);
             t.pump();
         },
         {"", 0xA8, [](T& t) { return t.obj<Number_variable_obj>("t_rate")->set_value(5); }}},
        {"a mask the VT changed to itself",
         [](T& t) {
             t.vt.processor.sendChangeActiveMask(t.id("alarm_mask_FAN_PRESSURE_HIGH"), 0, 65535, 65535);
             t.pump();
         },
         {"", 0xAD, [](T& t) { return t.pool.activate_data_mask(t.obj<Data_mask_obj>("mask_intro")); }}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.before(*this);
        commands.clear();
        ASSERT_TRUE(c.change.change(*this));
        advance(100);
        EXPECT_EQ(received(c.change.function), 1);
    }
}

// The version the VT gave with its memory answer decides how an input's
// options go, until the VT is lost: on version 4 the real-time editing bit
// by the options attribute, the enabled state by Enable/Disable Object.
TEST_F(Vt_traffic, TheVtsVersionDecidesHowAnInputsOptionsGo)
{
    vt.system.vtVersion = 4;
    bring_up();
    EXPECT_EQ(pool.get_vt_version(), 4);
    auto* input = obj<Input_number_obj>("t_rate_in");
    ASSERT_TRUE(input->set_input_options(Input_obj::INPUT_ENABLED | Input_obj::INPUT_REAL_TIME));
    advance(100);
    ASSERT_TRUE(input->set_enabled(false));
    advance(100);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0], (Bytes{0xAF, uint8_t(RATE_INPUT), uint8_t(RATE_INPUT >> 8), 15, 3, 0, 0, 0}));
    EXPECT_EQ(commands[1], (Bytes{0xA1, uint8_t(RATE_INPUT), uint8_t(RATE_INPUT >> 8), 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_FALSE(vtIsEnabled(vt.processor.getObject(RATE_INPUT)));

    now += Vt_session::VT_LOST_MS + 500;
    session->tick(now);
    ASSERT_EQ(session->state(), Vt_session::WAIT_VT);
    EXPECT_EQ(pool.get_vt_version(), 0);
}

// A change made while the pool goes up reaches the VT once the pool runs.
TEST_F(Vt_traffic, AChangeWhileThePoolGoesUpFollowsTheUpload)
{
    bring_up([this] {
        EXPECT_TRUE(obj<Number_variable_obj>("var_alarm_spn")->set_value(77));
        EXPECT_TRUE(obj<Container_obj>("pencil")->set_hidden(0));
    });
    EXPECT_EQ(shown_number(id("var_alarm_spn")), 77u);
    EXPECT_FALSE(static_cast<VtObjectContainer*>(vt.processor.getObject(id("pencil")))->getHidden());
    EXPECT_EQ(pool.pending_updates(), 0);
}

// A new upload starts from the values uploaded, not from what the VT took
// before it.
TEST_F(Vt_traffic, ANewUploadStartsFromTheUploadedValues)
{
    bring_up();
    Number_variable_obj* spn = obj<Number_variable_obj>("var_alarm_spn");
    ASSERT_TRUE(spn->set_value(11));
    advance(100);
    ASSERT_EQ(received(0xA8), 1);

    // The VT goes away; meanwhile the value changes in the pool only.
    now += Vt_session::VT_LOST_MS + 500;
    session->tick(now);
    ASSERT_EQ(session->state(), Vt_session::WAIT_VT);
    ASSERT_TRUE(spn->set_value(12));
    vt.processor.deleteAllObjects();
    status();
    pump();
    ASSERT_EQ(session->state(), Vt_session::RUNNING) << session->last_error();
    ASSERT_EQ(shown_number(spn->get_id()), 12u);
    commands.clear();

    ASSERT_TRUE(spn->set_value(12));
    advance(100);
    EXPECT_EQ(received(0xA8), 0) << "uploaded with the pool";
    ASSERT_TRUE(spn->set_value(11));
    advance(100);
    EXPECT_EQ(received(0xA8), 1) << "the VT before the upload held it, this one does not";
    EXPECT_EQ(shown_number(spn->get_id()), 11u);
}

} // namespace
