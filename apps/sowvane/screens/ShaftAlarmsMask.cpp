#include "apps/sowvane/screens/ShaftAlarmsMask.h"

namespace {
// One row of tank t.
#define ROW_0(t) {MASK_FIELD(shaft_alarms_mask, enable_list[t]), Alarm_setting_row::ENABLE, ALARM_ELEMENT(tank_shaft), t, 1, 1, Alarm_setting_row::NO_FORMAT}
const Alarm_setting_row rows[] = {
    ALARM_PER_TANK(ROW_0),
};
#undef ROW_0

const Tank_row_container containers[] = {
    ALARM_TANK_CONTAINERS(shaft_alarms_mask, row_a),
    ALARM_TANK_CONTAINERS(shaft_alarms_mask, row_b),
};

const Alarm_settings_mask::Layout mask_layout = ALARM_MASK_LAYOUT(shaft_alarms_mask, rows, containers, int(sizeof containers / sizeof containers[0]), nullptr);

} // namespace

ShaftAlarmsMask::ShaftAlarmsMask(const char* name, Screen_man* man) : Alarm_settings_mask(name, man, mask_layout) {}
