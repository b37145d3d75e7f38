// Smart stacks with their name managers on running threads: on the
// in-process loop bus and through the CAN hub. A raw bus node watches the
// frames and plays other devices.
#include "tests/support/Bus_node.h"
#include "can/JIN_smart_stack.h"
#include "can/JIN_transmission.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "platform/can/Bus_select.h"
#include "tests/can/name/Claim_sim.h"
#include "tests/support/Hub_process.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <set>

using claim_sim::make_name;
using JIN_name::NAME;
using JIN_name::RAWNAME;
using test_support::wait_until;

namespace {

constexpr unsigned PGN_CLAIM = 0xEE00;
constexpr unsigned PGN_REQUEST = 0xEA00;
constexpr unsigned PGN_ACK = 0xE800;
constexpr unsigned PGN_DATA = 0xEF00; // proprietary A, destination-specific
constexpr unsigned char NO_ADDRESS = 255;

std::string loop_spec()
{
    return std::string("loop,name=") +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

struct Smart_node : test_support::Bus_node<JIN_smart_stack> {
    JIN_name::Name_manager& names() { return stack.name_manager(); }
    unsigned char address_of(const RAWNAME& n) { return names().gethostbyname(n, false); }
};

// A raw node on the bus: sees every frame, sends what a test needs.
struct Observer {
    std::unique_ptr<CAN_bus> bus;
    std::vector<JIN_packet> seen;

    bool open(const std::string& spec)
    {
        std::string error;
        bus.reset(Bus_select::start(spec.c_str(), error));
        if (!bus)
            ADD_FAILURE() << error;
        return bus != nullptr;
    }
    void poll()
    {
        CAN_packet batch[16];
        int n;
        while ((n = bus->read(batch, 16)) > 0)
            for (int i = 0; i < n; ++i)
                seen.push_back(JIN_packet(batch[i]));
    }
    int count(const std::function<bool(const JIN_packet&)>& pred)
    {
        poll();
        int c = 0;
        for (const auto& f : seen)
            c += pred(f) ? 1 : 0;
        return c;
    }
    bool wait_for(const std::function<bool(const JIN_packet&)>& pred, int how_many = 1)
    {
        return wait_until([&] { return count(pred) >= how_many; });
    }
    void send(unsigned pgn, unsigned char dest, unsigned char src, std::vector<unsigned char> data)
    {
        JIN_packet f;
        f.set_extended(true);
        f.set_extended_id(6, pgn, dest, src);
        for (unsigned char b : data)
            f.data[f.length++] = b;
        ASSERT_GT(bus->write(f, 6), 0);
    }
    void claim(unsigned char src, const RAWNAME& n) { send(PGN_CLAIM, 255, src, claim_sim::bytes_of(n)); }
    void request_claims(unsigned char dest) { send(PGN_REQUEST, dest, 254, {0x00, 0xEE, 0x00}); }
};

std::function<bool(const JIN_packet&)> claim_of(const RAWNAME& n, unsigned char src)
{
    return [n, src](const JIN_packet& f) {
        return f.get_pgn() == PGN_CLAIM && f.get_src() == src && f.get_dest() == 255 &&
               f.length == 8 && std::equal(f.data, f.data + 8, n.bytes());
    };
}

// The event that reaches w first, module id 0 when none came within a minute.
waiter_event next_event(waiter_descriptor& w)
{
    waiter_event e;
    if (w.get_event(&e, Atime::from_now(60000)) != 0)
        e.module_id = 0;
    return e;
}

class Smart_loop : public ::testing::Test {
protected:
    void SetUp() override
    {
        main_waiter.init(&mm);
        ASSERT_TRUE(watch.open(loop_spec()));
        ASSERT_TRUE(node.open(loop_spec(), mm));
    }
    // Our NAME at 28, as the application claims it.
    void claim_ours(const RAWNAME& n)
    {
        ASSERT_TRUE(node.names().add_local_name(n, 28));
        ASSERT_EQ(28, node.stack.wait_for_name(&main_waiter, n, true));
    }

    module_man mm;
    waiter_descriptor main_waiter;
    Observer watch;
    Smart_node node;
    RAWNAME ours = make_name(500, true);
};

TEST_F(Smart_loop, ClaimsPreferredAddressAndBecomesChampion)
{
    claim_ours(ours);
    EXPECT_TRUE(watch.wait_for(claim_of(ours, 28)));
    RAWNAME got;
    EXPECT_TRUE(node.names().getlocalbyaddr(28, got));
    EXPECT_EQ(ours, got);
    // Already claimed: returns at once.
    EXPECT_EQ(28, node.stack.wait_for_name(&main_waiter, ours, true));
    // Messages to the won address are received now.
    EXPECT_EQ(1, node.stack.register_pgn(PGN_DATA, &main_waiter, nullptr));
    watch.send(PGN_DATA, 28, 90, {1, 2, 3});
    waiter_event e = next_event(main_waiter);
    EXPECT_EQ(node.stack.event_ids().rx, e.module_id);
}

TEST_F(Smart_loop, LowerNameMovesSelfConfigurableNodeOn)
{
    claim_ours(ours);
    watch.claim(28, make_name(1, true));
    // It moves into the self-configurable range.
    EXPECT_TRUE(watch.wait_for(claim_of(ours, 128)));
    EXPECT_TRUE(wait_until([&] { return node.address_of(ours) == 128; }));
    EXPECT_TRUE(wait_until([&] { return node.address_of(make_name(1, true)) == 28; }));
}

TEST_F(Smart_loop, LowerNameMakesFixedAddressNodeSendCannotClaim)
{
    ours = make_name(500, false);
    claim_ours(ours);
    watch.claim(28, make_name(1, false));
    EXPECT_TRUE(watch.wait_for(claim_of(ours, 254)));
    EXPECT_EQ(NO_ADDRESS, node.address_of(ours));
    RAWNAME dead[4];
    ASSERT_EQ(1, node.names().get_dead_names(dead, 4));
    EXPECT_EQ(ours, dead[0]);
}

TEST_F(Smart_loop, GlobalRequestMakesItClaimAgain)
{
    claim_ours(ours);
    ASSERT_TRUE(watch.wait_for(claim_of(ours, 28)));
    watch.request_claims(255);
    EXPECT_TRUE(watch.wait_for(claim_of(ours, 28), 2));
    watch.request_claims(28);
    EXPECT_TRUE(watch.wait_for(claim_of(ours, 28), 3));
    EXPECT_EQ(28, node.address_of(ours));
}

// The dead-name rings change on the manager's thread; other threads read them
// under the manager's lock.
TEST_F(Smart_loop, DeadNamesAreReadUnderTheManagersLock)
{
    ours = make_name(500, false);
    claim_ours(ours);
    watch.claim(28, make_name(1, false));
    ASSERT_TRUE(watch.wait_for(claim_of(ours, 254)));
    std::future<int> reading;
    {
        Diner::Protection held(node.names());
        reading = std::async(std::launch::async, [&] {
            RAWNAME dead[4];
            return node.names().get_dead_names(dead, 4);
        });
        // It cannot finish while the lock is held here.
        EXPECT_EQ(std::future_status::timeout, reading.wait_for(std::chrono::milliseconds(50)));
    }
    EXPECT_EQ(1, reading.get());
}

// A request for a NAME nobody has claimed: one Request for Address Claimed
// on the wire, and the listeners hear when the look-up ends.
TEST_F(Smart_loop, UnknownNameIsRequestedAndTheLookupEnds)
{
    claim_ours(ours);
    RAWNAME unknown = make_name(77, true);
    const JIN_name::Listen_node* l = nullptr;
    ASSERT_EQ(0, node.stack.add_listener(NAME(unknown), &main_waiter, l));
    EXPECT_EQ(NO_ADDRESS, node.names().gethostbyname(unknown, true));
    auto request = [](const JIN_packet& f) {
        return f.get_pgn() == PGN_REQUEST && f.get_src() == 28 && f.get_dest() == 255 &&
               f.data[0] == 0x00 && f.data[1] == 0xEE && f.data[2] == 0x00;
    };
    EXPECT_TRUE(watch.wait_for(request));
    waiter_event e = next_event(main_waiter);
    EXPECT_EQ(node.names().module_id(), e.module_id);
    EXPECT_EQ(reinterpret_cast<intptr_t>(l), e.code);
    EXPECT_EQ(NAME(unknown), static_cast<const RAWNAME&>(JIN_name::Name_manager::get_event_name(l)));
    EXPECT_TRUE(node.stack.remove_listener(l));
}

class Two_nodes : public ::testing::Test {
protected:
    void SetUp() override
    {
        w.init(&mm);
        ASSERT_TRUE(watch.open(loop_spec()));
        ASSERT_TRUE(a.open(loop_spec(), mm));
        ASSERT_TRUE(b.open(loop_spec(), mm));
    }
    void claim(Smart_node& n, const RAWNAME& name, unsigned char preferred)
    {
        ASSERT_TRUE(n.names().add_local_name(name, preferred));
        ASSERT_EQ(preferred, n.stack.wait_for_name(&w, name, true));
    }
    // Until each node sees the other's NAME at its address.
    void wait_known(Smart_node& n, const RAWNAME& name, unsigned char at)
    {
        ASSERT_TRUE(wait_until([&] { return n.address_of(name) == at; }));
    }

    module_man mm;
    waiter_descriptor w;
    Observer watch;
    Smart_node a;
    Smart_node b;
    RAWNAME name_a = make_name(500, true);
    RAWNAME name_b = make_name(600, true);
};

TEST_F(Two_nodes, CommandedAddressMovesThePeer)
{
    claim(a, name_a, 28);
    claim(b, name_b, 40);
    wait_known(a, name_b, 40);
    EXPECT_FALSE(a.names()._send_commanded_address(name_b, 254));
    EXPECT_TRUE(a.names()._send_commanded_address(name_b, 77));
    EXPECT_TRUE(watch.wait_for(claim_of(name_b, 77)));
    EXPECT_TRUE(wait_until([&] { return b.address_of(name_b) == 77; }));
    wait_known(a, name_b, 77);
}

TEST_F(Two_nodes, WaitForNameBlocksUntilTheClaim)
{
    claim(a, name_a, 28);
    waiter_descriptor bw;
    bw.init(&mm);
    std::atomic<bool> returned{false};
    auto waiting = std::async(std::launch::async, [&] {
        unsigned char r = a.stack.wait_for_name(&bw, name_b, true);
        returned = true;
        return r;
    });
    // Another module's event during the wait is not lost.
    ASSERT_EQ(0, bw.send_event(waiter_event(3000, 7, 7), false, false));
    // Nothing can end the wait before b claims (no look-up was started).
    EXPECT_FALSE(returned.load());
    claim(b, name_b, 40);
    ASSERT_EQ(std::future_status::ready, waiting.wait_for(std::chrono::seconds(60)));
    EXPECT_EQ(40, waiting.get());
    waiter_event e = next_event(bw);
    EXPECT_EQ(3000, e.module_id);
    EXPECT_EQ(7u, e.data);
}

// Every operation that names a peer without an address refuses with -91 and
// sends nothing.
TEST_F(Two_nodes, UnresolvedNamesGiveMinus91)
{
    claim(a, name_a, 28);
    RAWNAME nobody = make_name(999, true);
    unsigned char d[3] = {1, 2, 3};
    JIN_header h(0, 0, PGN_DATA, 6, JIN_TRANS_TX_SINGLE, 3);
    RAWNAME global_value = RAWNAME::GLOBAL_NAME; // equal, but not the object
    JIN::Transmission<JIN_grow_message> t;
    t.set_uint8(0, 9);
    const int results[] = {
        a.stack.write(nobody, RAWNAME::GLOBAL_NAME, PGN_DATA, 6, 3, d, 3, nullptr, 1),
        a.stack.write(name_a, nobody, PGN_DATA, 6, 3, d, 3, nullptr, 1),
        a.stack.write(name_a, global_value, PGN_DATA, 6, 3, d, 3, nullptr, 1),
        a.stack.write(JIN_NAME(NAME(nobody)), JIN_NAME(NAME(name_a)), PGN_DATA, 6, 3, d, 3,
                      nullptr, 1),
        a.stack.write(name_a, nobody, h, d, 3, nullptr, 1),
        a.stack.write(JIN_NAME(NAME(name_a)), JIN_NAME(NAME(nobody)), h, d, 3, nullptr, 1),
        a.stack.request(PGN_DATA, name_a, nobody),
        a.stack.send_ack(nobody, PGN_DATA, true, RAWNAME()),
        t.nwrite(a.stack, nobody, 40, 6, PGN_DATA),
        t.write_global(a.stack, nobody, PGN_DATA, 6, JIN_TRANS_TX_SINGLE, nullptr, 1),
        t.write(a.stack, 254, 40, 6, PGN_DATA, nullptr, 1),
    };
    for (size_t i = 0; i < sizeof results / sizeof results[0]; ++i)
        EXPECT_EQ(-91, results[i]) << "case " << i;
    EXPECT_TRUE(a.stack.is_empty());

    // The global NAME object, and a JIN_NAME of its value, go to 255.
    EXPECT_EQ(0, a.stack.write(name_a, RAWNAME::GLOBAL_NAME, PGN_DATA, 6, 3, d, 3, nullptr, 1));
    EXPECT_EQ(0, a.stack.write(JIN_NAME(NAME(name_a)), JIN_NAME(NAME(global_value)), PGN_DATA, 6, 3,
                               d, 3, nullptr, 2));
    EXPECT_EQ(0, a.stack.send_ack(name_a, PGN_DATA, false, RAWNAME()));
    EXPECT_TRUE(watch.wait_for(
        [](const JIN_packet& f) { return f.get_pgn() == PGN_DATA && f.get_src() == 28 && f.get_dest() == 255; },
        2));
    EXPECT_TRUE(watch.wait_for([](const JIN_packet& f) {
        return f.get_pgn() == PGN_ACK && f.get_src() == 28 && f.get_dest() == 255 && f.data[0] == 1 &&
               f.data[5] == 0x00 && f.data[6] == 0xEF && f.data[7] == 0x00;
    }));
}

TEST_F(Two_nodes, ReadNamesTheSenderOrGivesMinus91)
{
    claim(a, name_a, 28);
    claim(b, name_b, 40);
    wait_known(a, name_b, 40);
    waiter_descriptor reader;
    reader.init(&mm);
    ASSERT_EQ(1, a.stack.register_pgn(PGN_DATA, &reader, nullptr));
    unsigned char buf[8];
    JIN_header h;
    JIN_NAME from, to;

    // From a claimed peer: its NAME, with a listener on the reader.
    JIN::Transmission<JIN_grow_message> t;
    t.set_uint8(0, 0x55);
    ASSERT_EQ(0, t.nwrite(b.stack, name_b, 28, 6, PGN_DATA));
    ASSERT_EQ(a.stack.event_ids().rx, next_event(reader).module_id);
    ASSERT_EQ(0, a.stack.read(PGN_DATA, from, to, h, buf, 8, 8, &reader));
    EXPECT_EQ(name_b, static_cast<const RAWNAME&>(from.name));
    EXPECT_NE(nullptr, from.listener);
    EXPECT_EQ(name_a, static_cast<const RAWNAME&>(to.name));
    EXPECT_TRUE(a.stack.remove_listener(from.listener));
    EXPECT_TRUE(a.stack.remove_listener(to.listener));

    // A broadcast: the global NAME as receiver, no listener for it.
    ASSERT_EQ(1, a.stack.register_pgn(0xFF10, &reader, nullptr));
    ASSERT_EQ(0, t.nwrite(b.stack, name_b, 255, 6, 0xFF10));
    ASSERT_EQ(a.stack.event_ids().rx, next_event(reader).module_id);
    ASSERT_EQ(0, a.stack.read(0xFF10, from, to, h, buf, 8, 8, &reader));
    EXPECT_EQ(name_b, static_cast<const RAWNAME&>(from.name));
    EXPECT_EQ(RAWNAME::GLOBAL_NAME, static_cast<const RAWNAME&>(to.name));
    EXPECT_EQ(nullptr, to.listener);
    EXPECT_TRUE(a.stack.remove_listener(from.listener));

    // From an address nobody claimed: -91, and the message is gone.
    watch.send(PGN_DATA, 28, 99, {1});
    ASSERT_EQ(a.stack.event_ids().rx, next_event(reader).module_id);
    EXPECT_EQ(-91, a.stack.read(PGN_DATA, from, to, h, buf, 8, 8, &reader));
    EXPECT_EQ(nullptr, from.listener);
    EXPECT_EQ(-1, a.stack.read(PGN_DATA, from, to, h, buf, 8, 8, &reader));
    EXPECT_TRUE(a.stack.remove_listener(to.listener));

    // With every listener node in use: -12, no crash, and waits for a NAME
    // that holds no address end at once.
    std::vector<const JIN_name::Listen_node*> held;
    for (unsigned i = 0; i < 250; ++i) {
        const JIN_name::Listen_node* l = nullptr;
        ASSERT_EQ(0, a.stack.add_listener(NAME(make_name(2000 + i)), &w, l)) << i;
        held.push_back(l);
    }
    const JIN_name::Listen_node* none = nullptr;
    EXPECT_EQ(-12, a.stack.add_listener(NAME(make_name(1999)), &w, none));
    EXPECT_EQ(nullptr, none);
    ASSERT_EQ(0, t.nwrite(b.stack, name_b, 28, 6, PGN_DATA));
    ASSERT_EQ(a.stack.event_ids().rx, next_event(reader).module_id);
    EXPECT_EQ(-12, a.stack.read(PGN_DATA, from, to, h, buf, 8, 8, &reader));
    EXPECT_EQ(NO_ADDRESS, a.stack.wait_for_name(&w, make_name(1999), true));
    EXPECT_EQ(28, a.stack.wait_for_name(&w, name_a, true));
    for (auto* l : held)
        EXPECT_TRUE(a.stack.remove_listener(l));
}

TEST_F(Two_nodes, TransmissionsBetweenPeers)
{
    claim(a, name_a, 28);
    claim(b, name_b, 40);
    waiter_descriptor reader;
    reader.init(&mm);
    ASSERT_EQ(1, a.stack.register_pgn(PGN_DATA, &reader, nullptr));
    JIN::Transmission<JIN_grow_message> in;
    EXPECT_EQ(-5, in.read(a.stack, &reader, 254, PGN_DATA));

    JIN::Transmission<JIN_grow_message> out;
    out.set_uint16(0, 0x1234);
    ASSERT_EQ(0, out.write(b.stack, 40, 28, 6, PGN_DATA, nullptr, 1));
    ASSERT_EQ(a.stack.event_ids().rx, next_event(reader).module_id);
    EXPECT_EQ(-14, in.read(a.stack, &reader, 41, PGN_DATA)); // another sender expected

    ASSERT_EQ(0, out.write(b.stack, 40, 28, 6, PGN_DATA, nullptr, 1));
    ASSERT_EQ(a.stack.event_ids().rx, next_event(reader).module_id);
    EXPECT_EQ(0, in.read(a.stack, &reader, 254, PGN_DATA)); // anyone
    EXPECT_EQ(2u, in.get_length());
    EXPECT_EQ(0x34, in[0]);
    EXPECT_EQ(0x12, in[1]);

    // A long broadcast from an own NAME goes out by BAM.
    JIN::Transmission<JIN_grow_message> big(20);
    for (unsigned i = 0; i < 20; ++i)
        big.set_uint8(i, static_cast<unsigned char>(i));
    EXPECT_EQ(0, big.write_global(b.stack, name_b, 0xFF10, 6, JIN_TRANS_TX_TP, nullptr, 1));
    EXPECT_TRUE(watch.wait_for([](const JIN_packet& f) {
        return f.get_pgn() == 0xEC00 && f.get_src() == 40 && f.data[0] == 32 && f.data[1] == 20;
    }));
}

// Several managers that all prefer 28 end on distinct addresses and agree on
// who holds which.
void converge(const std::string& spec, int count)
{
    module_man mm;
    waiter_descriptor w;
    w.init(&mm);
    std::vector<std::unique_ptr<Smart_node>> nodes;
    std::vector<RAWNAME> names;
    for (int i = 0; i < count; ++i) {
        nodes.push_back(std::make_unique<Smart_node>());
        ASSERT_TRUE(nodes.back()->open(spec, mm));
        names.push_back(make_name(800 - 50 * static_cast<unsigned>(i), true));
    }
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(nodes[i]->names().add_local_name(names[i], 28));
    auto settled = [&] {
        std::set<int> taken;
        for (int i = 0; i < count; ++i) {
            int at = nodes[i]->address_of(names[i]);
            if (at == NO_ADDRESS || !taken.insert(at).second)
                return false;
            for (int j = 0; j < count; ++j)
                if (nodes[j]->address_of(names[i]) != at)
                    return false;
        }
        return true;
    };
    ASSERT_TRUE(wait_until(settled));
    // The NAME of highest priority holds the preferred address.
    EXPECT_EQ(28, nodes[count - 1]->address_of(names[count - 1]));
}

TEST(Smart_convergence, TwoManagersOnTheLoopBus) { converge(loop_spec(), 2); }
TEST(Smart_convergence, FiveManagersOnTheLoopBus) { converge(loop_spec(), 5); }

class Smart_hub : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(hub.start()) << hub.error(); }
    Hub_process hub;
};

