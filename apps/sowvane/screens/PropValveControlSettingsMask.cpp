#include "apps/sowvane/screens/PropValveControlSettingsMask.h"

#include "apps/sowvane/screens/Valve_mode_rows.h"

using Ids = PropValveControlSettingsMask::Ids;

namespace {
const Key_row<Ids> keys[5] = {
    TANK_DRIVE_KEYS(Ids),
    {&Ids::drive_settings_button, Key_row<Ids>::BUTTON, "prop_valve_drive_settings_mask"},
};
const List_row<Ids> lists[7] = {VALVE_CONTROL_ROWS(Ids, pvalve_granular)};
const PropValveControlSettingsMask::Rows rows = {&Screen_object_ids::prop_valve_control_settings_mask, keys,
                                                 nullptr, lists,
                                                 "PropValveControlSettingsMask::handle_stat_update ()\n"};
} // namespace

PropValveControlSettingsMask::PropValveControlSettingsMask(const char* name, Screen_man* man)
    : Tank_drive_mask(name, man, rows)
{
}
