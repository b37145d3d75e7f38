#include "apps/sowvane/console/Test_console.h"

#include "apps/sowvane/console/Console_ds.h"
#include "apps/sowvane/console/Line_gate.h"
#include "apps/sowvane/data_model.h"
#include "apps/sowvane/screens/Setting_ranges.h"
#include "platform/util/Debug_dumper.h"
#include "util/Debug_print.h"

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <readline/history.h>
#include <readline/readline.h>

namespace {

// Where the words of a command split, and where a value starts.
constexpr const char* WORD_DELIMITERS = " =.:[]";
constexpr const char* PATH_DELIMITERS = ".:[]";
constexpr const char* VALUE_DELIMITERS = " =";

bool is_one_of(char c, const char* set) { return c != '\0' && std::strchr(set, c) != nullptr; }

// The word at p (up to one of delimiters), p moved behind it.
std::string take_word(const char*& p, const char* delimiters)
{
    const char* start = p;
    while (*p && !is_one_of(*p, delimiters))
        p++;
    return std::string(start, p);
}

void skip(const char*& p, const char* set)
{
    while (is_one_of(*p, set))
        p++;
}

std::vector<std::string> split_path(const std::string& path)
{
    std::vector<std::string> words;
    const char* p = path.c_str();
    for (;;) {
        skip(p, PATH_DELIMITERS);
        if (!*p)
            return words;
        words.push_back(take_word(p, PATH_DELIMITERS));
    }
}

// Parameter item types that hold one value (no children).
bool is_basic_type(int type)
{
    return (type >= 2 && type <= 12) || type == 15 || type == 16;
}

// Whether an item of the type byte holds one value (not an array).
bool holds_one_value(unsigned char type_byte)
{
    return (type_byte >> 5) == Data_item::CLASS_PLAIN;
}

void print_parameter(NV_store::NV_item& item, FILE* out)
{
    Debug::Debug_dumper dumper(out);
    item.lock();
    item._print(dumper);
    item.unlock();
    std::fprintf(out, "\n");
}

}  // namespace

Test_console::Test_console(Data_store& store, CDS::Lookup_item& store_root,
                           NV_kelsu::parameters_t& params, FILE* out)
    : store_(store), store_root_(store_root), params_(params), out_(out)
{
}

bool Test_console::accept_value(const std::string& value, int type, console_value::Checked& checked)
{
    checked = console_value::check(value, type);
    if (checked.verdict == console_value::Verdict::ok)
        return true;
    std::fprintf(out_, "%s\n", console_value::refusal(checked.verdict, value).c_str());
    return false;
}

bool Test_console::accept_setting(const std::string& value, const NV_store::NV_item& item,
                                  console_value::Checked& checked)
{
    if (item.get_type() == Data_item::ITEM_CHAR && !holds_one_value(item.get_type_byte())) {
        checked = console_value::check_text(value, item.value_count());
        if (checked.verdict == console_value::Verdict::ok)
            return true;
        std::fprintf(out_, "%s (at most %d characters)\n", console_value::refusal(checked.verdict, value).c_str(),
                     item.value_count());
        return false;
    }
    if (!holds_one_value(item.get_type_byte())) {
        checked = console_value::Checked{console_value::Verdict::ok, value, 0.0};
        return true;
    }
    if (!accept_value(value, item.get_type(), checked))
        return false;
    Setting_range range;
    if (!setting_ranges::find(params_, item, range) || range.holds(checked.number))
        return true;
    std::fprintf(out_, "%s (%g to %g", console_value::refusal(console_value::Verdict::out_of_range, value).c_str(),
                 range.min, range.max);
    if (!std::isnan(range.none))
        std::fprintf(out_, ", or %g for none", range.none);
    std::fprintf(out_, ")\n");
    return false;
}

