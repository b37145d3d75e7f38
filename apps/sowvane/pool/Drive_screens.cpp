// The drive and valve screens of one tank: a shared header (the tank number
// and the title) and soft keys, over a row page or a grid page of settings.
#include "apps/sowvane/pool/Key_codes.h"
#include "apps/sowvane/pool/Screen_builders.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Setting_rows.h"

namespace {

const std::vector<const char*> enable_items = {"Disabled", "Enabled"};

// Data mask, bands (a grid page when grid is given) and the header: "Tank"
// over the tank number on the left, the title on the right.
template <class Group>
void begin_drive_page(Pool_layout& layout, Group& ids, const char* title, Oid_list& bands, Oid_grid* grid,
                      int grid_columns)
{
    Pool_builder& builder = layout.builder;
    VtObjectDataMask* mask = create_screen_mask(layout, ids.data_mask);
    if (grid != nullptr)
        add_grid_page(layout, bands, *grid, 2, grid_columns, 4, mask);
    else
        add_bands(layout, bands, 2, mask);
    Oid_list header;
    add_columns(layout, header, 2, bands[0]);
    builder.add_text_centred(header[0], "Tank", layout.font(1), 2, 0);
    VtObjectOutputFieldNumber* tank = builder.create_output_number(layout.column_width - 2 * layout.inset,
                                                                   layout.row_height / 3, nullptr, layout.font(3));
    tank->setScale(1.0);
    tank->setNumberOfDecimals(0);
    builder.span_output_number(header[0], tank, 2, 1, 1);
    ids.tank_output = tank->getOid();
    builder.add_text_centred(header[1], title, layout.font(8), 1, 0);
}

template <class Group>
void add_drive_page_keys(Pool_layout& layout, Group& ids)
{
    add_soft_keys(layout, {{"Tank", "Settings", Key_code::tank_settings, &ids.key_tank_settings},
                           {"Seeder", "Menu", Key_code::seeder_menu, &ids.key_seeder_settings_menu},
                           {"Settings", "Mask", Key_code::settings_menu, &ids.key_settings_menu},
                           {"Main", "Screen", Key_code::main_screen, &ids.key_main}});
}

template <class Group>
void build_drive_grid_page(Pool_layout& layout, Group& ids, const char* title, const std::vector<Setting_row>& cells)
{
    Oid_list bands;
    Oid_grid grid;
    begin_drive_page(layout, ids, title, bands, &grid, 2);
    add_setting_cells(layout, grid, 2, cells);
    add_drive_page_keys(layout, ids);
}

template <class Group>
void build_drive_row_page(Pool_layout& layout, Group& ids, const char* title, const std::vector<Setting_row>& rows)
{
    Oid_list bands;
    begin_drive_page(layout, ids, title, bands, nullptr, 0);
    add_setting_rows(layout, bands, rows);
    add_drive_page_keys(layout, ids);
}

Setting_row number_or_output_row(const char* label, uint32_t* input, uint32_t* output, uint32_t* input_row,
                                 uint32_t* output_row)
{
    Setting_row row = number_row(label, input);
    row.kind = Setting_row::number_or_output;
    row.output_field = output;
    row.input_row_field = input_row;
    row.output_row_field = output_row;
    return row;
}

template <class Group>
void build_prop_valve_control_page(Pool_layout& layout, Group& ids, const char* button_label)
{
    build_drive_grid_page(
        layout, ids, "PValve Control Settings",
        {list_row("Add Dither", enable_items, &ids.add_dither),
         list_row("Min PWM", {"5%", "10%", "15%", "20%", "25%", "30%", "35%", "40%"}, &ids.min_pwm),
         list_row("Soft Start", enable_items, &ids.soft_start),
         list_row("Max PWM", {"100%", "95%", "90%", "85%", "80%", "75%", "70%", "65%"}, &ids.max_pwm),
         list_row("Soft Stop", enable_items, &ids.soft_stop),
         list_row("Controller Resp", {"Fastest", "Medium Fast", "Medium Slow", "Slowest"}, &ids.controller_resp),
         list_row("Dump Valve", {"Disabled", "Enabled", "Reversed"}, &ids.dump_valve),
         button_row(nullptr, button_label, Key_code::setup_settings, &ids.drive_settings_button)});
}

// A cell of the regulating-valve page: one or two label lines over a list.
VtObjectInputFieldList* add_valve_list(Pool_layout& layout, VtObjectContainer* place, const char* line1,
                                       const char* line2, std::initializer_list<const char*> items)
{
    Pool_builder& builder = layout.builder;
    const int rows = line2 != nullptr ? 3 : 2;
    builder.add_text_centred(place, line1, layout.font(13), rows, 0);
    if (line2 != nullptr)
        builder.add_text_centred(place, line2, layout.font(13), rows, 1);
    return builder.add_input_list_row(place, layout.font(3), rows, rows - 1, items);
}

// A cell with four alternative lists, each in its own hidden container of
// the cell's size; the mask shows the one that fits the valve.
void add_valve_alternatives(Pool_layout& layout, VtObjectContainer* cell, const char* label,
                            const std::initializer_list<const char*> (&items)[4], uint32_t (&lists)[4],
                            uint32_t (&rows)[4])
{
    Pool_builder& builder = layout.builder;
    builder.add_text_centred(cell, label, layout.font(13), 2, 0);
    for (int i = 0; i < 4; ++i) {
        VtObjectContainer* alternative = builder.create_container_like(cell);
        alternative->setHidden(true);
        builder.add_child(cell, 0, 0, alternative);
        lists[i] = builder.add_input_list_row(alternative, layout.font(3), 2, 1, items[i])->getOid();
        rows[i] = alternative->getOid();
    }
}

} // namespace

