#pragma once
// The "ds" commands of the test console: one row per command word, each with
// a print handler (get) and a set handler (set), and the item tables that
// the rows with named items look their next word up in.

#include "apps/sowvane/console/Test_console.h"

#include <string>
#include <vector>

namespace console_ds {

using Words = std::vector<std::string>;
struct Row;

// A named item of a row: what "get ds.<row>.<item>..." and
// "set ds.<row>.<item>...=<value>" run (null: not supported).
struct Item {
    const char* name;
    void (*print)(Test_console& console, const Words& args);
    void (*set)(Test_console& console, const Words& args, const std::string& value);
};

struct Row {
    const char* name;
    // args: the words after the row's name.
    void (*print)(Test_console& console, const Row& row, const Words& args);
    void (*set)(Test_console& console, const Row& row, const Words& args, const std::string& value);
    // The row's item table (null without one), its size, the row's name in
    // messages ("Channels") and its help line for set.
    const Item* items;
    unsigned item_count;
    const char* label;
    const char* set_format;
};

const Row* find_row(const std::string& name);
const Row* rows_begin();
const Row* rows_end();

}  // namespace console_ds
