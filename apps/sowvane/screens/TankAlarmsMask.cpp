#include "apps/sowvane/screens/TankAlarmsMask.h"

namespace {
// One row of tank t.
#define ROW_0(t) {MASK_FIELD(tank_alarms_mask, low_list[t]), Alarm_setting_row::ENABLE, ALARM_ELEMENT(tank_low), t, 1, 1, Alarm_setting_row::NO_FORMAT}
#define ROW_1(t) {MASK_FIELD(tank_alarms_mask, empty_list[t]), Alarm_setting_row::ENABLE, ALARM_ELEMENT(tank_empty), t, 1, 1, Alarm_setting_row::NO_FORMAT}
const Alarm_setting_row rows[] = {
    ALARM_PER_TANK(ROW_0),
    ALARM_PER_TANK(ROW_1),
};
#undef ROW_0
#undef ROW_1

const Tank_row_container containers[] = {
    ALARM_TANK_CONTAINERS(tank_alarms_mask, low_row),
    ALARM_TANK_CONTAINERS(tank_alarms_mask, empty_row),
};

const Alarm_settings_mask::Layout mask_layout = ALARM_MASK_LAYOUT(tank_alarms_mask, rows, containers, int(sizeof containers / sizeof containers[0]), nullptr);

} // namespace

TankAlarmsMask::TankAlarmsMask(const char* name, Screen_man* man) : Alarm_settings_mask(name, man, mask_layout) {}
