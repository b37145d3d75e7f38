#include "apps/sowvane/screens/NoFlowAlarmsMask.h"

namespace {
const Alarm_setting_row rows[] = {
    {MASK_FIELD(no_flow_alarms_mask, tanks_off_list), Alarm_setting_row::ENABLE, ALARM_SINGLE(no_flow_tanks_off), 0, 1, 1, Alarm_setting_row::NO_FORMAT},
    {MASK_FIELD(no_flow_alarms_mask, no_speed_list), Alarm_setting_row::ENABLE, ALARM_SINGLE(no_flow_no_speed), 0, 1, 1, Alarm_setting_row::NO_FORMAT},
    {MASK_FIELD(no_flow_alarms_mask, no_fan_list), Alarm_setting_row::ENABLE, ALARM_SINGLE(no_flow_no_fan), 0, 1, 1, Alarm_setting_row::NO_FORMAT},
    {MASK_FIELD(no_flow_alarms_mask, no_fan_pressure_list), Alarm_setting_row::ENABLE, ALARM_SINGLE(no_flow_no_fan_pressure), 0, 1, 1, Alarm_setting_row::NO_FORMAT},
};

const Alarm_settings_mask::Layout mask_layout = ALARM_MASK_LAYOUT(no_flow_alarms_mask, rows, nullptr, 0, nullptr);

} // namespace

NoFlowAlarmsMask::NoFlowAlarmsMask(const char* name, Screen_man* man) : Alarm_settings_mask(name, man, mask_layout) {}
