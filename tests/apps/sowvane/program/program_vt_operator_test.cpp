// The program as a process on the CAN hub with a VT, as an operator meets
// it: after the pool upload the run screen comes up while the simulator
// keeps the values moving, and a setting edited at the VT is kept.

#include "apps/sowvane/data_model.h"
#include "glue/NV_store/NV_iterator.h"
#include "glue/diner/module_man.h"
#include "tests/support/Program_at_vt.h"
#include "tests/support/pool/Number_encoding_check.h"
#include "tests/support/vtui/Float_vt.h"
#include "tests/support/wait_until.h"
#include "vt_object_model/objects/VtInputObjects.h"
#include "vt_object_model/objects/VtMaskObjects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <string>
#include <sys/stat.h>

using test_support::wait_until;

namespace {

class ProgramAtTheVt : public test_support::Program_at_vt {
protected:
    // The operator types a number into an input field, in the units shown.
    void type_number(uint32_t id, double shown)
    {
        peers.vt.with_processor([&](VtCommandProcessor& p, RecordingVtDisplay&) {
            auto* in = dynamic_cast<VtObjectInputFieldNumber*>(p.getObject(id));
            ASSERT_NE(in, nullptr) << id;
            const double raw = std::round(shown / in->getScale()) - in->getOffset();
            in->setValue(uint32_t(int64_t(raw)));
            p.sendChangeNumericValue(id, uint32_t(int64_t(raw)), 4);
        });
    }

    // The operator types a text into an input field of a VT that computes
    // in floats.
    void type_text(uint32_t id, const char* text)
    {
        peers.vt.with_processor([&](VtCommandProcessor& p, RecordingVtDisplay&) {
            auto* in = dynamic_cast<VtObjectInputFieldNumber*>(p.getObject(id));
            ASSERT_NE(in, nullptr) << id;
            const int64_t raw = float_vt::entered_raw(text, in->getOffset(), float(in->getScale()));
            ASSERT_GE(raw, 0) << text;
            in->setValue(uint32_t(raw));
            p.sendChangeNumericValue(id, uint32_t(raw), 4);
        });
    }

    // The number an input field shows at the VT, in its units.
    double vt_number(uint32_t id)
    {
        double shown = NAN;
        peers.vt.with_processor([&](VtCommandProcessor& p, RecordingVtDisplay&) {
            if (auto* in = dynamic_cast<VtObjectInputFieldNumber*>(p.getObject(id)))
                shown = (double(in->getValue()) + in->getOffset()) * in->getScale();
        });
        return shown;
    }

    // From the run screen to the width and speed page.
    void open_width_and_speed_page()
    {
        ASSERT_NO_FATAL_FAILURE(open_settings_menu());
        activate(ids.settings_menu.seeder_button, true);
        ASSERT_TRUE(vt_shows(ids.seeder_settings_menu.data_mask));
        activate(ids.seeder_settings_menu.width_and_speed_button, true);
        ASSERT_TRUE(vt_shows(ids.width_and_speed_settings_mask.data_mask));
    }

    // The console answers the command with answer, asked again every
    // second until it does (an edit at the VT reaches the program a little
    // later).
    ::testing::AssertionResult console_shows(const std::string& command, const std::string& answer)
    {
        const bool shown = wait_until([&] {
            const size_t from = program.output().size();
            return program.write_input(command + "\n") && program.wait_for_output(answer, from, 1000);
        });
        if (shown)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "waited for the console to answer \"" << command << "\" with \""
                                             << answer << "\"";
    }

