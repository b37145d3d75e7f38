// The three pages of the multi-tank calibration wizard: the run page, the
// weighing page and the result page, one row of columns per tank.
#include "apps/sowvane/pool/Key_codes.h"
#include "apps/sowvane/pool/Screen_builders.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Setting_rows.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

const std::string name_placeholder = "?????" + std::string(26, ' ');

struct Heading {
    const char* line1;
    const char* line2;
};

// Data mask, five bands, the column headings in band 0; the bands to `bands`.
void begin_tank_page(Pool_layout& layout, uint32_t& mask_field, Oid_list& bands, int column_mode,
                     std::initializer_list<Heading> headings)
{
    VtObjectDataMask* mask = create_screen_mask(layout, mask_field);
    add_bands(layout, bands, 2, mask);
    Oid_list columns;
    add_columns(layout, columns, column_mode, bands[0]);
    int column = 0;
    for (const Heading& heading : headings) {
        layout.builder.add_text_centred(columns[column], heading.line1, layout.font(1), 3, 1);
        if (heading.line2 != nullptr)
            layout.builder.add_text_centred(columns[column], heading.line2, layout.font(1), 3, 2);
        ++column;
    }
}

uint32_t add_tank_name(Pool_layout& layout, VtObjectContainer* column)
{
    VtObjectOutputFieldString* name = layout.builder.add_output_string_row(column, nullptr, layout.font(3), 4, 1);
    name->setValue(VtString(name_placeholder.c_str()));
    return name->getOid();
}

uint32_t add_value(Pool_layout& layout, VtObjectContainer* column)
{
    return layout.builder.add_output_number_row(column, layout.font(3), 4, 2, 0, 0)->getOid();
}

uint32_t add_unit_text(Pool_layout& layout, const char* text)
{
    return create_unit_text(layout, text)->getOid();
}

// The factors' unit over a result column's factor (a granular tank's mass
// per shaft revolution): right-aligned at the top of the column, under the
// band's separator, above the factor in its row 2 of 4.
void add_caption(Pool_layout& layout, VtObjectContainer* column, VtObjectOutputFieldString* unit)
{
    layout.builder.add_child(column, std::max(int(column->getWidth()) - int(unit->getWidth()), 0),
                             layout.line_width, unit);
}

// The two hidden state containers of a tank: a red button (101 + tank) in
// the first, a green one (105 + tank) in the second.
void add_state_buttons(Pool_layout& layout, VtObjectContainer* column, int tank, int button_height,
                       const char* red_label, const char* green_label, uint32_t& red_marker, uint32_t& red_button,
                       uint32_t& green_marker, uint32_t& green_button)
{
    Pool_builder& builder = layout.builder;
    struct State {
        const char* label;
        uint32_t colour;
        uint32_t code;
        uint32_t& marker;
        uint32_t& button;
    };
    State states[2] = {{red_label, 12, Key_code::state_off_first + tank, red_marker, red_button},
                       {green_label, 2, Key_code::state_on_first + tank, green_marker, green_button}};
    const int room = int(column->getWidth());
    for (State& state : states) {
        VtObjectContainer* marker = builder.create_container_like(column);
        marker->setHidden(true);
        builder.add_child(column, 0, 0, marker);
        const int inset = button_inset(
            layout, room, label_width(layout, state.label, 15, room - 2 * layout.inset, button_height));
        VtObjectButton* button = builder.create_label_button(room - 2 * inset, button_height, state.colour, state.code,
                                                             state.label, layout.font(15));
        builder.add_child(marker, inset, layout.row_height - layout.text_top - button_height, button);
        state.marker = marker->getOid();
        state.button = button->getOid();
    }
}

// The message of a tank whose new factor is out of range, hidden, in place
// of its state buttons: red lines centred in the column.
uint32_t add_out_of_range_message(Pool_layout& layout, VtObjectContainer* column)
{
    static const char* const lines[] = {"Factor", "out of", "range"};
    constexpr int count = int(sizeof lines / sizeof lines[0]);
    Pool_builder& builder = layout.builder;
    VtObjectContainer* message = builder.create_container_like(column);
    message->setHidden(true);
    builder.add_child(column, 0, 0, message);
    const int width = int(column->getWidth());
    const int height = int(column->getHeight());
    size_t longest = 0;
    for (const char* line : lines)
        longest = std::max(longest, std::strlen(line));
    // A field is a line of the font and one pixel high.
    VtObjectFontAttribute* font = builder.fitting_font(layout.font(4), int(longest), width, height / count - 1);
    const int line_height = font_char_height(font) + 1;
    int y = (height - count * line_height) / 2;
    for (const char* line : lines) {
        VtObjectOutputFieldString* text = builder.create_text(line, font, 1);
        builder.add_child(message, (width - int(text->getWidth())) / 2, y, text);
        y += line_height;
    }
    return message->getOid();
}

} // namespace

