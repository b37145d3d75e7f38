// The CAN bridge on the in-process loop bus: a raw node checks the frames of
// requests and replies, a client over CAN runs the whole service, and a peer
// whose NAME moves away loses its subscriptions.
#include "apps/sowvane/services/Can_quor.h"
#include "apps/sowvane/services/Can_quor_client.h"
#include "can/JIN_smart_stack.h"
#include "platform/can/Bus_select.h"
#include "tests/can/name/Claim_sim.h"
#include "tests/messaging/cds/Remote_fixture.h"
#include "tests/support/Bus_node.h"
#include "tests/support/temp_path.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

using namespace remote_test;
using test_support::wait_until;
using Bytes = std::vector<unsigned char>;

namespace {

constexpr unsigned char SERVER = 0x1C, PEER = 0x80;
constexpr unsigned PGN = Can_quor::PGN_REMOTE_DATA;

std::string loop_spec()
{
    return std::string("loop,name=quor_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

template <class Stack> using Node = test_support::Bus_node<Stack>;

// Counts what a client tells, from the client's thread.
class Counting_listener : public CDS::Remote::Client::Listener {
public:
    void value_changed(unsigned short id) override
    {
        ++changes;
        last_id = id;
    }
    void state(int code) override { last_state = code; }
    std::atomic<int> changes{0};
    std::atomic<int> last_id{0};
    std::atomic<int> last_state{-1};
};

class Can_quor_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        waiter.init(&mm);
        ASSERT_TRUE(server_node.open(loop_spec(), mm));
        ASSERT_TRUE(peer_node.open(loop_spec(), mm));
        server_node.stack.register_address(SERVER);
        peer_node.stack.register_address(PEER);
        ASSERT_EQ(bridge.add_stack(&server_node.stack), 1);
        bridge.init(mm, &world.server);
    }

    // Sends a request from the raw peer, marker in front.
    void request(const Bytes& message, unsigned char marker_second = 0xF1)
    {
        Bytes frame{0xF1, marker_second};
        frame.insert(frame.end(), message.begin(), message.end());
        JIN_header h(PEER, SERVER, PGN, 6, JIN_TRANS_TX_FAST, unsigned(frame.size()));
        Diner::Protection p(peer_node.stack);
        ASSERT_EQ(peer_node.stack.__write(h, frame.data(), int(frame.size()), nullptr, 1), 0);
    }
    // The next reply the raw peer gets, marker included; false on none
    // within the wait.
    bool reply(JIN_header& h, Bytes& frame, int wait_ms = 30000)
    {
        waiter_event ev;
        while (waiter.get_event(&ev, Atime::from_now(wait_ms)) == 0) {
            if (ev.module_id != peer_node.stack.event_ids().rx)
                continue;
            unsigned char buffer[256];
            if (peer_node.stack.read(PGN, h, buffer, sizeof buffer, sizeof buffer, &waiter, JIN_PGN::FAST) < 0)
                continue;
            frame.assign(buffer, buffer + h.length);
            return true;
        }
        return false;
    }

    module_man mm;
    waiter_descriptor waiter;
    World world;
    Node<JIN_stack> server_node;
    Node<JIN_stack> peer_node;
    Can_quor::Can_quor bridge;
};

TEST_F(Can_quor_test, RequestIsAnsweredToTheSenderWithPriority6)
{
    ASSERT_EQ(peer_node.stack.register_pgn(PGN, &waiter, nullptr, JIN_PGN::FAST), 1);
    const unsigned short id = world.lookup.values.count.get_id();
    world.block.values.count = 0x1234;
    request({131, static_cast<unsigned char>(id), static_cast<unsigned char>(id >> 8), 0, 0});
    JIN_header h;
    Bytes frame;
    ASSERT_TRUE(reply(h, frame));
    EXPECT_EQ(h.src, SERVER);
    EXPECT_EQ(h.dest, PEER);
    EXPECT_EQ(h.prio, 6u);
    EXPECT_EQ(frame, (Bytes{0xF1, 0xF1, 3, static_cast<unsigned char>(id), static_cast<unsigned char>(id >> 8),
                            0, 0, 0x34, 0x12}));

    // Without the marker: read and dropped, no reply; the next request is
    // still answered.
    request({133}, 0xF0);
    request({133});
    ASSERT_TRUE(reply(h, frame));
    EXPECT_EQ(frame.size(), 2u + 9u);
    EXPECT_EQ(frame[2], 5);
}

// An idle bridge sleeps: the 30 ms tick that starts pushes runs only while
// a peer is subscribed to something.
TEST_F(Can_quor_test, TicksOnlyWhileAPeerIsSubscribed)
{
    ASSERT_EQ(peer_node.stack.register_pgn(PGN, &waiter, nullptr, JIN_PGN::FAST), 1);
    EXPECT_FALSE(bridge.ticking());
    JIN_header h;
    Bytes frame;
    request({133});
    ASSERT_TRUE(reply(h, frame));
    EXPECT_FALSE(bridge.ticking()) << "a peer without subscriptions";

    const unsigned short id = world.lookup.values.count.get_id();
    request({134, static_cast<unsigned char>(id), static_cast<unsigned char>(id >> 8), 0, 0});
    ASSERT_TRUE(reply(h, frame));
    EXPECT_TRUE(wait_until([&] { return bridge.ticking(); }));
    // A changed value is pushed on a tick.
    const unsigned short value = 0x4321;
    world.head.write(&world.block.values.count, &value, sizeof value);
    ASSERT_TRUE(reply(h, frame));
    EXPECT_EQ(frame[2], 3);

    // The checksum request ends the peer's subscriptions: asleep again.
    request({133});
    ASSERT_TRUE(reply(h, frame));
    EXPECT_TRUE(wait_until([&] { return !bridge.ticking(); }));
}

TEST_F(Can_quor_test, AFourthStackIsRefused)
{
    Can_quor::Can_quor other;
    JIN_stack a, b, c, d;
    EXPECT_EQ(other.add_stack(&a), 1);
    EXPECT_EQ(other.add_stack(&b), 1);
    EXPECT_EQ(other.add_stack(&c), 1);
    EXPECT_EQ(other.add_stack(&d), 0);
}

TEST_F(Can_quor_test, ClientOverCanFetchesReadsWritesAndGetsPushes)
{
    Counting_listener listener;
    const std::string cache = test_support::temp_path("quor_cache/");
    Can_quor::Remote_client client(&listener, cache.c_str());
    client.init(mm, &peer_node.stack, PEER, SERVER);
    ASSERT_TRUE(client.start(true));
    ASSERT_TRUE(wait_until([&] { return listener.last_state == CDS::Remote::Client::STATE_READY; }));
    std::remove(client.cache_path().c_str());
    rmdir(cache.c_str());

    // A write, then a subscription; a record longer than one message.
    ASSERT_TRUE(client.write_value("cds.data_store.values.trim", QVariant(-321)));
    ASSERT_TRUE(wait_until([&] {
        decltype(world.block.values.trim) trim{};
        world.head.read(&trim, &world.block.values.trim, sizeof trim);
        return trim == -321;
    }));
    world.head.write(&world.block.history[3].area, &world.block.values.area, 8);
    const int history = client.get_id("cds.data_store.history");
    const int last = client.get_id("cds.data_store.history.3.balance");
    long long balance = -99;
    world.head.write(&world.block.history[3].balance, &balance, 8);
    ASSERT_TRUE(client.request_value(unsigned(history)));
    ASSERT_TRUE(wait_until([&] { return client.get_value(unsigned(last)).toLongLong() == -99; }));

    const int position = client.get_id("cds.data_store.values.position");
    ASSERT_TRUE(client.request_subscribe(unsigned(position)));
    ASSERT_TRUE(wait_until([&] { return client.get_value(unsigned(position)).isValid(); }));
    // Changes from another thread reach the client, the last one included.
    std::thread writer([&] {
        for (int i = 1; i <= 50; ++i) {
            world.head.write(&world.block.values.position, &i, sizeof i);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    writer.join();
    ASSERT_TRUE(wait_until([&] { return client.get_value(unsigned(position)).toInt() == 50; }));
}

// A peer on a stack with a name manager leaves when its NAME no longer holds
// the address it asked from: the bridge drops its subscriptions.
class Can_quor_names : public ::testing::Test {
protected:
    void SetUp() override
    {
        w.init(&mm);
        ASSERT_TRUE(server_node.open(loop_spec(), mm));
        ASSERT_TRUE(peer_node.open(loop_spec(), mm));
        claim(server_node, server_name, SERVER);
        claim(peer_node, peer_name, PEER);
        ASSERT_TRUE(wait_until([&] { return names().gethostbyname(peer_name, false) == PEER; }));
        bridge.add_stack(&server_node.stack);
        bridge.init(mm, &world.server);
        client.init(mm, &peer_node.stack, PEER, SERVER);
        ASSERT_TRUE(client.request_subscribe(world.lookup.values.level.get_id()));
        ASSERT_TRUE(wait_until([&] { return world.server.subscription_count(peer_way) == 1; }));
        EXPECT_EQ(bridge.watched_peer_count(), 1);
    }
    void claim(Node<JIN_smart_stack>& node, const JIN_name::RAWNAME& name, unsigned char address)
    {
        ASSERT_TRUE(node.stack.name_manager().add_local_name(name, address));
        ASSERT_EQ(address, node.stack.wait_for_name(&w, name, true));
    }
    JIN_name::Name_manager& names() { return server_node.stack.name_manager(); }
    void expect_peer_dropped()
    {
        EXPECT_TRUE(wait_until([&] { return world.server.subscription_count(peer_way) == 0; }));
        EXPECT_TRUE(wait_until([&] { return bridge.watched_peer_count() == 0; }));
        EXPECT_EQ(world.server.client_count(), 0);
    }

    module_man mm;
    waiter_descriptor w;
    World world;
    Node<JIN_smart_stack> server_node, peer_node;
    const JIN_name::RAWNAME server_name = claim_sim::make_name(500, true);
    const JIN_name::RAWNAME peer_name = claim_sim::make_name(600, true);
    Can_quor::Can_quor bridge;
    Counting_listener listener;
    Can_quor::Remote_client client{&listener, nullptr};
    const Can_quor::CDS_backend peer_way{JIN_header(SERVER, PEER, PGN, 6, JIN_TRANS_TX_FAST, 0),
                                         &server_node.stack, &bridge.get_waiter()};
};

TEST_F(Can_quor_names, PeerMovedToAnotherAddressIsDropped)
{
    ASSERT_TRUE(names()._send_commanded_address(peer_name, 0x81));
    expect_peer_dropped();
}

TEST_F(Can_quor_names, PeerWhoseAddressAnotherNameClaimsIsDropped)
{
    // A NAME of higher priority takes 0x80; the peer has to move away.
    Node<JIN_smart_stack> newcomer;
    ASSERT_TRUE(newcomer.open(loop_spec(), mm));
    claim(newcomer, claim_sim::make_name(100, true), PEER);
    expect_peer_dropped();
}

} // namespace
