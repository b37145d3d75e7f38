// A stop asked for while the program starts: SIGTERM while its NAME is being
// claimed, as it starts a transfer of its VT pool, and a stop after each step
// of the start. Each ends the program in order with exit code 1, the
// settings saved once they were read, and no sanitizer report.

#include "apps/sowvane/seeder_app.h"
#include "can/JIN_claim_engine.h"
#include "can/JIN_stack.h"
#include "can/JIN_trans.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "platform/can/Bus_select.h"
#include "tests/support/Hub_process.h"
#include "tests/support/Implement_peers.h"
#include "tests/support/Program_process.h"
#include "tests/support/Service_tool.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr unsigned char NODE = 0x1C;
constexpr int WAIT_MS = 60000;

bool program_keeps_files_below_its_directory() { return std::string(SOWVANE_DATA_ROOT) == "."; }

bool exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// Reads every frame of a bus (a hub's) until one is of the kind asked for.
class Frame_watch {
public:
    explicit Frame_watch(const std::string& bus_spec)
    {
        std::string error;
        bus_.reset(Bus_select::start(bus_spec.c_str(), error));
        EXPECT_TRUE(bus_) << error;
        waiter_.init(&mm_);
        if (bus_)
            bus_->attach(&waiter_);
    }
    ~Frame_watch()
    {
        if (bus_)
            bus_->detach(&waiter_);
    }

    // Waits (up to WAIT_MS) for the count-th frame for which is_wanted holds.
    template <typename Predicate>
    bool wait_for(int count, Predicate is_wanted)
    {
        const Atime deadline = Atime::from_now(WAIT_MS);
        for (;;) {
            CAN_packet frames[32];
            for (int n; bus_ && (n = bus_->read(frames, 32)) > 0;)
                for (int i = 0; i < n; ++i)
                    if (is_wanted(JIN_packet::of(frames[i])) && --count == 0)
                        return true;
            waiter_event e;
            if (waiter_.get_event(&e, deadline) != 0)
                return false;
        }
    }

private:
    module_man mm_;
    waiter_descriptor waiter_;
    std::unique_ptr<CAN_bus> bus_;
};

// The request to send (TP or ETP) that opens a transfer of the working
// set's to the VT: the pool upload is a row of them.
bool opens_transfer_to_vt(const JIN_packet& f)
{
    const unsigned pgn = f.get_pgn();
    return f.is_extended() && f.get_src() == NODE &&
           f.get_dest() == test_support::Implement_peers::VT_ADDRESS &&
           (pgn == JIN_trans::PGN_TP_CM || pgn == JIN_trans::PGN_ETP_CM) &&
           (f.data[0] == JIN_trans::CM_RTS || f.data[0] == JIN_trans::CM_ETP_RTS) &&
           f.data[5] == 0x00 && f.data[6] == 0xE7 && f.data[7] == 0x00;
}

// SIGTERM as soon as the program's first Address Claimed frame is on the
// bus: the claim still runs (250 ms), and the stop must not get lost in it.
TEST(ProgramStop, SigtermAtTheFirstAddressClaimEndsTheProgramInOrder)
{
    if (!program_keeps_files_below_its_directory())
        GTEST_SKIP() << "the program of this build uses the installed paths";
    Hub_process hub;
    ASSERT_TRUE(hub.start()) << hub.error();
    module_man mm;
    test_support::Service_tool tool;
    ASSERT_TRUE(tool.open(hub.bus_spec(), mm, {JIN_name::Claim_engine::PGN_ADDRESS_CLAIMED}));

    Program_process program;
    ASSERT_TRUE(program.start({"-b", hub.bus_spec()}));
    const bool claim_seen = !tool.next_from(NODE, JIN_name::Claim_engine::PGN_ADDRESS_CLAIMED, WAIT_MS).empty();
    ASSERT_TRUE(claim_seen) << program.output() << program.errors();
    program.signal(SIGTERM);

    EXPECT_EQ(program.wait_exit(WAIT_MS), 1) << program.output() << program.errors();
    EXPECT_NE(program.output().find("EXIT: 1\n"), std::string::npos) << program.output();
    EXPECT_TRUE(exists(program.settings_file())) << "the shutdown saves the settings";
}

