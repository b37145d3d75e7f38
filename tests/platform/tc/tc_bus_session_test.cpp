// The whole TC session on CAN stacks: on the loop bus, through the CAN hub
// with a pool large enough for the extended transport protocol, and its
// frames decoded by Wireshark's ISObus dissector.
#include "Bus_session_rig.h"

#include "platform/can/Socketcand_text.h"
#include "tests/support/Hub_process.h"
#include "tests/support/temp_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

using bus_rig::Rig;
using test_support::wait_until;
using E = TC::Client_engine;

TEST(TcBusSession, UploadProcessDataAndTcLossOnTheLoopBus)
{
    Rig rig;
    ASSERT_TRUE(rig.open("loop,name=tc_session_loop"));
    ASSERT_TRUE(rig.start_client());
    ASSERT_TRUE(rig.wait_active());
    const unsigned char client = rig.client.stack.name_manager().gethostbyname(rig.client_name, false);
    EXPECT_EQ(client, bus_rig::CLIENT_PREFERRED);
    EXPECT_EQ(rig.server->with_server([](auto& s) { return s.transfers; }), 1);

    // A set value with acknowledge: the application hears it, and the TC
    // gets its acknowledge once the application has answered.
    rig.server->with_server([&](auto& s) {
        s.acks.clear();
        s.send_command(client, TC::CMD_SET_VALUE_ACK, 0, 141, 1);
        return 0;
    });
    waiter_event e;
    bool got = false;
    while (!got && rig.app.get_event(&e, Atime::from_now(10000)) == 0)
        got = e.module_id == rig.pool.get_first_pd_event_id() - TC::Object_pool::PD_SET_VALUE;
    ASSERT_TRUE(got);
    EXPECT_EQ(e.data, TC::Object_pool::PD_EVENT_ACKNOWLEDGE | 141u << 16);
    EXPECT_EQ(int(e.code), 1);
    EXPECT_TRUE(rig.server->with_server([](auto& s) { return s.acks.empty(); }));
    ASSERT_TRUE(rig.pool.acknowledge_set_value(0, 141, TC::PDACK_NO_ERROR));
    ASSERT_TRUE(wait_until([&] { return rig.server->with_server([](auto& s) { return !s.acks.empty(); }); }));
    EXPECT_EQ(rig.server->with_server([](auto& s) { return s.acks[0].errors; }), 0);

    // Values go the other way.
    ASSERT_TRUE(rig.pool.send_process_data(0, 116, 2500));
    ASSERT_TRUE(wait_until([&] {
        return rig.server->with_server([](auto& s) {
            return !s.values.empty() && s.values.back().ddi == 116 && s.values.back().value == 2500;
        });
    }));

    // The TC goes silent and returns: the stored pool is activated again.
    rig.server->with_server([](auto& s) { s.set_silent(true); return 0; });
    ASSERT_TRUE(wait_until([&] { return rig.session->session_state() == E::ST_WAIT_TC; }));
    rig.server->with_server([](auto& s) { s.set_silent(false); return 0; });
    ASSERT_TRUE(rig.wait_active());
    EXPECT_EQ(rig.server->with_server([](auto& s) { return s.transfers; }), 1);
    EXPECT_EQ(rig.server->with_server([](auto& s) { return s.activations; }), 2);
}

// Whether the task controller holds an active pool of the client at the
// address.
bool active_on_tc(Rig& rig, unsigned char client)
{
    return rig.server->with_server([&](test_support::Test_tc_server& s) {
        auto c = s.clients.find(client);
        return c != s.clients.end() && c->second.active;
    });
}

// The task controller's node leaves the bus and a new one comes on at its
// address: the client hears the new one's address claim, and joins it as a
// new TC (which holds no pool yet) without a value it would refuse.
TEST(TcBusSession, ATcThatComesBackAtItsAddressIsJoinedAgain)
{
    Rig rig;
    ASSERT_TRUE(rig.open("loop,name=tc_session_restart"));
    ASSERT_TRUE(rig.start_client());
    ASSERT_TRUE(rig.wait_active());
    const unsigned char client = rig.client_address();
    ASSERT_TRUE(rig.restart_tc());
    ASSERT_TRUE(wait_until([&] { return active_on_tc(rig, client); })) << "joined the new TC";
    rig.server->with_server([](test_support::Test_tc_server& s) {
        EXPECT_EQ(s.transfers, 1);
        EXPECT_EQ(s.refused, 0);
    });
    EXPECT_TRUE(rig.wait_active());
}

