// The client core and the process-data actions: routing of the pool's
// events by element number and DDI, the default-data request, and each
// action sending at its time. Nothing runs on a thread: the test delivers
// the queued events and fires the timers itself.
#include "tc_client/ECU_access.h"
#include "tc_client/TC_interface_base.h"
#include "tests/support/tc_client_harness.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

using namespace TaskController_interface;
using test_support::Sent_pd;

namespace {

class Core : public TC_interface_base {
public:
    Core(module_man* mm, TC::Object_pool* pool) : TC_interface_base(mm)
    {
        init_core(pool);
        pool->register_event_waiter(get_waiter());
        get_waiter().set_enabled(true);
    }
    ~Core() override { terminate(true); }
    void handle_event(waiter_event& e) override { routed.push_back(handle_tc_event(e)); }
    std::vector<bool> routed;
};

class Element : public TC_interface_device_element {
public:
    using TC_interface_device_element::TC_interface_device_element;
    void handle_default() override { ++defaults; }
    int defaults = 0;
};

// A variable over a plain int of the test.
class Int_pd : public TC_interface_process_data<int> {
public:
    Int_pd(TC_interface_device_element* element, TC::ddi_t ddi)
        : TC_interface_process_data<int>(element, 1, ddi, nullptr)
    {
        set_multiplier(1.0);
    }
    int handle_other_event(waiter_event&) override { return 0; }
    int request_value() override { return encode(value); }
    // Takes what it is given, but refuses a negative value.
    unsigned char change_value(unsigned int v) override
    {
        if (int(v) < 0)
            return TC::PDACK_VALUE_OUT_OF_RANGE;
        value = decode(int(v));
        return TC::PDACK_NO_ERROR;
    }
    int value = 0;
};

constexpr unsigned short ELEMENT = 5;
constexpr TC::ddi_t RATE = 0x0001;
constexpr TC::ddi_t WIDTH = 0x0043;

class Core_fixture : public testing::Test {
protected:
    Core_fixture()
    {
        element_obj = new TC::Client::Device_element_obj(&pool, 100, "elem", 2, 0, "", ELEMENT, 1,
                                                         0, nullptr);
        EXPECT_TRUE(pool.add_object(element_obj));
        element.set_element_object(element_obj);
        core.add_to_pdtree(&rate_node, ELEMENT, RATE, &rate);
        core.add_to_pdtree(&width_node, ELEMENT, WIDTH, &width);
    }
    ~Core_fixture() override { core.reset_pdtree(); }

    // Posts a process-data command as the pool does and delivers it.
    bool command(TC::Object_pool::pd_event_kind_t kind, int value, unsigned short e = ELEMENT,
                 TC::ddi_t ddi = RATE)
    {
        core.routed.clear();
        EXPECT_TRUE(pool.post_pd_event(kind, e, ddi, value));
        EXPECT_EQ(test_support::pump(core), 1);
        return core.routed.size() == 1 && core.routed[0];
    }
    std::vector<Sent_pd> sent() { return pool.take(); }
    void fire(Timeout& t) { core.handle_timeout(t); }

    module_man mm;
    test_support::Recording_pool pool{&mm};
    Core core{&mm, &pool};
    TC::Client::Device_element_obj* element_obj;
    Element element{&core};
    Int_pd rate{&element, RATE};
    Int_pd width{&element, WIDTH};
    PD_node rate_node, width_node;
};

} // namespace

TEST_F(Core_fixture, RequestSendsTheValueNowAndLeavesTheValueField)
{
    rate.value = 42;
    EXPECT_TRUE(command(TC::Object_pool::PD_REQUEST_VALUE, 0));
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, RATE, 42}}));
    EXPECT_EQ(rate.get_value(), 0);
}

TEST_F(Core_fixture, SetValueWritesTheValueAndSendsNothingBack)
{
    EXPECT_TRUE(command(TC::Object_pool::PD_SET_VALUE, 77));
    EXPECT_EQ(rate.value, 77);
    EXPECT_EQ(rate.get_value(), 77);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(width.value, 0) << "only the addressed DDI";
}