    // The settings the settings file holds, null while there are none.
    const NV_kelsu::parameters_t* saved_settings()
    {
        static module_man mm;
        static NV_kelsu::parameters_t* saved = new NV_kelsu::parameters_t(&mm, 0, "PS");
        saved->set_default(true);
        NV_store::NV_file_iterator file(program.settings_file().c_str());
        file.set_mode(NV_store::NV_iterator::MODE_READ);
        const bool read = saved->deserialise(&file);
        file.set_mode(NV_store::NV_iterator::MODE_CLOSED);
        return read ? saved : nullptr;
    }
    // The machine width the settings file holds, -1 while there is none.
    double saved_width()
    {
        const NV_kelsu::parameters_t* saved = saved_settings();
        return saved ? double(saved->app.machine_width.get()) : -1;
    }
    // The settings file as a file: a save puts a new one in its place.
    ino_t settings_file_inode()
    {
        struct stat st;
        return ::stat(program.settings_file().c_str(), &st) == 0 ? st.st_ino : 0;
    }
};

TEST_F(ProgramAtTheVt, TheRunScreenFollowsTheIntroWhileTheSimulatorRuns)
{
    start_program();
    EXPECT_TRUE(wait_until([&] { return shown_mask() == ids.main.data_mask; }))
        << "shown mask " << shown_mask() << ", run screen " << ids.main.data_mask;
    stop_program();
}

// A VT that rebuilds the whole pool at a partial upload shows the working
// set's start-up mask afterwards ("Loading..."), which has nothing to press:
// the program does not follow it there but asks the VT again for the run
// screen's mask.
TEST_F(ProgramAtTheVt, TheStartUpMaskOnTheVtIsAnsweredWithTheRunScreensMask)
{
    start_program();
    ASSERT_TRUE(vt_shows(ids.main.data_mask));
    uint32_t start_up = 0xFFFF;
    peers.vt.with_processor([&](VtCommandProcessor& p, RecordingVtDisplay& d) {
        auto* working_set = dynamic_cast<VtObjectWorkingSet*>(p.getWorkingSet());
        ASSERT_NE(working_set, nullptr);
        start_up = working_set->getActiveMask();
        d.setActiveMask(start_up);
    });
    ASSERT_NE(start_up, ids.main.data_mask);
    EXPECT_TRUE(vt_shows(ids.main.data_mask));
    stop_program();
}

TEST_F(ProgramAtTheVt, AWidthEditedAtTheVtIsSavedASecondLaterAndKeptOverARestart)
{
    start_program();
    ASSERT_TRUE(vt_shows(ids.main.data_mask));
    open_width_and_speed_page();

    type_number(ids.width_and_speed_settings_mask.width_input, 12.5);
    // The main loop saves it while the program runs on.
    EXPECT_TRUE(wait_until([&] { return std::fabs(saved_width() - 12.5) < 1e-3; }))
        << saved_width();
    // Killed outright: what the restart finds is what that save wrote.
    program.signal(SIGKILL);
    program.wait_exit();

    start_program();
    const size_t from = program.output().size();
    ASSERT_TRUE(program.write_input("get params.app.machine_width\n"));
    EXPECT_TRUE(program.wait_for_output("machine_width = 12.5\n", from)) << program.output().substr(from);
    stop_program();
}

// The area test holds both switch-box settings at 0 while it is shown; the
// settings file keeps the operator's, so a kill while the page is up (after
// the save that the change set off) loses nothing.
TEST_F(ProgramAtTheVt, TheAreaTestLeavesTheSwitchBoxSettingsAsTheyWereOverAKill)
{
    start_program();
    ASSERT_TRUE(vt_shows(ids.main.data_mask));
    ASSERT_TRUE(program.write_input("set params.app.swbox_cal_swbox_type=1\n"));
    ASSERT_TRUE(program.write_input("set params.app.swbox_remote_master_mode=2\n"));
    ASSERT_TRUE(wait_until(
        [&] {
            const NV_kelsu::parameters_t* saved = saved_settings();
            return saved && saved->app.swbox_cal_swbox_type.get() == 1 &&
                   saved->app.swbox_remote_master_mode.get() == 2;
        }))
        << "waited for the settings file to hold both switch-box settings";
    const ino_t before = settings_file_inode();

    ASSERT_NO_FATAL_FAILURE(open_settings_menu());
    activate(ids.settings_menu.area_test_button, true);
    ASSERT_TRUE(vt_shows(ids.area_test_mask.data_mask));
    EXPECT_TRUE(console_shows("get params.app.swbox_cal_swbox_type", "swbox_cal_swbox_type = 0\n"));
    EXPECT_TRUE(console_shows("get params.app.swbox_remote_master_mode", "swbox_remote_master_mode = 0\n"));
    // The change is saved a second later; then the program is killed.
    ASSERT_TRUE(wait_until([&] { return settings_file_inode() != before; }))
        << "waited for the save the area test's change sets off";
    program.signal(SIGKILL);
    program.wait_exit();

    start_program();
    EXPECT_TRUE(console_shows("get params.app.swbox_cal_swbox_type", "swbox_cal_swbox_type = 1\n"))
        << program.output();
    EXPECT_TRUE(console_shows("get params.app.swbox_remote_master_mode", "swbox_remote_master_mode = 2\n"));
    stop_program();
}

// A width set through the console while the page is not shown is what the
// page shows when the operator opens it again.
TEST_F(ProgramAtTheVt, TheWidthPageShowsAWidthSetElsewhereWhenOpenedAgain)
{
    start_program();
    ASSERT_TRUE(vt_shows(ids.main.data_mask));
    open_width_and_speed_page();
    const uint32_t width = ids.width_and_speed_settings_mask.width_input;
    type_number(width, 12.5);
    ASSERT_TRUE(console_shows("get params.app.machine_width", "machine_width = 12.5\n"));

    activate(ids.width_and_speed_settings_mask.key_seeder_settings_menu, false);
    ASSERT_TRUE(vt_shows(ids.seeder_settings_menu.data_mask));
    ASSERT_TRUE(console_shows("set params.app.machine_width=8.25", "machine_width = 8.25\n"));
    activate(ids.seeder_settings_menu.width_and_speed_button, true);
    ASSERT_TRUE(vt_shows(ids.width_and_speed_settings_mask.data_mask));
    EXPECT_TRUE(wait_until([&] { return std::fabs(vt_number(width) - 8.25) < 1e-3; }))
        << vt_number(width);
    stop_program();
}

// The factory reset, confirmed at the VT: the program ends with code 3 and
// starts again with the settings at their defaults, the operating totals
// kept.
TEST_F(ProgramAtTheVt, AFactoryResetConfirmedAtTheVtStartsAgainFromTheDefaults)
{
    start_program();
    ASSERT_TRUE(vt_shows(ids.main.data_mask));
    open_width_and_speed_page();
    type_number(ids.width_and_speed_settings_mask.width_input, 12.5);
    ASSERT_TRUE(wait_until([&] { return std::fabs(saved_width() - 12.5) < 1e-3; }))
        << "waited for the settings file to hold the width typed at the VT";
    ASSERT_TRUE(console_shows("set params.app.history.machine_operating_time=812.5",
                              "machine_operating_time = 812.5\n"));

    activate(ids.width_and_speed_settings_mask.key_settings_menu, false);
    ASSERT_TRUE(vt_shows(ids.settings_menu.data_mask));
    activate(ids.settings_menu.advanced_settings_button, true);
    ASSERT_TRUE(vt_shows(ids.advanced_settings_mask.data_mask));
    activate(ids.advanced_settings_mask.factory_reset_button, true);
    ASSERT_TRUE(vt_shows(ids.factory_reset_mask.data_mask));
    activate(ids.factory_reset_mask.key_confirm, false);
    EXPECT_EQ(program.wait_exit(), 3) << program.output() << program.errors();
    EXPECT_NE(program.output().find("EXIT: 3\n"), std::string::npos);
    EXPECT_FALSE(program.sanitizer_reported()) << program.errors();
    EXPECT_EQ(saved_width(), 0.0);

    start_program();
    EXPECT_TRUE(console_shows("get params.app.machine_width", "machine_width = 0\n")) << program.output();
    EXPECT_TRUE(console_shows("get params.app.history.machine_operating_time", "machine_operating_time = 812.5\n"))
        << program.output();
    stop_program();
}

// A preset rate typed at the VT is stored as typed, and the pool the VT then
// holds has no number object with a raw value, limit or offset of 2^24 or
// more.
TEST_F(ProgramAtTheVt, APresetRateTypedAtTheVtIsStoredAsTypedAndEveryNumberStaysBelow2To24)
{
    start_program();
    ASSERT_TRUE(vt_shows(ids.main.data_mask));
    ASSERT_NO_FATAL_FAILURE(open_settings_menu());
    activate(ids.settings_menu.products_button, true);
    ASSERT_TRUE(vt_shows(ids.product_settings_menu.data_mask));
    activate(ids.product_settings_menu.product_button[0], true);
    ASSERT_TRUE(vt_shows(ids.product_settings_mask.data_mask));

    const uint32_t preset = ids.product_settings_mask.preset_rate_1_input;
    type_text(preset, "100.0");
    EXPECT_TRUE(console_shows("get params.app.products.0.preset_rate_1", "preset_rate_1 = 100\n"));
    type_text(preset, "120.0");
    EXPECT_TRUE(console_shows("get params.app.products.0.preset_rate_1", "preset_rate_1 = 120\n"));

    std::string problems;
    peers.vt.with_processor([&](VtCommandProcessor& p, RecordingVtDisplay&) {
        for (const std::string& line : number_encoding_problems([&p](uint32_t oid) { return p.getObject(oid); }))
            problems += line + "\n";
    });
    EXPECT_EQ(problems, "");
    stop_program();
}

} // namespace
