// The program as a process on the CAN hub with the test VT and TC, and the
// operator's hands at the VT: which mask it shows, keys and buttons pressed,
// the way from the run screen to the settings menu.
#pragma once

#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Seeder_pool.h"
#include "tests/support/Hub_process.h"
#include "tests/support/Implement_peers.h"
#include "tests/support/Program_process.h"
#include "tests/support/wait_until.h"
#include "vt_object_model/VtMessageWriter.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

namespace test_support {

class Program_at_vt : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::string(SOWVANE_DATA_ROOT) != ".")
            GTEST_SKIP() << "the program of this build uses the installed paths";
        VtMessageWriter writer(80000, nullptr);
        ASSERT_EQ(build_seeder_pool(ids, writer, VtSize(240, 240)), 0) << "pool generation failed";
        ASSERT_TRUE(hub.start()) << hub.error();
        ASSERT_TRUE(peers.open(hub.bus_spec()));
    }
    void TearDown() override { peers.close(); }

    // Started with the test console and the simulator, its pool up on the
    // VT; `more` are further arguments.
    void start_program(const std::vector<std::string>& more = {})
    {
        std::vector<std::string> args{"-T", "-b", hub.bus_spec()};
        args.insert(args.end(), more.begin(), more.end());
        ASSERT_TRUE(program.start(args, true));
        ASSERT_TRUE(program.wait_for_output("START SIM")) << program.output() << program.errors();
        ASSERT_TRUE(wait_until([&] { return peers.vt_holds_pool(); }))
            << "waited for the VT to hold the program's pool\n" << program.errors();
    }
    void stop_program(int expected_exit = 1)
    {
        program.signal(SIGTERM);
        EXPECT_EQ(program.wait_exit(), expected_exit) << program.output();
        EXPECT_FALSE(program.sanitizer_reported()) << program.errors();
    }

    uint32_t shown_mask()
    {
        uint32_t mask = 0xFFFF;
        peers.vt.with_processor([&](VtCommandProcessor&, RecordingVtDisplay& d) { mask = d.shownMask; });
        return mask;
    }
    uint32_t shown_soft_key_mask()
    {
        uint32_t mask = 0xFFFF;
        peers.vt.with_processor([&](VtCommandProcessor&, RecordingVtDisplay& d) { mask = d.shownSoftKeyMask; });
        return mask;
    }
    ::testing::AssertionResult vt_shows(uint32_t mask)
    {
        if (wait_until([&] { return shown_mask() == mask; }))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "waited for the VT to show mask " << mask << ", it shows "
                                             << shown_mask();
    }
    ::testing::AssertionResult vt_shows_soft_keys(uint32_t soft_key_mask)
    {
        if (wait_until([&] { return shown_soft_key_mask() == soft_key_mask; }))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "waited for the VT to show soft key mask " << soft_key_mask
                                             << ", it shows " << shown_soft_key_mask();
    }

    // The operator presses and releases a key naming `parent` (a button or a
    // soft key of the mask shown, by default) as its parent.
    void activate(uint32_t id, bool button, uint32_t parent = 0)
    {
        if (parent == 0)
            parent = shown_mask();
        peers.vt.with_processor([&](VtCommandProcessor& p, RecordingVtDisplay&) {
            for (uint32_t code : {1u, 0u}) {
                if (button)
                    p.sendButtonActivation(code, id, parent, 1);
                else
                    p.sendSoftKeyActivation(code, id, parent, 1);
            }
        });
    }

    // From the run screen to the settings menu: its key is on the run
    // screen's second page of soft keys, which is shown first.
    void open_settings_menu()
    {
        activate(ids.main.key_to_page_b, false);
        ASSERT_TRUE(vt_shows_soft_keys(ids.main.soft_keys_page_b));
        activate(ids.main.key_settings, false);
        ASSERT_TRUE(vt_shows(ids.settings_menu.data_mask));
    }

    Screen_object_ids ids;
    Hub_process hub;
    Implement_peers peers;
    Program_process program;
};

} // namespace test_support