void build_multi_tank_run_page(Screen_object_ids& table, Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.multi_tank_cal_1_mask;
    Oid_list bands;
    begin_tank_page(layout, ids.data_mask, bands, 1,
                    {{"Product", nullptr}, {"Target", nullptr}, {"Revs", nullptr}, {"Est.", "Weight"}, {"Load", nullptr}});
    ids.text = add_unit_text(layout, "%");
    // A tank's rate is typed in a font that holds the highest ("99999.0").
    const int rate_characters = 7;
    // One preset value that all four tanks share, sized by column 0 of band 0.
    Oid_list columns;
    const int column_width = layout.column_width - layout.line_width;
    Switchable_value preset = create_switchable_value(layout, column_width - 2 * layout.inset, layout.row_height / 2);

    for (int i = 0; i < Screen_object_ids::tank_count; ++i) {
        VtObjectContainer* band = bands[i + 1];
        ids.tank_row[i] = band->getOid();
        add_columns(layout, columns, 1, band);
        ids.tank_name[i] = add_tank_name(layout, columns[0]);
        add_state_buttons(layout, columns[0], i, layout.row_height / 2 - layout.inset, "OFF", "ON", ids.off_marker[i],
                          ids.on_button[i], ids.on_marker[i], ids.off_button[i]);

        VtObjectContainer* revs_row = builder.create_container_like(columns[1]);
        revs_row->setHidden(true);
        builder.add_child(columns[1], 0, 0, revs_row);
        VtObjectInputFieldNumber* rate = builder.add_input_number_row(revs_row, nullptr, layout.font(3), 3, 1, 0, 5);
        rate->setFontAttributes(oid_of(
            builder.fitting_font(layout.font(3), rate_characters, object_width(rate), object_height(rate))));
        ids.rate_input[i] = rate->getOid();
        ids.rate_units[i] = add_unit_text(layout, "123456");
        builder.add_unit_pointer(revs_row, ids.rate_units[i], 10, 9, 0, 0);
        ids.revs_row[i] = revs_row->getOid();

        VtObjectContainer* alt_row = builder.create_container_like(columns[1]);
        alt_row->setHidden(true);
        builder.add_child(columns[1], 0, 0, alt_row);
        builder.add_hidden_number_pair(alt_row, preset.output, preset.input, preset.pointer, 4, 2, 2);
        builder.add_unit_pointer(alt_row, ids.text, 10, 9, 0, 0);
        ids.alt_row[i] = alt_row->getOid();
        preset.store(ids.preset_variable[i], ids.preset_pointer[i], ids.preset_output[i], ids.preset_input[i]);

        ids.revs_output[i] = add_value(layout, columns[2]);
        ids.estimated_weight[i] = add_value(layout, columns[3]);
        ids.estimated_weight_units[i] = add_unit_text(layout, "12345");
        builder.add_unit_pointer(columns[3], ids.estimated_weight_units[i], 10, 9, 0, 0);
        ids.motor_load_output[i] = add_value(layout, columns[4]);
        builder.add_unit_pointer(columns[4], ids.text, 10, 9, 0, 0);
        add_separator(layout, band);
    }
    preset.pointer->setValue(VT_NULL_ID);

    add_switchable_soft_keys(layout,
                             {{"Product", "Settings", Key_code::alarms_menu, &ids.key_product_settings_menu},
                              {"Main", "Screen", Key_code::main_screen, &ids.key_main},
                              {"Next", nullptr, Key_code::next, &ids.key_next},
                              {"Reset", nullptr, Key_code::reset, &ids.key_reset},
                              {"Master", nullptr, Key_code::master, &ids.key_master},
                              {"Cal", "Style", Key_code::cal_style, &ids.key_style}},
                             {&ids.key_slot[0], &ids.key_slot[1], &ids.key_slot[2], &ids.key_slot[3], &ids.key_slot[4],
                              &ids.key_slot[5]});
    auto* master = static_cast<VtObjectKey*>(builder.find_object(ids.key_master));
    ids.master_indicator = add_key_indicator(layout, master)->getOid();
    ids.master_off_state = oid_of(layout.fill_red);
    ids.master_on_state = oid_of(layout.fill_green);
}

