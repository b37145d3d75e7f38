// The program sowvane: the implement ECU of an ISOBUS air seeder and planter.
#include "apps/sowvane/command_line.h"
#include "apps/sowvane/console/Test_console.h"
#include "apps/sowvane/seeder_app.h"

int main(int argc, char** argv)
{
    // First of all: a stop asked for at any moment (also while the command
    // line is read and the libraries start) ends the program in order.
    seeder_app_install_signal_handlers();
    const int code = read_command_line(argc, argv);
    if (code >= 0)
        return code;
    const int failed = seeder_app_thread();
    test_console_hold_lines();
    // A failed XML step ends the start with 0; only a bus that cannot be
    // opened has a code of its own.
    return failed == EXIT_NO_BUS ? failed : 0;
}
