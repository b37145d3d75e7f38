#include "Settings_tree.h"
#include "tests/support/item_id_scope.h"

#include "glue/NV_store/NV_access.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "glue/cds/Receive_buffer.h"
#include "glue/cds/Send_buffer.h"
#include "util/Atime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

std::vector<waiter_event> drain(waiter_descriptor& waiter)
{
    std::vector<waiter_event> got;
    waiter_event event;
    while (waiter.get_event(&event, Atime::now()) == 0)
        got.push_back(event);
    return got;
}

class Tree_fixture : public testing::Test {
protected:
    Tree_fixture() : tree(&mm) { waiter.init(&mm); }

    Item_id_scope ids{1}; // a fresh id range, whatever earlier tests left
    module_man mm;
    test_params_t tree;
    waiter_descriptor waiter;
};

} // namespace

TEST_F(Tree_fixture, ChangeDeepDownNotifiesEveryAncestorOnce)
{
    channel_t& channel = tree.channels[1];
    ASSERT_TRUE(channel.enabled.autoreg_waiter(&waiter, false));
    ASSERT_TRUE(channel.autoreg_waiter(&waiter, false));
    ASSERT_TRUE(tree.channels.register_waiter(&waiter, 77, false));
    ASSERT_TRUE(tree.autoreg_waiter(&waiter, false));

    EXPECT_TRUE(channel.enabled.set(true));
    std::vector<waiter_event> got = drain(waiter);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].module_id, tree.get_module_id(REG_AUTO));
    EXPECT_EQ(got[0].code, reinterpret_cast<intptr_t>(&channel.enabled));
    EXPECT_TRUE(channel.enabled.is_event(got[0]));
    EXPECT_EQ(got[2].module_id, tree.get_module_id(REG_VALUE));
    EXPECT_EQ(got[2].code, 77);
    EXPECT_TRUE(tree.is_event(got[3]));
    EXPECT_LT(tree.get_module_id(REG_AUTO), 0) << "extended ids";

    for (NV_item* node : std::vector<NV_item*>{&channel.enabled, &channel, &tree.channels, &tree}) {
        EXPECT_EQ(node->get_flags() & 0x07, 0x03) << node->get_name();
    }
    // The same value again: nothing.
    tree.set_flags(0);
    EXPECT_FALSE(channel.enabled.set(true));
    EXPECT_TRUE(drain(waiter).empty());
    EXPECT_EQ(tree.get_flags(), 0);
}

TEST_F(Tree_fixture, SetDefaultAndNaNNotify)
{
    ASSERT_TRUE(tree.sensor.gain.autoreg_waiter(&waiter, false));
    tree.sensor.gain.set(4.0f);
    drain(waiter);
    EXPECT_TRUE(tree.sensor.gain.set_default(true));
    EXPECT_EQ(tree.sensor.gain.get(), 1.5f);
    EXPECT_EQ(drain(waiter).size(), 1u);
    EXPECT_FALSE(tree.sensor.gain.is_at_default());

    EXPECT_TRUE(tree.sensor.gain.set(NAN));
    EXPECT_TRUE(tree.sensor.gain.set(NAN)) << "a NaN always counts as changed";
}

TEST_F(Tree_fixture, PlusEqualsMarksForSavingWithoutEvents)
{
    ASSERT_TRUE(tree.sensor.offset.autoreg_waiter(&waiter, false));
    EXPECT_EQ(tree.sensor.offset += 5, 2);
    EXPECT_TRUE(drain(waiter).empty());
    EXPECT_FALSE(tree.sensor.offset.is_at_default());
    EXPECT_FALSE(tree.sensor.is_at_default());
    EXPECT_FALSE(tree.is_at_default());
    EXPECT_EQ(tree.sensor.offset -= 1, 1);
}

