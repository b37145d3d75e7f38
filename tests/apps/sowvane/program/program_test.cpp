// The program run as a process: its command line, and its life on the CAN
// hub with a service tool beside it: the address claim, identification and
// trouble codes on request, the simulator moving values, settings saved a
// second after an edit and read back after a restart, the test console on
// a pipe, and the exit codes of the ways it ends; the whole VT pool written
// at start, as the VT draws it.

#include "can/J1939_codes.h"
#include "can/JIN_stack.h"
#include "glue/diagnostics/J1939_messages.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "messaging/iso11783/Iso11783_identification.h"
#include "platform/can/Bus_select.h"
#include "tests/support/Hub_process.h"
#include "tests/support/Program_process.h"
#include "tests/support/Service_tool.h"
#include "tests/support/pool/Pool_geometry.h"
#include "tests/support/pool/Uploaded_pool.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using test_support::wait_until;

namespace {

constexpr unsigned char NODE = 0x1C, TOOL = test_support::Service_tool::ADDRESS;
constexpr int WAIT_MS = 60000;

TEST(ProgramCommandLine, HelpBadDebugArgumentsAndBadOptionsEndAtOnce)
{
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* output;
    };
    const Case cases[] = {
        {{"-h"}, 0, ""},
        {{"--help"}, 0, ""},
        {{"-q", "--quiet", "-h"}, 0, ""},
        {{"-d", "JDB=13", "-h"}, 0, ""},
        {{"--debug=BDB=2C", "-h"}, 0, ""},
        {{"-d", "JDB"}, 1, "Bad argument for debug\n"},
        {{"-d", "XDB=13"}, 1, "Bad argument for debug\n"},
        {{"--debug", "J-B=13"}, 1, "Bad argument for debug\n"},
        {{"-x"}, 1, ""},
        {{"--bogus"}, 1, ""},
        {{"-b"}, 1, ""},
        {{"--port"}, 1, ""},
        {{"-d"}, 1, ""},
    };
    for (const Case& c : cases) {
        Program_process program;
        ASSERT_TRUE(program.start(c.args)) << c.args[0];
        EXPECT_EQ(program.wait_exit(), c.code) << c.args[0];
        EXPECT_EQ(program.output(), c.output) << c.args[0];
        // Nothing was started: no settings file appeared.
        struct stat st;
        EXPECT_NE(::stat(program.settings_file().c_str(), &st), 0) << c.args[0];
    }
}

// Also with the test console and a line typed at once: the start ends
// before the settings are read, so the line never runs, and nothing waits
// for it.
TEST(ProgramCommandLine, ABusThatCannotBeOpenedEndsTheStartWithItsCode)
{
    for (const bool console : {false, true}) {
        Program_process program;
        if (console) {
            ASSERT_TRUE(program.start({"-T", "-b", "nonsense"}, true));
            ASSERT_TRUE(program.write_input("get params.app.machine_width\n"));
        } else {
            ASSERT_TRUE(program.start({"-b", "nonsense"}));
        }
        EXPECT_EQ(program.wait_exit(), 256 - 150) << console;
        EXPECT_NE(program.output().find("Cannot open the CAN bus nonsense"), std::string::npos) << console;
        EXPECT_EQ(program.output().find("machine_width ="), std::string::npos) << program.output();
        EXPECT_FALSE(program.sanitizer_reported()) << program.errors();
    }
}

// The program on the hub and a service tool: a plain stack at 0xF9 in the
// test that requests and reads messages.
class ProgramOnBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Only a program that keeps its files below its working directory
        // can run here without touching the installed ones.
        if (std::string(SOWVANE_DATA_ROOT) != ".")
            GTEST_SKIP() << "the program of this build uses the installed paths";
        ASSERT_TRUE(hub.start()) << hub.error();
        ASSERT_TRUE(tool.open(hub.bus_spec(), mm,
                              {J1939::PGN_DM1, Iso11783::PGN_SOFTWARE_IDENTIFICATION,
                               Iso11783::PGN_ECU_IDENTIFICATION}));
    }
    bool start_program(Program_process& program)
    {
        return program.start({"-T", "-b", hub.bus_spec()}, true) &&
               program.wait_for_output("START SIM");
    }

    // The next message of pgn from the program, empty when none came.
    std::vector<unsigned char> next_from_program(unsigned pgn) { return tool.next_from(NODE, pgn, WAIT_MS); }

    // The console's dump field "name=value" at its last showing.
    static std::string last_value(const std::string& out, const std::string& name)
    {
        size_t at = out.rfind(" " + name + "=");
        if (at == std::string::npos)
            return "";
        at += name.size() + 2;
        return out.substr(at, out.find('\n', at) - at);
    }

    Hub_process hub;
    module_man mm;
    test_support::Service_tool tool;
};

