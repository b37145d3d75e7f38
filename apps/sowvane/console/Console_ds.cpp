#include "apps/sowvane/console/Console_ds.h"

#include "apps/sowvane/data_store/alarm_elements.h"
#include "apps/sowvane/data_store/data_store.h"
#include "apps/sowvane/params/parameters.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>

namespace console_ds {

namespace {

constexpr unsigned NUM_CHANNELS = sizeof(ds_channels::channels) / sizeof(ds_channel);
constexpr unsigned NUM_FANS = sizeof(data_store_body::fans) / sizeof(ds_fan);
constexpr unsigned NUM_BOOMS = sizeof(ds_booms::boom) / sizeof(ds_boom);
constexpr unsigned NUM_SECTIONS = sizeof(ds_boom::sections) / sizeof(ds_section);
constexpr unsigned NUM_TANKS = sizeof(ds_operation::tank) / sizeof(ds_tank_calibration);
constexpr unsigned NUM_MONITOR_ECUS = sizeof(ds_monitor_ecus::monitor_ecu) / sizeof(ds_monitor_ecu);
constexpr unsigned NUM_MONITOR_INPUTS = sizeof(ds_monitor_ecus::monitor_inputs_active);
constexpr unsigned NUM_SPRAY_ECUS = sizeof(ds_diagnostics::spray_ecu) / sizeof(ds_spray_ecu_diag);
constexpr unsigned NUM_DIAG_FANS = sizeof(ds_diagnostics::fans) / sizeof(ds_fans_diags);
constexpr unsigned PER_TANK = 10;  // the per-tank records of the diagnostics and alarms

CDS::Head* head(Test_console& c) { return &c.store().head; }
data_store_body& body(Test_console& c) { return c.store().body; }

// The Data_item type code of a field type.
template <typename T>
constexpr int item_type()
{
    if constexpr (std::is_same<T, bool>::value)
        return Data_item::ITEM_BOOL;
    else if constexpr (std::is_same<T, float>::value)
        return Data_item::ITEM_FLOAT;
    else if constexpr (std::is_same<T, double>::value)
        return Data_item::ITEM_DOUBLE;
    else if constexpr (std::is_same<T, unsigned char>::value)
        return Data_item::ITEM_UCHAR;
    else if constexpr (std::is_same<T, std::uint32_t>::value)
        return Data_item::ITEM_UINT;
    else if constexpr (std::is_same<T, std::int32_t>::value)
        return Data_item::ITEM_INT;
    else
        static_assert(sizeof(T) == 0, "a field type the console does not set");
}

// The value text of a setter as the field's type (integers by their whole
// part, bool as "not 0"); false, with the console's answer, when the text is
// no number or the field cannot hold it.
template <typename T>
bool value_for(Test_console& c, const std::string& text, T& value)
{
    console_value::Checked checked;
    if (!c.accept_value(text, item_type<T>(), checked))
        return false;
    if constexpr (std::is_same<T, bool>::value)
        value = checked.number != 0;
    else
        value = static_cast<T>(checked.number);
    return true;
}

// An index word checked against count: false (with the message) when it is
// no whole number or out of range.
bool index_ok(Test_console& c, const std::string& word, unsigned count, unsigned& index)
{
    const char* start = word.c_str();
    char* end = nullptr;
    errno = 0;
    const long long i = std::strtoll(start, &end, 10);
    if (end == start || *end != '\0') {
        std::fprintf(c.out(), "Not an index:%s\n", word.c_str());
        return false;
    }
    if (errno == ERANGE || i < std::numeric_limits<int>::min() || i > std::numeric_limits<unsigned>::max()) {
        std::fprintf(c.out(), "Index out of range:%s\n", word.c_str());
        return false;
    }
    index = static_cast<unsigned>(i);
    if (i < 0 || index >= count) {
        std::fprintf(c.out(), "Index out of range:%u\n", index);
        return false;
    }
    return true;
}

// The optional index of a dump: all records without one. False when the
// index is out of range (the message printed).
bool dump_range(Test_console& c, const Words& args, size_t at, unsigned count, unsigned& first,
                unsigned& last)
{
    first = 0;
    last = count;
    if (args.size() <= at)
        return true;
    unsigned i;
    if (!index_ok(c, args[at], count, i))
        return false;
    first = i;
    last = i + 1;
    return true;
}

void frame(Test_console& c, const char* title)
{
    const std::string line(79, '=');
    const int inner = 75;
    const int len = static_cast<int>(std::strlen(title));
    const int left = len < inner ? (inner - len) / 2 : 0;
    const int right = len < inner ? inner - len - left : 0;
    std::fprintf(c.out(), "%s\n==%*s%s%*s==\n%s\n", line.c_str(), left, "", title, right, "",
                 line.c_str());
}

// --- Dumps ---------------------------------------------------------------

void channel_status(Test_console& c, const Row&, const Words& args)
{
    unsigned first, last;
    if (!dump_range(c, args, 0, NUM_CHANNELS, first, last))
        return;
    FILE* o = c.out();
    frame(c, "CHANNEL STATUS");
    std::fprintf(o, "%40s=%u\n", "max_channels", NUM_CHANNELS);
    std::fprintf(o, "%40s=%f\n", "area_rate", double(cds_get(head(c), &body(c).areas.area_rate)));
    std::fprintf(o, "%40s=%f\n", "area 0 total", double(cds_get(head(c), &body(c).areas.area.total)));
    for (unsigned i = first; i < last; i++) {
        ds_channel ch;
        cds_get_channel(&ch, head(c), &body(c).channels.channels[i]);
        const unsigned char boom = c.params().app.channels[i].assigned_to_boom.get();
        std::fprintf(o, "%40s=%u\n", "channel_index", i);
        std::fprintf(o, "%40s=%u\n", "product_assigned", unsigned(ch.product_assigned));
        std::fprintf(o, "%40s=%i\n", "product_number", ch.product_number);
        std::fprintf(o, "%40s=%u\n", "assigned_to_boom", unsigned(boom));
        std::fprintf(o, "%40s=%f\n", "active_width", ch.active_width);
        std::fprintf(o, "%40s=%u\n", "active", unsigned(ch.active));
        std::fprintf(o, "%40s=%.4f\n", "requested_rate", ch.requested_rate);
        std::fprintf(o, "%40s=%.4f\n", "actual_rate", ch.actual_rate);
        std::fprintf(o, "%40s=%.4f\n", "min_rate", ch.min_rate);
        std::fprintf(o, "%40s=%.4f\n", "max_rate", ch.max_rate);
        std::fprintf(o, "%40s=%.4f\n", "min_rate_error", double(ch.min_rate_error));
        std::fprintf(o, "%40s=%.4f\n", "max_rate_error", double(ch.max_rate_error));
        std::fprintf(o, "%40s=%u\n", "rate_variation", unsigned(ch.rate_variation));
        std::fprintf(o, "%40s=%u\n", "rate_change_active", unsigned(ch.rate_change_active));
        std::fprintf(o, "%40s=%lu\n", "set_period", static_cast<unsigned long>(ch.set_period));
        std::fprintf(o, "%40s=%lu\n", "actual_period", static_cast<unsigned long>(ch.actual_period));
        std::fprintf(o, "%40s=%0.4f\n", "gear_ratio_calc", double(ch.gear_ratio_calc));
        std::fprintf(o, "%40s=%u\n", "motor_pulse_count", ch.motor_pulse_count);
        std::fprintf(o, "%40s=%0.4f\n", "motor_load", double(ch.motor_load));
        std::fprintf(o, "%40s=%0.4f\n", "motor_current", double(ch.motor_current));
        std::fprintf(o, "%40s=%.4f\n", "remaining_volume", ch.remaining_volume);
        std::fprintf(o, "%40s=%u\n", "pump_output_active", unsigned(ch.pump_output_active));
        std::fprintf(o, "%40s=%i\n", "rate_control_mode", ch.rate_control_mode);
        std::fprintf(o, "%40s=%u\n", "rate_inc_manual", unsigned(ch.rate_inc_manual));
        std::fprintf(o, "%40s=%u\n", "rate_dec_manual", unsigned(ch.rate_dec_manual));
        std::fprintf(o, "%40s=%0.4f\n", "liquid_pressure", double(ch.liquid_pressure));
        std::fprintf(o, "%40s=%u\n", "restart_liquid_pressure_filter",
                     unsigned(ch.restart_liquid_pressure_filter));
        std::fprintf(o, "%40s=%.4f\n", "flow_rate", ch.flow_rate);
        std::fprintf(o, "%40s=%.4f\n", "nozzle_flow_rate", ch.nozzle_flow_rate);
        std::fprintf(o, "%40s=%u\n", "selected", unsigned(ch.selected));
        std::fprintf(o, "%40s=%.4f\n", "bin_capacity", ch.bin_capacity);
        std::fprintf(o, "%40s=%u\n", "remote_preload", unsigned(ch.remote_preload));
        std::fprintf(o, "%40s=%x\n", "ecu_version.major", unsigned(ch.ecu_version.v_major));
        std::fprintf(o, "%40s=%x\n", "ecu_version.minor", unsigned(ch.ecu_version.v_minor));
    }
}

void vehicle_status(Test_console& c, const Row&, const Words&)
{
    const ds_vehicle v = cds_get(head(c), &body(c).vehicle);
    frame(c, "VEHICLE STATUS");
    std::fprintf(c.out(), "%40s=%lu\n%40s=%u\n%40s=%.4f\n%40s=%.4f\n", "ground_speed_sensor.period",
                 static_cast<unsigned long>(v.ground_speed_sensor.period),
                 "ground_speed_sensor.pulse_count", v.ground_speed_sensor.pulse_count, "gps_speed",
                 double(v.gps_speed), "speed", double(v.speed));
}

void operation_status(Test_console& c, const Row&, const Words&)
{
    const ds_operation op = cds_get(head(c), &body(c).operation);
    const ds_system sys = cds_get(head(c), &body(c).system);
    const bool simulated = cds_get(head(c), &body(c).simulation.enabled);
    FILE* o = c.out();
    frame(c, "OPERATION STATUS");
    std::fprintf(o, "%30s=%1u\n", "inhibit_master_switch", unsigned(op.inhibit_master_switch));
    std::fprintf(o, "%30s=%1u\n", "calibration_state", unsigned(op.calibration_state));
    for (unsigned t = 0; t < NUM_TANKS; t++) {
        char name[32];
        std::snprintf(name, sizeof name, "calibrating_tank %u", t);
        std::fprintf(o, "%30s=%1u\n", name, unsigned(op.tank[t].calibrating_tank));
    }
    std::fprintf(o, "%30s=%1u\n", "cal_swbox_run_stop_active", unsigned(op.cal_swbox_run_stop_active));
    std::fprintf(o, "%30s=%1u\n", "cal_swbox_reset_active", unsigned(op.cal_swbox_reset_active));
    std::fprintf(o, "%30s=%1u\n", "reset_diag_data", unsigned(op.reset_diag_data));
    std::fprintf(o, "%30s=%1u\n", "system.tc_alive", unsigned(sys.tc_alive));
    std::fprintf(o, "%30s=%1u\n", "system.vt_alive", unsigned(sys.vt_alive));
    std::fprintf(o, "%30s=%1u\n", "system.vt_uploaded", unsigned(sys.vt_uploaded));
    std::fprintf(o, "%30s=%1u\n", "system.alive", unsigned(sys.alive));
    std::fprintf(o, "%30s=%1u\n", "simulation.enabled", unsigned(simulated));
    std::fprintf(o, "%30s=%1u\n", "use_manual_speed", unsigned(op.use_manual_speed));
    std::fprintf(o, "%30s=%1u\n", "master_switch_active", unsigned(op.master_switch_active));
}

void fan_status(Test_console& c, const Row&, const Words& args)
{
    unsigned first, last;
    if (!dump_range(c, args, 0, NUM_FANS, first, last))
        return;
    frame(c, "FAN STATUS");
    for (unsigned f = first; f < last; f++) {
        const ds_fan fan = cds_get(head(c), &body(c).fans[f]);
        std::fprintf(c.out(),
                     "%5s[%1u]:rpm=%010.4f, raw_rpm=%010.4f, pressure=%010.4f, period=%08u, "
                     "stopped_count=%08u\n",
                     "fans", f, double(fan.rpm), double(fan.raw_rpm), double(fan.pressure),
                     fan.period, fan.stopped_count);
    }
}

void print_alarm(Test_console& c, const char* name, const ds_alarm& a)
{
    std::fprintf(c.out(), "%30s:ack=%1u, trig=%1u, new=%1u, pend=%1u, active=%u\n", name,
                 unsigned(a.acknowledged), unsigned(a.triggered), unsigned(a.new_alarm),
                 unsigned(a.pending), unsigned(a.active));
}

void print_alarm(Test_console& c, const char* name, const ds_alarm& a, unsigned i)
{
    std::fprintf(c.out(), "%27s[%1u]:ack=%1u, trig=%1u, new=%1u, pend=%1u, active=%u\n", name, i,
                 unsigned(a.acknowledged), unsigned(a.triggered), unsigned(a.new_alarm),
                 unsigned(a.pending), unsigned(a.active));
}

// Every element of an alarm the store keeps per fan or pump (or once).
template <typename Alarm>
void print_alarm_elements(Test_console& c, const char* name, const Alarm& alarm)
{
    const unsigned n = alarm_element_count(alarm);
    for (unsigned i = 0; i < n; i++) {
        if (n == 1)
            print_alarm(c, name, alarm_element(alarm, i));
        else
            print_alarm(c, name, alarm_element(alarm, i), i);
    }
}

void alarm_status(Test_console& c, const Row&, const Words& args)
{
    unsigned first, last;
    if (!dump_range(c, args, 0, PER_TANK, first, last))
        return;
    const ds_alarms a = cds_get(head(c), &body(c).alarms);
    frame(c, "ALARM STATUS");
#define SINGLE(alarm) print_alarm_elements(c, "alarms." #alarm, a.alarm);
    SINGLE(fan_pressure_low) SINGLE(fan_pressure_high) SINGLE(fan_speed_low)
    SINGLE(fan_speed_high) SINGLE(fan_sensor_fail) SINGLE(pump_speed_low) SINGLE(pump_speed_high)
    SINGLE(temperature) SINGLE(no_flow_tanks_off) SINGLE(no_flow_no_speed) SINGLE(no_flow_no_fan)
    SINGLE(no_flow_no_fan_pressure) SINGLE(master_off) SINGLE(no_comms) SINGLE(blocked_head)
    SINGLE(section_switching)
#undef SINGLE
    for (unsigned t = first; t < last; t++) {
#define PER_TANK_ALARM(alarm) print_alarm(c, "alarms." #alarm, a.alarm[t], t);
        PER_TANK_ALARM(tank_low) PER_TANK_ALARM(tank_empty) PER_TANK_ALARM(liquid_pressure_min)
        PER_TANK_ALARM(liquid_pressure_max) PER_TANK_ALARM(tank_motor_sensor)
        PER_TANK_ALARM(tank_motor_jam) PER_TANK_ALARM(tank_gear) PER_TANK_ALARM(tank_shaft)
        PER_TANK_ALARM(tank_alt_rate_in_use) PER_TANK_ALARM(tank_incorrect_rate)
        PER_TANK_ALARM(tank_off_master_on) PER_TANK_ALARM(shaft_moving_tank_off)
        PER_TANK_ALARM(tank_no_liquid_flow)
#undef PER_TANK_ALARM
    }
}

void monitor_ecu_status(Test_console& c, const Words& args)
{
    unsigned first, last;
    if (!dump_range(c, args, 0, NUM_MONITOR_ECUS, first, last))
        return;
    const ds_monitor_ecus m = cds_get(head(c), &body(c).monitor_ecus);
    FILE* o = c.out();
    frame(c, "MONITOR ECU STATUS");
    std::fprintf(o, "%40s=%u\n", "monitor_power_cycle_timer", unsigned(m.monitor_power_cycle_timer));
    std::fprintf(o, "%40s=%u\n", "monitor_inhibit_timer", unsigned(m.monitor_inhibit_timer));
    std::fprintf(o, "%40s=%u\n", "activate_faulty_sensor_identification",
                 unsigned(m.activate_faulty_sensor_identification));
    std::fprintf(o, "%40s=%u\n", "activate_auto_detect", unsigned(m.activate_auto_detect));
    for (unsigned e = first; e < last; e++) {
        const ds_monitor_ecu& ecu = m.monitor_ecu[e];
        const bool enabled = c.params().app.monitor_ecus.monitor_ecus[e].enabled.get();
        std::fprintf(o, "%40s[%u]=%x\n", "ecu_enabled", e, unsigned(enabled));
        std::fprintf(o, "%40s[%u]=%x\n", "ecu_version.major", e, unsigned(ecu.version.v_major));
        std::fprintf(o, "%40s[%u]=%x\n", "ecu_version.minor", e, unsigned(ecu.version.v_minor));
        std::fprintf(o, "%40s[%u]=%x\n", "setup_mode", e, unsigned(ecu.setup_mode));
        std::fprintf(o, "%40s[%u]=", "monitor_state", e);
        for (unsigned char byte : ecu.monitor_state)
            std::fprintf(o, "%02x ", unsigned(byte));
        std::fprintf(o, "\n");
    }
}

void monitor_ecu_inputs(Test_console& c, const Words& args)
{
    unsigned first, last;
    if (!dump_range(c, args, 0, NUM_MONITOR_INPUTS, first, last))
        return;
    const ds_monitor_ecus m = cds_get(head(c), &body(c).monitor_ecus);
    frame(c, "MONITOR ECU INPUTS");
    for (unsigned i = first; i < last; i++) {
        const unsigned mask = c.params().app.monitor_ecus.monitor_inputs[int(i)].mask.get();
        std::fprintf(c.out(), "%20s:%02u BITS:%03u-%03u (latched,active,mask)=0x%02x, 0x%02x, 0x%02x\n",
                     "BYTE", i, i * 8, i * 8 + 7, unsigned(m.monitor_latched_inputs_active[i]),
                     unsigned(m.monitor_inputs_active[i]), mask);
    }
}

void interface_boom_status(Test_console& c, const Words& args)
{
    unsigned first, last;
    if (!dump_range(c, args, 0, NUM_BOOMS, first, last))
        return;
    FILE* o = c.out();
    frame(c, "INTERFACE BOOM STATUS");
    for (unsigned n = first; n < last; n++) {
        ds_boom boom;
        cds_get_boom(&boom, head(c), &body(c).booms.boom[n]);
        std::fprintf(o, "%8s[%02u]%s=0x%02x %s=%12.4f %s=0x%02x %s=0x%02x\n", "boom", n,
                     "boom_state", unsigned(boom.boom_state), "active_width", boom.active_width,
                     "sense_state", boom.section_sense_state, "drive_error_state",
                     boom.section_drive_error_status);
        for (unsigned s = 0; s < NUM_SECTIONS; s++) {
            const double width = c.params().app.booms.booms[int(n)].sections[int(s)].width.get();
            std::fprintf(o, "%8s[%02u]%s[%02u]=%02u %s=%02u %s=%02u %s=%12.4f\n", "boom", n,
                         "requested_section_state", s, boom.sections[s].requested_state,
                         "reported", boom.sections[s].actual_state, "sensed",
                         (boom.section_sense_state >> s) & 1u, "width", width);
        }
    }
}

// The diagnostics dumps: "showing_diagnostics", then the records.
template <typename Print>
void diag_dump(Test_console& c, const char* title, const Words& args, unsigned count, Print print)
{
    unsigned first, last;
    if (!dump_range(c, args, 0, count, first, last))
        return;
    const ds_diagnostics d = cds_get(head(c), &body(c).diagnostics);
    frame(c, title);
    std::fprintf(c.out(), "%40s=%u\n", "showing_diagnostics", unsigned(d.showing_diagnostics));
    for (unsigned i = first; i < last; i++)
        print(c.out(), d, i);
}

void diag_shaft(Test_console& c, const Words& args)
{
    diag_dump(c, "DIAG SHAFT STATUS", args, PER_TANK, [](FILE* o, const ds_diagnostics& d, unsigned i) {
        std::fprintf(o, "%40s[%u]=%lu\n", "shaft.period", i, static_cast<unsigned long>(d.shaft[i].period));
        std::fprintf(o, "%40s[%u]=%u\n", "shaft.pulse_count", i, d.shaft[i].pulse_count);
    });
}

void diag_ground_speed(Test_console& c, const Words& args)
{
    diag_dump(c, "DIAG SHAFT GROUND SPEED", {}, 1, [](FILE* o, const ds_diagnostics& d, unsigned) {
        std::fprintf(o, "%40s=%lu\n", "period", static_cast<unsigned long>(d.ground_speed.period));
        std::fprintf(o, "%40s=%u\n", "pulse_count", d.ground_speed.pulse_count);
    });
}

void diag_fans(Test_console& c, const Words& args)
{
    diag_dump(c, "DIAG FAN STATUS", args, NUM_DIAG_FANS, [](FILE* o, const ds_diagnostics& d, unsigned i) {
        std::fprintf(o, "%40s[%u]=%lu\n", "fans.shaft.period", i,
                     static_cast<unsigned long>(d.fans[i].shaft.period));
        std::fprintf(o, "%40s[%u]=%u\n", "fans.shaft.pulse_count", i, d.fans[i].shaft.pulse_count);
        std::fprintf(o, "%40s[%u]=%u\n", "fans.adc", i, d.fans[i].adc.adc_val);
    });
}

void diag_actuator(Test_console& c, const Words& args)
{
    diag_dump(c, "DIAG ACTUATOR", args, PER_TANK, [](FILE* o, const ds_diagnostics& d, unsigned i) {
        std::fprintf(o, "%40s[%u]=%u\n", "actuator.adc", i, d.actuator[i].adc.adc_val);
    });
}

void diag_motor_current(Test_console& c, const Words& args)
{
    diag_dump(c, "DIAG MOTOR CURRENT", args, PER_TANK, [](FILE* o, const ds_diagnostics& d, unsigned i) {
        std::fprintf(o, "%40s[%u]=%u\n", "motor_current.adc", i, d.motor_current[i].adc_val);
    });
}

void diag_level_sensor(Test_console& c, const Words& args)
{
    diag_dump(c, "DIAG LEVEL SENSOR", args, PER_TANK, [](FILE* o, const ds_diagnostics& d, unsigned i) {
        std::fprintf(o, "%40s[%u]=%u\n", "level_sensor_on", i, unsigned(d.level_sensor_on[i]));
    });
}

void diag_pressure_sensor(Test_console& c, const Words& args)
{
    diag_dump(c, "DIAG PRESSURE SENSOR STATUS", args, PER_TANK,
              [](FILE* o, const ds_diagnostics& d, unsigned i) {
                  std::fprintf(o, "%40s[%u].adc_val=%u\n", "liquid_pressure_sensor", i,
                               d.liquid_pressure_sensor[i].adc_val);
              });
}

void diag_spray_ecu(Test_console& c, const Words& args)
{
    diag_dump(c, "DIAG SPRAY ECU STATUS", args, NUM_SPRAY_ECUS, [](FILE* o, const ds_diagnostics& d, unsigned i) {
        const ds_spray_ecu_diag& e = d.spray_ecu[i];
        std::fprintf(o, "%40s[%u]=%u\n", "spray_ecu.state", i, unsigned(e.state));
        std::fprintf(o, "%40s[%u]=%u\n", "spray_ecu.button_state", i, unsigned(e.button_state));
        std::fprintf(o, "%40s[%u]=", "spray_ecu.boom_state:", i);
        for (unsigned char byte : e.boom_state)
            std::fprintf(o, "%02x ", unsigned(byte));
        std::fprintf(o, "\n%40s[%u]=%u\n", "spray_ecu.button_box_found", i, unsigned(e.button_box_found));
    });
}

// --- Setters ---------------------------------------------------------------

// A channel field: args the channel index; value the new value.
template <typename T, T ds_channel::*FIELD>
void set_channel_field(Test_console& c, const Words& args, const std::string& value)
{
    unsigned i;
    T v{};
    if (args.empty() || !index_ok(c, args[0], NUM_CHANNELS, i) || !value_for(c, value, v))
        return;
    cds_set(head(c), &(body(c).channels.channels[i].*FIELD), v);
}

template <typename T>
void set_field(Test_console& c, T* field, const std::string& value)
{
    T v{};
    if (value_for(c, value, v))
        cds_set(head(c), field, v);
}

void set_boom_section_state(Test_console& c, const Words& args, const std::string& value)
{
    unsigned boom, section;
    if (args.size() < 2 || !index_ok(c, args[0], NUM_BOOMS, boom) ||
        !index_ok(c, args[1], NUM_SECTIONS, section))
        return;
    set_field(c, &body(c).booms.boom[boom].sections[section].requested_state, value);
}

void set_simulation(Test_console& c, const Row&, const Words&, const std::string& value)
{
    set_field(c, &body(c).simulation.enabled, value);
}

// --- Rows with item tables ---------------------------------------------------

const Item* find_item(const Row& row, const std::string& name)
{
    for (unsigned i = 0; i < row.item_count; i++)
        if (name == row.items[i].name)
            return &row.items[i];
    return nullptr;
}

// The item named by the first word; null (with the message) when it is not
// there or has no handler of the kind asked for.
const Item* item_for(Test_console& c, const Row& row, const Words& args, bool set)
{
    if (args.empty())
        return nullptr;
    const Item* item = find_item(row, args[0]);
    if (!item) {
        std::fprintf(c.out(), "%s command not found:%s\n", row.label, args[0].c_str());
        return nullptr;
    }
    if (!(set ? item->set != nullptr : item->print != nullptr)) {
        std::fprintf(c.out(), "%s command not currently supported:%s\n", row.label, args[0].c_str());
        return nullptr;
    }
    return item;
}

void print_by_item(Test_console& c, const Row& row, const Words& args)
{
    if (const Item* item = item_for(c, row, args, false))
        item->print(c, Words(args.begin() + 1, args.end()));
}

void set_by_item(Test_console& c, const Row& row, const Words& args, const std::string& value)
{
    if (const Item* item = item_for(c, row, args, true))
        item->set(c, Words(args.begin() + 1, args.end()), value);
}

#define CHANNEL_ITEM(type, name) {#name, nullptr, set_channel_field<type, &ds_channel::name>}
const Item channel_items[] = {
    CHANNEL_ITEM(bool, product_assigned),
    CHANNEL_ITEM(int, product_number),
    CHANNEL_ITEM(bool, active),
    CHANNEL_ITEM(double, requested_rate),
    CHANNEL_ITEM(double, actual_rate),
    CHANNEL_ITEM(bool, rate_variation),
    CHANNEL_ITEM(bool, rate_change_active),
    CHANNEL_ITEM(ds_ulong, set_period),
    CHANNEL_ITEM(ds_ulong, actual_period),
    CHANNEL_ITEM(float, gear_ratio_calc),
    CHANNEL_ITEM(unsigned, motor_pulse_count),
    CHANNEL_ITEM(float, motor_load),
    CHANNEL_ITEM(float, motor_current),
    CHANNEL_ITEM(double, remaining_volume),
    CHANNEL_ITEM(bool, pump_output_active),
    CHANNEL_ITEM(int, rate_control_mode),
    CHANNEL_ITEM(bool, rate_inc_manual),
    CHANNEL_ITEM(bool, rate_dec_manual),
    CHANNEL_ITEM(bool, restart_liquid_pressure_filter),
    CHANNEL_ITEM(bool, selected),
};
#undef CHANNEL_ITEM

const Item vehicle_items[] = {
    {"gs_period", nullptr,
     [](Test_console& c, const Words&, const std::string& v) {
         set_field(c, &body(c).vehicle.ground_speed_sensor.period, v);
     }},
    {"gs_pulse_count", nullptr,
     [](Test_console& c, const Words&, const std::string& v) {
         set_field(c, &body(c).vehicle.ground_speed_sensor.pulse_count, v);
     }},
    {"speed", nullptr,
     [](Test_console& c, const Words&, const std::string& v) { set_field(c, &body(c).vehicle.speed, v); }},
};

const Item monitor_ecu_items[] = {
    {"status", monitor_ecu_status, nullptr},
    {"inputs", monitor_ecu_inputs, nullptr},
    {"detection", nullptr,
     [](Test_console& c, const Words&, const std::string& v) {
         set_field(c, &body(c).monitor_ecus.activate_auto_detect, v);
     }},
    {"faulty_detection", nullptr,
     [](Test_console& c, const Words&, const std::string& v) {
         set_field(c, &body(c).monitor_ecus.activate_faulty_sensor_identification, v);
     }},
};

const Item interface_items[] = {
    {"boom_section_state", interface_boom_status, set_boom_section_state},
    {"boom_working_width", interface_boom_status, nullptr},
};

const Item diagnostics_items[] = {
    {"shaft", diag_shaft, nullptr},
    {"ground_speed", diag_ground_speed, nullptr},
    {"fans", diag_fans, nullptr},
    {"actuator", diag_actuator, nullptr},
    {"motor_current", diag_motor_current, nullptr},
    {"level_sensor_on", diag_level_sensor, nullptr},
    {"pressure_sensor", diag_pressure_sensor, nullptr},
    {"spray_ecu", diag_spray_ecu, nullptr},
};

#define ITEMS(table) table, unsigned(sizeof table / sizeof table[0])
const Row rows[] = {
    {"channels", channel_status, set_by_item, ITEMS(channel_items), "Channels",
     "Format:set ds.channel.item.channel_index=value"},
    {"vehicle", vehicle_status, set_by_item, ITEMS(vehicle_items), "Vehicle", "Format:set ds.vehicle=value"},
    {"operation", operation_status, nullptr, nullptr, 0, "Operation", nullptr},
    {"fans", fan_status, nullptr, nullptr, 0, "Fans", nullptr},
    {"alarms", alarm_status, nullptr, nullptr, 0, "Alarms", nullptr},
    {"diagnostics", print_by_item, nullptr, ITEMS(diagnostics_items), "Diagnostics", nullptr},
    {"monitor_ecus", print_by_item, set_by_item, ITEMS(monitor_ecu_items), "Monitor ECUs",
     "Format:set ds.monitor_ecus=value"},
    {"interface", print_by_item, set_by_item, ITEMS(interface_items), "Interface",
     "Format:set ds.interface=value"},
    {"simulation", operation_status, set_simulation, nullptr, 0, "Simulation", nullptr},
};
#undef ITEMS

}  // namespace

const Row* find_row(const std::string& name)
{
    for (const Row& row : rows)
        if (name == row.name)
            return &row;
    return nullptr;
}

const Row* rows_begin() { return std::begin(rows); }
const Row* rows_end() { return std::end(rows); }

}  // namespace console_ds