TEST_F(Tree_fixture, OperatorsOfTheLeaf)
{
    NV_number<unsigned char, 4>& drive = tree.channels[0].drive;
    drive = 255;
    EXPECT_EQ(drive++, 255);
    EXPECT_EQ(drive.get(), 0);
    EXPECT_TRUE(drive == 0);
    NV_number<unsigned int, 6> other(nullptr, 9, 7, "other");
    EXPECT_FALSE(tree.types.i._set(other, NOTIFY_ALL)) << "another type code";
    EXPECT_EQ(tree.types.i.get(), -2000000000);
    EXPECT_TRUE(tree.types.ui._set(other, NOTIFY_ALL));
    EXPECT_EQ(tree.types.ui.get(), 7u);
}

// Counters kept in settings wrap around at the top of their type, for the
// signed types as for the unsigned ones, instead of overflowing.
TEST_F(Tree_fixture, ArithmeticWrapsAtTheEndsOfTheType)
{
    NV_number<int, 9>& i = tree.types.i;
    i = std::numeric_limits<int>::max();
    EXPECT_EQ(i++, std::numeric_limits<int>::max());
    EXPECT_EQ(i.get(), std::numeric_limits<int>::min());
    EXPECT_EQ(i -= 1, std::numeric_limits<int>::max());
    EXPECT_EQ(i += 2, std::numeric_limits<int>::min() + 1);
    NV_number<int, 9> low(nullptr, 9, std::numeric_limits<int>::min(), "low");
    EXPECT_EQ(i - low, 1);
    EXPECT_EQ(low - i, -1);

    NV_number<long long, 16>& ll = tree.types.ll;
    ll = std::numeric_limits<long long>::max();
    EXPECT_EQ(ll += 1, std::numeric_limits<long long>::min());
    EXPECT_EQ(ll -= 1, std::numeric_limits<long long>::max());
    NV_number<long long, 16> bottom(nullptr, 9, std::numeric_limits<long long>::min(), "bottom");
    EXPECT_EQ(bottom++, std::numeric_limits<long long>::min());
    EXPECT_EQ(bottom - ll, 2);

    NV_number<double, 11>& d = tree.types.d;
    d = 1.5;
    EXPECT_EQ(d += 0.25, 1.75);
}

TEST_F(Tree_fixture, CopyDoesNotShareRegistrations)
{
    ASSERT_TRUE(tree.count.autoreg_waiter(&waiter, false));
    {
        NV_number<int, 9> copy(tree.count);
        EXPECT_EQ(copy.get_nv_id(), tree.count.get_nv_id());
        EXPECT_EQ(copy.waiter_count(), 0);
        NV_number<int, 9> assigned(nullptr, 1, 5, "x");
        assigned.copy(tree.count);
        EXPECT_EQ(assigned.waiter_count(), 0);
    }
    // The original's registration is intact (a shared list would have been
    // freed with the copies).
    EXPECT_EQ(tree.count.waiter_count(), 1);
    tree.count.set(3);
    EXPECT_EQ(drain(waiter).size(), 1u);
}

TEST_F(Tree_fixture, FindAndSearch)
{
    unsigned short min = 30000, max = 0;
    tree.set_minmax(min, max);
    EXPECT_EQ(tree.find_data_item(""), &tree);
    EXPECT_EQ(tree.find_data_item("sensor.gain"), &tree.sensor.gain);
    EXPECT_EQ(tree.find_data_item("sens"), nullptr);
    EXPECT_EQ(tree.find_data_item("channels.2.drive"), &tree.channels[2].drive);
    EXPECT_EQ(tree.find_data_item(tree.channels[2].drive.get_id()), &tree.channels[2].drive);
    EXPECT_EQ(tree.sensor.find_data_item(tree.last.get_id()), nullptr);

    EXPECT_EQ(tree._search("channels/2/drive"), &tree.channels[2].drive);
    EXPECT_EQ(tree._search("channels/3/drive"), nullptr);
    // An index is read whole, in decimal.
    for (const char* path : {"channels/1abc/drive", "channels/0x1/drive", "channels//drive", "channels/-1/drive"})
        EXPECT_EQ(tree._search(path), nullptr) << path;
    EXPECT_EQ(tree._search("channels/01/drive"), &tree.channels[1].drive);
    EXPECT_EQ(tree._search("sensor,rest"), &tree.sensor);
    tree.lock();
    EXPECT_EQ(tree._search("channels/1/name"), &tree.channels[1].name) << "no self-deadlock";
    tree.unlock();
}