TEST_F(Core_fixture, UnknownElementDdiOrEventKindIsRefusedAndChangesNothing)
{
    EXPECT_FALSE(command(TC::Object_pool::PD_SET_VALUE, 9, ELEMENT + 1, RATE));
    EXPECT_FALSE(command(TC::Object_pool::PD_SET_VALUE, 9, ELEMENT, 0x0002));
    EXPECT_FALSE(command(TC::Object_pool::PD_DISTANCE_INTERVAL, 9));
    EXPECT_EQ(rate.value, 0);
    EXPECT_EQ(core.get_processdata(ELEMENT + 1, RATE), nullptr);
    EXPECT_EQ(core.get_processdata(ELEMENT, RATE), &rate);

    // An id next to the block of seven is no process-data event.
    waiter_event above(short(pool.get_first_pd_event_id() + 1), ELEMENT | RATE << 16, 9);
    EXPECT_FALSE(core.handle_tc_event(above));
    waiter_event below(short(pool.get_first_pd_event_id() - 7), ELEMENT | RATE << 16, 9);
    EXPECT_FALSE(core.handle_tc_event(below));
    EXPECT_EQ(rate.value, 0);
    EXPECT_TRUE(sent().empty());
}

TEST_F(Core_fixture, TimeIntervalSendsAtOnceThenEveryPeriodAndZeroStopsIt)
{
    rate.value = 5;
    PD_timeout& timer = rate.get_interval_timer();
    EXPECT_TRUE(command(TC::Object_pool::PD_TIME_INTERVAL, 500));
    ASSERT_TRUE(timer.submitted());
    EXPECT_EQ(timer.get_period(), 500);
    EXPECT_LE(test_support::ms_until(timer), 0) << "due at once";
    fire(timer);
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, RATE, 5}}));

    // A command of 0 removes the timer and keeps its period: the next send
    // by "send if needed" starts it again with 500.
    EXPECT_TRUE(command(TC::Object_pool::PD_TIME_INTERVAL, 0));
    EXPECT_FALSE(timer.submitted());
    EXPECT_EQ(timer.get_period(), 500);
    EXPECT_TRUE(command(TC::Object_pool::PD_CHANGE_THRESHOLD, 1));
    rate.value = 9;
    rate.perform_request(TC_interface_process_data_base::SEND_IF_NEEDED);
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, RATE, 9}}));
    ASSERT_TRUE(timer.submitted());
    EXPECT_GT(test_support::ms_until(timer), 400);
    EXPECT_LE(test_support::ms_until(timer), 500);
}

TEST_F(Core_fixture, IntervalFasterThanTheLeastIsHeldToIt)
{
    PD_timeout& timer = rate.get_interval_timer();
    for (int asked : {1, 20, -3}) {
        EXPECT_TRUE(command(TC::Object_pool::PD_TIME_INTERVAL, asked));
        EXPECT_EQ(timer.get_period(), TC_interface_process_data_base::MIN_TIME_INTERVAL_MS) << asked;
    }
    EXPECT_TRUE(command(TC::Object_pool::PD_TIME_INTERVAL, 250));
    EXPECT_EQ(timer.get_period(), 250);
}

TEST_F(Core_fixture, ThresholdBandGovernsTimedSends)
{
    PD_timeout& timer = rate.get_interval_timer();
    EXPECT_TRUE(command(TC::Object_pool::PD_TIME_INTERVAL, 1000));
    sent();
    // Inverted band: min 100, max 50 passes 101 and 49 and holds back 75.
    EXPECT_TRUE(command(TC::Object_pool::PD_MINIMUM_THRESHOLD, 100));
    EXPECT_TRUE(command(TC::Object_pool::PD_MAXIMUM_THRESHOLD, 50));
    EXPECT_EQ(rate.get_minimum_threshold(), 100);
    EXPECT_EQ(rate.get_maximum_threshold(), 50);
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, RATE, 0}})) << "0 lies in the new band";
    for (int v : {101, 75, 49}) {
        rate.value = v;
        fire(timer);
    }
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, RATE, 101}, {ELEMENT, RATE, 49}}));

    // A proper band is open at both ends.
    rate.set_minimum_threshold(10);
    rate.set_maximum_threshold(20);
    for (int v : {10, 15, 20}) {
        rate.value = v;
        fire(timer);
    }
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, RATE, 15}}));
}

