#include "apps/sowvane/screens/LiquidPropValveControlSettingsMask.h"

#include "apps/sowvane/screens/Valve_mode_rows.h"

using Ids = LiquidPropValveControlSettingsMask::Ids;

namespace {
const Key_row<Ids> keys[5] = {
    TANK_DRIVE_KEYS(Ids),
    {&Ids::drive_settings_button, Key_row<Ids>::BUTTON, "liquid_prop_valve_settings_mask"},
};
const List_row<Ids> lists[7] = {VALVE_CONTROL_ROWS(Ids, pvalve_liquid)};
const LiquidPropValveControlSettingsMask::Rows rows = {
    &Screen_object_ids::liquid_prop_valve_control_settings_mask, keys, nullptr, lists,
    "LiquidPropValveControlSettingsMask::handle_stat_update ()\n"};
} // namespace

LiquidPropValveControlSettingsMask::LiquidPropValveControlSettingsMask(const char* name, Screen_man* man)
    : Tank_drive_mask(name, man, rows)
{
}

bool LiquidPropValveControlSettingsMask::store(Stat*)
{
    std::printf("tank index=%d\n", int(tank_));
    return false;
}
