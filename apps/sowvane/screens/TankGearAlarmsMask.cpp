#include "apps/sowvane/screens/TankGearAlarmsMask.h"

namespace {
// One row of tank t.
#define ROW_0(t) {MASK_FIELD(tank_gear_alarms_mask, enable_list[t]), Alarm_setting_row::ENABLE, ALARM_ELEMENT(tank_gear), t, 1, 1, Alarm_setting_row::NO_FORMAT}
const Alarm_setting_row rows[] = {
    ALARM_PER_TANK(ROW_0),
};
#undef ROW_0

const Tank_row_container containers[] = {
    ALARM_TANK_CONTAINERS(tank_gear_alarms_mask, row_a),
    ALARM_TANK_CONTAINERS(tank_gear_alarms_mask, row_b),
};

const Alarm_settings_mask::Layout mask_layout = ALARM_MASK_LAYOUT(tank_gear_alarms_mask, rows, containers, int(sizeof containers / sizeof containers[0]), nullptr);

} // namespace

TankGearAlarmsMask::TankGearAlarmsMask(const char* name, Screen_man* man) : Alarm_settings_mask(name, man, mask_layout) {}