TEST_F(Core_fixture, ThresholdsAloneSendEachTimeTheValueEntersTheBand)
{
    // No interval, no change threshold: only the band makes values go out.
    rate.value = 40;
    EXPECT_TRUE(command(TC::Object_pool::PD_MINIMUM_THRESHOLD, 50));
    EXPECT_TRUE(sent().empty()) << "40 is not above 50";
    for (int v : {45, 60, 70, 30, 55}) {
        rate.value = v;
        rate.perform_request(TC_interface_process_data_base::SEND_IF_NEEDED);
    }
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, RATE, 60}, {ELEMENT, RATE, 55}}));

    // A new threshold the value already meets sends it at once.
    EXPECT_TRUE(command(TC::Object_pool::PD_MAXIMUM_THRESHOLD, 100));
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, RATE, 55}}));

    // With a change threshold as well, changes inside the band still go out.
    EXPECT_TRUE(command(TC::Object_pool::PD_CHANGE_THRESHOLD, 10));
    sent();
    rate.value = 80;
    rate.perform_request(TC_interface_process_data_base::SEND_IF_NEEDED);
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, RATE, 80}}));
}

TEST_F(Core_fixture, DefaultBandNeverTimesOutTheExtremesButRequestSendsThem)
{
    PD_timeout& timer = rate.get_interval_timer();
    EXPECT_TRUE(command(TC::Object_pool::PD_TIME_INTERVAL, 1000));
    sent();
    rate.value = INT_MAX;
    fire(timer);
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(command(TC::Object_pool::PD_REQUEST_VALUE, 0));
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, RATE, INT_MAX}}));
}

TEST_F(Core_fixture, ChangeThresholdSendsOnlyChangesOfAtLeastIt)
{
    rate.value = 50;
    rate.perform_request(TC_interface_process_data_base::SEND_IF_NEEDED);
    EXPECT_TRUE(sent().empty()) << "change test off by default";

    EXPECT_TRUE(command(TC::Object_pool::PD_CHANGE_THRESHOLD, 10));
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, RATE, 50}})) << "50 from 0";
    for (int v : {55, 59, 60, 61, 75}) {
        rate.value = v;
        rate.perform_request(TC_interface_process_data_base::SEND_IF_NEEDED);
    }
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, RATE, 60}, {ELEMENT, RATE, 75}}));

    // A threshold of 0 would send every notification even without a
    // change: it is held to 1.
    EXPECT_TRUE(command(TC::Object_pool::PD_CHANGE_THRESHOLD, 0));
    EXPECT_EQ(rate.get_change_threshold(), 1);
    rate.perform_request(TC_interface_process_data_base::SEND_IF_NEEDED);
    EXPECT_TRUE(sent().empty());
}

TEST_F(Core_fixture, DefaultDataRequestSendsEveryVariableAndTellsEveryElement)
{
    Element other(&core); // no pool object: in no description, not told
    rate.value = 3;
    width.value = 4;
    EXPECT_FALSE(command(TC::Object_pool::PD_REQUEST_VALUE, 0, 0x0FFF, 0xDFFF));
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, RATE, 3}, {ELEMENT, WIDTH, 4}}));
    EXPECT_EQ(element.defaults, 1);
    EXPECT_EQ(other.defaults, 0);
    EXPECT_EQ(rate.get_change_threshold(), 0);
    // From now on every change is sent, and only a change: a notification
    // of the same value sends nothing again.
    rate.value = 4;
    rate.perform_request(TC_interface_process_data_base::SEND_IF_NEEDED);
    rate.perform_request(TC_interface_process_data_base::SEND_IF_NEEDED);
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, RATE, 4}}));
}

TEST_F(Core_fixture, OnlyDataOfTheActiveDescriptionSendOrTakeTriggers)
{
    // The fixture's pool holds no device: nothing of it can be active.
    pool.deactivate();
    rate.value = 3;
    EXPECT_FALSE(command(TC::Object_pool::PD_REQUEST_VALUE, 0, 0x0FFF, 0xDFFF));
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(element.defaults, 0);
    EXPECT_EQ(rate.get_change_threshold(), INT_MAX);
    width.set_timeout(200);
    EXPECT_FALSE(width.get_interval_timer().submitted());
    EXPECT_TRUE(command(TC::Object_pool::PD_REQUEST_VALUE, 0));
    EXPECT_TRUE(sent().empty());
}