TEST_F(ProgramOnBus, ClaimsItsAddressIdentifiesItselfReportsAlarmsAndSimulates)
{
    Program_process program;
    ASSERT_TRUE(start_program(program)) << program.output() << program.errors();

    // Identification: the software of the program, on request to 0x1C.
    ASSERT_EQ(0, tool.stack().request(TOOL, NODE, Iso11783::PGN_SOFTWARE_IDENTIFICATION, nullptr, 1));
    std::vector<unsigned char> software = next_from_program(Iso11783::PGN_SOFTWARE_IDENTIFICATION);
    ASSERT_FALSE(software.empty());
    EXPECT_EQ(software[0], 2);
    const std::string fields(software.begin() + 1, software.end());
    EXPECT_EQ(fields.rfind("sowvane 4.04-r12*build ", 0), 0u) << fields;

    ASSERT_EQ(0, tool.stack().request(TOOL, NODE, Iso11783::PGN_ECU_IDENTIFICATION, nullptr, 1));
    std::vector<unsigned char> ecu = next_from_program(Iso11783::PGN_ECU_IDENTIFICATION);
    EXPECT_EQ(std::string(ecu.begin(), ecu.end()).rfind("SOWVANE-ECU*", 0), 0u);

    // An alarm made active through the console is broadcast in DM1: tank 1's
    // low level, SPN 520272 (0x7F050), FMI 17, once.
    ASSERT_TRUE(program.write_input("set data_store.alarms.tank_low.0.active=1\n"));
    std::vector<unsigned char> dm1;
    ASSERT_TRUE(wait_until([&] {
        dm1 = next_from_program(J1939::PGN_DM1);
        return dm1.size() >= 6 && dm1[2] == 0x50;
    })) << "waited for a DM1 with the tank's alarm";
    EXPECT_EQ((std::vector<unsigned char>(dm1.begin() + 2, dm1.begin() + 6)),
              (std::vector<unsigned char>{0x50, 0xF0, 0xE0 | 17, 1}));

    // The simulator meters tank 1 once its switch and the master switch are
    // on: its motor pulses keep counting.
    ASSERT_TRUE(program.write_input("set ds.channels.active.0=1\n"));
    ASSERT_TRUE(program.write_input("set data_store.operation.master_switch_active=1\n"));
    size_t from = program.output().size();
    ASSERT_TRUE(program.write_input("get ds.channels.0\n"));
    ASSERT_TRUE(program.wait_for_output("remote_preload=", from));
    const std::string first = last_value(program.output(), "motor_pulse_count");
    EXPECT_TRUE(wait_until([&] {
        const size_t at = program.output().size();
        return program.write_input("get ds.channels.0\n") &&
               program.wait_for_output("remote_preload=", at) &&
               last_value(program.output(), "motor_pulse_count") != first;
    })) << "waited for the motor pulses to count on from " << first;
    EXPECT_NE(last_value(program.output(), "actual_period"), "0");

    // A shutdown asked for through the store ends with its code.
    ASSERT_TRUE(program.write_input("set data_store.system.initiate_shutdown=3\n"));
    EXPECT_EQ(program.wait_exit(), 3);
    EXPECT_NE(program.output().find("EXIT: 3\n"), std::string::npos);
    EXPECT_FALSE(program.sanitizer_reported()) << program.errors();
}