TEST_F(Tree_fixture, PathsLeadBackToTheTarget)
{
    NV_path path;
    ASSERT_EQ(tree.build_path(path, &tree.channels[1].drive), 0);
    ASSERT_EQ(path.fill(), 4);
    EXPECT_EQ(path.at(0), 2); // drive
    EXPECT_EQ(path.at(1), 1); // element 1
    EXPECT_EQ(path.at(2), 3); // channels
    EXPECT_EQ(path.at(3), 0); // root
    EXPECT_EQ(tree.__follow_path(&path), &tree.channels[1].drive);
    EXPECT_EQ(path.fill(), 0);
}

TEST_F(Tree_fixture, SignalAllReachesEveryRegistrationChildrenFirst)
{
    ASSERT_TRUE(tree.autoreg_waiter(&waiter, false));
    ASSERT_TRUE(tree.sensor.gain.autoreg_waiter(&waiter, false));
    tree.signal_all();
    std::vector<waiter_event> got = drain(waiter);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_TRUE(tree.sensor.gain.is_event(got[0]));
    EXPECT_TRUE(tree.is_event(got[1]));
    EXPECT_TRUE(tree.is_at_default());
}

TEST_F(Tree_fixture, TextForms)
{
    char text[128];
    tree.sensor._to_string(text, sizeof text);
    EXPECT_STREQ(text, "{1.5,-3}");
    EXPECT_NE(tree.sensor._from_string(" { 2.5 ,\t7 } "), nullptr);
    EXPECT_EQ(tree.sensor.gain.get(), 2.5f);
    EXPECT_EQ(tree.sensor.offset.get(), 7);
    EXPECT_EQ(tree.sensor._from_string("{2.5;7}"), nullptr);
    EXPECT_EQ(tree.sensor.offset._from_string("x"), nullptr);
    EXPECT_EQ(tree.sensor.offset.get(), 7);

    EXPECT_EQ(tree.channels[0].name.set("Tank1", 5), 5);
    tree.channels[0].name._to_string(text, sizeof text);
    EXPECT_STREQ(text, "[Tank1]");
    EXPECT_EQ(tree.channels[0].name.set("0123456789012345678901234", 25), 20);
    const char padded[21] = "Tank1               ";
    EXPECT_EQ(tree.channels[0].name.set(padded, -1), 20);
}

TEST_F(Tree_fixture, VirtualListenerGetsItsEvents)
{
    struct Owner {
        int calls = 0;
        void handle_virt_listener_event(Virt_listener<Owner>*) { ++calls; }
    } owner;
    Virt_listener<Owner> listener(&owner);
    EXPECT_EQ(listener.autoreg(&waiter, true), 0) << "unbound";
    listener.init(&tree.channels[2]);
    EXPECT_EQ(listener.autoreg(&waiter, true), 1);
    tree.channels[2].drive.set(9);
    std::vector<waiter_event> got = drain(waiter);
    ASSERT_EQ(got.size(), 1u);
    Virt_access* access = NV_root::event_listener(&tree, got[0]);
    ASSERT_EQ(access, &listener);
    access->handle_event();
    EXPECT_EQ(owner.calls, 1);
    EXPECT_EQ(listener.autounreg(&waiter), 1);
}

