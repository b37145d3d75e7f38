// The eight alarm settings screens: grid pages of two cells per row, each
// cell a label with an enable list and, where the alarm has one, its alarm
// point with the unit it is measured in.
#include "apps/sowvane/pool/Key_codes.h"
#include "apps/sowvane/pool/Screen_builders.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Screen_scaffolding.h"

#include <algorithm>
#include <cstdio>

namespace {

// One grid cell. The label (and its second line) takes the first rows, then
// the list, then the alarm point; a cell has at least two rows.
struct Alarm_cell {
    // printf format with the row's tank or shaft number; null: no label.
    const char* label = nullptr;
    const char* label_2 = nullptr;
    uint32_t* list_field = nullptr;
    // Unit text of the alarm point; none without an input field.
    uint32_t unit = VT_NULL_ID;
    uint32_t* input_field = nullptr;
    // Receives the cell container's ID.
    uint32_t* cell_field = nullptr;
    bool has_list = false;
};

Alarm_cell list_cell(const char* label, uint32_t* list_field, uint32_t* cell_field = nullptr)
{
    Alarm_cell cell;
    cell.label = label;
    cell.list_field = list_field;
    cell.cell_field = cell_field;
    cell.has_list = true;
    return cell;
}

Alarm_cell point_cell(const char* label, uint32_t unit, uint32_t* input_field)
{
    Alarm_cell cell;
    cell.label = label;
    cell.unit = unit;
    cell.input_field = input_field;
    return cell;
}

Alarm_cell label_cell(const char* label, const char* label_2)
{
    Alarm_cell cell;
    cell.label = label;
    cell.label_2 = label_2;
    return cell;
}

// Room between an alarm point and its unit.
constexpr int unit_gap = 2;

void build_alarm_cell(Pool_layout& layout, VtObjectContainer* place, const Alarm_cell& cell, int number)
{
    Pool_builder& builder = layout.builder;
    if (cell.cell_field != nullptr)
        *cell.cell_field = oid_of(place);
    const bool has_point = cell.input_field != nullptr;
    const int lines = (cell.label != nullptr) + (cell.label_2 != nullptr);
    const int items = int(cell.has_list) + int(has_point);
    const int rows = lines + items < 2 ? 2 : lines + items;
    int row = 0;
    char text[40];
    for (const char* label : {cell.label, cell.label_2}) {
        if (label == nullptr)
            continue;
        std::snprintf(text, sizeof text, label, number);
        builder.add_text_centred(place, text, layout.font(13), rows, row++);
    }
    row = rows - items;
    if (cell.has_list) {
        VtObjectInputFieldList* list =
            builder.add_input_list_row(place, layout.font(3), rows, row++, {"Disabled", "Enabled"});
        *cell.list_field = oid_of(list);
    }
    if (has_point) {
        // The alarm point ends where the unit it is measured in begins.
        const auto* unit = dynamic_cast<const VtSizedObject*>(builder.find_object(cell.unit));
        const int unit_width = unit != nullptr ? int(unit->getWidth()) : 0;
        VtObjectInputFieldNumber* input = builder.add_input_number_row(place, nullptr, layout.font(3), rows, row, 0, 0);
        input->setWidth(uint32_t(std::max(int(input->getWidth()) - unit_width - unit_gap, 0)));
        *cell.input_field = oid_of(input);
        builder.add_unit_pointer(place, cell.unit, 10, 9, 0, 0);
    }
}

// The grid page of an alarm screen, its cells from the row function, and
// the three soft keys.
template <class Row_cells>
void build_alarm_screen(Pool_layout& layout, uint32_t& mask_field, const char* title, uint32_t& key_alarms_menu,
                        uint32_t& key_settings_menu, uint32_t& key_main, Row_cells row_cells)
{
    VtObjectDataMask* mask = create_screen_mask(layout, mask_field);
    Oid_list bands;
    Oid_grid grid;
    add_grid_page(layout, bands, grid, 2, 2, 4, mask);
    add_title(layout, bands[0], title);
    for (int row = 0; row < 4; ++row) {
        Alarm_cell cells[2];
        row_cells(row, cells);
        for (int column = 0; column < 2; ++column)
            build_alarm_cell(layout, grid.get(column, row), cells[column], row + 1);
    }
    add_soft_keys(layout, {{"Alarms", "Menu", Key_code::alarms_menu, &key_alarms_menu},
                           {"Settings", "Menu", Key_code::settings_menu, &key_settings_menu},
                           {"Main", "Screen", Key_code::main_screen, &key_main}});
}

} // namespace

