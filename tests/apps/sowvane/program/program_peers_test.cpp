// The program as a process on the CAN hub with the peers of a working
// implement: a VT that takes its pool, a task controller that takes and
// activates its device description, and a remote data-store client that
// follows the simulator's values. And the start's ends: a missing XML file,
// a serial port that cannot be opened.

#include "apps/sowvane/services/Can_quor_client.h"
#include "can/JIN_stack.h"
#include "glue/diner/module_man.h"
#include "platform/can/Bus_select.h"
#include "tests/support/Hub_process.h"
#include "tests/support/Implement_peers.h"
#include "tests/support/Program_process.h"
#include "tests/support/temp_path.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using test_support::wait_until;

namespace {

using test_support::Implement_peers;

constexpr unsigned char NODE = 0x1C, CLIENT = 0xF9;

bool program_keeps_files_below_its_directory() { return std::string(SOWVANE_DATA_ROOT) == "."; }

// Every frame of the hub's log with the identifier's low 24 bits (PGN
// format, destination, source) and the data as text.
std::vector<std::string> frames_in_log(const std::string& log, unsigned pgn_dest_src)
{
    char id[16];
    std::snprintf(id, sizeof id, "%06X#", pgn_dest_src);
    std::vector<std::string> out;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        const size_t at = line.find(id);
        if (at != std::string::npos && at >= 2 && line[at - 3] == ' ')
            out.push_back(line.substr(at + 7));
    }
    return out;
}

// Counts the values pushed for the subscribed items.
class Value_listener : public CDS::Remote::Client::Listener {
public:
    void value_changed(unsigned short) override { ++changes; }
    void state(int code) override { last_state = code; }
    std::atomic<int> changes{0};
    std::atomic<int> last_state{-1};
};

// A remote data-store client on a stack of its own at 0xF9.
struct Remote_store_peer {
    Remote_store_peer(const std::string& bus_spec, const std::string& cache_dir)
        : client(&listener, cache_dir.c_str())
    {
        std::string error;
        bus.reset(Bus_select::start(bus_spec.c_str(), error));
        if (!bus)
            return;
        stack.open(*bus, &mm);
        stack.register_address(CLIENT);
        if (stack.start() == 0)
            client.init(mm, &stack, CLIENT, NODE);
    }
    module_man mm;
    std::unique_ptr<CAN_bus> bus;
    JIN_stack stack;
    Value_listener listener;
    Can_quor::Remote_client client;
};

class ProgramWithPeers : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!program_keeps_files_below_its_directory())
            GTEST_SKIP() << "the program of this build uses the installed paths";
        ASSERT_TRUE(hub.start({"-l", log})) << hub.error();
    }
    void TearDown() override { std::remove(log.c_str()); }

    std::string log = test_support::temp_path("program_peers_hub.log");
    Hub_process hub;
};

