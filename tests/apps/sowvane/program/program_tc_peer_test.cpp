// The program as a process on the CAN hub with a task controller of its
// own stack that is killed while values flow and comes back at its address
// 2 s later, and then with a node that takes the program's address with a
// NAME of higher priority: each time the description is active again, from
// the address the program holds, without a run of refused frames. A node
// that starts and asks all for their claims leaves the active description
// alone; a TC that starts again and asks so itself is joined again. The
// frames are read back from the hub's log, with Wireshark's ISObus
// dissector too.

#include "can/JIN_smart_stack.h"
#include "glue/diner/module_man.h"
#include "tests/support/Bus_node.h"
#include "tests/support/Hub_process.h"
#include "tests/support/Implement_peers.h"
#include "tests/support/Program_process.h"
#include "tests/support/tc/Test_tc_server.h"
#include "tests/support/temp_path.h"
#include "tests/support/tshark_fields.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using test_support::wait_until;

namespace {

constexpr unsigned char NODE = 0x1C;
constexpr unsigned char TC_ADDRESS = test_support::Implement_peers::TC_ADDRESS;

// The test task controller on a node of its own, at TC_ADDRESS. A TC that
// asks for the claims first does as many stacks do when they start: a
// Request for Address Claimed from the null address, its claim after the
// answers.
struct Tc_peer {
    bool open(const std::string& spec, module_man& mm, bool asks_for_claims_first = false)
    {
        if (!node.open(spec, mm))
            return false;
        if (asks_for_claims_first) {
            if (node.stack.request(TC::NO_ADDRESS, TC::GLOBAL_ADDRESS, TC::PGN_ADDRESS_CLAIMED, nullptr, 0) != 0)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        // The server listens before its claim goes out, as a TC's does.
        host = std::make_unique<test_support::Test_tc_server_host>(node.stack,
                                                                   test_support::Implement_peers::tc_name());
        return host->start(mm) &&
               node.stack.name_manager().add_local_name(test_support::Implement_peers::tc_name(), TC_ADDRESS);
    }
    ~Tc_peer() { host.reset(); }

    // The address of a client whose pool is active other than `besides`;
    // NO_ADDRESS when none.
    unsigned char active_client(unsigned char besides = TC::NO_ADDRESS)
    {
        return host->with_server([&](test_support::Test_tc_server& s) {
            for (const auto& c : s.clients)
                if (c.second.active && c.first != besides)
                    return c.first;
            return TC::NO_ADDRESS;
        });
    }
    int refused() { return host->with_server([](test_support::Test_tc_server& s) { return s.refused; }); }
    size_t values() { return host->with_server([](test_support::Test_tc_server& s) { return s.values.size(); }); }
    // The default-data request to the client: its values start to flow.
    void ask_default_data(unsigned char client)
    {
        host->with_server([&](test_support::Test_tc_server& s) {
            s.send_command(client, TC::CMD_REQUEST_VALUE, 0, TC::DDI_DEFAULT_DATA, 0);
            return 0;
        });
    }

    test_support::Bus_node<JIN_smart_stack> node;
    std::unique_ptr<test_support::Test_tc_server_host> host;
};

std::vector<std::string> log_lines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line + "\n");
    return lines;
}

// A frame of a candump log line: "(time) interface ID#DATA".
struct Logged_frame {
    unsigned pdu_format = 0, dest = 0, src = 0;
    std::vector<unsigned char> data;
};
bool read_frame(const std::string& line, Logged_frame& f)
{
    const size_t hash = line.find('#'), id_at = line.rfind(' ', hash);
    if (hash == std::string::npos || id_at == std::string::npos)
        return false;
    const unsigned long id = std::stoul(line.substr(id_at + 1, hash - id_at - 1), nullptr, 16);
    f.pdu_format = (id >> 16) & 0xFF;
    f.dest = (id >> 8) & 0xFF;
    f.src = id & 0xFF;
    f.data.clear();
    for (size_t at = hash + 1; at + 1 < line.size() && std::isxdigit(static_cast<unsigned char>(line[at])); at += 2)
        f.data.push_back(static_cast<unsigned char>(std::stoul(line.substr(at, 2), nullptr, 16)));
    return true;
}