void build_fan_alarms_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.fan_alarms_mask;
    struct Fan_row {
        const char* label;
        uint32_t* list;
        uint32_t* input;
        uint32_t unit;
    };
    const Fan_row rows[4] = {
        {"Fan Press. Low", &ids.pressure_low_list, &ids.pressure_low_input, table.main.pressure_units},
        {"Fan Press. High", &ids.pressure_high_list, &ids.pressure_high_input, table.main.pressure_units},
        {"Fan Speed Low", &ids.speed_low_list, &ids.speed_low_input, table.common.rpm_units},
        {"Fan Speed High", &ids.speed_high_list, &ids.speed_high_input, table.common.rpm_units},
    };
    build_alarm_screen(layout, ids.data_mask, "Fan Alarms", ids.key_alarm_settings_menu, ids.key_settings_menu,
                       ids.key_main, [&](int row, Alarm_cell* cells) {
                           cells[0] = list_cell(rows[row].label, rows[row].list);
                           cells[1] = point_cell("Alarm Point", rows[row].unit, rows[row].input);
                       });
}

void build_tank_alarms_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.tank_alarms_mask;
    build_alarm_screen(layout, ids.data_mask, "Tank Alarms", ids.key_alarm_settings_menu, ids.key_settings_menu,
                       ids.key_main, [&](int row, Alarm_cell* cells) {
                           cells[0] = list_cell("Tank %d Low", &ids.low_list[row], &ids.low_row[row]);
                           cells[1] = list_cell("Tank %d Empty", &ids.empty_list[row], &ids.empty_row[row]);
                       });
}

void build_shaft_alarms_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.shaft_alarms_mask;
    build_alarm_screen(layout, ids.data_mask, "Shaft Alarms", ids.key_alarm_settings_menu, ids.key_settings_menu,
                       ids.key_main, [&](int row, Alarm_cell* cells) {
                           cells[0] = list_cell("Shaft %d Stopped", &ids.enable_list[row], &ids.row_a[row]);
                           cells[1].cell_field = &ids.row_b[row];
                       });
}

void build_other_alarms_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.other_alarms_mask;
    const char* const labels[4] = {"Tank Off", "Alternative Rate", "Case Drain", "Blocked Head"};
    uint32_t* const lists[4] = {&ids.tank_off_list, &ids.alt_rate_list, &ids.case_drain_list,
                                &ids.blocked_head_list};
    build_alarm_screen(layout, ids.data_mask, "Other Alarms", ids.key_alarm_settings_menu, ids.key_settings_menu,
                       ids.key_main, [&](int row, Alarm_cell* cells) {
                           cells[0] = label_cell(labels[row], nullptr);
                           cells[1] = list_cell(nullptr, lists[row]);
                       });
}

void build_tank_motor_alarms_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.tank_motor_alarms_mask;
    build_alarm_screen(layout, ids.data_mask, "Tank Motor Alarms", ids.key_alarm_settings_menu,
                       ids.key_settings_menu, ids.key_main, [&](int row, Alarm_cell* cells) {
                           cells[0] = list_cell("Tank %d Motor Sensor", &ids.sensor_list[row], &ids.sensor_row[row]);
                           cells[1] = list_cell("Tank %d Motor Jam", &ids.jam_list[row], &ids.jam_row[row]);
                       });
}

void build_tank_gear_alarms_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.tank_gear_alarms_mask;
    build_alarm_screen(layout, ids.data_mask, "Tank Gear Alarms", ids.key_alarm_settings_menu,
                       ids.key_settings_menu, ids.key_main, [&](int row, Alarm_cell* cells) {
                           cells[0] = list_cell("Tank Gear %d", &ids.enable_list[row], &ids.row_a[row]);
                           cells[1].cell_field = &ids.row_b[row];
                       });
}

void build_tank_pressure_alarms_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.tank_pressure_alarms_mask;
    const uint32_t unit = table.main.pressure_units;
    build_alarm_screen(layout, ids.data_mask, "Tank Pressure Alarms", ids.key_alarm_settings_menu,
                       ids.key_settings_menu, ids.key_main, [&](int row, Alarm_cell* cells) {
                           cells[0] = list_cell("Tank %d Press. Low", &ids.low_list[row], &ids.low_row[row]);
                           cells[0].unit = unit;
                           cells[0].input_field = &ids.low_input[row];
                           cells[1] = list_cell("Tank %d Press. High", &ids.high_list[row], &ids.high_row[row]);
                           cells[1].unit = unit;
                           cells[1].input_field = &ids.high_input[row];
                       });
}

void build_no_flow_alarms_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.no_flow_alarms_mask;
    const char* const causes[4] = {"All Tanks Off", "No Ground Speed", "No Fan Speed", "No Fan Pressure"};
    uint32_t* const lists[4] = {&ids.tanks_off_list, &ids.no_speed_list, &ids.no_fan_list,
                                &ids.no_fan_pressure_list};
    build_alarm_screen(layout, ids.data_mask, "No Flow Alarms", ids.key_alarm_settings_menu, ids.key_settings_menu,
                       ids.key_main, [&](int row, Alarm_cell* cells) {
                           cells[0] = label_cell("No Flow", causes[row]);
                           cells[1] = list_cell(nullptr, lists[row]);
                       });
}
