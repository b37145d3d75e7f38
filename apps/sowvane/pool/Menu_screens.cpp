// The menu screens and the simple information screens: typical screens whose
// body bands hold menu buttons, labels and placeholder values.
#include "apps/sowvane/pool/Key_codes.h"
#include "apps/sowvane/pool/Screen_builders.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Screen_scaffolding.h"

#include "vt_object_model/terminal/VtSystemInterface.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// One menu button: body band (1 to 4), column (0 to 3), label lines, key
// code and the table field for its ID.
struct Menu_button_row {
    int band;
    int column;
    const char* line1;
    const char* line2;
    uint32_t code;
    uint32_t* field;
};

// A typical screen whose body bands are split into four columns; returns the
// columns by band (index band - 1).
std::vector<Oid_list> build_menu_body(Pool_layout& layout, uint32_t& mask_field, const char* title)
{
    Oid_list bands;
    begin_titled_screen(layout, mask_field, bands, title);
    std::vector<Oid_list> columns(4);
    for (int band = 1; band <= 4; ++band) {
        add_columns(layout, columns[band - 1], 6, bands[band]);
        add_separator(layout, bands[band]);
    }
    return columns;
}

void add_menu_buttons(Pool_layout& layout, const std::vector<Oid_list>& columns,
                      std::initializer_list<Menu_button_row> rows)
{
    for (const Menu_button_row& row : rows) {
        VtObjectButton* button =
            add_menu_button(layout, columns[row.band - 1][row.column], row.code, row.line1, row.line2);
        if (row.field != nullptr)
            *row.field = oid_of(button);
    }
}

// Labels with a value under each, one per column of a four-column band.
template <class Add_value>
void add_column_values(Pool_layout& layout, VtObjectContainer* band, std::initializer_list<const char*> labels,
                       Add_value add_value)
{
    Oid_list columns;
    add_columns(layout, columns, 6, band);
    int column = 0;
    for (const char* label : labels) {
        layout.builder.add_text_centred(columns[column], label, layout.font(1), 2, 0);
        add_value(column, columns[column]);
        ++column;
    }
}

// A row page line: the label in the left half, a placeholder text in the right.
uint32_t add_placeholder_row(Pool_layout& layout, VtObjectContainer* band, const char* label, const char* value)
{
    Oid_list halves;
    add_columns(layout, halves, 8, band);
    layout.builder.add_text_left(halves[0], label, layout.font(13), 1, 0, 1);
    return layout.builder.add_text_left(halves[1], value, layout.font(16), 1, 0, 1)->getOid();
}

constexpr int product_name_shown = Screen_object_ids::product_name_shown;

// The name field of a product's button: room for the characters shown of a
// name, wrapped over the lines of width x height, in the largest font (from
// the menu buttons' down) that holds them all (the smallest when none does).
VtObjectOutputFieldString* create_product_name(Pool_layout& layout, int n, int width, int height)
{
    VtObjectFontAttribute* menu_font = layout.font(15);
    uint32_t size = menu_font->getFontSize();
    uint32_t cell_width = 1;
    uint32_t cell_height = 1;
    for (;; --size) {
        VtSystemInterface::getFontSizePixels(size, cell_width, cell_height);
        const int characters = (width / int(cell_width)) * (height / int(cell_height));
        if (characters >= product_name_shown || size == 0)
            break;
    }
    VtObjectFontAttribute* font = layout.builder.fitting_font(menu_font, 1, int(cell_width), int(cell_height));
    const int lines = std::max(height / int(cell_height), 1);
    VtObjectOutputFieldString* name =
        layout.builder.create_output_string(width, lines * int(cell_height), nullptr, font);
    const std::string placeholder = "PROD" + std::to_string(n);
    name->setValue(VtString((placeholder + std::string(product_name_shown - placeholder.size(), ' ')).c_str()));
    name->setOptions(3); // transparent, wrapping
    return name;
}

// A product's button, filling its place: the product's name over the tank
// it is on.
VtObjectButton* add_product_button(Pool_layout& layout, VtObjectContainer* place, int n, uint32_t& name_field,
                                   uint32_t& tank_field)
{
    Pool_builder& builder = layout.builder;
    const int width = int(place->getWidth()) - 2 * layout.inset;
    const int height = int(place->getHeight()) - 2 * layout.inset;
    const int face_width = width - 2 * Pool_builder::button_border;
    const int face_height = height - 2 * Pool_builder::button_border;
    char text[16];
    std::snprintf(text, sizeof text, "Tank%d", n);
    VtObjectOutputFieldString* tank = builder.create_text(text, layout.font(15), 2);
    builder.fit_text(tank, face_width, face_height / 2);
    const int tank_height = int(tank->getHeight());
    VtObjectOutputFieldString* name = create_product_name(layout, n, face_width, face_height - tank_height);
    VtObjectButton* button = builder.create_button(width, height, 1, Key_code::product_first + n - 1, nullptr);
    builder.add_to_button(button, 0, 0, name);
    builder.add_to_button(button, (face_width - int(tank->getWidth())) / 2, face_height - tank_height, tank);
    builder.add_child(place, layout.inset, layout.inset, button);
    name_field = name->getOid();
    tank_field = tank->getOid();
    return button;
}

} // namespace