// The hub (logging every frame), the test TC, and the program on them with
// its description active on the TC.
class ProgramWithRestartingTc : public ::testing::Test {
protected:
    void start_with_active_description(const char* log_name)
    {
        if (std::string(SOWVANE_DATA_ROOT) != ".")
            GTEST_SKIP() << "the program of this build uses the installed paths";
        log = test_support::temp_path(log_name);
        ASSERT_TRUE(hub.start({"-l", log})) << hub.error();
        tc = std::make_unique<Tc_peer>();
        ASSERT_TRUE(tc->open(hub.bus_spec(), mm));
        ASSERT_TRUE(program.start({"-T", "-b", hub.bus_spec()}, true));
        ASSERT_TRUE(program.wait_for_output("START SIM")) << program.output() << program.errors();
        ASSERT_TRUE(program.write_input("set params.system.tc_enabled=1\n"));
        ASSERT_TRUE(program.write_input("set data_store.system.reset_tc=1\n"));
        ASSERT_TRUE(wait_until([&] { return tc->active_client() == NODE; })) << program.output();
    }
    std::string log;
    // Removed once the hub that writes it has stopped.
    struct Removed_at_end {
        const std::string& path;
        ~Removed_at_end()
        {
            if (!path.empty())
                std::remove(path.c_str());
        }
    } removed{log};
    Hub_process hub;
    module_man mm;
    std::unique_ptr<Tc_peer> tc;
    Program_process program;
};

TEST_F(ProgramWithRestartingTc, TheDescriptionIsActiveAgainOnARestartedTcAndFromAMovedAddress)
{
    start_with_active_description("program_tc_peer_hub.log");
    if (HasFatalFailure() || IsSkipped())
        return;
    tc->ask_default_data(NODE);
    ASSERT_TRUE(wait_until([&] { return tc->values() > 0; })) << "values flow";

    // The TC is killed, and 2 s later (the program meanwhile sends into
    // the void) a new one starts at the same address.
    tc.reset();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    tc = std::make_unique<Tc_peer>();
    ASSERT_TRUE(tc->open(hub.bus_spec(), mm));
    ASSERT_TRUE(wait_until([&] { return tc->active_client() == NODE; })) << "active on the new TC";
    EXPECT_LT(tc->refused(), 5) << "the program stopped at the new TC's address claim";
    tc->ask_default_data(NODE);
    ASSERT_TRUE(wait_until([&] { return tc->values() > 0; }));

    // Another node takes the program's address: the program claims another
    // one and joins the TC from there.
    test_support::Bus_node<JIN_smart_stack> intruder;
    ASSERT_TRUE(intruder.open(hub.bus_spec(), mm));
    ASSERT_TRUE(intruder.stack.name_manager().add_local_name(JIN_name::RAWNAME(1ull), NODE));
    unsigned char moved = TC::NO_ADDRESS;
    ASSERT_TRUE(wait_until([&] { return (moved = tc->active_client(NODE)) != TC::NO_ADDRESS; }))
        << "active from the program's new address";
    EXPECT_LT(tc->refused(), 5);

    program.signal(SIGTERM);
    EXPECT_EQ(program.wait_exit(), 1);
    tc.reset();
    ASSERT_TRUE(hub.stop());

    // Read back by an independent dissector: the NACKs the TCs sent the
    // program (Acknowledgement, PGN 0xE800), and the program's working set
    // master messages (PGN 0xFE0D, priority 7, to all): one as it announced
    // itself to each TC, not one every 2 s.
    if (!test_support::tshark_available())
        GTEST_SKIP() << "tshark is not installed";
    int nacks = 0, masters = 0;
    // Per frame: PDU format, source, priority, then the destination (PDU 1)
    // or the group extension (PDU 2).
    for (const std::string& frame : test_support::tshark_isobus_fields(
             log_lines(log), {"isobus.pdu_format", "isobus.src_addr", "isobus.priority", "isobus.dst_addr",
                              "isobus.grp_ext"})) {
        unsigned pf = 0, src = 0, prio = 0, last = 0;
        if (std::sscanf(frame.c_str(), "%u/%u/%x/%u", &pf, &src, &prio, &last) != 4)
            continue;
        if (pf == 0xE8 && src == TC_ADDRESS && (last == NODE || last == moved))
            ++nacks;
        if (pf == 0xFE && last == 0x0D && (src == NODE || src == moved)) {
            ++masters;
            EXPECT_EQ(prio, 7u);
        }
    }
    EXPECT_LT(nacks, 5);
    EXPECT_GE(masters, 3) << "one to the first TC, the restarted one, and from the new address";
    EXPECT_LE(masters, 8);
}

