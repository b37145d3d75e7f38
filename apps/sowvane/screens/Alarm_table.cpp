#include "apps/sowvane/screens/Alarm_table.h"

namespace {

// A kind held once in both trees, a kind whose settings are an array of which
// only element 0 is used (the fan alarms), and a kind per tank or fan.
#define ONE(field) \
    [](NV_kelsu::alarms_t& s, int) -> NV_kelsu::alarm_t& { return s.field; }, \
    [](ds_alarms& d, int) -> ds_alarm& { return d.field; }
#define FIRST(field) \
    [](NV_kelsu::alarms_t& s, int) -> NV_kelsu::alarm_t& { return s.field[0]; }, \
    [](ds_alarms& d, int) -> ds_alarm& { return d.field; }
#define EACH(field) \
    [](NV_kelsu::alarms_t& s, int i) -> NV_kelsu::alarm_t& { return s.field[i]; }, \
    [](ds_alarms& d, int i) -> ds_alarm& { return d.field[i]; }

const Alarm_row rows[] = {
    {"alarm_mask_FAN_PRESSURE_LOW", 0, FIRST(fan_pressure_low)},
    {"alarm_mask_FAN_PRESSURE_HIGH", 0, FIRST(fan_pressure_high)},
    {"alarm_mask_FAN_SPEED_LOW", 0, FIRST(fan_speed_low)},
    {"alarm_mask_FAN_SPEED_HIGH", 0, FIRST(fan_speed_high)},
    {"alarm_mask_FAN_SENSOR_FAIL_", 2, EACH(fan_sensor_fail)},
    {"alarm_mask_TANK_LOW_", 4, EACH(tank_low)},
    {"alarm_mask_TANK_EMPTY_", 4, EACH(tank_empty)},
    {"alarm_mask_TANK_PRESS_MIN_", 4, EACH(liquid_pressure_min)},
    {"alarm_mask_TANK_PRESS_MAX_", 4, EACH(liquid_pressure_max)},
    {"alarm_mask_TEMPERATURE", 0, ONE(temperature)},
    {"alarm_mask_MOTOR_SENSOR_", 4, EACH(tank_motor_sensor)},
    {"alarm_mask_MOTOR_JAM_", 4, EACH(tank_motor_jam)},
    {"alarm_mask_TANK_SHAFT_", 4, EACH(tank_shaft)},
    {"alarm_mask_TANK_GEAR_", 4, EACH(tank_gear)},
    {"alarm_mask_TANK_ALT_RATE_", 4, EACH(tank_alt_rate_in_use)},
    {"alarm_mask_TANK_INCORR_RATE_", 4, EACH(tank_incorrect_rate)},
    {"alarm_mask_TANK_OFF_MASTER_ON_", 4, EACH(tank_off_master_on)},
    {"alarm_mask_NO_FLOW_TANKS_OFF", 0, ONE(no_flow_tanks_off)},
    {"alarm_mask_NO_FLOW_NO_SPEED", 0, ONE(no_flow_no_speed)},
    {"alarm_mask_NO_FLOW_NO_FAN", 0, ONE(no_flow_no_fan)},
    {"alarm_mask_NO_FLOW_NO_FAN_PRESS", 0, ONE(no_flow_no_fan_pressure)},
    {"alarm_mask_MASTER_OFF", 0, ONE(master_off)},
    {"alarm_mask_NO_COMMS", 0, ONE(no_comms)},
    {"alarm_mask_CASE_DRAIN", 0, ONE(case_drain)},
    {"alarm_mask_BLOCKED_HEAD", 0, ONE(blocked_head)},
    {"alarm_mask_SHAFT_MV_TANK_OFF_", 4, EACH(shaft_moving_tank_off)},
};

#undef ONE
#undef FIRST
#undef EACH

} // namespace

const Alarm_row* alarm_rows(int& row_count)
{
    row_count = int(sizeof rows / sizeof rows[0]);
    return rows;
}

int alarm_screen_count()
{
    int n = 0;
    for (const Alarm_row& row : rows)
        n += row.count ? row.count : 1;
    return n;
}