void build_actuator_drive_settings_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.actuator_drive_settings_mask;
    build_drive_row_page(layout, ids, "Actuator Drive Settings",
                         {number_row("Encoder Teeth", &ids.encoder_teeth, 8, 255),
                          list_row("Clutch", enable_items, &ids.clutch),
                          list_row("Style", {"Geartek", "Northgate", "Generic"}, &ids.style)});
}

void build_electric_drive_settings_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.electric_drive_settings_mask;
    build_drive_grid_page(
        layout, ids, "Electric Drive Settings",
        {list_row("Motor Selection", {"Two pulse", "Four pulse", "Other"}, &ids.motor_selection),
         number_row("Gear Ratio", &ids.gear_ratio),
         number_or_output_row("Pulses/Rev", &ids.pulses_rev, &ids.pulses_rev_output, &ids.pulses_rev_input_row,
                              &ids.pulses_rev_output_row),
         number_or_output_row("Min Motor RPM", &ids.min_motor_rpm, &ids.min_motor_rpm_output, &ids.min_rpm_input_row,
                              &ids.min_rpm_output_row),
         number_or_output_row("Max Motor RPM", &ids.max_motor_rpm, &ids.max_motor_rpm_output, &ids.max_rpm_input_row,
                              &ids.max_rpm_output_row),
         list_row("Soft Start", enable_items, &ids.soft_start), list_row("Shaft Sensor", enable_items, &ids.shaft_sensor),
         number_row("Shaft Pulses/Rev", &ids.shaft_pulses_rev)});
}

void build_prop_valve_drive_settings_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.prop_valve_drive_settings_mask;
    build_drive_grid_page(layout, ids, "PValve Drive Settings",
                          {number_row("Gear Ratio", &ids.gear_ratio),
                           list_row("Tank Clutch", enable_items, &ids.tank_clutch),
                           number_row("Encoder Pulses/Rev", &ids.encoder_pulses_rev),
                           list_row("Shaft Sensor", enable_items, &ids.shaft_sensor),
                           number_row("Min Shaft RPM", &ids.min_shaft_rpm),
                           number_row("Shaft Pulses/Rev", &ids.shaft_pulses_rev),
                           number_row("Max Shaft RPM", &ids.max_shaft_rpm),
                           button_row(nullptr, "Control Settings", Key_code::control_settings,
                                      &ids.control_settings_button)});
}

