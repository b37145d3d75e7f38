#include "apps/sowvane/command_line.h"

#include "apps/sowvane/console/Test_console.h"
#include "apps/sowvane/seeder_app.h"
#include "platform/rtos/Task.h"
#include "util/Debug_base.h"

#include <cstdio>
#include <cstring>
#include <getopt.h>

namespace {

// The console's thread: when the console ends (the end of the input, a
// line read once the shutdown began) nothing else refers to its task, and
// the thread frees it (the task then lets its thread end on its own). A
// console still reading when the program ends keeps it to the end.
void* run_console(void* task)
{
    test_console_main(nullptr);
    delete static_cast<Task*>(task);
    return nullptr;
}

// The test console task: "STC", thread "kor.STC".
void start_console_task()
{
    Task* task = new Task("STC", 20480, true, 0);
    task->set_name("kor.STC");
    if (task->start(5, run_console, task) != 0)
        delete task;
}

}  // namespace

bool parse_debug_argument(const char* argument, std::string& filters)
{
    if (!argument || std::strlen(argument) < 4 || std::strncmp(argument + 1, "DB=", 3) != 0)
        return false;
    if (argument[0] == 'J') {
        filters = argument + 4;
        return true;
    }
    return argument[0] == 'B';
}

int read_command_line(int argc, char** argv)
{
    static const option long_options[] = {
        {"help", no_argument, nullptr, 'h'},        {"test", no_argument, nullptr, 'T'},
        {"bus", required_argument, nullptr, 'b'},   {"port", required_argument, nullptr, 'p'},
        {"debug", required_argument, nullptr, 'd'}, {"quiet", no_argument, nullptr, 'q'},
        {nullptr, 0, nullptr, 0},
    };
    std::string filters = "00";
    int option;
    while ((option = getopt_long(argc, argv, "qhTb:p:d:", long_options, nullptr)) != -1) {
        switch (option) {
        case 'h':
            return 0;
        case 'T':
            start_console_task();
            break;
        case 'b':
            if (optarg)
                seeder_bus_spec = optarg;
            break;
        case 'p':
            if (optarg)
                seeder_port_spec = optarg;
            break;
        case 'd':
            if (!parse_debug_argument(optarg, filters)) {
                std::puts("Bad argument for debug");
                return 1;
            }
            break;
        case 'q':
            break;
        default:
            return 1;
        }
    }
    JDB::set_filters(filters.c_str());
    return -1;
}