TEST_F(ProgramOnBus, WritesAtStartTheWholePoolItUploadsAndEveryObjectFits)
{
    Program_process program;
    ASSERT_TRUE(start_program(program)) << program.output() << program.errors();
    std::ifstream file(program.data_file("seeder_pool.iop"), std::ios::binary);
    const std::vector<uint8_t> written{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(written.empty());
    // The pool the geometry tests make is the one the program writes.
    const Uploaded_pool made(VtSize(240, 240));
    ASSERT_EQ(made.error, "");
    EXPECT_TRUE(written == made.stream) << written.size() << " bytes written, " << made.stream.size() << " made";
    const std::vector<std::string> faults = check_pool_geometry(written, made.geometry_options(240));
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults, the first: " << (faults.empty() ? "" : faults[0]);

    ASSERT_TRUE(program.write_input("set data_store.system.initiate_shutdown=3\n"));
    EXPECT_EQ(program.wait_exit(), 3);
}

TEST_F(ProgramOnBus, ASettingEditIsSavedASecondLaterAndSurvivesARestart)
{
    Program_process program;
    ASSERT_TRUE(start_program(program));
    struct stat before;
    const bool existed = ::stat(program.settings_file().c_str(), &before) == 0;
    EXPECT_FALSE(existed);

    ASSERT_TRUE(program.write_input("set params.app.machine_width=7.25\n"));
    // Saved by the main loop a second after the edit, with the program
    // still running.
    struct stat after;
    EXPECT_TRUE(wait_until([&] { return ::stat(program.settings_file().c_str(), &after) == 0; }))
        << "waited for the settings file to be saved";

    // The end of the input ends the console, not the program; SIGTERM ends
    // it with 1.
    program.close_input();
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait_exit(), 1);
    EXPECT_NE(program.output().find("EXIT: 1\n"), std::string::npos);

    // Started again in the same place, the setting is there.
    ASSERT_TRUE(start_program(program));
    const size_t from = program.output().size();
    ASSERT_TRUE(program.write_input("get params.app.machine_width\n"));
    ASSERT_TRUE(program.wait_for_output("7.25", from)) << program.output();
    ASSERT_TRUE(program.write_input("shutdown\n"));
    EXPECT_EQ(program.wait_exit(), 1);
    EXPECT_NE(program.output().find("Shutting down\n"), std::string::npos);
}

// The console's thread ends at the end of its input, and at a line read
// once the shutdown began; either way the program ends with its code and
// nothing of the console left behind (the sanitizers would report it).
TEST_F(ProgramOnBus, TheConsoleThatEndsLeavesNothingBehind)
{
    {
        Program_process program;
        ASSERT_TRUE(start_program(program));
        ASSERT_TRUE(program.write_input("help\n"));
        ASSERT_TRUE(program.wait_for_output("quit - exit the test console")) << program.output();
        program.close_input();
        ASSERT_TRUE(wait_until([&] { return !program.has_thread("kor.STC"); }))
            << "waited for the console's thread to end after the end of its input";
        program.signal(SIGTERM);
        EXPECT_EQ(program.wait_exit(), 1) << program.errors();
        EXPECT_FALSE(program.sanitizer_reported()) << program.errors();
    }
    {
        // A factory reset, and one more line while the program ends.
        Program_process program;
        ASSERT_TRUE(start_program(program));
        ASSERT_TRUE(program.write_input("set data_store.system.initiate_shutdown=3\nhelp\n"));
        EXPECT_EQ(program.wait_exit(), 3) << program.errors();
        EXPECT_NE(program.output().find("EXIT: 3\n"), std::string::npos);
        EXPECT_FALSE(program.sanitizer_reported()) << program.errors();
    }
}

// A console line typed at the program's first moment runs once the
// settings are read, while the program still starts: a shutdown asked for
// through it then is kept, with its code.
TEST_F(ProgramOnBus, AShutdownAskedForThroughTheConsoleDuringTheStartIsKept)
{
    Program_process program;
    ASSERT_TRUE(program.start({"-T", "-b", hub.bus_spec()}, true));
    ASSERT_TRUE(program.write_input("set data_store.system.initiate_shutdown=3\n"));
    EXPECT_EQ(program.wait_exit(), 3) << program.output() << program.errors();
    EXPECT_NE(program.output().find("EXIT: 3\n"), std::string::npos);
    EXPECT_FALSE(program.sanitizer_reported()) << program.errors();
}

TEST_F(ProgramOnBus, SigintEndsInOrderToo)
{
    Program_process program;
    ASSERT_TRUE(start_program(program));
    program.signal(SIGINT);
    EXPECT_EQ(program.wait_exit(), 1);
    EXPECT_NE(program.output().find("EXIT: 1\n"), std::string::npos);
    EXPECT_FALSE(program.sanitizer_reported()) << program.errors();
    // The shutdown saved the settings.
    struct stat st;
    EXPECT_EQ(::stat(program.settings_file().c_str(), &st), 0);
}

}  // namespace
