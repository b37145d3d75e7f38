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
    {MASK_FIELD(tank_motor_alarms_mask, sensor_row[0]), 0},
    {MASK_FIELD(tank_motor_alarms_mask, sensor_row[1]), 1},
    {MASK_FIELD(tank_motor_alarms_mask, sensor_row[2]), 2},
    {MASK_FIELD(tank_motor_alarms_mask, sensor_row[3]), 3},
    {MASK_FIELD(tank_motor_alarms_mask, jam_row[0]), 0},
    {MASK_FIELD(tank_motor_alarms_mask, jam_row[1]), 1},
    {MASK_FIELD(tank_motor_alarms_mask, jam_row[2]), 2},
    {MASK_FIELD(tank_motor_alarms_mask, jam_row[3]), 3},
};

const Alarm_settings_mask::Layout mask_layout = {
    MASK_FIELD(tank_motor_alarms_mask, data_mask),
    {MASK_FIELD(tank_motor_alarms_mask, key_alarm_settings_menu), MASK_FIELD(tank_motor_alarms_mask, key_settings_menu),
     MASK_FIELD(tank_motor_alarms_mask, key_main)},
    rows,
    int(sizeof rows / sizeof rows[0]),
    containers,
    int(sizeof containers / sizeof containers[0]),
    nullptr,
};

} // namespace

TankMotorAlarmsMask::TankMotorAlarmsMask(const char* name, Screen_man* man) : Alarm_settings_mask(name, man, mask_layout) {}