void build_prop_valve_control_settings_screen(Screen_object_ids& table, Pool_layout& layout)
{
    build_prop_valve_control_page(layout, table.prop_valve_control_settings_mask, "Drive Settings");
}

void build_liquid_prop_valve_settings_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.liquid_prop_valve_settings_mask;
    build_drive_row_page(layout, ids, "Liquid/NH3 Settings",
                         {list_row("Pressure Sense", enable_items, &ids.pressure_sense),
                          number_row("Num Nozzles", &ids.num_nozzles),
                          button_row("Control Settings", "Setup", Key_code::setup_settings,
                                     &ids.control_settings_button)});
}

void build_liquid_prop_valve_control_settings_screen(Screen_object_ids& table, Pool_layout& layout)
{
    build_prop_valve_control_page(layout, table.liquid_prop_valve_control_settings_mask, "Settings");
}

void build_liquid_reg_valve_control_settings_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.liquid_reg_valve_control_settings_mask;
    Oid_list bands;
    Oid_grid grid;
    begin_drive_page(layout, ids, "RValve Control Settings", bands, &grid, 3);
    auto cell = [&](int column, int row) { return grid.get(column, row); };

    ids.sensitivity = add_valve_list(layout, cell(0, 0), "Sensitivity", nullptr, {"Standard", "Reduced"})->getOid();
    ids.controller_mode =
        add_valve_list(layout, cell(1, 0), "Controller", "Mode", {"Standard", "Flowmark", "Sentrix", "Ardent"})
            ->getOid();
    add_valve_alternatives(layout, cell(2, 0), "PWM Setting",
                           {{"100%", "65%", "60%", "55%"},
                            {"100%", "65%", "60%", "55%"},
                            {"60%", "55%", "50%", "45%"},
                            {"100%", "65%", "60%", "55%"}},
                           ids.pwm_setting, ids.pwm_setting_row);
    ids.close_valve_when_off =
        add_valve_list(layout, cell(0, 1), "Close Valve", "When Off", {"Disabled", "Enabled"})->getOid();
    add_valve_alternatives(layout, cell(1, 1), "Min On Time",
                           {{"8 ms", "4 ms", "2 ms", "1 ms"},
                            {"14 ms", "12 ms", "10 ms", "8 ms"},
                            {"8 ms", "6 ms", "4 ms", "2 ms"},
                            {"14 ms", "12 ms", "10 ms", "8 ms"}},
                           ids.min_on_time, ids.min_on_time_row);
    ids.liquid_settings_button =
        add_centred_button(layout, cell(2, 1), "Settings", Key_code::setup_settings)->getOid();
    ids.reverse_valve = add_valve_list(layout, cell(0, 2), "Reverse Valve", nullptr, {"Disabled", "Enabled"})->getOid();
    add_valve_alternatives(layout, cell(1, 2), "Max On Time",
                           {{"4.0 s", "2.0 s", "1.0 s", "0.5 s"},
                            {"64 s", "56 s", "48 s", "40 s"},
                            {"48 s", "40 s", "32 s", "24 s"},
                            {"64 s", "56 s", "48 s", "40 s"}},
                           ids.max_on_time, ids.max_on_time_row);
    ids.relay_on_when_off =
        add_valve_list(layout, cell(0, 3), "Relay On", "When Off", {"Disabled", "Enabled"})->getOid();
    add_valve_alternatives(layout, cell(1, 3), "Gain Setting",
                           {{"16 ms/%", "8 ms/%", "4 ms/%", "2 ms/%"},
                            {"4.8 ms/%", "4.0 ms/%", "3.2 ms/%", "2.4 ms/%"},
                            {"3.2 ms/%", "2.4 ms/%", "1.6 ms/%", "0.8 ms/%"},
                            {"4.8 ms/%", "4.0 ms/%", "3.2 ms/%", "2.4 ms/%"}},
                           ids.gain_setting, ids.gain_setting_row);
    add_drive_page_keys(layout, ids);
}