TEST_F(Smart_hub, TwoManagersConverge) { converge(hub.bus_spec(), 2); }
TEST_F(Smart_hub, FiveManagersConverge) { converge(hub.bus_spec(), 5); }

TEST_F(Smart_hub, ClaimContestAndCommandedAddress)
{
    module_man mm;
    waiter_descriptor w;
    w.init(&mm);
    Observer watch;
    ASSERT_TRUE(watch.open(hub.bus_spec()));
    Smart_node a, b;
    ASSERT_TRUE(a.open(hub.bus_spec(), mm));
    ASSERT_TRUE(b.open(hub.bus_spec(), mm));
    RAWNAME name_a = make_name(500, true), name_b = make_name(600, false);
    ASSERT_TRUE(a.names().add_local_name(name_a, 28));
    ASSERT_EQ(28, a.stack.wait_for_name(&w, name_a, true));
    EXPECT_TRUE(watch.wait_for(claim_of(name_a, 28)));

    // A fixed-address NAME of higher priority takes 28; ours moves on into
    // the self-configurable range.
    ASSERT_TRUE(b.names().add_local_name(name_b, 28));
    EXPECT_TRUE(watch.wait_for(claim_of(name_a, 128)));
    EXPECT_TRUE(wait_until([&] { return a.address_of(name_a) == 128 && b.address_of(name_b) == 28; }));
    EXPECT_TRUE(wait_until([&] { return a.address_of(name_b) == 28 && b.address_of(name_a) == 128; }));

    // A global request: both claim again.
    watch.request_claims(255);
    EXPECT_TRUE(watch.wait_for(claim_of(name_a, 128), 2));
    EXPECT_TRUE(watch.wait_for(claim_of(name_b, 28), 2));

    EXPECT_TRUE(b.names()._send_commanded_address(name_a, 100));
    EXPECT_TRUE(watch.wait_for(claim_of(name_a, 100)));
    EXPECT_TRUE(wait_until([&] { return b.address_of(name_a) == 100; }));
}

} // namespace
