// The tank settings and fan settings screens and the three history pages.
#include "apps/sowvane/pool/Key_codes.h"
#include "apps/sowvane/pool/Screen_builders.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Setting_rows.h"

#include <cstdio>

namespace {

// A list of the elements (font slot 3) sized by the place, spanning its row
// `row` of two.
VtObjectInputFieldList* add_list_in_row(Pool_layout& layout, VtObjectContainer* place,
                                        const std::vector<const char*>& items, int font_slot, int rows, int row)
{
    Pool_builder& builder = layout.builder;
    VtObjectInputFieldList* list = builder.add_input_list_row(place, layout.font(font_slot), rows, row, {});
    for (const char* item : items)
        list->addElement(builder.create_list_item_text(item, layout.font(font_slot), int(list->getWidth()),
                                                       int(list->getHeight()))
                             ->getOid());
    return list;
}

// Band 0 of a page with a selector: a heading over a list on the left, the
// title on the right.
VtObjectInputFieldList* add_selector_header(Pool_layout& layout, VtObjectContainer* band, const char* heading,
                                            int heading_rows, const std::vector<const char*>& items, int font_slot,
                                            const char* title)
{
    Oid_list header;
    add_columns(layout, header, 2, band);
    layout.builder.add_text_centred(header[0], heading, layout.font(13), heading_rows, 0);
    VtObjectInputFieldList* list = add_list_in_row(layout, header[0], items, font_slot, 2, 1);
    layout.builder.add_text_centred(header[1], title, layout.font(8), 1, 0);
    return list;
}

void add_history_keys(Pool_layout& layout, uint32_t& history_menu, uint32_t& seeder_menu, uint32_t& settings_menu,
                      uint32_t& main)
{
    add_soft_keys(layout, {{"History", "Menu", Key_code::history_menu, &history_menu},
                           {"Seeder", "Menu", Key_code::seeder_menu, &seeder_menu},
                           {"Settings", "Menu", Key_code::settings_menu, &settings_menu},
                           {"Main", "Screen", Key_code::main_screen, &main}});
}

// A history value: the output number with the pointer to its unit text.
uint32_t add_history_value(Pool_layout& layout, VtObjectContainer* place, uint32_t unit, int rows, int row)
{
    VtObjectOutputFieldNumber* value = layout.builder.add_output_number_row(place, layout.font(3), rows, row, 0, 0);
    layout.builder.add_unit_pointer(place, unit, 10, 9, 0, 0);
    return value->getOid();
}

// A band of mode 8: the label on the left, a value with its unit on the right.
uint32_t add_history_row(Pool_layout& layout, VtObjectContainer* band, const char* label, uint32_t unit)
{
    Oid_list halves;
    add_columns(layout, halves, 8, band);
    layout.builder.add_text_left(halves[0], label, layout.font(13), 1, 0, 1);
    VtObjectOutputFieldNumber* value = layout.builder.add_output_number_row(halves[1], layout.font(3), 2, 1, 0, 0);
    add_value_units(layout, halves[1], value, {value}, unit);
    add_separator(layout, band);
    return value->getOid();
}

} // namespace

