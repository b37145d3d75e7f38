// The alarm records of the control core. An alarm's condition must hold for
// more than its delay count of control steps before it is raised; a limit
// count above 0 caps how often it is raised; a disabled alarm never is.
#include "apps/sowvane/control_logic/Seeder_logic.h"

#include "apps/sowvane/data_store/data_store.h"

void Seeder_logic::raise(ds_alarm* alarm, Alarm_state& state, const NV_kelsu::alarm_t& setting,
                         bool condition)
{
    CDS::Head* head = &store_.head;
    ds_alarm now = cds_get(head, alarm);
    ds_alarm next = now;
    if (!setting.enabled._get() || !condition) {
        state.count = 0;
        state.on = false;
        next.triggered = next.new_alarm = next.pending = next.active = false;
        next.acknowledged = false;
    } else {
        ++state.count;
        bool due = state.count > setting.delay_count._get();
        unsigned limit = setting.limit_count._get();
        if (due && !state.on && (limit == 0 || state.raised < limit)) {
            state.on = true;
            ++state.raised;
            next.new_alarm = true;
        }
        next.pending = !state.on;
        next.triggered = state.on;
        next.active = state.on && !cds_get_byte(head, &store_.body.internal.inhibit_vt_alarms);
    }
    if (next.triggered != now.triggered || next.new_alarm != now.new_alarm || next.pending != now.pending
        || next.active != now.active || next.acknowledged != now.acknowledged)
        cds_set(head, alarm, next);
}

void Seeder_logic::step_alarms()
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    const NV_kelsu::alarms_t& alarms = settings_.alarms;
    bool master = cds_get_byte(head, &b.operation.master_switch_active);
    double speed = cds_get(head, &b.vehicle.speed);

    bool fan_low = false, fan_high = false;
    for (unsigned f = 0; f < 4; ++f) {
        const NV_kelsu::fan_t& fan = settings_.fans.at(int(f));
        if (!fan.enabled._get() || !fan.sense_rpm._get())
            continue;
        float rpm = cds_get(head, &b.fans[f].rpm);
        fan_low = fan_low || (alarms.fan_speed_low.at(int(f)).enabled._get()
                              && rpm < alarms.fan_speed_low.at(int(f)).threshold._get());
        fan_high = fan_high || (alarms.fan_speed_high.at(int(f)).enabled._get()
                                && rpm > alarms.fan_speed_high.at(int(f)).threshold._get());
    }
    raise(&b.alarms.fan_speed_low, fan_low_, alarms.fan_speed_low.at(0), master && fan_low);
    raise(&b.alarms.fan_speed_high, fan_high_, alarms.fan_speed_high.at(0), fan_high);
    raise(&b.alarms.no_comms, no_comms_, alarms.no_comms, cds_get(head, &b.system.ECU_status) != 0);

    bool any_switch = false, any_running = false;
    Atime now = Atime::now();
    for (unsigned t = 0; t < TANKS; ++t) {
        const NV_kelsu::channel_t& set = settings_.channels.at(int(t));
        const ds_channel& live = b.channels.channels[t];
        bool enabled = set.enabled._get();
        bool running = channel_running(t);
        any_switch = any_switch || (enabled && cds_get_byte(head, &live.active));
        any_running = any_running || running;
        double remaining = cds_get_double(head, &live.remaining_volume);
        raise(&b.alarms.tank_low[t], tank_low_[t], alarms.tank_low.at(int(t)),
              enabled && remaining < alarms.tank_low.at(int(t)).threshold._get());
        raise(&b.alarms.tank_empty[t], tank_empty_[t], alarms.tank_empty.at(int(t)),
              enabled && remaining <= alarms.tank_empty.at(int(t)).threshold._get());
        double requested = cds_get_double(head, &live.requested_rate);
        raise(&b.alarms.tank_active_no_rate[t], active_no_rate_[t], alarms.tank_active_no_rate.at(int(t)),
              running && !(requested > 0));
        bool settled = channels_[t].settle_elapsed >= channels_[t].settle_time;
        double off_by = deviation(channels_[t].filtered_rate, requested);
        raise(&b.alarms.tank_incorrect_rate[t], incorrect_rate_[t], alarms.tank_incorrect_rate.at(int(t)),
              running && speed > 0 && settled && off_by > alarms.tank_incorrect_rate.at(int(t)).threshold._get());
        // A shaft still turning (a non-zero period in the filter's window)
        // on a tank that is off.
        float period = 0;
        Time_window_filter& periods = channels_[t].period_filter;
        bool turning = periods.count(now) > 0 && periods.last_differing_from(0, period);
        raise(&b.alarms.shaft_moving_tank_off[t], shaft_moving_off_[t],
              alarms.shaft_moving_tank_off.at(int(t)), enabled && !running && turning);
    }
    raise(&b.alarms.master_off, master_off_, alarms.master_off, !master && any_switch);
    raise(&b.alarms.no_flow_no_speed, no_flow_no_speed_, alarms.no_flow_no_speed,
          master && any_running && !(speed > 0));
}
