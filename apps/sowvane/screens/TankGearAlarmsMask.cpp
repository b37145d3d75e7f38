#include "apps/sowvane/screens/TankGearAlarmsMask.h"

namespace {
// One row of tank t.
#define ROW_0(t) {MASK_FIELD(tank_gear_alarms_mask, enable_list[t]), Alarm_setting_row::ENABLE, ALARM_ELEMENT(tank_gear), t, 1, 1, Alarm_setting_row::NO_FORMAT}
const Alarm_setting_row rows[] = {
    ALARM_PER_TANK(ROW_0),
};
#undef ROW_0

const Tank_row_container containers[] = {
    {MASK_FIELD(tank_gear_alarms_mask, row_a[0]), 0},
    {MASK_FIELD(tank_gear_alarms_mask, row_a[1]), 1},
    {MASK_FIELD(tank_gear_alarms_mask, row_a[2]), 2},
    {MASK_FIELD(tank_gear_alarms_mask, row_a[3]), 3},
    {MASK_FIELD(tank_gear_alarms_mask, row_b[0]), 0},
    {MASK_FIELD(tank_gear_alarms_mask, row_b[1]), 1},
    {MASK_FIELD(tank_gear_alarms_mask, row_b[2]), 2},
    {MASK_FIELD(tank_gear_alarms_mask, row_b[3]), 3},
};

const Alarm_settings_mask::Layout mask_layout = {
    MASK_FIELD(tank_gear_alarms_mask, data_mask),
    {MASK_FIELD(tank_gear_alarms_mask, key_alarm_settings_menu), MASK_FIELD(tank_gear_alarms_mask, key_settings_menu),
     MASK_FIELD(tank_gear_alarms_mask, key_main)},
    rows,
    int(sizeof rows / sizeof rows[0]),
    containers,
    int(sizeof containers / sizeof containers[0]),
    nullptr,
};

} // namespace

TankGearAlarmsMask::TankGearAlarmsMask(const char* name, Screen_man* man) : Alarm_settings_mask(name, man, mask_layout) {}
