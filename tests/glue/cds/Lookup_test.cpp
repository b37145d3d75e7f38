#include "glue/cds/Head.h"
#include "glue/cds/Lookup_basic.h"
#include "glue/cds/Lookup_root.h"
#include "glue/cds/Receive_buffer.h"
#include "glue/cds/Send_buffer.h"

#include "Cds_events.h"
#include "tests/support/item_id_scope.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace CDS;

namespace {

struct ds_system {
    bool alive;
    float rate;
    unsigned char levels[4];
};

struct Block {
    int counter;
    ds_system system;
    double tail;
};

class System_lookup : public Lookup_struct {
public:
    System_lookup(Lookup_struct& parent, const char* name, ds_system& d)
        : Lookup_struct(parent, name, &d, sizeof d),
          alive(*this, "alive", &d.alive),
          rate(*this, "rate", &d.rate, "per hectare"),
          levels(*this, "levels", d.levels, 4)
    {
        set_type_name("ds_system");
    }
    Lookup_basic<bool> alive;
    Lookup_basic<float> rate;
    Lookup_basic_array<unsigned char> levels;
};

class Store_lookup : public Lookup_root {
public:
    Store_lookup(Head& head, Block& d)
        : Lookup_root(head, &d, sizeof d, "data_store"),
          counter(*this, "counter", &d.counter),
          system(*this, "system", d.system),
          tail(*this, "tail", &d.tail)
    {
        set_type_name("data_store_body");
    }
    Lookup_basic<int> counter;
    System_lookup system;
    Lookup_basic<double> tail;
};

class Counting_handler : public Data_item::Event_handler {
public:
    void signal_event(bool changed) override { calls += changed ? 1 : 0; }
    int calls = 0;
};

class Lookup_fixture : public testing::Test {
protected:
    Lookup_fixture() : head(&mm, reinterpret_cast<unsigned long>(&data)), tree(head, data)
    {
        head.set_lookup(&tree);
        unsigned short min = 30000, max = 0;
        tree.set_minmax(min, max);
        waiter.init(&mm);
    }

    std::string schema(Lookup_item& item, int depth)
    {
        char text[512];
        Remote::Send_buffer out(text, 0, sizeof text);
        item.serialise_structure(out, depth);
        return std::string(text, sizeof text - out.get_free_space());
    }

    std::string values(unsigned short resume_id = 0)
    {
        char bytes[256];
        Remote::Send_buffer out(bytes, 0, sizeof bytes);
        EXPECT_TRUE(tree.serialise(out, resume_id).ok());
        return std::string(bytes, sizeof bytes - out.get_free_space());
    }

    // First: the tree draws its ids from a fresh range, wherever earlier
    // tests left the counter, and gives them back at the end.
    Item_id_scope ids{1};
    module_man mm;
    Block data{};
    Head head;
    Store_lookup tree;
    waiter_descriptor waiter;
};

} // namespace

TEST_F(Lookup_fixture, IdsArePreOrderAndConsecutive)
{
    const unsigned short r = tree.get_id();
    EXPECT_EQ(tree.counter.get_id(), r + 1);
    EXPECT_EQ(tree.system.get_id(), r + 2);
    EXPECT_EQ(tree.system.alive.get_id(), r + 3);
    EXPECT_EQ(tree.system.levels.get_id(), r + 5);
    EXPECT_EQ(tree.tail.get_id(), r + 6);
    unsigned short min, max;
    tree.system.get_minmax(min, max);
    EXPECT_EQ(min, r + 2);
    EXPECT_EQ(max, r + 5);
}