TEST_F(ProgramWithPeers, UploadsItsPoolAndDescriptionServesItsStoreAndEndsOnSigterm)
{
    Implement_peers peers;
    ASSERT_TRUE(peers.open(hub.bus_spec()));
    Program_process program;
    ASSERT_TRUE(program.start({"-T", "-b", hub.bus_spec()}, true));
    ASSERT_TRUE(program.wait_for_output("START SIM")) << program.output() << program.errors();

    // The VT holds the generated pool: its working set and the intro mask
    // of the specification.
    ASSERT_TRUE(wait_until([&] { return peers.vt_holds_pool(); }))
        << "waited for the VT to hold the program's pool\n" << program.errors();

    // The operator switches the task controller on: the description goes
    // up and is activated.
    ASSERT_TRUE(program.write_input("set params.system.tc_enabled=1\n"));
    ASSERT_TRUE(program.write_input("set data_store.system.reset_tc=1\n"));
    ASSERT_TRUE(wait_until([&] { return peers.tc_pool_active(NODE); }))
        << "waited for the task controller to activate the description\n" << program.output() << program.errors();
    peers.with_tc([](test_support::Test_tc_server& s) {
        EXPECT_EQ(s.transfers, 1);
        // The device object first (the server has read the whole pool).
        const std::vector<unsigned char>& pool = s.clients[NODE].pool;
        EXPECT_EQ(std::string(pool.begin(), pool.begin() + std::min<size_t>(3, pool.size())), "DVC");
        EXPECT_EQ(s.last_pool_error, "");
    });

    // A remote data-store client follows the simulator's motor pulses of
    // tank 1, switched on with the master switch.
    ASSERT_TRUE(program.write_input("set ds.channels.active.0=1\n"));
    ASSERT_TRUE(program.write_input("set data_store.operation.master_switch_active=1\n"));
    {
        Remote_store_peer peer(hub.bus_spec(), program.dir() + "/client_cache/");
        ASSERT_TRUE(peer.client.start(true));
        ASSERT_TRUE(wait_until([&] { return peer.listener.last_state == CDS::Remote::Client::STATE_READY; }))
            << "waited for the remote store client to be ready";
        const int id = peer.client.get_id("cds.data_store.channels.channels.0.motor_pulse_count");
        ASSERT_GT(id, 0);
        ASSERT_TRUE(peer.client.request_subscribe(unsigned(id)));
        ASSERT_TRUE(wait_until([&] { return peer.client.get_value(unsigned(id)).isValid(); }))
            << "waited for the first value of the subscription";
        const unsigned first = peer.client.get_value(unsigned(id)).toUInt();
        EXPECT_TRUE(wait_until([&] { return peer.client.get_value(unsigned(id)).toUInt() > first; }))
            << "waited for the motor pulses to count on from " << first;
    }

    program.signal(SIGTERM);
    EXPECT_EQ(program.wait_exit(), 1);
    EXPECT_NE(program.output().find("EXIT: 1\n"), std::string::npos);
    EXPECT_FALSE(program.sanitizer_reported()) << program.errors();
    EXPECT_EQ(program.errors().find("VT:"), std::string::npos) << program.errors();

    // The VT answered End of Object Pool without an error: error bits 0, no
    // faulting object, no pool error (every time, should the pool have gone
    // up again after a lost VT status).
    peers.close();
    ASSERT_TRUE(hub.stop());
    int end_of_pool = 0;
    for (const std::string& data : frames_in_log(log, 0xE61C00 | Implement_peers::VT_ADDRESS))
        if (data.rfind("12", 0) == 0) {
            ++end_of_pool;
            EXPECT_EQ(data.substr(0, 14), "1200FFFFFFFF00");
        }
    EXPECT_GE(end_of_pool, 1);
}

// A description file that is missing ends the start with its message and
// code 0, after the modules made so far have ended in order.
TEST_F(ProgramWithPeers, AMissingXmlFileEndsTheStart)
{
    struct Case {
        const char* file;
        const char* message;
        bool claimed;  // the start got as far as the address claim
    };
    for (const Case& c : {Case{"spec/test_pool.xml", "Error during load.\n\n", false},
                          Case{"tcspec/tc_pool.xml", "Error during load.\n", true}}) {
        Program_process program;
        ASSERT_EQ(std::remove(program.data_file(c.file).c_str()), 0) << c.file;
        ASSERT_TRUE(program.start({"-b", hub.bus_spec()}));
        EXPECT_EQ(program.wait_exit(), 0) << c.file << program.errors();
        const std::string errors = program.errors();
        EXPECT_NE(errors.find(c.message), std::string::npos) << c.file << errors;
        EXPECT_NE(errors.find(c.file), std::string::npos) << "the reader names the file: " << errors;
        EXPECT_EQ(program.output().find("START"), std::string::npos) << c.file;
        EXPECT_EQ(program.output().find("EXIT"), std::string::npos) << c.file;
    }
}

// With a serial port the control logic runs in place of the simulator; a
// link that cannot be opened ends the start, in shutdown order, with a code
// of its own: nothing would meter.
TEST_F(ProgramWithPeers, AControlLogicWithoutItsLinksEndsTheStart)
{
    Program_process program;
    if (::access("/dev/ttymxc3", F_OK) == 0)
        GTEST_SKIP() << "this machine has the I/O processor's serial port";
    const std::string port = program.dir() + "/no_such_port:115200:rs485";
    ASSERT_TRUE(program.start({"-b", hub.bus_spec(), "-p", port}));
    EXPECT_EQ(program.wait_exit(), 256 - 151) << program.output() << program.errors();
    const std::string out = program.output();
    EXPECT_NE(out.find("START REAL"), std::string::npos) << out;
    EXPECT_EQ(out.find("START SIM"), std::string::npos);
    EXPECT_NE(out.find("EXIT: -151\n"), std::string::npos) << out;
    // This machine has no I/O processor link either: it fails first.
    EXPECT_NE(program.errors().find("The I/O processor's serial link /dev/ttymxc3:57600:rs232 cannot be "
                                    "opened: the control logic cannot run, the program ends (the port " +
                                    port + " given with -p was not reached)\n"),
              std::string::npos)
        << program.errors();
    EXPECT_EQ(out.find("readers too slow"), std::string::npos);
}

} // namespace
