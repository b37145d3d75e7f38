// The program as a process on the CAN hub with the peers of a working
// implement: a VT that takes its pool, a task controller that takes and
// activates its device description, and a remote data-store client that
// follows the simulator's values. And the start's ends: a missing XML file,
// a serial port that cannot be opened.

#include "apps/sowvane/services/Can_quor_client.h"
#include "can/J1939_codes.h"
#include "can/JIN_smart_stack.h"
#include "can/JIN_stack.h"
#include "glue/diner/module_man.h"
#include "platform/can/Bus_select.h"
#include "tests/support/Hub_process.h"
#include "tests/support/Program_process.h"
#include "tests/support/tc/Test_tc_server.h"
#include "tests/support/temp_path.h"
#include "tests/support/vt_object_model/Bus_vt.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using test_support::wait_until;

namespace {

constexpr unsigned char NODE = 0x1C, VT_ADDRESS = 0x26, TC_ADDRESS = 0xF7, CLIENT = 0xF9;

const JIN_name::RAWNAME TC_NAME(J1939::IND_CODE_AG_OR_FORESTRY, 0, J1939::device_class_t(0),
                                J1939::function_code_t(130), 0, 0, J1939::manufacturer_code_t(100), 10,
                                true);

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

    // The task controller on a stack of its own.
    bool start_task_controller()
    {
        std::string error;
        tc_bus.reset(Bus_select::start(hub.bus_spec().c_str(), error));
        if (!tc_bus || tc_stack.open(*tc_bus, &mm) != 0 || tc_stack.start() != 0 ||
            !tc_stack.name_manager().add_local_name(TC_NAME, TC_ADDRESS))
            return false;
        tc = std::make_unique<test_support::Test_tc_server_host>(tc_stack, TC_NAME);
        return tc->start(mm);
    }
    void stop_peers()
    {
        vt.close();
        tc.reset();
        tc_stack.close();
    }

    std::string log = test_support::temp_path("program_peers_hub.log");
    Hub_process hub;
    module_man mm;
    Bus_vt vt;
    std::unique_ptr<CAN_bus> tc_bus;
    JIN_smart_stack tc_stack;
    std::unique_ptr<test_support::Test_tc_server_host> tc;
};

TEST_F(ProgramWithPeers, UploadsItsPoolAndDescriptionServesItsStoreAndEndsOnSigterm)
{
    ASSERT_TRUE(vt.open(hub.bus_spec(), mm, 1, VT_ADDRESS));
    ASSERT_TRUE(start_task_controller());
    Program_process program;
    ASSERT_TRUE(program.start({"-T", "-b", hub.bus_spec()}, true));
    ASSERT_TRUE(program.wait_for_output("START SIM")) << program.output() << program.errors();

    // The VT holds the generated pool: its working set and the intro mask
    // of the specification.
    ASSERT_TRUE(wait_until([&] {
        bool whole = false;
        vt.with_processor([&](VtCommandProcessor& p, RecordingVtDisplay&) { whole = p.getWorkingSet() != nullptr; });
        return whole;
    })) << program.errors();

    // The operator switches the task controller on: the description goes
    // up and is activated.
    ASSERT_TRUE(program.write_input("set params.system.tc_enabled=1\n"));
    ASSERT_TRUE(program.write_input("set data_store.system.reset_tc=1\n"));
    ASSERT_TRUE(wait_until([&] {
        return tc->with_server([](test_support::Test_tc_server& s) {
            auto c = s.clients.find(NODE);
            return c != s.clients.end() && c->second.active;
        });
    })) << program.output() << program.errors();
    tc->with_server([](test_support::Test_tc_server& s) {
        EXPECT_EQ(s.transfers, 1);
        // The device object first (the server has read the whole pool).
        const std::vector<unsigned char>& pool = s.clients[NODE].pool;
        EXPECT_EQ(std::string(pool.begin(), pool.begin() + std::min<size_t>(3, pool.size())), "DVC");
        EXPECT_EQ(s.last_pool_error, "");
    });

    // A remote data-store client follows the simulator's motor pulses of
    // tank 1.
    {
        Remote_store_peer peer(hub.bus_spec(), program.dir() + "/client_cache/");
        ASSERT_TRUE(peer.client.start(true));
        ASSERT_TRUE(wait_until([&] { return peer.listener.last_state == CDS::Remote::Client::STATE_READY; }));
        const int id = peer.client.get_id("cds.data_store.channels.channels.0.motor_pulse_count");
        ASSERT_GT(id, 0);
        ASSERT_TRUE(peer.client.request_subscribe(unsigned(id)));
        ASSERT_TRUE(wait_until([&] { return peer.client.get_value(unsigned(id)).isValid(); }));
        const unsigned first = peer.client.get_value(unsigned(id)).toUInt();
        EXPECT_TRUE(wait_until([&] { return peer.client.get_value(unsigned(id)).toUInt() > first; }));
    }

    program.signal(SIGTERM);
    EXPECT_EQ(program.wait_exit(), 1);
    EXPECT_NE(program.output().find("EXIT: 1\n"), std::string::npos);
    EXPECT_EQ(program.errors().find("VT:"), std::string::npos) << program.errors();

    // The VT answered End of Object Pool without an error: error bits 0, no
    // faulting object, no pool error.
    stop_peers();
    ASSERT_TRUE(hub.stop());
    const std::vector<std::string> answers = frames_in_log(log, 0xE61C00 | VT_ADDRESS);
    std::vector<std::string> end_of_pool;
    for (const std::string& data : answers)
        if (data.rfind("12", 0) == 0)
            end_of_pool.push_back(data);
    ASSERT_EQ(end_of_pool.size(), 1u);
    EXPECT_EQ(end_of_pool[0].substr(0, 14), "1200FFFFFFFF00");
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
// port that cannot be opened leaves it inert, and the program runs on.
TEST_F(ProgramWithPeers, AControlLogicWithoutItsPortLeavesTheProgramRunning)
{
    Program_process program;
    ASSERT_TRUE(program.start({"-b", hub.bus_spec(), "-p", program.dir() + "/no_such_port:115200:rs485"}));
    ASSERT_TRUE(program.wait_for_output("START REAL")) << program.output() << program.errors();
    ASSERT_TRUE(program.wait_for_output("failed to make")) << program.output();
    EXPECT_EQ(program.output().find("START SIM"), std::string::npos);
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait_exit(), 1);
    EXPECT_NE(program.output().find("EXIT: 1\n"), std::string::npos);
}

} // namespace
