#include "apps/sowvane/screens/TankPressureAlarmsMask.h"

namespace {
// One row of tank t.
#define ROW_0(t) {MASK_FIELD(tank_pressure_alarms_mask, low_list[t]), Alarm_setting_row::ENABLE, ALARM_ELEMENT(liquid_pressure_min), t, 1, 1, Alarm_setting_row::NO_FORMAT}
#define ROW_1(t) {MASK_FIELD(tank_pressure_alarms_mask, low_input[t]), Alarm_setting_row::LOW_POINT, ALARM_ELEMENT(liquid_pressure_min), t, 1, 1, Alarm_setting_row::TANK_PRESSURE}
#define ROW_2(t) {MASK_FIELD(tank_pressure_alarms_mask, high_list[t]), Alarm_setting_row::ENABLE, ALARM_ELEMENT(liquid_pressure_max), t, 1, 1, Alarm_setting_row::NO_FORMAT}
#define ROW_3(t) {MASK_FIELD(tank_pressure_alarms_mask, high_input[t]), Alarm_setting_row::HIGH_POINT, ALARM_ELEMENT(liquid_pressure_max), t, 1, 1, Alarm_setting_row::TANK_PRESSURE}
const Alarm_setting_row rows[] = {
    ALARM_PER_TANK(ROW_0),
    ALARM_PER_TANK(ROW_1),
    ALARM_PER_TANK(ROW_2),
    ALARM_PER_TANK(ROW_3),
};
#undef ROW_0
#undef ROW_1
#undef ROW_2
#undef ROW_3

const Tank_row_container containers[] = {
    ALARM_TANK_CONTAINERS(tank_pressure_alarms_mask, low_row),
    ALARM_TANK_CONTAINERS(tank_pressure_alarms_mask, high_row),
};

const Alarm_settings_mask::Layout mask_layout = ALARM_MASK_LAYOUT(tank_pressure_alarms_mask, rows, containers, int(sizeof containers / sizeof containers[0]), "TankPressureAlarmsMask::handle_stat_update ()\n");

} // namespace

TankPressureAlarmsMask::TankPressureAlarmsMask(const char* name, Screen_man* man) : Alarm_settings_mask(name, man, mask_layout) {}
