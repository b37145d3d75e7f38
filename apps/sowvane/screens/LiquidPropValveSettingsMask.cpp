#include "apps/sowvane/screens/LiquidPropValveSettingsMask.h"

using Ids = LiquidPropValveSettingsMask::Ids;

namespace {
enum { CONTROL_SETTINGS = 4 };
const Key_row<Ids> keys[5] = {
    TANK_DRIVE_KEYS(Ids),
    {&Ids::control_settings_button, Key_row<Ids>::BUTTON, nullptr},
};
const Stat_num_format whole(Units_man::UNITS_NONE, 1.0, 0);
const Number_row<Ids> numbers[1] = {
    {&Ids::num_nozzles, SETTING_REF(app.channels[i].liquid_number_of_nozzles), whole, whole, 0.0, 255.0, 1.0},
};
const List_row<Ids> lists[1] = {
    {&Ids::pressure_sense, SETTING_REF(app.channels[i].liquid_pressure_sense)},
};
const LiquidPropValveSettingsMask::Rows rows = {&Screen_object_ids::liquid_prop_valve_settings_mask, keys, numbers,
                                                lists, "LiquidPropValveSettingsMask::handle_stat_update ()\n"};
} // namespace

LiquidPropValveSettingsMask::LiquidPropValveSettingsMask(const char* name, Screen_man* man)
    : Tank_drive_mask(name, man, rows)
{
}

bool LiquidPropValveSettingsMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev) || keys_.find(a) != CONTROL_SETTINGS)
        return Tank_drive_mask::handle_activator_event(a, ev);
    // The control settings follow the tank's liquid drive; a tank outside
    // the records has none.
    if (parameters == nullptr || !index_in_range("liquid tank", long(tank_), 10))
        return true;
    const bool regulating = parameters->app.channels[tank_].liquid_controller_type.get() == 0;
    get_man()->switch_to_screen(regulating ? "liquid_reg_valve_control_settings_mask"
                                           : "liquid_prop_valve_control_settings_mask");
    return true;
}