// A node that starts asks all nodes for their claims from the null address,
// and every node answers, the TC too. That answer is no sign of a TC that
// started again: the description stays active, and the program asks for no
// structure label and no activation again.
TEST_F(ProgramWithRestartingTc, ANodeThatStartsLeavesTheActiveDescriptionAlone)
{
    start_with_active_description("program_tc_starting_node_hub.log");
    if (HasFatalFailure() || IsSkipped())
        return;
    const int activations = tc->host->with_server([](test_support::Test_tc_server& s) { return s.activations; });

    test_support::Bus_node<JIN_smart_stack> starting;
    ASSERT_TRUE(starting.open(hub.bus_spec(), mm));
    ASSERT_EQ(starting.stack.request(TC::NO_ADDRESS, TC::GLOBAL_ADDRESS, TC::PGN_ADDRESS_CLAIMED, nullptr, 0), 0);
    // A session torn down would be joined again within a TC status period
    // or two: the program has time to show it.
    std::this_thread::sleep_for(std::chrono::seconds(8));
    EXPECT_EQ(tc->active_client(), NODE);
    EXPECT_EQ(tc->host->with_server([](test_support::Test_tc_server& s) { return s.activations; }), activations);
    EXPECT_EQ(program.errors().find("claimed its address anew"), std::string::npos) << program.errors();

    program.signal(SIGTERM);
    EXPECT_EQ(program.wait_exit(), 1);
    EXPECT_FALSE(program.sanitizer_reported()) << program.errors();
    tc.reset();
    ASSERT_TRUE(hub.stop());

    // From the hub's log: after the request from the null address, the
    // TC's claim, and from the program no structure label request (device
    // descriptor command 0x01) and no activation (0x81, 0xFF) to the TC.
    const std::vector<std::string> lines = log_lines(log);
    bool requested = false, tc_claimed = false;
    int labels_before = 0, labels_after = 0, activations_after = 0;
    for (const std::string& line : lines) {
        Logged_frame f;
        if (!read_frame(line, f) || f.data.empty())
            continue;
        if (f.pdu_format == 0xEA && f.src == TC::NO_ADDRESS && f.dest == TC::GLOBAL_ADDRESS && f.data.size() >= 3 &&
            f.data[0] == 0x00 && f.data[1] == 0xEE && f.data[2] == 0x00)
            requested = true;
        if (requested && f.pdu_format == 0xEE && f.src == TC_ADDRESS)
            tc_claimed = true;
        if (f.pdu_format != 0xCB || f.src != NODE || f.dest != TC_ADDRESS)
            continue;
        if (f.data[0] == TC::SUB_REQUEST_STRUCTURE_LABEL)
            ++(requested ? labels_after : labels_before);
        if (requested && f.data[0] == TC::SUB_ACTIVATE && f.data.size() >= 2 && f.data[1] == 0xFF)
            ++activations_after;
    }
    ASSERT_TRUE(requested) << "the request from the null address is in the log";
    EXPECT_TRUE(tc_claimed) << "the TC answered it";
    EXPECT_GE(labels_before, 1);
    EXPECT_EQ(labels_after, 0);
    EXPECT_EQ(activations_after, 0);

    // An independent dissector reads the request and the answer alike.
    if (!test_support::tshark_available())
        GTEST_SKIP() << "tshark is not installed";
    bool decoded_request = false, decoded_claim = false;
    for (const std::string& frame :
         test_support::tshark_isobus_fields(lines, {"isobus.pdu_format", "isobus.src_addr", "isobus.dst_addr"})) {
        unsigned pf = 0, src = 0, dst = 0;
        if (std::sscanf(frame.c_str(), "%u/%u/%u", &pf, &src, &dst) != 3)
            continue;
        decoded_request = decoded_request || (pf == 0xEA && src == TC::NO_ADDRESS && dst == TC::GLOBAL_ADDRESS);
        decoded_claim = decoded_claim || (decoded_request && pf == 0xEE && src == TC_ADDRESS);
    }
    EXPECT_TRUE(decoded_request);
    EXPECT_TRUE(decoded_claim);
}

// A TC that starts again within its loss time, asking for the claims
// first, and with no values flowing: its claim answers a request, and the
// client task message it leaves unanswered. Asked for the label, it refuses
// a client it does not know, and the description is active again.
TEST_F(ProgramWithRestartingTc, ATcThatStartsAgainAskingForTheClaimsFirstIsJoinedAgain)
{
    start_with_active_description("program_tc_asking_restart_hub.log");
    if (HasFatalFailure() || IsSkipped())
        return;
    tc.reset();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    tc = std::make_unique<Tc_peer>();
    ASSERT_TRUE(tc->open(hub.bus_spec(), mm, true));
    ASSERT_TRUE(wait_until([&] { return tc->active_client() == NODE; }, std::chrono::seconds(40)))
        << "active on the new TC\n" << program.output() << program.errors();
    EXPECT_EQ(tc->refused(), 1) << "the one question that showed the TC had started again";

    program.signal(SIGTERM);
    EXPECT_EQ(program.wait_exit(), 1);
    EXPECT_FALSE(program.sanitizer_reported()) << program.errors();
}

} // namespace
