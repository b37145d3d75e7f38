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
