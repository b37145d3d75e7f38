// The screen builders of the generated pool. Each creates its data mask, soft
// key mask(s) and objects and writes their IDs into its group of the screen
// object-ID table; the pool generator runs them in a fixed order.
#pragma once

struct Pool_layout;
struct Screen_object_ids;

using Screen_builder = void (*)(Screen_object_ids& table, Pool_layout& layout);

// Run screen and tank fill.
void build_run_screen(Screen_object_ids& table, Pool_layout& layout);
void build_tank_fill_screen(Screen_object_ids& table, Pool_layout& layout);

// Menus and information screens.
void build_settings_menu(Screen_object_ids& table, Pool_layout& layout);
void build_operating_history_menu(Screen_object_ids& table, Pool_layout& layout);
void build_seeder_settings_menu(Screen_object_ids& table, Pool_layout& layout);
void build_product_settings_menu(Screen_object_ids& table, Pool_layout& layout);
void build_alarm_settings_menu(Screen_object_ids& table, Pool_layout& layout);
void build_system_info_screen(Screen_object_ids& table, Pool_layout& layout);
void build_blocked_head_data_screen(Screen_object_ids& table, Pool_layout& layout);
void build_pressure_diagnostics_screen(Screen_object_ids& table, Pool_layout& layout);
void build_factory_reset_screen(Screen_object_ids& table, Pool_layout& layout);

// Sensor diagnostics.
void build_sensor_diagnostics_screen(Screen_object_ids& table, Pool_layout& layout);

// Alarm settings.
void build_fan_alarms_screen(Screen_object_ids& table, Pool_layout& layout);
void build_tank_alarms_screen(Screen_object_ids& table, Pool_layout& layout);
void build_shaft_alarms_screen(Screen_object_ids& table, Pool_layout& layout);
void build_other_alarms_screen(Screen_object_ids& table, Pool_layout& layout);
void build_tank_motor_alarms_screen(Screen_object_ids& table, Pool_layout& layout);
void build_tank_gear_alarms_screen(Screen_object_ids& table, Pool_layout& layout);
void build_tank_pressure_alarms_screen(Screen_object_ids& table, Pool_layout& layout);
void build_no_flow_alarms_screen(Screen_object_ids& table, Pool_layout& layout);

// Seeder settings.
void build_tank_preload_settings_screen(Screen_object_ids& table, Pool_layout& layout);
void build_width_and_speed_settings_screen(Screen_object_ids& table, Pool_layout& layout);
void build_wheel_calibration_settings_screen(Screen_object_ids& table, Pool_layout& layout);
void build_external_options_screen(Screen_object_ids& table, Pool_layout& layout);
void build_seeder_brand_screen(Screen_object_ids& table, Pool_layout& layout);
void build_blocked_head_settings_screen(Screen_object_ids& table, Pool_layout& layout);
void build_advanced_settings_screen(Screen_object_ids& table, Pool_layout& layout);

// Drives and valves.
void build_actuator_drive_settings_screen(Screen_object_ids& table, Pool_layout& layout);
void build_electric_drive_settings_screen(Screen_object_ids& table, Pool_layout& layout);
void build_prop_valve_drive_settings_screen(Screen_object_ids& table, Pool_layout& layout);
void build_prop_valve_control_settings_screen(Screen_object_ids& table, Pool_layout& layout);
void build_liquid_prop_valve_settings_screen(Screen_object_ids& table, Pool_layout& layout);
void build_liquid_prop_valve_control_settings_screen(Screen_object_ids& table, Pool_layout& layout);
void build_liquid_reg_valve_control_settings_screen(Screen_object_ids& table, Pool_layout& layout);

// Tanks, fans and history.
void build_tank_settings_screen(Screen_object_ids& table, Pool_layout& layout);
void build_fan_settings_screen(Screen_object_ids& table, Pool_layout& layout);
void build_totals_history_screen(Screen_object_ids& table, Pool_layout& layout);
void build_shafts_history_screen(Screen_object_ids& table, Pool_layout& layout);
void build_fans_history_screen(Screen_object_ids& table, Pool_layout& layout);

// Calibration, test and product settings.
void build_wheel_calibration_screen(Screen_object_ids& table, Pool_layout& layout);
void build_area_test_screen(Screen_object_ids& table, Pool_layout& layout);
void build_product_settings_screen(Screen_object_ids& table, Pool_layout& layout);
void build_tank_calibration_screen(Screen_object_ids& table, Pool_layout& layout);

// Multi-tank calibration.
void build_multi_tank_run_page(Screen_object_ids& table, Pool_layout& layout);
void build_multi_tank_weighing_page(Screen_object_ids& table, Pool_layout& layout);
void build_multi_tank_result_page(Screen_object_ids& table, Pool_layout& layout);
