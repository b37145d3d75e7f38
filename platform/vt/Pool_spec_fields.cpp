#include "platform/vt/Pool_spec_fields.h"

#include "platform/vt/Vt_obj.h"

namespace VT {

namespace {

#define END {F_END, nullptr, nullptr}
#define CHILD_LISTS {F_N_CHILDREN, nullptr, nullptr}, {F_N_MACROS, nullptr, nullptr}, \
    {F_CHILDREN, nullptr, nullptr}, {F_MACROS, nullptr, nullptr}
#define MACRO_LIST {F_N_MACROS, nullptr, nullptr}, {F_MACROS, nullptr, nullptr}
#define SIZE {F_U16, "width", "0"}, {F_U16, "height", "0"}

const Spec_field working_set[] = {
    {F_COLOUR, "background_colour", "0"}, {F_U8, "selectable", "1"}, {F_ID, "active_mask", nullptr},
    {F_N_CHILDREN, nullptr, nullptr}, {F_N_MACROS, nullptr, nullptr}, {F_N_LANGUAGES, nullptr, nullptr},
    {F_CHILDREN, nullptr, nullptr}, {F_MACROS, nullptr, nullptr}, {F_LANGUAGES, nullptr, nullptr}, END};
const Spec_field data_mask[] = {
    {F_COLOUR, "background_colour", "0"}, {F_ID, "soft_key_mask", nullptr}, CHILD_LISTS, END};
const Spec_field alarm_mask[] = {
    {F_COLOUR, "background_colour", "0"}, {F_ID, "soft_key_mask", nullptr}, {F_U8, "priority", "2"},
    {F_U8, "acoustic_signal", "3"}, CHILD_LISTS, END};
const Spec_field container[] = {SIZE, {F_U8, "hidden", "0"}, CHILD_LISTS, END};
const Spec_field soft_key_mask[] = {
    {F_COLOUR, "background_colour", "0"}, {F_N_ITEMS, nullptr, nullptr}, {F_N_MACROS, nullptr, nullptr},
    {F_ITEMS, nullptr, nullptr}, {F_MACROS, nullptr, nullptr}, END};
const Spec_field key[] = {{F_COLOUR, "background_colour", "0"}, {F_U8, "key_code", "0"}, CHILD_LISTS, END};
const Spec_field button[] = {
    SIZE, {F_COLOUR, "background_colour", "0"}, {F_COLOUR, "border_colour", "0"}, {F_U8, "key_code", "0"},
    {F_U8, "latchable", "0"}, CHILD_LISTS, END};
const Spec_field input_boolean[] = {
    {F_COLOUR, "background_colour", "0"}, {F_U16, "width", "0"}, {F_ID, "foreground_colour", nullptr},
    {F_ID, "variable_reference", nullptr}, {F_U8, "value", "0"}, {F_U8, "enabled", "1"}, MACRO_LIST, END};
const Spec_field input_string[] = {
    SIZE, {F_COLOUR, "background_colour", "0"}, {F_ID, "font_attributes", nullptr},
    {F_ID, "input_attributes", nullptr}, {F_U8, "options", "0"}, {F_ID, "variable_reference", nullptr},
    {F_U8, "justification", "0"}, {F_TEXT8, "value", ""}, {F_U8, "enabled", "1"}, MACRO_LIST, END};
const Spec_field input_number[] = {
    SIZE, {F_COLOUR, "background_colour", "0"}, {F_ID, "font_attributes", nullptr}, {F_U8, "options", "0"},
    {F_ID, "variable_reference", nullptr}, {F_U32, "value", "0"}, {F_U32, "min_value", "0"},
    {F_U32, "max_value", "4294967295"}, {F_I32, "offset", "0"}, {F_FLOAT, "scale", "1"},
    {F_U8, "decimals", "0"}, {F_U8, "format", "0"}, {F_U8, "justification", "0"}, {F_U8, "enabled", "1"},
    MACRO_LIST, END};
const Spec_field input_list[] = {
    SIZE, {F_ID, "variable_reference", nullptr}, {F_U8, "value", "0"}, {F_N_ITEMS, nullptr, nullptr},
    {F_U8, "enabled", "1"}, {F_N_MACROS, nullptr, nullptr}, {F_ITEMS, nullptr, nullptr},
    {F_MACROS, nullptr, nullptr}, END};
const Spec_field output_string[] = {
    SIZE, {F_COLOUR, "background_colour", "0"}, {F_ID, "font_attributes", nullptr}, {F_U8, "options", "0"},
    {F_ID, "variable_reference", nullptr}, {F_U8, "justification", "0"}, {F_TEXT16, "value", ""},
    MACRO_LIST, END};
const Spec_field output_number[] = {
    SIZE, {F_COLOUR, "background_colour", "0"}, {F_ID, "font_attributes", nullptr}, {F_U8, "options", "0"},
    {F_ID, "variable_reference", nullptr}, {F_U32, "value", "0"}, {F_I32, "offset", "0"},
    {F_FLOAT, "scale", "1"}, {F_U8, "decimals", "0"}, {F_U8, "format", "0"}, {F_U8, "justification", "0"},
    MACRO_LIST, END};
const Spec_field line[] = {
    {F_ID, "line_attributes", nullptr}, SIZE, {F_U8, "direction", "0"}, MACRO_LIST, END};
const Spec_field rectangle[] = {
    {F_ID, "line_attributes", nullptr}, SIZE, {F_U8, "line_suppression", "0"}, {F_ID, "fill_attributes", nullptr},
    MACRO_LIST, END};
const Spec_field ellipse[] = {
    {F_ID, "line_attributes", nullptr}, SIZE, {F_U8, "ellipse_type", "0"}, {F_U8, "start_angle", "0"},
    {F_U8, "end_angle", "0"}, {F_ID, "fill_attributes", nullptr}, MACRO_LIST, END};
const Spec_field polygon[] = {
    SIZE, {F_ID, "line_attributes", nullptr}, {F_ID, "fill_attributes", nullptr}, {F_U8, "polygon_type", "0"},
    {F_N_POINTS, nullptr, nullptr}, {F_N_MACROS, nullptr, nullptr}, {F_POINTS, nullptr, nullptr},
    {F_MACROS, nullptr, nullptr}, END};
const Spec_field meter[] = {
    {F_U16, "width", "0"}, {F_COLOUR, "needle_colour", "0"}, {F_COLOUR, "border_colour", "0"},
    {F_COLOUR, "arc_and_tick_colour", "0"}, {F_U8, "options", "0"}, {F_U8, "ticks", "0"},
    {F_U8, "start_angle", "0"}, {F_U8, "end_angle", "180"}, {F_U16, "min_value", "0"},
    {F_U16, "max_value", "100"}, {F_ID, "variable_reference", nullptr}, {F_U16, "value", "0"}, MACRO_LIST, END};
const Spec_field linear_bar_graph[] = {
    SIZE, {F_COLOUR, "colour", "0"}, {F_COLOUR, "target_line_colour", "0"}, {F_U8, "options", "0"},
    {F_U8, "ticks", "0"}, {F_U16, "min_value", "0"}, {F_U16, "max_value", "100"},
    {F_ID, "variable_reference", nullptr}, {F_U16, "value", "0"}, {F_ID, "target_value_variable_reference", nullptr},
    {F_U16, "target_value", "0"}, MACRO_LIST, END};
const Spec_field arched_bar_graph[] = {
    SIZE, {F_COLOUR, "colour", "0"}, {F_COLOUR, "target_line_colour", "0"}, {F_U8, "options", "0"},
    {F_U8, "start_angle", "0"}, {F_U8, "end_angle", "180"}, {F_U16, "bar_graph_width", "0"},
    {F_U16, "min_value", "0"}, {F_U16, "max_value", "100"}, {F_ID, "variable_reference", nullptr},
    {F_U16, "value", "0"}, {F_ID, "target_value_variable_reference", nullptr}, {F_U16, "target_value", "0"},
    MACRO_LIST, END};
const Spec_field picture_graphic[] = {
    {F_U16, "width", "0"}, {F_U16, "actual_width", "0"}, {F_U16, "actual_height", "0"}, {F_U8, "format", "0"},
    {F_U8, "options", "0"}, {F_COLOUR, "transparency_colour", "0"}, {F_N_DATA32, nullptr, nullptr},
    {F_N_MACROS, nullptr, nullptr}, {F_DATA, nullptr, nullptr}, {F_MACROS, nullptr, nullptr}, END};
const Spec_field number_variable[] = {{F_U32, "value", "0"}, END};
const Spec_field string_variable[] = {{F_TEXT16, "value", ""}, END};
const Spec_field font_attributes[] = {
    {F_COLOUR, "font_colour", "0"}, {F_U8, "font_size", "0"}, {F_U8, "font_type", "0"},
    {F_U8, "font_style", "0"}, MACRO_LIST, END};
const Spec_field line_attributes[] = {
    {F_COLOUR, "line_colour", "0"}, {F_U8, "line_width", "1"}, {F_U16, "line_art", "65535"}, MACRO_LIST, END};
const Spec_field fill_attributes[] = {
    {F_U8, "fill_type", "0"}, {F_COLOUR, "fill_colour", "0"}, {F_ID, "fill_pattern", nullptr}, MACRO_LIST, END};
const Spec_field input_attributes[] = {
    {F_U8, "validation_type", "0"}, {F_TEXT8, "validation_string", ""}, MACRO_LIST, END};
const Spec_field object_pointer[] = {{F_ID, "value", nullptr}, END};
const Spec_field macro[] = {{F_N_DATA16, nullptr, nullptr}, {F_DATA, nullptr, nullptr}, END};

const Spec_field* const by_type[VT_OBJ_TYPE_COUNT] = {
    working_set, data_mask, alarm_mask, container, soft_key_mask, key, button, input_boolean,
    input_string, input_number, input_list, output_string, output_number, line, rectangle, ellipse,
    polygon, meter, linear_bar_graph, arched_bar_graph, picture_graphic, number_variable,
    string_variable, font_attributes, line_attributes, fill_attributes, input_attributes,
    object_pointer, macro,
};

} // namespace

const Spec_field* spec_fields(int type)
{
    return type >= 0 && type < VT_OBJ_TYPE_COUNT ? by_type[type] : nullptr;
}

} // namespace VT
