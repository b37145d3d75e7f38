// Settings fields built from rows: a label with an input list, an input
// number, a pair of alternative containers or a button, placed either in the
// right half of a row page's band or in a grid page's cell.
#pragma once

#include "apps/sowvane/pool/Screen_scaffolding.h"

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

struct Setting_row {
    enum Kind { label_only, list, number, number_or_output, button };

    const char* label;
    Kind kind;
    // List elements; the button's label for a button.
    std::vector<const char*> items;
    // Receives the list's or the input's ID (the button's for a button).
    uint32_t* field = nullptr;
    // Selected element of a list, value of a number.
    uint32_t initial = 0;
    uint32_t min = 0;
    uint32_t max = 999;
    double scale = 1.0;
    uint32_t decimals = 0;
    // A number's widest text once its page runs, where the page gives it
    // another range or format than these (0: the limits' own).
    int shown_characters = 0;
    // Unit text shown by a pointer at the right edge (VT_NULL_ID: none), and
    // a fixed text after it ("/pulse").
    uint32_t unit = VT_NULL_ID;
    const char* suffix = nullptr;
    // Optional: the cell's container, the list elements' IDs, the key code
    // of a button, and for number_or_output the output number and the two
    // alternative containers.
    uint32_t* cell_field = nullptr;
    uint32_t* item_fields = nullptr;
    uint32_t code = 0;
    uint32_t* output_field = nullptr;
    uint32_t* input_row_field = nullptr;
    uint32_t* output_row_field = nullptr;
};

// Row makers for the screens' tables.
inline Setting_row list_row(const char* label, std::vector<const char*> items, uint32_t* field,
                            uint32_t* cell_field = nullptr, uint32_t* item_fields = nullptr, uint32_t initial = 0)
{
    Setting_row row{label, Setting_row::list, std::move(items), field};
    row.cell_field = cell_field;
    row.item_fields = item_fields;
    row.initial = initial;
    return row;
}

inline Setting_row number_row(const char* label, uint32_t* field, uint32_t min = 0, uint32_t max = 999,
                              double scale = 1.0, uint32_t decimals = 0, uint32_t* cell_field = nullptr)
{
    Setting_row row{label, Setting_row::number, {}, field};
    row.min = min;
    row.max = max;
    row.scale = scale;
    row.decimals = decimals;
    row.cell_field = cell_field;
    return row;
}

inline Setting_row button_row(const char* label, const char* button_label, uint32_t code, uint32_t* field)
{
    Setting_row row{label, Setting_row::button, {button_label}, field};
    row.code = code;
    return row;
}

// A row page: bands of mode 2 (already made), each body band split in halves
// with the label on the left and the field on the right.
void add_setting_rows(Pool_layout& layout, const Oid_list& bands, const std::vector<Setting_row>& rows);
// A grid page's cells in reading order, label in row 0 and field in row 1 of
// two; a null label leaves a cell empty.
void add_setting_cells(Pool_layout& layout, const Oid_grid& grid, int columns, const std::vector<Setting_row>& rows);

// A label button of half the place's height, centred in it.
VtObjectButton* add_centred_button(Pool_layout& layout, VtObjectContainer* place, const char* label, uint32_t code);
// A list of the elements (font slot 3), sized for the place and spanning its
// row 1 of 3 over two rows; element IDs to item_fields when given.
VtObjectInputFieldList* add_spanning_list(Pool_layout& layout, VtObjectContainer* place,
                                          const std::vector<const char*>& items, uint32_t selected,
                                          uint32_t* item_fields);
// A value's units on the line of its text, right after it at the place's
// right edge: a pointer at the unit text, then a fixed suffix ("/pulse")
// that the unit runs on into, their feet level with the foot of the value's
// text. `placed` is the value as the place holds it (a number field, or the
// pointer that shows one of `numbers`); it moves and narrows so that it ends
// right before the units. Where its widest text (an input's limits, and at
// least `characters`) has no room there in a font as large as the units',
// the units stand on the line under its text instead, at the same right
// edge. Either way its numbers take a font that holds their widest text.
// Nothing without a unit or a suffix.
void add_value_units(Pool_layout& layout, VtObjectContainer* place, VtObject* placed,
                     std::initializer_list<VtSizedObject*> numbers, uint32_t unit, const char* suffix = nullptr,
                     int characters = 0);

// A value the mask shows either read-only or editable: a number variable, an
// output and an input number on it, and the pointer that shows one of them
// (empty until the mask sets it).
struct Switchable_value {
    VtObjectNumberVariable* variable;
    VtObjectPointer* pointer;
    VtObjectOutputFieldNumber* output;
    VtObjectInputFieldNumber* input;

    // The four IDs into the table fields.
    void store(uint32_t& variable_field, uint32_t& pointer_field, uint32_t& output_field, uint32_t& input_field) const
    {
        variable_field = variable->getOid();
        pointer_field = pointer->getOid();
        output_field = output->getOid();
        input_field = input->getOid();
    }
};
Switchable_value create_switchable_value(Pool_layout& layout, int width, int height);
// Places the pointer in the place and keeps both numbers in a hidden
// container there; returns that container.
VtObjectContainer* place_switchable_value(Pool_layout& layout, VtObjectContainer* place, const Switchable_value& value,
                                          int rows, int row, int span);

// The instruction text of the step-by-step screens, replaced at each step.
VtObjectOutputFieldString* add_instruction_text(Pool_layout& layout, VtObjectContainer* band);