void build_tank_settings_screen(Screen_object_ids& table, Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.tank_settings_mask;
    VtObjectDataMask* mask = create_screen_mask(layout, ids.data_mask);
    Oid_list bands;
    add_bands(layout, bands, 1, mask);
    ids.enabled_tanks_list = add_selector_header(layout, bands[0], "Tanks", 2, {"  1  ", "  2  ", "  3  ", "  4  "}, 3,
                                                 "Tank Settings")
                                 ->getOid();
    Oid_list columns;
    add_columns(layout, columns, 6, bands[1]);
    const char* const headings[] = {"Tank", "Cap.", "Type", "Drive"};
    for (int c = 0; c < 4; ++c)
        builder.add_text_centred(columns[c], headings[c], layout.font(13), 1, 0);

    for (int i = 0; i < Screen_object_ids::tank_count; ++i) {
        VtObjectContainer* band = bands[i + 2];
        ids.tank_row[i] = band->getOid();
        add_columns(layout, columns, 6, band);
        char text[16];
        std::snprintf(text, sizeof text, "%d", i + 1);
        builder.add_text_centred(columns[0], text, layout.font(13), 1, 0);

        // The capacity carries the format its mask gives it (tenths of the
        // tank's volume unit, one decimal), so the VT shows 0.0 to 99999.0.
        VtObjectInputFieldNumber* capacity = builder.create_input_number(
            int(columns[1]->getWidth()) - 2 * layout.inset, layout.row_height / 2, nullptr, layout.font(3));
        set_number_input(layout, capacity, 0, 999990, 0.1, 1);
        builder.span_input_number(columns[1], capacity, 3, 1, 2);
        builder.add_unit_pointer(columns[1], ids.capacity_units[i], 10, 6, 0, 0);
        ids.capacity_input[i] = capacity->getOid();

        ids.tank_type_list[i] = add_list_in_row(layout, columns[2], {"Granular", "Liquid", "NH3"}, 3, 2, 1)->getOid();

        // The drive lists in the band's top row, under its separator.
        VtObjectContainer* granular = builder.create_container_like(columns[3]);
        builder.add_child(columns[3], 0, 0, granular);
        VtObjectInputFieldList* granular_drive =
            add_list_in_row(layout, granular, {"Electric", "Actuator", "P. Valve"}, 3, 2, 0);
        builder.move_child(granular, granular_drive, 0, layout.line_width, true);
        ids.granular_drive_list[i] = granular_drive->getOid();
        ids.granular_drive_row[i] = granular->getOid();
        VtObjectContainer* liquid = builder.create_container_like(columns[3]);
        builder.add_child(columns[3], 0, 0, liquid);
        VtObjectInputFieldList* liquid_drive = add_list_in_row(layout, liquid, {"RegValve", "P. Valve"}, 3, 2, 0);
        builder.move_child(liquid, liquid_drive, 0, layout.line_width, true);
        ids.liquid_drive_list[i] = liquid_drive->getOid();
        ids.liquid_drive_row[i] = liquid->getOid();

        std::snprintf(text, sizeof text, "Setup%d", i + 1);
        VtObjectButton* setup = builder.create_label_button(int(columns[3]->getWidth()) - 2 * layout.inset,
                                                            int(columns[3]->getHeight()) / 2, 1,
                                                            Key_code::setup_first + i, text, layout.font(15));
        builder.span_button(columns[3], setup, 2, 1, 1);
        ids.setup_button[i] = setup->getOid();
        add_separator(layout, band);
    }
    add_seeder_page_keys(layout, ids.key_seeder_settings_menu, ids.key_settings_menu, ids.key_main);
}

void build_fan_settings_screen(Screen_object_ids& table, Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.fan_settings_mask;
    Oid_list bands;
    VtObjectDataMask* mask = create_screen_mask(layout, ids.data_mask);
    add_bands(layout, bands, 2, mask);
    ids.enabled_fans_list = add_selector_header(layout, bands[0], "NumFans", 2, {"1", "2"}, 12, "Fan Settings")->getOid();

    const std::vector<const char*> enable_items = {"Disabled", "Enabled"};
    Oid_list halves;
    char text[40];
    for (int fan = 0; fan < 2; ++fan) {
        add_columns(layout, halves, 7, bands[fan + 1]);
        // "Fan n Press. Sense/Gain" on two lines over the two lists, side by
        // side below: the sense list and the narrower gain list.
        VtObjectContainer* pressure = halves[0];
        std::snprintf(text, sizeof text, "Fan %d Press.", fan + 1);
        builder.add_text_centred(pressure, text, layout.font(13), 4, 0);
        builder.add_text_centred(pressure, "Sense/Gain", layout.font(13), 4, 1);
        const int list_height = int(pressure->getHeight()) / 2;
        const int sense_width = int(pressure->getWidth()) * 2 / 3;
        VtObjectContainer* sense = builder.create_container(sense_width, list_height);
        builder.add_child(pressure, 0, int(pressure->getHeight()) - list_height, sense);
        VtObjectContainer* gain = builder.create_container(int(pressure->getWidth()) - sense_width, list_height);
        builder.add_child(pressure, sense_width, int(pressure->getHeight()) - list_height, gain);
        ids.pressure_sense_list[fan] = add_list_in_row(layout, sense, enable_items, 3, 1, 0)->getOid();
        ids.pressure_gain_list[fan] = add_list_in_row(layout, gain, {"1", "2"}, 3, 1, 0)->getOid();
        ids.pressure_row[fan] = pressure->getOid();
        std::snprintf(text, sizeof text, "Fan %d Magnets", fan + 1);
        builder.add_text_centred(halves[1], text, layout.font(13), 2, 0);
        VtObjectInputFieldNumber* magnets = builder.add_input_number_row(halves[1], nullptr, layout.font(3), 2, 1, 0, 0);
        set_number_input(layout, magnets, 0, 10, 1.0, 0);
        ids.magnets_input[fan] = magnets->getOid();
        ids.magnets_row[fan] = halves[1]->getOid();
        add_separator(layout, bands[fan + 1]);
    }
    add_columns(layout, halves, 7, bands[3]);
    builder.add_text_centred(halves[0], "Case Drain Sensor", layout.font(13), 2, 0);
    ids.case_drain_list = add_list_in_row(layout, halves[0], enable_items, 3, 2, 1)->getOid();
    ids.case_drain_row = halves[0]->getOid();
    builder.add_text_centred(halves[1], "Fan 2 Use As Pump", layout.font(13), 2, 0);
    ids.pump_list = add_list_in_row(layout, halves[1], enable_items, 3, 2, 1)->getOid();
    ids.pump_row = halves[1]->getOid();
    add_separator(layout, bands[3]);

    add_seeder_page_keys(layout, ids.key_seeder_settings_menu, ids.key_settings_menu, ids.key_main);
}

