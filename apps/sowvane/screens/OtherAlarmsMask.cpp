#include "apps/sowvane/screens/OtherAlarmsMask.h"

namespace {
const Alarm_setting_row rows[] = {
    {MASK_FIELD(other_alarms_mask, tank_off_list), Alarm_setting_row::ENABLE, ALARM_ELEMENT(tank_off_master_on), 0, 1, 4, Alarm_setting_row::NO_FORMAT},
    {MASK_FIELD(other_alarms_mask, alt_rate_list), Alarm_setting_row::ENABLE, ALARM_ELEMENT(tank_alt_rate_in_use), 0, 1, 4, Alarm_setting_row::NO_FORMAT},
    {MASK_FIELD(other_alarms_mask, case_drain_list), Alarm_setting_row::ENABLE, ALARM_SINGLE(case_drain), 0, 1, 1, Alarm_setting_row::NO_FORMAT},
    {MASK_FIELD(other_alarms_mask, blocked_head_list), Alarm_setting_row::ENABLE, ALARM_SINGLE(blocked_head), 0, 1, 1, Alarm_setting_row::NO_FORMAT},
};

const Alarm_settings_mask::Layout mask_layout = ALARM_MASK_LAYOUT(other_alarms_mask, rows, nullptr, 0, nullptr);

} // namespace

OtherAlarmsMask::OtherAlarmsMask(const char* name, Screen_man* man) : Alarm_settings_mask(name, man, mask_layout) {}