TEST_F(Lookup_fixture, FindByPathAndById)
{
    EXPECT_EQ(tree.find_data_item(""), &tree);
    EXPECT_EQ(tree.find_data_item("system"), &tree.system);
    EXPECT_EQ(tree.find_data_item("system.rate"), &tree.system.rate);
    EXPECT_EQ(tree.find_data_item("sys"), nullptr);
    EXPECT_EQ(tree.find_data_item("system.rat"), nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(tree.find_data_item("system.rate.x"), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Base find item, why? rate"), std::string::npos);

    EXPECT_EQ(tree.find_data_item(tree.system.levels.get_id()), &tree.system.levels);
    EXPECT_EQ(tree.find_data_item(tree.get_id()), &tree);
    EXPECT_EQ(tree.system.find_data_item(tree.tail.get_id()), nullptr);
    EXPECT_EQ(tree.find_data_item(static_cast<unsigned short>(tree.tail.get_id() + 1)), nullptr);
}

TEST_F(Lookup_fixture, SchemaTextAtEachDepth)
{
    auto hex = [](unsigned v) {
        char t[8];
        std::snprintf(t, sizeof t, "%x", v);
        return std::string(t);
    };
    const std::string sys = "1:" + hex(tree.system.get_id()) + ":system";
    const std::string children = "{2:" + hex(tree.system.alive.get_id()) + ":alive,a:" +
                                 hex(tree.system.rate.get_id()) + ":rate,24:" +
                                 hex(tree.system.levels.get_id()) + ":levels}";
    EXPECT_EQ(schema(tree.system, 0), sys);
    EXPECT_EQ(schema(tree.system, 1), sys + children);
    const std::string root = "1:" + hex(tree.get_id()) + ":data_store";
    const std::string counter = "9:" + hex(tree.counter.get_id()) + ":counter";
    const std::string tail = "b:" + hex(tree.tail.get_id()) + ":tail";
    EXPECT_EQ(schema(tree, 1), root + "{" + counter + "," + sys + "," + tail + "}");
    EXPECT_EQ(schema(tree, 255), root + "{" + counter + "," + sys + children + "," + tail + "}");
}

TEST_F(Lookup_fixture, ValuesRoundTripInChunksResumedById)
{
    data = Block{-5, {true, 2.5f, {1, 2, 3, 4}}, 9.75};
    const std::string stream = values();
    // int, bool, float, count + 4, double
    ASSERT_EQ(stream.size(), 4u + 1 + 4 + 1 + 4 + 8);

    Block sent = data;
    data = Block{};
    // Feed the stream in pieces of 9 bytes (the largest item is 8): each piece is read until an item
    // no longer fits, and the next piece is produced from that item on.
    unsigned short resume = 0;
    int rounds = 0;
    for (;;) {
        ASSERT_LT(++rounds, 20);
        char piece[9];
        Remote::Send_buffer out(piece, 0, sizeof piece);
        Data_item::Serial_ret ret; // the sender's side, with the same tree as source
        {
            Block now = data;
            data = sent;
            unsigned short from = resume;
            ret = tree.serialise(out, from);
            data = now;
        }
        ASSERT_TRUE(ret.ok());
        Remote::Receive_buffer in(piece, int(sizeof piece) - out.get_free_space());
        Data_item::Serial_ret got = tree.deserialise(in, resume);
        if (got.ok())
            break;
        resume = got.stop();
    }
    EXPECT_EQ(data.counter, -5);
    EXPECT_TRUE(data.system.alive);
    EXPECT_EQ(data.system.rate, 2.5f);
    EXPECT_EQ(std::memcmp(data.system.levels, sent.system.levels, 4), 0);
    EXPECT_EQ(data.tail, 9.75);
}

TEST_F(Lookup_fixture, ShortBufferReportsFailingItemAndTheNext)
{
    char bytes[5] = {1, 0, 0, 0, 1}; // counter and alive; rate missing
    Remote::Receive_buffer in(bytes, sizeof bytes);
    unsigned short resume = 0;
    Data_item::Serial_ret ret = tree.deserialise(in, resume);
    EXPECT_EQ(ret.stop(), tree.system.rate.get_id());
    EXPECT_EQ(ret.next(), tree.system.levels.get_id());
    EXPECT_EQ(data.counter, 1);
    EXPECT_TRUE(data.system.alive);
}

TEST_F(Lookup_fixture, RemoteArraysAreCutOrPartlyFilled)
{
    data.system.levels[0] = 9;
    data.system.levels[3] = 9;
    {
        // Two elements: only the leading two change.
        const char bytes[] = {2, 5, 6};
        Remote::Receive_buffer in(bytes, sizeof bytes);
        unsigned short resume = tree.system.levels.get_id();
        // Only the array is due; the tail after it finds no bytes.
        Data_item::Serial_ret ret = tree.system.deserialise(in, resume);
        EXPECT_TRUE(ret.ok());
        const unsigned char expect[4] = {5, 6, 0, 9};
        EXPECT_EQ(std::memcmp(data.system.levels, expect, 4), 0);
    }
    {
        // Six elements: the surplus is read and dropped, and the double after
        // the record is read from the right bytes.
        char bytes[1 + 6 + 8];
        bytes[0] = 6;
        for (int i = 0; i < 6; ++i)
            bytes[1 + i] = char(10 + i);
        double tail = 4.5;
        Remote::Send_buffer(bytes + 7, 0, 8).append_DOUBLE(tail);
        Remote::Receive_buffer in(bytes, sizeof bytes);
        unsigned short resume = tree.system.levels.get_id();
        EXPECT_TRUE(tree.deserialise(in, resume).ok());
        const unsigned char expect[4] = {10, 11, 12, 13};
        EXPECT_EQ(std::memcmp(data.system.levels, expect, 4), 0);
        EXPECT_EQ(data.tail, 4.5);
        EXPECT_EQ(in.get_remaining(), 0);
    }
}

TEST_F(Lookup_fixture, RemoteWritesWakeSubscribersOnlyOnChange)
{
    ASSERT_EQ(head.event_register(&waiter, head.offset_of(&data.system.rate), 4, REG_EVENT_ID, 3,
                                  nullptr, nullptr),
              0);
    auto receive_rate = [&](float value) {
        char bytes[4];
        Remote::Send_buffer(bytes, 0, 4).append_FLOAT(value);
        Remote::Receive_buffer in(bytes, 4);
        unsigned short resume = tree.system.rate.get_id();
        EXPECT_TRUE(tree.system.rate.deserialise(in, resume).ok());
        return drain(waiter).size();
    };
    EXPECT_EQ(receive_rate(1.0f), 1u);
    EXPECT_EQ(receive_rate(1.0f), 0u);
    // Differs by less than the smallest normal float: stored, no event.
    data.system.rate = 0.0f;
    EXPECT_EQ(receive_rate(FLT_MIN / 2), 0u);
    EXPECT_EQ(data.system.rate, FLT_MIN / 2);
}

TEST_F(Lookup_fixture, ChangeHandlersFireOnlyWhenBytesChange)
{
    Counting_handler rate_handler, system_handler, alive_handler, tail_handler;
    tree.system.rate.set_event_handler(&rate_handler);
    tree.system.set_event_handler(&system_handler);
    tree.system.alive.set_event_handler(&alive_handler);
    tree.tail.set_event_handler(&tail_handler);

    float rate = 3.0f;
    head.write(&data.system.rate, &rate, sizeof rate);
    EXPECT_EQ(rate_handler.calls, 1);
    EXPECT_EQ(system_handler.calls, 1);
    head.write(&data.system.rate, &rate, sizeof rate);
    EXPECT_EQ(rate_handler.calls, 1);
    EXPECT_EQ(system_handler.calls, 1);

    // A whole-record write that changes only alive.
    ds_system record = data.system;
    record.alive = true;
    head.write(&data.system, &record, sizeof record);
    EXPECT_EQ(alive_handler.calls, 1);
    EXPECT_EQ(rate_handler.calls, 1);
    EXPECT_EQ(system_handler.calls, 2);

    // A whole-block write that changes only the last field.
    Block whole = data;
    whole.tail = 1.0;
    head.write(&data, &whole, sizeof whole);
    EXPECT_EQ(tail_handler.calls, 1);
    EXPECT_EQ(system_handler.calls, 2);
    EXPECT_EQ(alive_handler.calls, 1);
}

TEST_F(Lookup_fixture, SetFromTextGoesThroughTheLockedWrite)
{
    ASSERT_EQ(head.event_register(&waiter, head.offset_of(&data.counter), 4, REG_EVENT_ID, 1,
                                  nullptr, nullptr),
              0);
    EXPECT_NE(tree.counter.set_from_string("0x20", &head), nullptr);
    EXPECT_EQ(data.counter, 32);
    EXPECT_EQ(drain(waiter).size(), 1u);
    EXPECT_EQ(tree.counter.set_from_string("junk", &head), nullptr);
    EXPECT_EQ(data.counter, 32);
    EXPECT_EQ(tree.system.set_from_string("1", &head), nullptr);
}

TEST_F(Lookup_fixture, DeclarationText)
{
    data.system.rate = 2.5f;
    std::string out = "before\n";
    tree.system.append_definition(out, 1);
    EXPECT_EQ(out, "before\n"
                   "    struct ds_system { \"\"\n"
                   "        bool alive = 0; \"\"\n"
                   "        float rate = 2.5; \"per hectare\"\n"
                   "        unsigned char levels = {0, 0, 0, 0};\"\"\n"
                   "    } system;\n");
}

TEST(Lookup_names, ElementNamesComeFromOneGrowingTable)
{
    const char* three = get_number_as_name(3);
    EXPECT_STREQ(three, "3");
    const char* one = get_number_as_name(1);
    EXPECT_STREQ(one, "1");
    EXPECT_EQ(get_number_as_name(3), three);
    get_number_as_name(500);
    EXPECT_EQ(get_number_as_name(3), three) << "names must not move when the table grows";
}

// Random writes of any range of the block: a leaf's handler fires exactly
// when one of its bytes inside the written range changes, a record's when one
// of its leaves does.
TEST_F(Lookup_fixture, ChangeTrackingMatchesAByteByByteModel)
{
    struct Watched {
        Lookup_item* item;
        Counting_handler handler;
    };
    Watched leaves[] = {{&tree.counter, {}}, {&tree.system.alive, {}}, {&tree.system.rate, {}},
                        {&tree.system.levels, {}}, {&tree.tail, {}}};
    Counting_handler system_handler;
    for (Watched& w : leaves)
        w.item->set_event_handler(&w.handler);
    tree.system.set_event_handler(&system_handler);

    std::mt19937 rng(7);
    unsigned char* bytes = reinterpret_cast<unsigned char*>(&data);
    for (int round = 0; round < 5000; ++round) {
        const int offset = int(rng() % sizeof data);
        const int size = 1 + int(rng() % (sizeof data - offset));
        unsigned char value[sizeof data];
        std::memcpy(value, bytes + offset, size_t(size));
        for (int flips = int(rng() % 3); flips > 0; --flips)
            value[rng() % size] ^= static_cast<unsigned char>(1 + rng() % 255);

        std::vector<int> expect;
        int system_expect = system_handler.calls;
        bool system_changed = false;
        for (Watched& w : leaves) {
            const int start = int(static_cast<unsigned char*>(w.item->get_address()) - bytes);
            const int end = start + int(w.item->get_size());
            bool changed = false;
            for (int i = std::max(start, offset); i < std::min(end, offset + size); ++i)
                changed |= bytes[i] != value[i - offset];
            expect.push_back(w.handler.calls + (changed ? 1 : 0));
            if (changed && w.item->get_parent() == &tree.system)
                system_changed = true;
        }
        system_expect += system_changed ? 1 : 0;

        head.write(bytes + offset, value, size);
        for (size_t i = 0; i < expect.size(); ++i)
            ASSERT_EQ(leaves[i].handler.calls, expect[i])
                << "leaf " << leaves[i].item->get_name() << " write " << offset << "+" << size;
        ASSERT_EQ(system_handler.calls, system_expect) << "write " << offset << "+" << size;
    }
}