void build_settings_menu(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.settings_menu;
    std::vector<Oid_list> columns = build_menu_body(layout, ids.data_mask, "Settings Menu");
    add_menu_buttons(layout, columns,
                     {{1, 0, "Seeder", nullptr, Key_code::seeder_menu, &ids.seeder_button},
                      {2, 0, "Products", nullptr, Key_code::product_settings, &ids.products_button},
                      {3, 0, "Alarms", nullptr, Key_code::alarms, &ids.alarms_button},
                      {4, 0, "Area", "Test", Key_code::area_test, &ids.area_test_button},
                      {4, 3, "Advanced", "Settings", Key_code::advanced_settings, &ids.advanced_settings_button}});
    add_soft_keys(layout, {{"Main", "Screen", Key_code::main_screen, &ids.key_main}});
}

void build_operating_history_menu(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.operating_history_menu_mask;
    std::vector<Oid_list> columns = build_menu_body(layout, ids.data_mask, "Operating History Menu");
    add_menu_buttons(layout, columns,
                     {{1, 0, "Totals", "History", Key_code::totals_history, &ids.totals_button},
                      {2, 0, "Shafts", "History", Key_code::shafts_history, &ids.shafts_button},
                      {3, 0, "Fan", "History", Key_code::fans_history, &ids.fans_button}});
    add_seeder_page_keys(layout, ids.key_seeder_settings_menu, ids.key_settings_menu, ids.key_main);
}

void build_seeder_settings_menu(Screen_object_ids& table, Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.seeder_settings_menu;
    std::vector<Oid_list> columns = build_menu_body(layout, ids.data_mask, "Seeder Settings Menu");
    add_menu_buttons(layout, columns,
                     {{1, 0, "Tanks", nullptr, Key_code::tank_settings, &ids.tanks_button},
                      {1, 1, "External", "Options", Key_code::external_options, &ids.external_options_button},
                      {1, 2, "Blocked", "Head", Key_code::blocked_head_or_fans, &ids.blocked_head_button},
                      {2, 0, "Wheel", "Cal.", Key_code::wheel_calibration, &ids.wheel_calibration_button},
                      {2, 1, "Fans", nullptr, Key_code::blocked_head_or_fans, &ids.fans_button},
                      {3, 0, "Width", "Speed", Key_code::width_and_speed, &ids.width_and_speed_button},
                      {3, 1, "Seeder", "Brand", Key_code::seeder_brand, &ids.seeder_brand_button},
                      {4, 0, "Seeder", "History", Key_code::history_menu, &ids.operating_history_button}});

    // The preload button shows through a pointer, so that the mask can take
    // it off the menu when no tank preloads.
    VtObjectContainer* place = columns[3][1];
    VtObjectOutputFieldString* tank = builder.create_text("Tank", layout.font(15), 2);
    VtObjectOutputFieldString* preload = builder.create_text("Preload", layout.font(15), 2);
    VtObjectButton* button =
        create_two_line_button(layout, int(place->getWidth()) - 2 * layout.inset,
                               int(place->getHeight()) - 2 * layout.inset, Key_code::tank_preload, tank, preload);
    VtObjectPointer* pointer = builder.create_pointer();
    pointer->setValue(button->getOid());
    builder.add_child(place, layout.inset, layout.inset, pointer);
    ids.tank_preload_button = button->getOid();
    ids.tank_preload_pointer = pointer->getOid();

    add_soft_keys(layout, {{"Settings", "Menu", Key_code::settings_menu, &ids.key_settings_menu},
                           {"Main", "Screen", Key_code::main_screen, &ids.key_main}});
}

void build_product_settings_menu(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.product_settings_menu;
    std::vector<Oid_list> columns = build_menu_body(layout, ids.data_mask, "Product Settings Menu");
    for (int n = 1; n <= 16; ++n) {
        VtObjectButton* button = add_product_button(layout, columns[(n - 1) / 4][(n - 1) % 4], n,
                                                    ids.product_name[n - 1], ids.product_tank[n - 1]);
        ids.product_button[n - 1] = oid_of(button);
    }
    add_soft_keys(layout, {{"Settings", "Menu", Key_code::settings_menu, &ids.key_settings_menu},
                           {"Main", "Screen", Key_code::main_screen, &ids.key_main},
                           {"Multi", "Cal", Key_code::multi_cal, &ids.key_multi_tank_cal}});
}

