// The program's settings file while settings change: a stream of edits that
// never stops (a held INC key, console writes every 0.2 s) is saved while it
// goes on, not only once it ends.

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

TEST(ProgramSettings, EditsThatNeverStopAreSavedWhileTheyGoOn)
{
    if (std::string(SOWVANE_DATA_ROOT) != ".")
        GTEST_SKIP() << "the program of this build uses the installed paths";
    Hub_process hub;
    ASSERT_TRUE(hub.start()) << hub.error();
    Program_process program;
    ASSERT_TRUE(program.start({"-T", "-b", hub.bus_spec()}, true));
    ASSERT_TRUE(program.wait_for_output("START SIM")) << program.output() << program.errors();
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

    ASSERT_TRUE(program.write_input("shutdown\n"));
    EXPECT_EQ(program.wait_exit(), 1) << program.output() << program.errors();
}

}  // namespace
