// The program's settings while they change: a stream of edits that never
// stops (a held INC key, console writes every 0.2 s) is saved while it goes
// on, not only once it ends; the test console sets only what a setting can
// mean, and its lines typed at start wait for the settings file.

#include "apps/sowvane/params/parameters.h"
#include "apps/sowvane/settings/Settings_file.h"
#include "tests/support/Hub_process.h"
#include "tests/support/Program_process.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int EDIT_INTERVAL_US = 200000;
// A minute of edits: the save comes a few seconds after the first.
constexpr int MAX_EDITS = 300;

bool exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The program on a hub with its test console, started; stopped by the
// console's "shutdown".
class ProgramSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::string(SOWVANE_DATA_ROOT) != ".")
            GTEST_SKIP() << "the program of this build uses the installed paths";
        ASSERT_TRUE(hub.start()) << hub.error();
        ASSERT_TRUE(program.start({"-T", "-b", hub.bus_spec()}, true));
        ASSERT_TRUE(program.wait_for_output("START SIM")) << program.output() << program.errors();
    }
    void shut_down()
    {
        ASSERT_TRUE(program.write_input("shutdown\n"));
        EXPECT_EQ(program.wait_exit(), 1) << program.output() << program.errors();
    }

    Hub_process hub;
    Program_process program;
};

TEST_F(ProgramSettings, EditsThatNeverStopAreSavedWhileTheyGoOn)
{
    ASSERT_FALSE(exists(program.settings_file())) << "no settings file before the first edit";

    // An edit every 0.2 s, each re-arming the wait for a quiet second, until
    // the settings file appears.
    int edits = 0;
    while (edits < MAX_EDITS && !exists(program.settings_file())) {
        ASSERT_TRUE(program.write_input("set params.app.machine_width=" + std::to_string(edits % 20 + 1) + "\n"));
        ++edits;
        ::usleep(EDIT_INTERVAL_US);
    }
    EXPECT_TRUE(exists(program.settings_file()))
        << "not saved during " << edits << " edits 0.2 s apart";
    shut_down();
}

// Each console line refused with its answer, nothing stored; then lines
// that name a setting rightly store their value.
TEST_F(ProgramSettings, TheConsoleStoresOnlyWhatTheSettingCanMean)
{
    struct Case {
        const char* line;
        const char* answer;
    };
    const Case cases[] = {
        // Index words are read whole, in decimal.
        {"set params.app.channels.1abc.cal_setting=3", "Could not find parameter:1abc\n"},
        {"set params.app.channels.0x1.cal_setting=3", "Could not find parameter:0x1\n"},
        // A setting has no parts.
        {"set params.app.machine_width.x.y=4", "Could not find parameter:x\n"},
        // The ranges of the settings pages.
        {"set params.app.channels.1.cal_setting=-1", "Out of range, not set:-1 (0 to 50)\n"},
        {"set params.app.channels.1.mode=3", "Out of range, not set:3 (0 to 2)\n"},
        {"set params.app.products.0.tank=200", "Out of range, not set:200 (0 to 3, or 10 for none)\n"},
        {"set params.app.machine_width=100.5", "Out of range, not set:100.5 (0 to 100)\n"},
        // A text longer than the setting holds.
        {"set params.app.products.0.name=ABCDEFGHIJKLMNOPQRSTUVWXYZ",
         "Text too long, not set:ABCDEFGHIJKLMNOPQRSTUVWXYZ (at most 20 characters)\n"},
        // What the settings can take.
        {"set params.app.channels.1.mode=1", "mode = 1\n"},
        {"set params.app.channels.1.cal_setting=4000", "cal_setting = 4000\n"},
        {"set params.app.products.0.tank=10", "tank = 10\n"},
        {"set params.app.products.0.name=Barley", "name = \"Barley\"\n"},
        {"get params.app.machine_width", "machine_width = 0\n"},
    };
    for (const Case& c : cases) {
        const size_t from = program.output().size();
        ASSERT_TRUE(program.write_input(std::string(c.line) + "\n"));
        EXPECT_TRUE(program.wait_for_output(std::string(c.line) + "\n" + c.answer, from))
            << c.line << "\n" << program.output().substr(from);
    }
    shut_down();
}

// Console lines typed the moment the program starts run once the settings
// file is read, in the order they were typed: the first answers with what
// the file holds, not with the default the tree has before.
TEST(ProgramSettingsAtStart, ConsoleLinesTypedAtOnceRunInOrderOnTheSettingsOfTheFile)
{
    if (std::string(SOWVANE_DATA_ROOT) != ".")
        GTEST_SKIP() << "the program of this build uses the installed paths";
    Hub_process hub;
    ASSERT_TRUE(hub.start()) << hub.error();
    Program_process program;
    {
        NV_kelsu::parameters_t saved(nullptr, 0, "PS");
        apply_startup_defaults(saved);
        saved.app.channels[1].capacity.set(707.2f);
        testing::internal::CaptureStdout();
        const bool written = Settings_file(program.settings_file().c_str(), saved).save();
        const std::string said = testing::internal::GetCapturedStdout();
        ASSERT_TRUE(written) << said;
    }

    ASSERT_TRUE(program.start({"-T", "-b", hub.bus_spec()}, true));
    ASSERT_TRUE(program.write_input("get params.app.channels.1.capacity\n"
                                    "set params.app.channels.1.capacity=12.5\n"
                                    "get params.app.channels.1.capacity\n"));
    EXPECT_TRUE(program.wait_for_output("get params.app.channels.1.capacity\ncapacity = 12.5\n"))
        << program.output() << program.errors();
    const std::string out = program.output();
    const size_t first = out.find("capacity = ");
    ASSERT_NE(first, std::string::npos) << out;
    EXPECT_EQ(out.substr(first, out.find('\n', first) - first), "capacity = 707.2") << out;

    ASSERT_TRUE(program.write_input("shutdown\n"));
    EXPECT_EQ(program.wait_exit(), 1) << program.output() << program.errors();
    EXPECT_FALSE(program.sanitizer_reported()) << program.errors();
}

}  // namespace