TEST_F(Core_fixture, ClearingTriggersLeavesNothingThatSends)
{
    rate.value = 5;
    EXPECT_TRUE(command(TC::Object_pool::PD_TIME_INTERVAL, 500));
    EXPECT_TRUE(command(TC::Object_pool::PD_MINIMUM_THRESHOLD, 1));
    EXPECT_TRUE(command(TC::Object_pool::PD_MAXIMUM_THRESHOLD, 100));
    EXPECT_TRUE(command(TC::Object_pool::PD_CHANGE_THRESHOLD, 2));
    sent();
    core.clear_triggers();
    EXPECT_FALSE(rate.get_interval_timer().submitted());
    EXPECT_EQ(rate.get_interval_timer().get_period(), 0);
    EXPECT_FALSE(rate.has_threshold_band());
    EXPECT_EQ(rate.get_change_threshold(), INT_MAX);
    for (int v : {50, 0, 99}) {
        rate.value = v;
        rate.perform_request(TC_interface_process_data_base::SEND_IF_NEEDED);
    }
    EXPECT_TRUE(sent().empty());
    // A request is still answered.
    EXPECT_TRUE(command(TC::Object_pool::PD_REQUEST_VALUE, 0));
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, RATE, 99}}));
}

TEST_F(Core_fixture, ASetValueToAcknowledgeIsAnsweredWithTheOutcome)
{
    auto set = [&](unsigned short e, TC::ddi_t ddi, int value) {
        core.routed.clear();
        EXPECT_TRUE(pool.post_pd_event(TC::Object_pool::PD_SET_VALUE, e, ddi, value, true));
        test_support::pump(core);
        return pool.take_acks();
    };
    using Acks = std::vector<test_support::Sent_ack>;
    EXPECT_EQ(set(ELEMENT, RATE, 12), (Acks{{ELEMENT, RATE, TC::PDACK_NO_ERROR}}));
    EXPECT_EQ(rate.value, 12);
    EXPECT_EQ(set(ELEMENT, RATE, -1), (Acks{{ELEMENT, RATE, TC::PDACK_VALUE_OUT_OF_RANGE}}));
    EXPECT_EQ(rate.value, 12);
    EXPECT_EQ(rate.get_value(), 12) << "a refused value is not taken over";
    EXPECT_EQ(set(ELEMENT, 0x0002, 1), (Acks{{ELEMENT, 0x0002, TC::PDACK_DDI_NOT_SUPPORTED}}));
    // Without the flag nothing is acknowledged.
    EXPECT_TRUE(command(TC::Object_pool::PD_SET_VALUE, 13));
    EXPECT_TRUE(pool.take_acks().empty());
}

TEST_F(Core_fixture, DefaultDdiRegisteredForAnElementGoesToItsVariable)
{
    Int_pd own(&element, 0xDFFF);
    PD_node node;
    core.add_to_pdtree(&node, ELEMENT, 0xDFFF, &own);
    own.value = 8;
    EXPECT_TRUE(command(TC::Object_pool::PD_REQUEST_VALUE, 0, ELEMENT, 0xDFFF));
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, 0xDFFF, 8}}));
    EXPECT_EQ(element.defaults, 0);
    core.remove_from_pdtree(&node);
}

TEST_F(Core_fixture, FirstRegistrationOfAPairKeepsIt)
{
    Int_pd second(&element, RATE);
    PD_node node;
    core.add_to_pdtree(&node, ELEMENT, RATE, &second);
    EXPECT_EQ(core.get_processdata(ELEMENT, RATE), &rate);
    EXPECT_EQ(core.pd_count(), 2);
    core.add_to_pdtree(nullptr, ELEMENT, 9, &second);
    EXPECT_EQ(core.pd_count(), 2);
}

TEST_F(Core_fixture, ResetEmptiesTheTreeAndRestartsEventIds)
{
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(core.next_eventid(), i);
    EXPECT_EQ(core.next_eventid(), 0) << "eight bits";
    core.reset_pdtree();
    EXPECT_EQ(core.pd_count(), 0);
    EXPECT_EQ(core.next_eventid(), 0);
    EXPECT_FALSE(command(TC::Object_pool::PD_REQUEST_VALUE, 0));
    // The nodes can be registered again.
    core.add_to_pdtree(&rate_node, ELEMENT, RATE, &rate);
    EXPECT_TRUE(command(TC::Object_pool::PD_REQUEST_VALUE, 0));
}