void build_multi_tank_weighing_page(Screen_object_ids& table, Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.multi_tank_cal_2_mask;
    Oid_list bands;
    begin_tank_page(layout, ids.data_mask, bands, 9, {{"Product", nullptr}, {"Est.", "Weight"}, {"Act.", "Weight"}});
    Oid_list columns;
    for (int i = 0; i < Screen_object_ids::tank_count; ++i) {
        VtObjectContainer* band = bands[i + 1];
        ids.tank_row[i] = band->getOid();
        add_columns(layout, columns, 9, band);
        ids.tank_name[i] = add_tank_name(layout, columns[0]);
        ids.estimated_weight[i] = add_value(layout, columns[1]);
        ids.estimated_weight_units[i] = add_unit_text(layout, "12345");
        builder.add_unit_pointer(columns[1], ids.estimated_weight_units[i], 10, 9, 0, 0);

        VtObjectContainer* actual = columns[2];
        Switchable_value weight = create_switchable_value(layout, int(actual->getWidth()) - 2 * layout.inset,
                                                          int(actual->getHeight()) / 2);
        place_switchable_value(layout, actual, weight, 4, 2, 2);
        // Both weights of a tank share one unit text.
        builder.add_unit_pointer(actual, ids.estimated_weight_units[i], 20, 18, -3, 1);
        weight.store(ids.weight_variable[i], ids.weight_pointer[i], ids.weight_output[i], ids.weight_input[i]);
        add_separator(layout, band);
    }
    add_switchable_soft_keys(layout,
                             {{"Next", nullptr, Key_code::next, &ids.key_next},
                              {"Cancel", nullptr, Key_code::cancel, &ids.key_cancel}},
                             {&ids.key_slot[0], &ids.key_slot[1]});
}

void build_multi_tank_result_page(Screen_object_ids& table, Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.multi_tank_cal_3_mask;
    Oid_list bands;
    begin_tank_page(layout, ids.data_mask, bands, 1,
                    {{"Product", nullptr}, {"Old", "Cal"}, {"New", "Cal"}, {"Diff", nullptr}, {"Status", nullptr}});
    // The factors' unit, which the mask writes: the mass a revolution in the
    // units in force (a liquid tank takes no part in this calibration).
    VtObjectOutputFieldString* factor_units = create_unit_text(layout, "kg/rev");
    ids.text = factor_units->getOid();
    ids.text_2 = add_unit_text(layout, "%");
    Oid_list columns;
    for (int i = 0; i < Screen_object_ids::tank_count; ++i) {
        VtObjectContainer* band = bands[i + 1];
        ids.tank_row[i] = band->getOid();
        add_columns(layout, columns, 1, band);
        ids.tank_name[i] = add_tank_name(layout, columns[0]);
        ids.old_factor[i] = add_value(layout, columns[1]);
        add_caption(layout, columns[1], factor_units);
        ids.new_factor[i] = add_value(layout, columns[2]);
        add_caption(layout, columns[2], factor_units);
        ids.difference[i] = add_value(layout, columns[3]);
        builder.add_unit_pointer(columns[3], ids.text_2, 10, 9, 0, 0);
        add_state_buttons(layout, columns[4], i, layout.row_height - 2 * layout.inset, "IGNORE", "SAVE",
                          ids.not_accepted_marker[i], ids.accept_button[i], ids.accepted_marker[i],
                          ids.ignore_button[i]);
        ids.out_of_range_marker[i] = add_out_of_range_message(layout, columns[4]);
        add_separator(layout, band);
    }
    add_switchable_soft_keys(layout,
                             {{"Clear", "All", Key_code::alarms_menu, &ids.key_ignore_all},
                              {"Save", "All", Key_code::main_screen, &ids.key_accept_all},
                              {"Exit", nullptr, Key_code::exit, &ids.key_save},
                              {"Back", nullptr, Key_code::back, &ids.key_back}},
                             {&ids.key_slot[0], &ids.key_slot[1], &ids.key_slot[2], &ids.key_slot[3]});
}
