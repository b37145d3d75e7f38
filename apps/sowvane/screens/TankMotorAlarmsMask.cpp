#include "apps/sowvane/screens/TankMotorAlarmsMask.h"

namespace {
// One row of tank t.
#define ROW_0(t) {MASK_FIELD(tank_motor_alarms_mask, sensor_list[t]), Alarm_setting_row::ENABLE, ALARM_ELEMENT(tank_motor_sensor), t, 1, 1, Alarm_setting_row::NO_FORMAT}
#define ROW_1(t) {MASK_FIELD(tank_motor_alarms_mask, jam_list[t]), Alarm_setting_row::ENABLE, ALARM_ELEMENT(tank_motor_jam), t, 1, 1, Alarm_setting_row::NO_FORMAT}
const Alarm_setting_row rows[] = {
    ALARM_PER_TANK(ROW_0),
    ALARM_PER_TANK(ROW_1),
};
#undef ROW_0
#undef ROW_1

const Tank_row_container containers[] = {
    ALARM_TANK_CONTAINERS(tank_motor_alarms_mask, sensor_row),
    ALARM_TANK_CONTAINERS(tank_motor_alarms_mask, jam_row),
};

const Alarm_settings_mask::Layout mask_layout = ALARM_MASK_LAYOUT(tank_motor_alarms_mask, rows, containers, int(sizeof containers / sizeof containers[0]), nullptr);

} // namespace

TankMotorAlarmsMask::TankMotorAlarmsMask(const char* name, Screen_man* man) : Alarm_settings_mask(name, man, mask_layout) {}
