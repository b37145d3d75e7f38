#include "apps/sowvane/screens/FanAlarmsMask.h"

namespace {
const Alarm_setting_row rows[] = {
    {MASK_FIELD(fan_alarms_mask, pressure_low_list), Alarm_setting_row::ENABLE, ALARM_ELEMENT(fan_pressure_low), 0, 2, 2, Alarm_setting_row::NO_FORMAT},
    {MASK_FIELD(fan_alarms_mask, pressure_high_list), Alarm_setting_row::ENABLE, ALARM_ELEMENT(fan_pressure_high), 0, 2, 2, Alarm_setting_row::NO_FORMAT},
    {MASK_FIELD(fan_alarms_mask, speed_low_list), Alarm_setting_row::ENABLE, ALARM_ELEMENT(fan_speed_low), 0, 2, 2, Alarm_setting_row::NO_FORMAT},
    {MASK_FIELD(fan_alarms_mask, speed_high_list), Alarm_setting_row::ENABLE, ALARM_ELEMENT(fan_speed_high), 0, 2, 2, Alarm_setting_row::NO_FORMAT},
    {MASK_FIELD(fan_alarms_mask, pressure_low_input), Alarm_setting_row::LOW_POINT, ALARM_ELEMENT(fan_pressure_low), 0, 2, 2, Alarm_setting_row::FAN_PRESSURE},
    {MASK_FIELD(fan_alarms_mask, pressure_high_input), Alarm_setting_row::HIGH_POINT, ALARM_ELEMENT(fan_pressure_high), 0, 2, 2, Alarm_setting_row::FAN_PRESSURE},
    {MASK_FIELD(fan_alarms_mask, speed_low_input), Alarm_setting_row::LOW_POINT, ALARM_ELEMENT(fan_speed_low), 0, 2, 2, Alarm_setting_row::FAN_SPEED},
    {MASK_FIELD(fan_alarms_mask, speed_high_input), Alarm_setting_row::HIGH_POINT, ALARM_ELEMENT(fan_speed_high), 0, 2, 2, Alarm_setting_row::FAN_SPEED},
};

const Alarm_settings_mask::Layout mask_layout = ALARM_MASK_LAYOUT(fan_alarms_mask, rows, nullptr, 0, nullptr);

} // namespace

FanAlarmsMask::FanAlarmsMask(const char* name, Screen_man* man) : Alarm_settings_mask(name, man, mask_layout) {}
