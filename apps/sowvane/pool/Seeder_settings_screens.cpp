// The seeder-wide settings screens: tank preload, width and speed and wheel
// calibration settings as row pages; external options, seeder brand, blocked
// head settings and advanced settings as grid pages.
#include "apps/sowvane/pool/Key_codes.h"
#include "apps/sowvane/pool/Screen_builders.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Setting_rows.h"

namespace {

const std::vector<const char*> enable_items = {"Disabled", "Enabled"};

void build_row_page(Pool_layout& layout, uint32_t& mask_field, const char* title, const std::vector<Setting_row>& rows)
{
    Oid_list bands;
    begin_titled_screen(layout, mask_field, bands, title);
    add_setting_rows(layout, bands, rows);
}

// A grid page of two columns and four rows with the title in band 0.
void build_grid_page(Pool_layout& layout, uint32_t& mask_field, const char* title,
                     const std::vector<Setting_row>& cells, Oid_grid* grid_out = nullptr)
{
    VtObjectDataMask* mask = create_screen_mask(layout, mask_field);
    Oid_list bands;
    Oid_grid grid;
    add_grid_page(layout, bands, grid, 2, 2, 4, mask);
    add_title(layout, bands[0], title);
    add_setting_cells(layout, grid, 2, cells);
    if (grid_out != nullptr)
        *grid_out = grid;
}

} // namespace

void build_tank_preload_settings_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.tank_preload_settings_mask;
    Setting_row preload = number_row("Preload Time", &ids.preload_time_input, 0, 5, 0.1, 1);
    preload.suffix = "sec";
    build_row_page(layout, ids.data_mask, "Tank Preload Settings", {preload});
    add_seeder_page_keys(layout, ids.key_seeder_settings_menu, ids.key_settings_menu, ids.key_main);
}

void build_width_and_speed_settings_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.width_and_speed_settings_mask;
    Setting_row width = number_row("Width", &ids.width_input, 0, 100000, 0.001, 3);
    width.unit = table.common.distance_units;
    Setting_row speed = number_row("Manual Speed", &ids.manual_speed_input, 0, 1000, 0.1, 1);
    speed.unit = table.main.speed_units;
    Setting_row source = list_row("Speed Source", {"GPS", "Wheel", "TQ-9", "Manual", "ISO Wheel", "ISO Radar", "NMEA2000"},
                                  &ids.speed_source_list, nullptr, ids.speed_source_item, 1);
    build_row_page(layout, ids.data_mask, "Width And Speed Settings", {width, speed, source});
    add_seeder_page_keys(layout, ids.key_seeder_settings_menu, ids.key_settings_menu, ids.key_main);
}

void build_wheel_calibration_settings_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.wheel_calibration_settings_mask;
    Setting_row factor = number_row("Wheel Factor", &ids.wheel_factor_input, 0, 1000, 0.1, 1);
    factor.suffix = "/pulse";
    // The page shows up to 50 m, or 164.042 ft, a pulse.
    factor.shown_characters = int(sizeof "164.042") - 1;
    factor.unit = table.common.distance_units;
    build_row_page(layout, ids.data_mask, "Wheel Calibration Settings", {factor});
    add_soft_keys(layout, {{"Calibrate", nullptr, Key_code::calibrate, &ids.key_calibrate},
                           {"Seeder", "Menu", Key_code::seeder_menu, &ids.key_seeder_settings_menu},
                           {"Settings", "Mask", Key_code::settings_menu, &ids.key_settings_menu},
                           {"Main", "Screen", Key_code::main_screen, &ids.key_main}});
}

void build_external_options_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.external_options_mask;
    build_grid_page(layout, ids.data_mask, "External Options",
                    {list_row("Cabin Switch Box", enable_items, &ids.cabin_switch_box_list),
                     list_row("Master Clutch", enable_items, &ids.master_clutch_list, &ids.master_clutch_row),
                     list_row("Ext. Master Switch", {"Disabled", "Switchbox", "Tillage", "TQ-9"},
                              &ids.ext_master_switch_list, nullptr, ids.ext_master_switch_item),
                     list_row("Actuator Cal Style", {"Stationary", "Rolling"}, &ids.actuator_cal_style_list,
                              &ids.actuator_cal_style_row),
                     list_row("Cal Switch Box", {"Disabled", "Run/Stop", "Multi-Tank"}, &ids.cal_switch_box_list),
                     list_row("Cal Drive", {"Disabled", "Drive 1", "Drive 2", "Drive 3", "Drive 4"},
                              &ids.cal_drive_list, &ids.cal_drive_row, ids.cal_drive_item)});
    add_seeder_page_keys(layout, ids.key_seeder_settings_menu, ids.key_settings_menu, ids.key_main);
}

void build_seeder_brand_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.seeder_brand_mask;
    build_grid_page(layout, ids.data_mask, "Seeder Brand",
                    {list_row("Seeder Brand",
                              {"Generic", "Northgate", "Kestrel", "Plainline", "Harrowby", "Dunmore", "Talbot"},
                              &ids.brand_list, nullptr, ids.brand_items)});
    add_seeder_page_keys(layout, ids.key_seeder_settings_menu, ids.key_settings_menu, ids.key_main);
}

void build_blocked_head_settings_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.blocked_head_settings_mask;
    build_grid_page(
        layout, ids.data_mask, "Blocked Head Settings",
        {list_row("Monitoring", enable_items, &ids.monitoring_list),
         list_row("Sensor Type", {"Vormek", "Sentrix"}, &ids.sensor_type_list),
         number_row("Number of Sensors", &ids.num_sensors_input),
         list_row("Head Systems", {"Single Shoot", "Double Shoot"}, &ids.head_systems_list),
         list_row("Enabled Heads", {"Seed + Fert", "Seed Only", "Fert Only"}, &ids.enabled_heads_list,
                  &ids.enabled_heads_row),
         number_row("1st Fert Sensor", &ids.first_fert_sensor_input, 0, 999, 1.0, 0, &ids.first_fert_sensor_row)});
    add_seeder_page_keys(layout, ids.key_seeder_settings_menu, ids.key_settings_menu, ids.key_main);
}

void build_advanced_settings_screen(Screen_object_ids& table, Pool_layout& layout)
{
    auto& ids = table.advanced_settings_mask;
    Oid_grid grid;
    // One setting per row, in the left cells.
    build_grid_page(layout, ids.data_mask, "Advanced Settings",
                    {list_row("Enable TC", enable_items, &ids.enable_tc_list), Setting_row{},
                     list_row("Enable TC Boom", enable_items, &ids.enable_tc_boom_list)},
                    &grid);
    ids.vt_switch_button = oid_of(add_menu_button(layout, grid.get(0, 2), Key_code::switch_vt, "Switch", "VT"));
    ids.factory_reset_button =
        oid_of(add_menu_button(layout, grid.get(0, 3), Key_code::factory_reset, "Factory", "Reset"));
    add_soft_keys(layout, {{"Settings", "Menu", Key_code::settings_menu, &ids.key_settings_menu},
                           {"Main", "Screen", Key_code::main_screen, &ids.key_main}});
}
