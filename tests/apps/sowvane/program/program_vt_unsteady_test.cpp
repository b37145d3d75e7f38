// The program as a process on the CAN hub with a VT whose bus is not
// steady: an answer lost on the way slows no later update, and a soft key
// the operator cannot see (one naming no mask, one of the run screen's page
// not shown) does nothing, while every key message is answered; a VT that
// starts again while the program is on it has the pool again.

#include "tests/support/Program_at_vt.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using test_support::wait_until;

namespace {

constexpr uint8_t FN_SOFT_KEY = 0x00;
constexpr uint8_t FN_NUMERIC_VALUE = 0xA8;

class ProgramAtAnUnsteadyVt : public test_support::Program_at_vt {
protected:
    void SetUp() override
    {
        Program_at_vt::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // With the command answers on the screens' debug channel (35).
        ASSERT_NO_FATAL_FAILURE(start_program({"-d", "JDB=23"}));
        ASSERT_TRUE(vt_shows(ids.main.data_mask));
    }

    // The messages of `function` about `object` (bytes 1-2) the VT received.
    int received(uint8_t function, unsigned short object)
    {
        int n = 0;
        for (const std::vector<uint8_t>& m : peers.vt.received_messages())
            n += m.size() >= 3 && m[0] == function && (m[1] | m[2] << 8) == object;
        return n;
    }
    // The commands of `function` about `object` the program reported as not
    // answered (on standard error).
    int unanswered(uint8_t function, unsigned short object)
    {
        const std::string line =
            "Got event oid=" + std::to_string(object) + " cmd=" + std::to_string(function) + " res=2 ";
        const std::string out = program.errors();
        int n = 0;
        for (size_t at = out.find(line); at != std::string::npos; at = out.find(line, at + 1))
            ++n;
        return n;
    }
};

// With the wheel calibration driving, the pulse count goes to the VT about
// once a second. One of its answers is lost: that command alone counts as
// unanswered, and the answers to the later ones are taken as they come.
TEST_F(ProgramAtAnUnsteadyVt, OneLostAnswerLeavesTheLaterUpdatesOfTheObjectAnswered)
{
    ASSERT_NO_FATAL_FAILURE(open_settings_menu());
    activate(ids.settings_menu.seeder_button, true);
    ASSERT_TRUE(vt_shows(ids.seeder_settings_menu.data_mask));
    activate(ids.seeder_settings_menu.wheel_calibration_button, true);
    ASSERT_TRUE(vt_shows(ids.wheel_calibration_settings_mask.data_mask));
    activate(ids.wheel_calibration_settings_mask.key_calibrate, false);
    ASSERT_TRUE(vt_shows(ids.wheel_calibration_mask.data_mask));
    activate(ids.wheel_calibration_mask.key_start, false);

    const unsigned short pulses = ids.wheel_calibration_mask.pulses_output;
    ASSERT_TRUE(wait_until([&] { return received(FN_NUMERIC_VALUE, pulses) >= 3; }, std::chrono::seconds(60)))
        << "the pulse count goes to the VT while driving";
    peers.vt.lose_next_answer(FN_NUMERIC_VALUE, pulses);
    ASSERT_TRUE(wait_until([&] { return peers.vt.answer_lost(); }, std::chrono::seconds(60)));
    const int at_loss = received(FN_NUMERIC_VALUE, pulses);
    ASSERT_TRUE(wait_until([&] { return received(FN_NUMERIC_VALUE, pulses) >= at_loss + 6; },
                           std::chrono::seconds(90)))
        << "the pulse count goes on";
    // Each command's answer reaches the screens before the next command goes.
    ASSERT_TRUE(wait_until([&] { return unanswered(FN_NUMERIC_VALUE, pulses) >= 1; }, std::chrono::seconds(30)))
        << program.errors().substr(0, 2000);
    EXPECT_EQ(unanswered(FN_NUMERIC_VALUE, pulses), 1) << "only the command whose answer was lost";
    stop_program();
}

// The settings key of the run screen's second page does nothing while the
// first page shows; on the factory reset confirmation, a confirm key naming
// no mask as its parent does not confirm, and cancel, pressed on the mask
// shown, goes back. Every key message is answered with what the VT sent.
TEST_F(ProgramAtAnUnsteadyVt, AKeyTheOperatorCannotSeeDoesNothingAndEveryKeyIsAnswered)
{
    // The keys act in order: had the hidden one switched screens, the page
    // key of the run screen would not be taken, nor its page shown.
    activate(ids.main.key_settings, false);
    ASSERT_NO_FATAL_FAILURE(open_settings_menu());
    activate(ids.settings_menu.advanced_settings_button, true);
    ASSERT_TRUE(vt_shows(ids.advanced_settings_mask.data_mask));
    activate(ids.advanced_settings_mask.factory_reset_button, true);
    ASSERT_TRUE(vt_shows(ids.factory_reset_mask.data_mask));
    activate(ids.factory_reset_mask.key_confirm, false, 0xFFFF);
    activate(ids.factory_reset_mask.key_cancel, false);
    ASSERT_TRUE(vt_shows(ids.advanced_settings_mask.data_mask)) << program.output().substr(0, 2000);

    // Pressed (code 1) and released (code 0) of both keys, each answered.
    std::vector<std::vector<uint8_t>> answers;
    ASSERT_TRUE(wait_until([&] {
        answers.clear();
        for (const std::vector<uint8_t>& m : peers.vt.received_messages())
            if (m.size() == 8 && m[0] == FN_SOFT_KEY)
                answers.push_back(m);
        return answers.size() >= 4;
    }));
    const unsigned short confirm = ids.factory_reset_mask.key_confirm, cancel = ids.factory_reset_mask.key_cancel,
                         mask = ids.factory_reset_mask.data_mask;
    auto answer = [](uint8_t code, unsigned short key, unsigned short parent) {
        return std::vector<uint8_t>{FN_SOFT_KEY, code,          uint8_t(key), uint8_t(key >> 8), uint8_t(parent),
                                    uint8_t(parent >> 8), 1, 0xFF};
    };
    const std::vector<std::vector<uint8_t>> expected = {answer(1, confirm, 0xFFFF), answer(0, confirm, 0xFFFF),
                                                        answer(1, cancel, mask), answer(0, cancel, mask)};
    EXPECT_EQ(std::vector<std::vector<uint8_t>>(answers.end() - 4, answers.end()), expected);
    // Not reset: the program ends as told, not to start again from defaults.
    stop_program(1);
}

// The VT is killed while the program is on it, and half a second later (well
// within the time the program waits before it counts a silent VT lost) a
// new one starts at its address. It asks all nodes for their claims as it
// starts, so its own claim answers a request; knowing no working set, it
// refuses the program's messages, and the program announces itself and
// uploads its pool again.
TEST(ProgramAtARestartingVt, ThePoolIsUploadedAgainToAVtStartedAgainHalfASecondLater)
{
    if (std::string(SOWVANE_DATA_ROOT) != ".")
        GTEST_SKIP() << "the program of this build uses the installed paths";
    Hub_process hub;
    ASSERT_TRUE(hub.start()) << hub.error();
    module_man mm;
    auto vt = std::make_unique<Bus_vt>();
    ASSERT_TRUE(vt->open(hub.bus_spec(), mm, 1, test_support::Implement_peers::VT_ADDRESS));
    // The VT took the whole pool (End of Object Pool) and shows one of its masks.
    auto vt_shows_the_pool = [&] {
        bool shown = false;
        vt->with_processor([&](VtCommandProcessor& p, RecordingVtDisplay& d) {
            shown = p.getWorkingSet() != nullptr && d.shownMask != 0xFFFF;
        });
        return shown;
    };
    Program_process program;
    ASSERT_TRUE(program.start({"-T", "-b", hub.bus_spec()}, true));
    ASSERT_TRUE(program.wait_for_output("START SIM")) << program.output() << program.errors();
    ASSERT_TRUE(wait_until(vt_shows_the_pool)) << "the first VT holds the pool\n" << program.errors();
    EXPECT_EQ(vt->messages_refused(), 0);

    vt.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    vt = std::make_unique<Bus_vt>();
    ASSERT_TRUE(vt->open(hub.bus_spec(), mm, 1, test_support::Implement_peers::VT_ADDRESS, true));
    ASSERT_TRUE(wait_until(vt_shows_the_pool)) << "the new VT holds the pool\n" << program.errors();
    EXPECT_GT(vt->messages_refused(), 0) << "the new VT knew the working set not";
    const std::string errors = program.errors();
    EXPECT_NE(errors.find("refused the working set's messages"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("claimed its address anew"), std::string::npos) << "its claim answered its own request";

    program.signal(SIGTERM);
    EXPECT_EQ(program.wait_exit(), 1) << program.output();
    EXPECT_FALSE(program.sanitizer_reported()) << program.errors();
    vt.reset();
    ASSERT_TRUE(hub.stop());
}

} // namespace
