#include "apps/sowvane/pool/Seeder_pool.h"

#include "apps/sowvane/pool/Pool_layout.h"
#include "apps/sowvane/pool/Screen_builders.h"
#include "apps/sowvane/pool/Screen_object_ids.h"

#include "util/Debug_print.h"
#include "vt_object_model/VtMessageWriter.h"

#include <cstring>

namespace {

// Every screen, in the order of its objects in the pool; the run screen comes
// first, so its data mask is the working set's active mask.
const Screen_builder all_screens[] = {
    build_run_screen,                                 // 1  main
    build_tank_fill_screen,                           // 2  tank_fill_mask
    build_sensor_diagnostics_screen,                  // 3  actuator_diagnostics
    build_pressure_diagnostics_screen,                // 4  diagnostics2
    build_blocked_head_data_screen,                   // 5  blocked_head_diags_mask
    build_system_info_screen,                         // 6  system_info_mask
    build_settings_menu,                              // 7  settings_menu
    build_operating_history_menu,                     // 8  operating_history_menu_mask
    build_seeder_settings_menu,                       // 9  seeder_settings_menu
    build_product_settings_menu,                      // 10 product_settings_menu
    build_alarm_settings_menu,                        // 11 alarm_settings_menu
    build_tank_settings_screen,                       // 12 tank_settings_mask
    build_tank_preload_settings_screen,               // 13 tank_preload_settings_mask
    build_actuator_drive_settings_screen,             // 14 actuator_drive_settings_mask
    build_electric_drive_settings_screen,             // 15 electric_drive_settings_mask
    build_prop_valve_drive_settings_screen,           // 16 prop_valve_drive_settings_mask
    build_prop_valve_control_settings_screen,         // 17 prop_valve_control_settings_mask
    build_liquid_prop_valve_settings_screen,          // 18 liquid_prop_valve_settings_mask
    build_liquid_prop_valve_control_settings_screen,  // 19 liquid_prop_valve_control_settings_mask
    build_liquid_reg_valve_control_settings_screen,   // 20 liquid_reg_valve_control_settings_mask
    build_wheel_calibration_settings_screen,          // 21 wheel_calibration_settings_mask
    build_wheel_calibration_screen,                   // 22 wheel_calibration_mask
    build_width_and_speed_settings_screen,            // 23 width_and_speed_settings_mask
    build_totals_history_screen,                      // 24 totals_history_mask
    build_shafts_history_screen,                      // 25 shafts_history_mask
    build_fans_history_screen,                        // 26 fans_history_mask
    build_external_options_screen,                    // 27 external_options_mask
    build_fan_settings_screen,                        // 28 fan_settings_mask
    build_product_settings_screen,                    // 29 product_settings_mask
    build_tank_calibration_screen,                    // 30 tank_calibration_settings_mask
    build_area_test_screen,                           // 31 area_test_mask
    build_fan_alarms_screen,                          // 32 fan_alarms_mask
    build_tank_alarms_screen,                         // 33 tank_alarms_mask
    build_shaft_alarms_screen,                        // 34 shaft_alarms_mask
    build_other_alarms_screen,                        // 35 other_alarms_mask
    build_tank_motor_alarms_screen,                   // 36 tank_motor_alarms_mask
    build_tank_gear_alarms_screen,                    // 37 tank_gear_alarms_mask
    build_tank_pressure_alarms_screen,                // 38 tank_pressure_alarms_mask
    build_no_flow_alarms_screen,                      // 39 no_flow_alarms_mask
    build_advanced_settings_screen,                   // 40 advanced_settings_mask
    build_factory_reset_screen,                       // 41 factory_reset_mask
    build_seeder_brand_screen,                        // 42 seeder_brand_mask
    build_blocked_head_settings_screen,               // 43 blocked_head_settings_mask
    build_multi_tank_run_page,                        // 44 multi_tank_cal_1_mask
    build_multi_tank_weighing_page,                   // 45 multi_tank_cal_2_mask
    build_multi_tank_result_page,                     // 46 multi_tank_cal_3_mask
};

// The working set as a VT lists it: selectable, so that the VT lets the
// operator make it active, with its designator in black on white, drawn in
// an area of the soft key designator's size.
void add_working_set_label(Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    VtObjectWorkingSet* working_set = builder.working_set();
    working_set->setSelectable(true);
    working_set->setBackgroundColour(VtColour(1));
    const int inset = Pool_builder::key_label_inset;
    VtObjectFontAttribute* font =
        builder.fitting_font(layout.font(2), int(std::strlen(seeder_working_set_label)),
                             Pool_builder::key_width - inset, Pool_builder::key_height - inset - 1);
    builder.add_to_working_set(inset, inset, builder.create_text(seeder_working_set_label, font, 1));
}

int finish(Pool_layout& layout, VtMessageWriter& writer, const char* what)
{
    if (layout.builder.write_pool(writer) == 0)
        return 0;
    if (layout.builder.failed())
        Debug_print::dprint("VT pool: %s has more objects than object IDs; not loaded\n", what);
    else
        Debug_print::dprint("VT pool: %s does not fit in %u bytes (%u objects); not loaded\n", what,
                            unsigned(writer.getCapacity()), unsigned(layout.builder.object_count()));
    writer.reset();
    writer.refuse();
    return -1;
}

} // namespace

int build_seeder_pool(Screen_object_ids& table, VtMessageWriter& writer, const VtSize& size)
{
    Pool_layout layout;
    setup_pool_layout(table, layout, size);
    add_working_set_label(layout);
    for (Screen_builder build : all_screens)
        build(table, layout);
    writer.reset();
    return finish(layout, writer, "the pool");
}

int build_history_menu_pool(Screen_object_ids& table, VtMessageWriter& writer, const VtSize& size)
{
    Pool_layout layout;
    setup_pool_layout(table, layout, size);
    add_working_set_label(layout);
    build_operating_history_menu(table, layout);
    writer.reset();
    writer.writeByte(17, "function");
    return finish(layout, writer, "the history menu pool");
}
