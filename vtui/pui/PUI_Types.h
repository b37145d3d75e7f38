// The records of the self-laying-out widget toolkit: pool sizes, the
// horizontal layout and measurements of a group of rows, and what a client
// says of one item and of its value.
#pragma once

#include "platform/util/String_base.h"
#include "platform/vt/Object_pool.h"
#include "vtui/stat/Stat_num.h"

#include <memory>

namespace UI {
namespace PUI {

// The four fields of a row, left to right by default.
enum fields_t { FIELD_CAPTION = 0, FIELD_PRE = 1, FIELD_VALUE = 2, FIELD_POST = 3, NUM_FIELDS = 4 };

// What an update of one item refreshes.
enum update_t { UPDATE_VALUE = 0, UPDATE_CAPTION = 1, UPDATE_PRE = 2, UPDATE_VALUE_DRAW = 3, UPDATE_POST = 4 };

// Item types.
enum item_type { ITEM_PLAIN = 0, ITEM_NUMBER = 1, ITEM_BOOL = 2, ITEM_LIST = 3, ITEM_STRING = 4, ITEM_CONTAINER = 5 };

// The pool sizes of one widget.
class Limits {
public:
    Limits();
    Limits(int max_rows, int max_groups, int num_items, int num_numbers, int num_bools, int num_lists,
           int num_strings, int num_containers);
    Limits(const Limits& other);
    Limits& operator=(const Limits& other);

    // Capacities of the lists: the last 21, the one before 8, then 6, every
    // earlier one 4.
    void init_list_sizes();
    int list_size(int i) const;
    void set_list_size(int i, int n);

    int max_rows = 16;
    int max_groups = 8;
    int num_items = 3;
    int num_numbers = 16;
    int num_bools = 5;
    int num_lists = 4;
    int num_strings = 10;
    int num_containers = 3;

private:
    std::unique_ptr<int[]> list_sizes;
};

// The horizontal layout of one group: x and width per field.
struct geometry_t {
    struct {
        int x = 0;
        int width = 0;
    } field[NUM_FIELDS];
};

// The measurements of one group.
struct stat_group_t {
    struct {
        int min = 0;
        int max = 0;
        int total = 0;
        int weight = 0;
    } field[NUM_FIELDS];
    int count = 0;
};

struct Item_setup {
    Item_setup() = default;
    explicit Item_setup(VT::Font_attributes_obj* font) : value_font(font), pre_font(font), post_font(font) {}
    VT::VT_obj* caption = nullptr;
    VT::String_variable_obj* pre_string = nullptr;
    VT::String_variable_obj* post_string = nullptr;
    VT::Font_attributes_obj* value_font = nullptr;
    VT::Font_attributes_obj* pre_font = nullptr;
    VT::Font_attributes_obj* post_font = nullptr;
    unsigned char group = 0;
    int type = ITEM_PLAIN;
    bool editable = false;
    unsigned char pre_background = 0;
    unsigned char post_background = 0;
};

struct Number_setup {
    Number_setup()
    {
        for (Stat_num_format& f : format)
            f = Stat_num_format(Units_man::UNITS_NONE, 0.01, 0);
    }
    // The first when the system in force for its units type is metric.
    Stat_num_format format[2];
    double value = 0.0;
    double min = 0.0;
    double max = 100.0;
    bool show_units = true;
    int justification = 2;
    int options = 1;
    int min_width_chars = 0;
};

struct Bool_setup {
    VT::VT_obj* true_look = nullptr;
    VT::VT_obj* false_look = nullptr;
    bool value = false;
};

struct List_setup {
    int count = 0;
    unsigned short selected = 0;
    unsigned char justification = 0;
};

struct String_setup {
    static constexpr int TEXT_SIZE = 65;
    String_setup() : text(buffer, TEXT_SIZE) { buffer[0] = 0; }
    String_setup(const String_setup&) = delete;
    String_setup& operator=(const String_setup&) = delete;
    char buffer[TEXT_SIZE];
    String_base text;
    int length = 10;
    VT::VT_obj* input_attributes = nullptr;
};

struct Container_setup {
    int first = 0;
    int num_items = 0;
    int spacing = 0;
};

} // namespace PUI
} // namespace UI
