// The program as a process on the CAN hub with a VT, as an operator meets
// it: after the pool upload the run screen comes up while the simulator
// keeps the values moving, and a setting edited at the VT is kept.

#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Seeder_pool.h"
#include "tests/support/Hub_process.h"
#include "tests/support/Implement_peers.h"
#include "tests/support/Program_process.h"
#include "tests/support/wait_until.h"
#include "vt_object_model/VtMessageWriter.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <string>

using test_support::Implement_peers;
using test_support::wait_until;

namespace {

// The object ids of the program's generated pool.
std::unique_ptr<Screen_object_ids> pool_ids()
{
    auto ids = std::make_unique<Screen_object_ids>();
    VtMessageWriter writer(80000, nullptr);
    if (build_seeder_pool(*ids, writer, VtSize(240, 240)) != 0)
        ADD_FAILURE() << "pool generation failed";
    return ids;
}

class ProgramAtTheVt : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::string(SOWVANE_DATA_ROOT) != ".")
            GTEST_SKIP() << "the program of this build uses the installed paths";
        ASSERT_TRUE(hub.start()) << hub.error();
        ASSERT_TRUE(peers.open(hub.bus_spec()));
    }
    void TearDown() override { peers.close(); }

    // Started with the simulator and its pool up on the VT.
    void start_program()
    {
        ASSERT_TRUE(program.start({"-T", "-b", hub.bus_spec()}, true));
        ASSERT_TRUE(program.wait_for_output("START SIM")) << program.output() << program.errors();
        ASSERT_TRUE(wait_until([&] { return peers.vt_holds_pool(); })) << program.errors();
    }
    void stop_program()
    {
        program.signal(SIGTERM);
        EXPECT_EQ(program.wait_exit(), 1) << program.output();
    }

    uint32_t shown_mask()
    {
        uint32_t mask = 0xFFFF;
        peers.vt.with_processor([&](VtCommandProcessor&, RecordingVtDisplay& d) { mask = d.shownMask; });
        return mask;
    }

    Hub_process hub;
    Implement_peers peers;
    Program_process program;
    std::unique_ptr<Screen_object_ids> ids = pool_ids();
};

TEST_F(ProgramAtTheVt, TheRunScreenFollowsTheIntroWhileTheSimulatorRuns)
{
    start_program();
    EXPECT_TRUE(wait_until([&] { return shown_mask() == ids->main.data_mask; }, std::chrono::seconds(30)))
        << "shown mask " << shown_mask() << ", run screen " << ids->main.data_mask;
    stop_program();
}

} // namespace