void build_alarm_settings_menu(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.alarm_settings_menu;
    std::vector<Oid_list> columns = build_menu_body(layout, ids.data_mask, "Alarm Settings Menu");
    add_menu_buttons(layout, columns,
                     {{1, 0, "Fan", "Alarms", Key_code::fan_alarms, &ids.fan_alarms_button},
                      {1, 1, "Motor", "Alarms", Key_code::motor_alarms, &ids.tank_motor_alarms_button},
                      {2, 0, "Shaft", "Alarms", Key_code::shaft_alarms, &ids.shaft_alarms_button},
                      {2, 1, "Gear", "Alarms", Key_code::gear_alarms, &ids.tank_gear_alarms_button},
                      {3, 0, "Tank", "Alarms", Key_code::tank_alarms, &ids.tank_alarms_button},
                      {3, 1, "Pressure", "Alarms", Key_code::pressure_alarms, &ids.tank_pressure_alarms_button},
                      {4, 0, "Other", "Alarms", Key_code::other_alarms, &ids.other_alarms_button},
                      {4, 1, "No Flow", "Alarms", Key_code::no_flow_alarms, &ids.no_flow_alarms_button}});
    add_soft_keys(layout, {{"Settings", "Menu", Key_code::settings_menu, &ids.key_settings_menu},
                           {"Main", "Screen", Key_code::main_screen, &ids.key_main},
                           {"Inhibit", "Alarms", Key_code::inhibit_alarms, &ids.key_inhibit_alarms}});
    auto* inhibit = static_cast<VtObjectKey*>(layout.builder.find_object(ids.key_inhibit_alarms));
    ids.inhibit_indicator = add_key_indicator(layout, inhibit)->getOid();
}

void build_system_info_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.system_info_mask;
    Oid_list bands;
    begin_titled_screen(layout, ids.data_mask, bands, "System Info");
    ids.firmware_version = add_placeholder_row(layout, bands[1], "Tarnveldt Firmware", "012345678901");
    ids.ecu_versions = add_placeholder_row(layout, bands[2], "TOLVA Firmware", "012345678901");
    add_body_separators(layout, bands);
    add_soft_keys(layout, {{"Diags.", nullptr, Key_code::toggle_screen, &ids.key_actuator_diagnostics},
                           {"Main", "Screen", Key_code::main_screen, &ids.key_main}});
}

void build_blocked_head_data_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.blocked_head_diags_mask;
    Oid_list bands;
    begin_titled_screen(layout, ids.data_mask, bands, "Blocked Head Data");
    add_column_values(layout, bands[1], {"In 8..1", "In 16..9", "In 24..17", "In 32..25"},
                      [&](int column, VtObjectContainer* place) {
                          ids.input_bits[column] =
                              layout.builder.add_text_centred(place, "00000000", layout.font(16), 2, 1)->getOid();
                      });
    add_body_separators(layout, bands);
    add_soft_keys(layout, {{"Diags", "Screen", Key_code::toggle_screen, &ids.key_actuator_diagnostics},
                           {"System", "Info", Key_code::system_info, &ids.key_system_info},
                           {"Main", "Screen", Key_code::main_screen, &ids.key_main}});
}

void build_pressure_diagnostics_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.diagnostics2;
    Oid_list bands;
    begin_titled_screen(layout, ids.data_mask, bands, "Diagnostics");
    add_column_values(layout, bands[1], {"Press. 1", "Press. 2", "Press. 3", "Press. 4"},
                      [&](int column, VtObjectContainer* place) {
                          ids.pressure[column] =
                              layout.builder.add_output_number_row(place, layout.font(3), 2, 1, 0, 0)->getOid();
                          ids.pressure_row[column] = place->getOid();
                      });
    add_body_separators(layout, bands);
    add_soft_keys(layout, {{"Toggle", "Screen", Key_code::toggle_screen, &ids.key_actuator_diagnostics},
                           {"System", "Info", Key_code::system_info, &ids.key_system_info},
                           {"Main", "Screen", Key_code::main_screen, &ids.key_main}});
}

void build_factory_reset_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.factory_reset_mask;
    Oid_list bands;
    begin_titled_screen(layout, ids.data_mask, bands, "Confirm Factory Reset");
    // What the reset does: the settings go back to their defaults, the
    // records of the machine's work stay (Settings_file::restore_defaults).
    // The lines fill the band under its separator.
    VtObjectContainer* room = add_room_under_separator(layout, bands[1]);
    const char* const lines[] = {"Settings return to defaults;", "totals, areas, volumes,",
                                 "operating times and", "history are kept.", "Reset ECU to defaults?"};
    const int rows = int(sizeof lines / sizeof lines[0]);
    for (int row = 0; row < rows; ++row)
        layout.builder.add_text_centred(room, lines[row], layout.font(13), rows, row);
    add_body_separators(layout, bands);
    add_soft_keys(layout, {{"Confirm", nullptr, Key_code::accept, &ids.key_confirm},
                           {"Cancel", nullptr, Key_code::cancel, &ids.key_cancel}});
}