void build_totals_history_screen(Screen_object_ids& table, Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.totals_history_mask;
    Oid_list bands;
    begin_titled_screen(layout, ids.data_mask, bands, "Totals History");
    const char* const left_labels[4] = {"Total Area", "Total Distance", "Total Time", "Max. Speed"};
    const uint32_t left_units[4] = {table.main.area_units, table.common.total_distance_units,
                                    table.common.minute_units, table.main.speed_units};
    uint32_t* const left_fields[4] = {&ids.area_output, &ids.distance_output, &ids.time_output,
                                      &ids.max_speed_output};
    Oid_list halves;
    char text[24];
    for (int row = 0; row < 4; ++row) {
        add_columns(layout, halves, 7, bands[row + 1]);
        builder.add_text_centred(halves[0], left_labels[row], layout.font(13), 2, 0);
        *left_fields[row] = add_history_value(layout, halves[0], left_units[row], 4, 2);
        std::snprintf(text, sizeof text, "Tank %d Total", row + 1);
        builder.add_text_centred(halves[1], text, layout.font(13), 2, 0);
        ids.tank_output[row] = add_history_value(layout, halves[1], table.common.volume_units[row], 4, 2);
        add_separator(layout, bands[row + 1]);
    }
    add_history_keys(layout, ids.key_operating_history_menu, ids.key_seeder_settings_menu, ids.key_settings_menu,
                     ids.key_main);
}

void build_shafts_history_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.shafts_history_mask;
    Oid_list bands;
    begin_titled_screen(layout, ids.data_mask, bands, "Shafts History");
    char text[24];
    for (int shaft = 0; shaft < 4; ++shaft) {
        std::snprintf(text, sizeof text, "Shaft%d max speed", shaft + 1);
        ids.shaft_max_speed[shaft] = add_history_row(layout, bands[shaft + 1], text, table.common.rpm_units);
    }
    add_history_keys(layout, ids.key_operating_history_menu, ids.key_seeder_settings_menu, ids.key_settings_menu,
                     ids.key_main);
}

void build_fans_history_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.fans_history_mask;
    Oid_list bands;
    VtObjectDataMask* mask = create_screen_mask(layout, ids.data_mask);
    add_bands(layout, bands, 2, mask);
    ids.fan_list = add_selector_header(layout, bands[0], "EditFan", 3, {"1", "2"}, 3, "Fans History")->getOid();
    ids.max_speed = add_history_row(layout, bands[1], "Fan Max Speed", table.common.rpm_units);
    ids.max_pressure = add_history_row(layout, bands[2], "Fan Max Press", table.main.pressure_units);
    ids.avg_speed = add_history_row(layout, bands[3], "Fan Avg Speed", table.common.rpm_units);
    ids.avg_pressure = add_history_row(layout, bands[4], "Fan Avg Press", table.main.pressure_units);
    add_history_keys(layout, ids.key_operating_history_menu, ids.key_seeder_settings_menu, ids.key_settings_menu,
                     ids.key_main);
}
