#pragma once
// The developer's test console on standard input and output (option -T):
// prints and sets live data-store values through a fixed command table
// ("ds") and through the store's lookup tree by path ("data_store"), and
// parameters of the tree "PS" by path ("params"); prints status dumps of
// whole records; can shut the program down. Type "help" for the commands.
//
// Writes to the store go through its locked setters, so they reach the
// modules subscribed to the fields exactly as the application's own writes.
// Indexes are read whole and checked against the store's record counts, a
// value against the type of its item and, for a parameter, against the range
// its settings page allows (Setting_ranges.h) or a text setting's length: a
// value refused stores nothing, and the answer says why.

#include "apps/sowvane/console/Console_value.h"

#include <cstdio>
#include <string>
#include <vector>

struct Data_store;
namespace CDS {
class Lookup_item;
}
namespace NV_kelsu {
class parameters_t;
}
namespace NV_store {
class NV_item;
}

class Test_console {
public:
    static constexpr int LINE_SIZE = 256;

    Test_console(Data_store& store, CDS::Lookup_item& store_root, NV_kelsu::parameters_t& params,
                 FILE* out = stdout);

    // Runs one command line; false when the console ends ("quit",
    // "shutdown", or the store's system.alive gone false).
    bool run_line(const char* line);
    // Reads lines with readline (prompt "> ") until the console ends or the
    // input does.
    void run();

    void print_help();

    // The value text of a set checked against the type (a Data_item type
    // code) of the item it goes to: false, with the console's answer, for
    // a text that is no number read whole, not finite, or out of the
    // type's range; then nothing may be stored.
    bool accept_value(const std::string& value, int type, console_value::Checked& checked);
    // The value text of a parameter set, checked as accept_value does and
    // against the setting itself: a text against its length, a number
    // against the range its settings page allows (Setting_ranges.h).
    bool accept_setting(const std::string& value, const NV_store::NV_item& item, console_value::Checked& checked);

    // The words of a command after the tree word, and the value after "=".
    struct Command {
        std::vector<std::string> words;
        std::string value;
        bool has_value = false;
    };

    // What the "ds" tables reach.
    Data_store& store() { return store_; }
    NV_kelsu::parameters_t& params() { return params_; }
    FILE* out() { return out_; }

private:
    bool run_tree_command(bool set, const std::string& tree, const Command& command);
    bool run_params(bool set, const Command& command);
    bool run_data_store(bool set, const Command& command, const std::string& path);
    bool run_ds(bool set, const Command& command);
    // Prints a data-store item's declaration and value on the debug output.
    void echo_definition(const CDS::Lookup_item& item);

    Data_store& store_;
    CDS::Lookup_item& store_root_;
    NV_kelsu::parameters_t& params_;
    FILE* out_;
};

// The body of the console task "STC": the console on the process's own
// data store and parameter tree.
void* test_console_main(void*);
// The console's lines wait from the start of the process until this is
// called, once the settings file is read: a line typed at once answers with
// the settings the file holds. Lines typed meanwhile then run in order.
void test_console_open_lines();
// Called as the process ends, also when the start ends before the settings
// were read: a line the console runs finishes, and no further line runs
// while the exit takes apart the store and the tree it works on (its thread
// may still be reading).
void test_console_hold_lines();