// A stop the moment the program's handlers are in place, before it read its
// command line: it ends in order all the same.
TEST(ProgramStop, AStopAsSoonAsTheHandlersAreInPlaceEndsTheProgramInOrder)
{
    if (!program_keeps_files_below_its_directory())
        GTEST_SKIP() << "the program of this build uses the installed paths";
    Hub_process hub;
    ASSERT_TRUE(hub.start()) << hub.error();
    for (int sig : {SIGTERM, SIGINT}) {
        Program_process program;
        ASSERT_TRUE(program.start({"-T", "-b", hub.bus_spec()}, true));
        ASSERT_TRUE(test_support::wait_until([&] { return program.catches(sig); }))
            << "waited for the program to install its handler of signal " << sig;
        program.signal(sig);
        EXPECT_EQ(program.wait_exit(WAIT_MS), 1) << program.output() << program.errors();
        EXPECT_NE(program.output().find("EXIT: 1\n"), std::string::npos) << program.output();
        EXPECT_FALSE(program.sanitizer_reported()) << program.errors();
    }
}

// SIGTERM as the program opens one of the transfers of its pool upload, the
// VT answering on: the stop must not leave the stack telling a VT client
// that is gone of the transfer's end.
TEST(ProgramStop, SigtermAsAPoolTransferStartsEndsTheProgramInOrder)
{
    if (!program_keeps_files_below_its_directory())
        GTEST_SKIP() << "the program of this build uses the installed paths";
    Hub_process hub;
    ASSERT_TRUE(hub.start()) << hub.error();
    test_support::Implement_peers peers;
    ASSERT_TRUE(peers.open(hub.bus_spec()));
    // The first transfers of the upload, then one further on.
    for (int transfer : {1, 2, 3, 6}) {
        Frame_watch watch(hub.bus_spec());
        Program_process program;
        ASSERT_TRUE(program.start({"-b", hub.bus_spec()}));
        ASSERT_TRUE(watch.wait_for(transfer, opens_transfer_to_vt))
            << "waited for pool transfer " << transfer << " to start\n"
            << program.output() << program.errors();
        program.signal(SIGTERM);
        EXPECT_EQ(program.wait_exit(WAIT_MS), 1) << program.output() << program.errors();
        EXPECT_NE(program.output().find("EXIT: 1\n"), std::string::npos) << program.output();
        EXPECT_FALSE(program.sanitizer_reported())
            << "stopped at pool transfer " << transfer << ":\n" << program.errors();
    }
}

// The start in this process, stopped by SIGTERM right after one of its
// steps; the test sees it end in a child process.
Start_step stop_after = Start_step::BUS;

void raise_at_stop_step(Start_step step)
{
    if (step == stop_after)
        std::raise(SIGTERM);
}

[[noreturn]] void start_and_stop_after(Start_step step, const std::string& dir)
{
    // A start that never ends fails the test instead of hanging it.
    ::alarm(WAIT_MS / 1000);
    if (::chdir(dir.c_str()) != 0 || !std::freopen("out.txt", "w", stdout))
        std::_Exit(90);
    seeder_bus_spec = "loop,name=program_stop_steps";
    stop_after = step;
    seeder_app_observe_start(raise_at_stop_step);
    seeder_app_install_signal_handlers();
    seeder_app_thread();
    std::_Exit(91);  // the start ended without a stop
}

TEST(ProgramStop, AStopAfterEachStartStepEndsTheProgramInOrder)
{
    if (!program_keeps_files_below_its_directory())
        GTEST_SKIP() << "the program of this build uses the installed paths";
    GTEST_FLAG_SET(death_test_style, "fast");
    for (int i = 0; i < int(Start_step::COUNT); ++i) {
        const Start_step step = Start_step(i);
        Program_process files;  // only its directory with the data files
        EXPECT_EXIT(start_and_stop_after(step, files.dir()), ::testing::ExitedWithCode(1), "")
            << "stopped after step " << i;
        EXPECT_NE(files.output().find("EXIT: 1\n"), std::string::npos) << "step " << i;
        // Saved when they were read; before that the file is left alone.
        EXPECT_EQ(exists(files.settings_file()), step >= Start_step::SETTINGS) << "step " << i;
    }
}

}  // namespace