TEST(NV_tree_death, DuplicateIdEndsTheProcess)
{
    auto build = [] {
        NV_struct parent(nullptr, nullptr, 1, "parent");
        NV_number<int, 9> first(&parent, 7, 0, "first");
        NV_number<int, 9> second(&parent, 7, 0, "second");
    };
    EXPECT_EXIT(build(), testing::ExitedWithCode(256 - 119),
                "Duplicate NV_store ID second:7 first:7 in parent");
}

TEST(NV_tree, ItemArrayAcceptsEqualIds)
{
    NV_item_array<2, channel_t> array(nullptr, nullptr, 1, "array");
    channel_t extra;
    extra.set_nv_id(0);
    array.add_child(&extra);
    EXPECT_EQ(array.child_count(), 3);
    array.remove_child(&extra);
}

// --- The remote encoding of settings -----------------------------------------------

namespace {
std::string id_hex(const Data_item& item)
{
    char text[8];
    std::snprintf(text, sizeof text, "%x", unsigned(item.get_id()));
    return text;
}

std::string schema(NV_item& node, int depth)
{
    char out[4096];
    CDS::Remote::Send_buffer buffer(out, 0, int(sizeof out));
    node.serialise_structure(buffer, depth);
    return std::string(out, sizeof out - size_t(buffer.get_free_space()));
}
} // namespace

TEST_F(Tree_fixture, SchemaTextAtEachDepth)
{
    sensor_t& s = tree.sensor;
    const std::string head = "1:" + id_hex(s) + ":sensor";
    EXPECT_EQ(schema(s, 0), head);
    EXPECT_EQ(schema(s, 1), head + "{a:" + id_hex(s.gain) + ":gain,8:" + id_hex(s.offset) + ":offset}");

    // Elements of an array of records are named by their index.
    channel_t& c0 = tree.channels[0];
    const std::string element0 = "1:" + id_hex(c0) + ":0";
    const std::string text = schema(tree.channels, 1);
    EXPECT_EQ(text.rfind("d:" + id_hex(tree.channels) + ":channels{" + element0 + ",1:", 0), 0u) << text;
    EXPECT_EQ(text.find('{', 1), text.rfind('{')) << "depth 1 lists the elements without their settings";
    EXPECT_EQ(schema(c0, 255), element0 + "{2:" + id_hex(c0.enabled) + ":enabled,4:" + id_hex(c0.drive) +
                                   ":drive,23:" + id_hex(c0.name) + ":name}");
}

TEST_F(Tree_fixture, RemoteValuesRoundTripResumedByItem)
{
    tree.channels[0].enabled.set(true);
    tree.channels[1].drive.set(42);
    tree.channels[2].name.set("Tank3", 5);
    // The receiving tree is built like the sending one, so its item ids are
    // the sender's shifted by one constant: a stop id of the receiver names
    // the sender's item at that distance.
    test_params_t copy(&mm);
    const int shift = int(copy.get_id()) - int(tree.get_id());
    ASSERT_EQ(int(copy.channels[2].name.get_id()) - int(tree.channels[2].name.get_id()), shift);
    // Messages of at most 30 bytes: each is read until an item no longer
    // fits, and the next is sent from that item on.
    unsigned short resume = 0;
    int messages = 0;
    for (;;) {
        ASSERT_LT(++messages, 10);
        char piece[30];
        CDS::Remote::Send_buffer out(piece, 0, int(sizeof piece));
        unsigned short from = static_cast<unsigned short>(resume ? resume - shift : 0);
        ASSERT_TRUE(tree.channels.serialise(out, from).ok());
        CDS::Remote::Receive_buffer in(piece, int(sizeof piece) - out.get_free_space());
        Data_item::Serial_ret got = copy.channels.deserialise(in, resume);
        if (got.ok())
            break;
        resume = got.stop();
    }
    EXPECT_EQ(messages, 3);
    EXPECT_TRUE(copy.channels[0].enabled.get());
    EXPECT_EQ(copy.channels[1].drive.get(), 42);
    char name[21] = {};
    copy.channels[2].name.get(name, 20);
    EXPECT_STREQ(name, "Tank3");
}
