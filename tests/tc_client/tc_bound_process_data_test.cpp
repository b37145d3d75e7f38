// Process data bound to a data-store field or to a setting: a change of the
// bound value comes back through the client's waiter and is sent under the
// variable's thresholds; a set value from the task controller is written
// into the field or setting with its change event.
#include "glue/NV_store/NV_number.h"
#include "glue/NV_store/NV_root.h"
#include "glue/cds/Head.h"
#include "tc_client/TC_interface_process_data_cds.h"
#include "tc_client/TC_interface_process_data_nv.h"
#include "tests/support/item_id_scope.h"
#include "tests/support/tc_client_harness.h"

#include <gtest/gtest.h>

#include <vector>

using namespace TaskController_interface;
using test_support::Sent_pd;

namespace {

struct Block {
    double rate = 0.0;
    unsigned int mode = 0;
    int neighbour = 0;
};

struct Settings : NV_store::NV_root {
    explicit Settings(module_man* mm) : NV_store::NV_root(mm, 0, "PS") {}
    NV_store::NV_number<float, 10> gain{this, 1, 2.5f, "gain"};
    NV_store::NV_number<bool, 2> enabled{this, 2, true, "enabled"};
    NV_store::NV_number<char, 3> letter{this, 3, 0, "letter"};
};

class Core : public TC_interface_base {
public:
    Core(module_man* mm, TC::Object_pool* pool, CDS::Head* store, NV_store::NV_root* params)
        : TC_interface_base(mm), store_(store), params_(params)
    {
        init_core(pool);
        pool->register_event_waiter(get_waiter());
        get_waiter().set_enabled(true);
    }
    ~Core() override { terminate(true); }
    void handle_event(waiter_event& e) override
    {
        if (!handle_change_event(e, store_, params_))
            handle_tc_event(e);
    }

private:
    CDS::Head* store_;
    NV_store::NV_root* params_;
};

constexpr unsigned short ELEMENT = 3;

class Bound_fixture : public testing::Test {
protected:
    Bound_fixture()
    {
        auto* obj = new TC::Client::Device_element_obj(&pool, 10, "elem", 2, 0, "", ELEMENT, 1, 0,
                                                       nullptr);
        EXPECT_TRUE(pool.add_object(obj));
        element.set_element_object(obj);
    }

    void command(TC::Object_pool::pd_event_kind_t kind, TC::ddi_t ddi, int value)
    {
        EXPECT_TRUE(pool.post_pd_event(kind, ELEMENT, ddi, value));
        test_support::pump(core);
    }
    template <typename T> void write(T* field, T value)
    {
        store.write(field, &value, int(sizeof(T)));
    }
    std::vector<Sent_pd> sent() { return pool.take(); }

    Item_id_scope ids{1};
    module_man mm;
    Block block;
    CDS::Head store{&mm, reinterpret_cast<unsigned long>(&block)};
    Settings params{&mm};
    test_support::Recording_pool pool{&mm};
    Core core{&mm, &pool, &store, &params};
    TC_interface_device_element element{&core};
};

} // namespace

TEST_F(Bound_fixture, DataStoreFieldChangeIsSentUnderTheChangeThreshold)
{
    block.rate = 1.5;
    TC_interface_process_data_cds_basic<double> rate(&element, 1, 0x0001, 0, store, &block.rate,
                                                      nullptr);
    PD_node node;
    core.add_to_pdtree(&node, ELEMENT, 0x0001, &rate);
    EXPECT_EQ(rate.get_value(), 1500) << "initialised from the field, not sent";
    EXPECT_TRUE(sent().empty());

    command(TC::Object_pool::PD_CHANGE_THRESHOLD, 0x0001, 100);
    EXPECT_TRUE(sent().empty()) << "nothing changed";
    write(&block.rate, 1.55);
    test_support::pump(core);
    EXPECT_TRUE(sent().empty()) << "a change of 50 is below the threshold";
    write(&block.rate, 1.6);
    test_support::pump(core);
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, 0x0001, 1600}}));
    // A neighbouring field does not wake the variable.
    write(&block.neighbour, 7);
    EXPECT_EQ(test_support::pump(core), 0);
    core.reset_pdtree();
}

TEST_F(Bound_fixture, SetValueIsWrittenIntoTheFieldWithItsChangeEvent)
{
    TC_interface_process_data_cds_basic<unsigned int> mode(&element, 2, 0x0002, 0, store,
                                                           &block.mode, nullptr);
    mode.set_multiplier(1.0);
    PD_node node;
    core.add_to_pdtree(&node, ELEMENT, 0x0002, &mode);

    // Another module watching the field sees the write.
    waiter_descriptor watcher;
    watcher.init(&mm);
    watcher.set_enabled(true);
    store.lock();
    ASSERT_EQ(store.event_register(&watcher, store.offset_of(&block.mode), 4, CDS::REG_EVENT_ID,
                                   55, nullptr, nullptr),
              0);
    store.unlock();

    command(TC::Object_pool::PD_SET_VALUE, 0x0002, 3);
    EXPECT_EQ(block.mode, 3u);
    waiter_event e;
    ASSERT_EQ(watcher.get_event(&e, Atime::now()), 0);
    EXPECT_EQ(e.code, 55);
    // The variable's own change event compares against the received value:
    // the same value is not sent back.
    EXPECT_TRUE(sent().empty());

    // Read-only: the value is refused; field and value field keep theirs.
    mode.set_read_only();
    command(TC::Object_pool::PD_SET_VALUE, 0x0002, 9);
    EXPECT_EQ(block.mode, 3u);
    EXPECT_EQ(mode.get_value(), 3);
    EXPECT_EQ(mode.change_value(9), TC::PDACK_NOT_SETTABLE);
    store.lock();
    store.event_unregister(&watcher, store.offset_of(&block.mode), 4, CDS::REG_EVENT_ID, 55,
                           nullptr, nullptr);
    store.unlock();
    core.reset_pdtree();
}