bool Test_console::run_line(const char* input)
{
    char line[LINE_SIZE];
    std::snprintf(line, sizeof line, "%s", input ? input : "");
    if (char* newline = std::strchr(line, '\n'))
        *newline = '\0';
    if (!line[0]) {
        std::fprintf(out_, "Got nothing!\n");
        return true;
    }

    const char* p = line;
    skip(p, WORD_DELIMITERS);
    const std::string first = take_word(p, WORD_DELIMITERS);
    bool parsed = true;
    if (std::strcmp(line, "help") == 0 || std::strcmp(line, "h") == 0) {
        print_help();
    } else if (first == "quit") {
        std::fprintf(out_, "Exiting test console\n");
        return false;
    } else if (first == "shutdown") {
        std::fprintf(out_, "Shutting down\n");
        std::fflush(out_);
        std::raise(SIGTERM);
        return false;
    } else if (first == "set" || first == "get") {
        skip(p, WORD_DELIMITERS);
        const std::string tree = take_word(p, WORD_DELIMITERS);
        skip(p, PATH_DELIMITERS);
        // The path runs to a blank or "="; the value is what follows.
        const std::string path = take_word(p, VALUE_DELIMITERS);
        Command command;
        command.words = split_path(path);
        skip(p, VALUE_DELIMITERS);
        command.has_value = *p != '\0';
        command.value = p;
        parsed = tree == "data_store" ? run_data_store(first == "set", command, path)
                                      : run_tree_command(first == "set", tree, command);
    } else {
        std::fprintf(out_, "Received unknown command: [%s]\n", line);
        std::fprintf(out_, "See supported commands, enter [help|h]\n");
    }
    if (!parsed) {
        std::fprintf(out_, "Parse error for input: [%s]\n", line);
        std::fprintf(out_, "For supported commands, enter [help|h]\n");
    }

    if (!cds_get_byte(&store_.head, &store_.body.system.alive)) {
        std::fprintf(out_, "shutdown event detected...test console terminating\n");
        return false;
    }
    return true;
}

bool Test_console::run_tree_command(bool set, const std::string& tree, const Command& command)
{
    if (tree == "params")
        return run_params(set, command);
    if (tree == "ds")
        return run_ds(set, command);
    return false;
}

bool Test_console::run_params(bool set, const Command& command)
{
    if (set && !command.has_value)
        return false;
    NV_store::NV_item* item = &params_;
    for (const std::string& word : command.words) {
        // A setting has no parts: a word after it names nothing.
        if (item->value_count() != 0) {
            std::fprintf(out_, "Could not find parameter:%s\n", word.c_str());
            return true;
        }
        item->lock();
        NV_store::NV_item* child = item->_search(word.c_str());
        item->unlock();
        if (!child) {
            std::fprintf(out_, "Could not find parameter:%s\n", word.c_str());
            return true;
        }
        item = child;
    }
    if (set) {
        if (!is_basic_type(item->get_type()))
            return false;
        console_value::Checked value;
        if (!accept_setting(command.value, *item, value))
            return true;
        item->lock();
        const char* end = item->_from_string(value.text.c_str());
        item->unlock();
        if (!end)
            std::fprintf(out_, "Set failed, not set:%s\n", command.value.c_str());
    }
    print_parameter(*item, out_);
    return true;
}

bool Test_console::run_data_store(bool set, const Command& command, const std::string& path)
{
    CDS::Lookup_item* item =
        path.empty() ? &store_root_ : store_root_.find_item(path.c_str(), '.');
    if (!item || (set && (path.empty() || !command.has_value)))
        return false;
    console_value::Checked value;
    value.text = command.value;
    if (set && holds_one_value(item->get_type_byte()) && !accept_value(command.value, item->get_type(), value))
        return true;
    if (set && !item->set_from_string(value.text.c_str(), &store_.head)) {
        echo_definition(*item);
        std::fprintf(out_, "Set failed, not a basic type! type=%d\n", item->get_type());
        return true;
    }
    echo_definition(*item);
    return true;
}

void Test_console::echo_definition(const CDS::Lookup_item& item)
{
    // Read under the store's lock, printed after it: a slow debug output
    // holds up no writer of the store.
    std::string text;
    {
        Mutex::Protection reading(&store_.head.get_mutex());
        item.append_definition(text, 0);
    }
    Debug_print::printd(text.c_str(), int(text.size()));
}