TEST_F(Core_fixture, ElementsWithoutParentOrObject)
{
    Element orphan(nullptr);
    EXPECT_FALSE(orphan.in_list());
    EXPECT_EQ(orphan.get_waiter(), nullptr);
    EXPECT_EQ(orphan.get_element_number(), 0);
    EXPECT_FALSE(orphan.send(RATE, 1));
    Int_pd pd(&orphan, RATE);
    pd.set_timeout(100);
    EXPECT_FALSE(pd.get_interval_timer().submitted());
    // A variable without element refuses the pool's events.
    Int_pd loose(nullptr, RATE);
    waiter_event e(pool.get_first_pd_event_id(), ELEMENT | RATE << 16, 1);
    EXPECT_FALSE(loose.handle_tc_event(&pool, e));
    EXPECT_TRUE(sent().empty());
}

TEST_F(Core_fixture, AnElementThatGoesLeavesTheList)
{
    int before = core.elements().count();
    {
        Element temporary(&core);
        EXPECT_EQ(core.elements().count(), before + 1);
    }
    EXPECT_EQ(core.elements().count(), before);
    EXPECT_FALSE(command(TC::Object_pool::PD_REQUEST_VALUE, 0, 1, 0xDFFF));
    EXPECT_EQ(element.defaults, 1);
}

TEST_F(Core_fixture, SetTimeoutExpiresAtOnceThenPeriodically)
{
    width.value = 6;
    width.set_timeout(200);
    PD_timeout& timer = width.get_interval_timer();
    ASSERT_TRUE(timer.submitted());
    EXPECT_LE(test_support::ms_until(timer), 0);
    EXPECT_EQ(timer.get_period(), 200);
    fire(timer);
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, WIDTH, 6}}));
    // A timer the core does not know of is ignored.
    Timeout stranger;
    core.handle_timeout(stranger);
    EXPECT_TRUE(sent().empty());
}

TEST_F(Core_fixture, PoolObjectTakesTheVariablesDdi)
{
    auto* obj = new TC::Client::Device_process_data_obj(&pool, 1, "pd");
    ASSERT_TRUE(pool.add_object(obj));
    struct With_object : TC_interface_process_data<int> {
        With_object(TC_interface_device_element* e, TC::Client::Device_process_data_obj* o)
            : TC_interface_process_data<int>(e, 1, 0x0456, o)
        {
        }
        int handle_other_event(waiter_event&) override { return 0; }
        int request_value() override { return 0; }
        unsigned char change_value(unsigned int) override { return TC::PDACK_NO_ERROR; }
    } with_object(&element, obj);
    EXPECT_EQ(obj->get_ddi(), 0x0456);
}

TEST(Ecu_access, ProcessDataMessageLayout)
{
    Pd_message m;
    m.set_command(Pd_message::REQUEST_VALUE);
    m.set_element(0x123);
    m.set_ddi(0xDFFF);
    m.set_value(-2);
    EXPECT_EQ(m.bytes[0], 0x32);
    EXPECT_EQ(m.bytes[1], 0x12);
    EXPECT_EQ(m.bytes[2], 0xFF);
    EXPECT_EQ(m.bytes[3], 0xDF);
    EXPECT_EQ(m.command(), 2);
    EXPECT_EQ(m.element(), 0x123);
    EXPECT_EQ(m.ddi(), 0xDFFF);
    EXPECT_EQ(m.value(), -2);
}

TEST(Ecu_access, WithoutStacksEveryEventIsRefused)
{
    module_man mm;
    test_support::Recording_pool pool(&mm);
    Core core(&mm, &pool);
    JIN_name::RAWNAME name;
    EXPECT_FALSE(core.add_stack(nullptr, name));
    ASSERT_NE(core.get_ecu_access(), nullptr);
    EXPECT_EQ(core.get_ecu_access()->stacks_in_use(), 0);
    waiter_event e(1234, 0, 0xCB00);
    EXPECT_FALSE(core.get_ecu_access()->handle_event(e));
}