TEST_F(Bound_fixture, AfterADefaultRequestEverySetValueThatChangesTheFieldIsEchoed)
{
    TC_interface_process_data_cds_basic<double> rate(&element, 1, 0x0001, 0, store, &block.rate,
                                                      nullptr);
    PD_node node;
    core.add_to_pdtree(&node, ELEMENT, 0x0001, &rate);
    pool.post_pd_event(TC::Object_pool::PD_REQUEST_VALUE, ELEMENT, 0xDFFF, 0);
    test_support::pump(core);
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, 0x0001, 0}}));
    // The change threshold is 0 now: the field's change event sends the
    // new value back; a set value that leaves the field as it is does not.
    command(TC::Object_pool::PD_SET_VALUE, 0x0001, 1234);
    EXPECT_DOUBLE_EQ(block.rate, 1.234);
    test_support::pump(core);
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, 0x0001, 1234}}));
    command(TC::Object_pool::PD_SET_VALUE, 0x0001, 1234);
    EXPECT_EQ(test_support::pump(core), 0);
    EXPECT_TRUE(sent().empty());
    core.reset_pdtree();
}

TEST_F(Bound_fixture, UnboundOrElementlessVariablesStayQuiet)
{
    TC_interface_process_data_cds_basic<int> loose(nullptr, 3, 0x0003, 0, store,
                                                   &block.neighbour, nullptr);
    write(&block.neighbour, 4);
    EXPECT_EQ(test_support::pump(core), 0) << "never registered";
    EXPECT_EQ(loose.get_value(), 0) << "never initialised";
    EXPECT_EQ(loose.request_value(), 4000) << "still reads its field";
    TC_interface_process_data_cds_basic<int> no_field(&element, 4, 0x0004, 0, store, nullptr,
                                                      nullptr);
    EXPECT_EQ(no_field.request_value(), 0);
    EXPECT_EQ(no_field.change_value(5), TC::PDACK_NOT_SETTABLE); // nothing to write into
}

TEST_F(Bound_fixture, SettingIsReportedAndSetScaled)
{
    TC_interface_process_data_nv_basic<float, 10> gain(&element, 5, 0x0005, params.gain);
    PD_node node;
    core.add_to_pdtree(&node, ELEMENT, 0x0005, &gain);
    EXPECT_EQ(gain.get_value(), 2500);
    command(TC::Object_pool::PD_REQUEST_VALUE, 0x0005, 0);
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, 0x0005, 2500}}));

    command(TC::Object_pool::PD_SET_VALUE, 0x0005, 1234);
    EXPECT_FLOAT_EQ(params.gain.get(), 1.234f);
    EXPECT_TRUE(sent().empty());

    // A change from elsewhere (an operator's edit) is sent once the change
    // threshold allows.
    command(TC::Object_pool::PD_CHANGE_THRESHOLD, 0x0005, 500);
    params.gain.set(1.5f);
    test_support::pump(core);
    EXPECT_TRUE(sent().empty()) << "266 below 500";
    params.gain.set(2.0f);
    test_support::pump(core);
    EXPECT_EQ(sent(), (std::vector<Sent_pd>{{ELEMENT, 0x0005, 2000}}));
    core.reset_pdtree();
}

TEST_F(Bound_fixture, ReadOnlySettingAndCharSetting)
{
    TC_interface_process_data_nv_basic<bool, 2> enabled(&element, 6, 0x0006, params.enabled);
    enabled.set_read_only();
    TC_interface_process_data_nv_basic<char, 3> letter(&element, 7, 0x0007, params.letter);
    PD_node n1, n2;
    core.add_to_pdtree(&n1, ELEMENT, 0x0006, &enabled);
    core.add_to_pdtree(&n2, ELEMENT, 0x0007, &letter);

    command(TC::Object_pool::PD_SET_VALUE, 0x0006, 0);
    EXPECT_TRUE(params.enabled.get());
    EXPECT_EQ(enabled.change_value(0), TC::PDACK_NOT_SETTABLE);
    command(TC::Object_pool::PD_SET_VALUE, 0x0007, -1000);
    EXPECT_EQ((unsigned char)params.letter.get(), 0);
    command(TC::Object_pool::PD_SET_VALUE, 0x0007, 300000);
    EXPECT_EQ((unsigned char)params.letter.get(), 44);
    core.reset_pdtree();
}