bool Test_console::run_ds(bool set, const Command& command)
{
    if (command.words.empty())
        return false;
    const console_ds::Row* row = console_ds::find_row(command.words[0]);
    if (!row || !(set ? row->set != nullptr : row->print != nullptr))
        return false;
    const console_ds::Words args(command.words.begin() + 1, command.words.end());
    if (set) {
        // Missing words leave the store as it is.
        if (command.has_value)
            row->set(*this, *row, args, command.value);
    } else {
        row->print(*this, *row, args);
    }
    return true;
}

void Test_console::print_help()
{
    FILE* o = out_;
    std::fprintf(o, "Supported commands (case sensitive):\n");
    std::fprintf(o, "set ds.item=value\n");
    std::fprintf(o, "    where item = \n");
    for (const console_ds::Row* row = console_ds::rows_begin(); row != console_ds::rows_end(); row++) {
        std::fprintf(o, "        %s\n", row->name);
        if (!row->set_format)
            continue;
        std::fprintf(o, "          %s\n", row->set_format);
        for (unsigned i = 0; i < row->item_count; i++)
            if (row->items[i].set)
                std::fprintf(o, "          %s\n", row->items[i].name);
    }
    std::fprintf(o, "\n");
    std::fprintf(o, "get ds.item\n");
    std::fprintf(o, "    where item = \n");
    for (const console_ds::Row* row = console_ds::rows_begin(); row != console_ds::rows_end(); row++) {
        std::fprintf(o, "        %s\n", row->name);
        if (row->print == nullptr || row->items == nullptr)
            continue;
        for (unsigned i = 0; i < row->item_count; i++)
            if (row->items[i].print)
                std::fprintf(o, "          %s\n", row->items[i].name);
    }
    static const char* const rest[] = {
        "",
        "set params.parameter=value",
        "    set params.app.channels.1.capacity=702.3",
        "",
        "get params.parameter",
        "    get params or see parameters.nvs for all field names",
        "    get params.app.channels.1.capacity",
        "",
        "set data_store.parameter",
        "    Basic Types: set data_store.system.alive=1",
        "                 set data_store.system.hardware_id=0xFF",
        "    Arrays:      set data_store.operation.frame_swbox.tank_active=[1,0,1,0,1,0]",
        "    String:      set data_store.system.firmware_version.string=[123456789012]",
        "",
        "get data_store.parameter",
        "    get data_store or see data_store.cds for all field names",
        "    get data_store.system.alive",
        "    get data_store.channels.channels.0",
        "",
        "quit - exit the test console",
        "shutdown - shutdown the test console and simulator",
        "",
    };
    for (const char* line : rest)
        std::fprintf(o, "%s\n", line);
    char version[13] = {};
    cds_get_firmware_version(version, &store_.head, &store_.body.system.firmware_version);
    std::fprintf(o, "TARNVELDT Hardware ID:%d\n",
                 int(cds_get_word(&store_.head, &store_.body.system.hardware_id)));
    std::fprintf(o, "TARNVELDT Firmware Version:%s\n", version);
}

namespace {
// Never destroyed: the console's thread may still wait in it as the
// process ends.
Line_gate& line_gate()
{
    static Line_gate* gate = new Line_gate;
    return *gate;
}
}  // namespace

void Test_console::run()
{
    // Readline would install handlers of its own for SIGINT and SIGTERM
    // while it reads; the program's handlers, which end it in order, stay
    // the only ones.
    rl_catch_signals = 0;
    rl_catch_sigwinch = 0;
    for (;;) {
        char* line = readline("> ");
        // The end of the input ends the console: nothing more can come.
        if (!line)
            return;
        if (line[0])
            add_history(line);
        line_gate().enter();
        const bool go_on = run_line(line);
        line_gate().leave();
        std::free(line);
        std::fflush(out_);
        if (!go_on)
            return;
    }
}

void test_console_open_lines() { line_gate().open(); }

void test_console_hold_lines() { line_gate().shut(); }

void* test_console_main(void*)
{
    Test_console console(sowvane_data_store, sowvane_data_store_lookup, sowvane_parameters);
    console.run();
    return nullptr;
}