// Another node takes the client's address with a NAME of higher priority:
// the client claims another one, its session ends there (the application
// hears that it is not active) and starts again from the new address.
TEST(TcBusSession, AClientWhoseAddressIsTakenJoinsAgainFromItsNewOne)
{
    Rig rig;
    const std::string spec = "loop,name=tc_session_moved";
    ASSERT_TRUE(rig.open(spec));
    ASSERT_TRUE(rig.start_client());
    ASSERT_TRUE(rig.wait_active());
    const unsigned char first = rig.client_address();
    bus_rig::Node intruder;
    ASSERT_TRUE(intruder.open(spec, rig.mm, claim_sim::make_name(5, true), first));
    unsigned char moved = TC::NO_ADDRESS;
    ASSERT_TRUE(wait_until([&] {
        moved = rig.client_address();
        return moved != first && moved < TC::NO_ADDRESS;
    })) << "the client claims another address";
    ASSERT_TRUE(wait_until([&] { return active_on_tc(rig, moved); })) << "joined from " << int(moved);
    EXPECT_EQ(rig.server->with_server([](test_support::Test_tc_server& s) { return s.refused; }), 0);

    // The application heard the session end before it was active again.
    std::vector<int> statuses;
    waiter_event e;
    while (rig.app.get_event(&e, Atime::from_now(0)) == 0)
        if (e.module_id == rig.pool.get_event_id())
            statuses.push_back(int(e.data));
    const auto active = std::find(statuses.begin(), statuses.end(), TC::Object_pool::STATUS_ACTIVE);
    ASSERT_NE(active, statuses.end());
    EXPECT_NE(std::find(active, statuses.end(), TC::Object_pool::STATUS_WAITING_FOR_TC), statuses.end());
}

TEST(TcBusSession, AHundredKilobytePoolGoesThroughTheHubByExtendedTransport)
{
    Hub_process hub;
    ASSERT_TRUE(hub.start()) << hub.error();
    Rig rig;
    ASSERT_TRUE(rig.open(hub.bus_spec(), 2250));
    ASSERT_TRUE(rig.start_client());
    ASSERT_TRUE(rig.wait_active());
    const int size = rig.session->pool_size();
    EXPECT_GT(size, 100000);
    const unsigned char client = rig.client.stack.name_manager().gethostbyname(rig.client_name, false);
    EXPECT_EQ(rig.server->with_server([&](auto& s) { return int(s.clients[client].pool.size()); }),
              size);
    EXPECT_EQ(rig.server->with_server([&](auto& s) { return s.last_pool_error; }), "");
}

std::string hex(const std::vector<unsigned char>& bytes)
{
    std::string out;
    char b[3];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02x", c);
        out += b;
    }
    return out;
}

TEST(TcBusSession, TheDissectorReassemblesThePoolTransferAsSent)
{
    if (std::system("command -v tshark >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "tshark is not installed";
    Rig rig;
    const std::string spec = "loop,name=tc_session_tshark";
    std::string error;
    std::unique_ptr<CAN_bus> monitor(Bus_select::start(spec.c_str(), error));
    ASSERT_TRUE(monitor) << error;
    ASSERT_TRUE(rig.open(spec));
    ASSERT_TRUE(rig.start_client());
    ASSERT_TRUE(rig.wait_active());
    const unsigned char client = rig.client.stack.name_manager().gethostbyname(rig.client_name, false);
    std::vector<unsigned char> transfer = {TC::SUB_POOL_TRANSFER};
    auto pool = rig.server->with_server([&](auto& s) { return s.clients[client].pool; });
    transfer.insert(transfer.end(), pool.begin(), pool.end());
    ASSERT_LT(transfer.size(), 1786u) << "small enough for the transport protocol";

    // Everything the monitor saw, as a candump log.
    const std::string path = test_support::temp_path("tc_session.log");
    FILE* log = std::fopen(path.c_str(), "w");
    ASSERT_NE(log, nullptr);
    CAN_packet frames[256];
    long micros = 0;
    for (int n; (n = monitor->read(frames, 256)) > 0;)
        for (int i = 0; i < n; ++i) {
            char line[Socketcand::MAX_MESSAGE];
            size_t len = Socketcand::format_candump_line(frames[i], 1700000000, micros, "can0", line);
            std::fwrite(line, 1, len, log);
            micros += 1000;
        }
    std::fclose(log);

    const std::string command = "tshark -r " + path +
                                " -d can.subdissector=isobus -T fields -E separator=,"
                                " -e isobus.reassembled.data -e _ws.malformed 2>/dev/null";
    std::string found;
    bool malformed = false;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[8192];
        while (std::fgets(buf, sizeof buf, p)) {
            std::string s(buf);
            std::string data;
            const size_t comma = s.find(',');
            for (char c : s.substr(0, comma))
                if (std::isxdigit(static_cast<unsigned char>(c)))
                    data += char(std::tolower(static_cast<unsigned char>(c)));
            // The dissector puts the PGN (3 bytes) before the message.
            if (data.compare(0, 8, "00cb0061") == 0)
                found = data.substr(6);
            if (comma != std::string::npos && s.find_first_not_of(",\r\n", comma) != std::string::npos)
                malformed = true;
        }
        pclose(p);
    }
    if (getenv("KEEP_TC_LOG") == nullptr)
        std::remove(path.c_str());
    EXPECT_EQ(found, hex(transfer));
    EXPECT_FALSE(malformed);
}

} // namespace
