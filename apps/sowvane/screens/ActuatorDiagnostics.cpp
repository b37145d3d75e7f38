#include "apps/sowvane/screens/ActuatorDiagnostics.h"

#include "apps/sowvane/screens/Diagnostics2.h"

#include <cstring>

using Ids = ActuatorDiagnostics::Ids;
using Row = Key_row<Ids>;

namespace {
const Stat_num_format tenths(Units_man::UNITS_NONE, 0.1, 1);
const Stat_num_format whole(Units_man::UNITS_NONE, 1.0, 0);

void bind(Stat_num& stat, Stat_collector* col, VT::Object_pool* p, uint32_t id, const Stat_num_format& f)
{
    stat.init(col, find_pool_object<VT::Output_number_obj>(p, id), SETTING_UPDATE_MS, f, f, nullptr, Stat_num::RAW_MAX,
              0, p, nullptr);
}

float store_float(const float* field)
{
    const unsigned bits = cds_get_word(ds_head(), field);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}
} // namespace

const Row ActuatorDiagnostics::key_rows[5] = {
    {&Ids::key_main, Row::KEY, "main"},
    {&Ids::key_system_info, Row::KEY, "system_info_mask"},
    {&Ids::key_reset, Row::KEY, nullptr},
    {&Ids::key_pressures, Row::KEY, "diagnostics2"},
    {&Ids::key_blocked_head, Row::KEY, "blocked_head_diags_mask"},
};

ActuatorDiagnostics::ActuatorDiagnostics(const char* name, Screen_man* man) : Data_screen(name, man) {}

ActuatorDiagnostics::~ActuatorDiagnostics()
{
    if (get_waiter() != nullptr && listener.get_head() != nullptr)
        cds_unlisten(listener, get_waiter());
}

bool ActuatorDiagnostics::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().actuator_diagnostics;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    key_masks[0] = (unsigned short)ids.soft_key_mask;
    key_masks[1] = (unsigned short)ids.soft_key_mask_liquid;
    keys.bind(this, ids);
    bind(speed_period, &stats, p, ids.ground_speed_period, tenths);
    bind(speed_pulses, &stats, p, ids.ground_speed_pulses, whole);
    for (unsigned r = 0; r < TANKS; ++r) {
        Tank& t = tanks[r];
        bind(t.position, &stats, p, ids.actuator_position[r], tenths);
        bind(t.period, &stats, p, ids.shaft_period[r], tenths);
        bind(t.pulses, &stats, p, ids.shaft_pulses[r], whole);
        bind(t.current, &stats, p, ids.motor_current[r], tenths);
        t.position_pointer = find_pool_object<VT::Object_pointer_obj>(p, ids.actuator_position_pointer[r]);
        t.current_pointer = find_pool_object<VT::Object_pointer_obj>(p, ids.motor_current_pointer[r]);
        t.position_id = (unsigned short)ids.actuator_position[r];
        t.current_id = (unsigned short)ids.motor_current[r];
        t.actuator_row = find_pool_object<VT::Container_obj>(p, ids.actuator_row[r]);
        t.electric_row = find_pool_object<VT::Container_obj>(p, ids.electric_row[r]);
        t.prop_valve_row = find_pool_object<VT::Container_obj>(p, ids.prop_valve_row[r]);
        t.row = find_pool_object<VT::Container_obj>(p, ids.tank_row[r]);
        t.row_2 = find_pool_object<VT::Container_obj>(p, ids.tank_row_2[r]);
        t.level_on = find_pool_object<VT::Container_obj>(p, ids.level_on_row[r]);
        t.level_off = find_pool_object<VT::Container_obj>(p, ids.level_off_row[r]);
    }
    for (unsigned f = 0; f < FANS; ++f) {
        Fan& fan = fans[f];
        bind(fan.period, &stats, p, ids.fan_period[f], tenths);
        bind(fan.pulses, &stats, p, ids.fan_pulses[f], whole);
        bind(fan.adc, &stats, p, ids.fan_adc[f], whole);
        fan.adc_pointer = find_pool_object<VT::Object_pointer_obj>(p, ids.fan_adc_pointer[f]);
        fan.adc_id = (unsigned short)ids.fan_adc[f];
        fan.row = find_pool_object<VT::Container_obj>(p, ids.fan_row[f]);
    }
    return true;
}

void ActuatorDiagnostics::point(VT::Object_pointer_obj* p, unsigned short id)
{
    if (p != nullptr && p->get_value() != id)
        p->set_value(id);
}

void ActuatorDiagnostics::refresh()
{
    ds_diagnostics& d = ds().diagnostics;
    for (unsigned r = 0; r < TANKS; ++r) {
        Tank& t = tanks[r];
        const float adc = float(cds_get_word(ds_head(), &d.actuator[r].adc.adc_val));
        t.position.set_val(adc * 100.0f / 255.0f);
        t.period.set_val(cds_get_word(ds_head(), &d.shaft[r].period) / 1000.0);
        t.pulses.set_val(cds_get_word(ds_head(), &d.shaft[r].pulse_count));
        t.current.set_val(store_float(&ds().channels.channels[r].motor_current));
        const bool level = cds_get_byte(ds_head(), &d.level_sensor_on[r]) != 0;
        show_container(t.level_on, level);
        show_container(t.level_off, !level);
    }
    for (unsigned f = 0; f < FANS; ++f) {
        fans[f].period.set_val(cds_get_word(ds_head(), &d.fans[f].shaft.period) / 1000.0);
        fans[f].pulses.set_val(cds_get_word(ds_head(), &d.fans[f].shaft.pulse_count));
        fans[f].adc.set_val(cds_get_word(ds_head(), &d.fans[f].adc.adc_val));
    }
    speed_period.set_val(cds_get_word(ds_head(), &d.ground_speed.period) / 1000.0);
    speed_pulses.set_val(cds_get_word(ds_head(), &d.ground_speed.pulse_count));
    send_val_updates(false);
}

void ActuatorDiagnostics::post_snapshot_init()
{
    if (listener.get_head() == nullptr)
        cds_listen(listener, &ds().diagnostics, int(sizeof(ds_diagnostics)), get_waiter());
    refresh();
}

void ActuatorDiagnostics::handle_virt_listener_event(Listener* l)
{
    if (l == &listener)
        refresh();
}

bool ActuatorDiagnostics::activate()
{
    const bool ok = Data_screen::activate();
    if (parameters == nullptr)
        return ok;
    constexpr unsigned short none = VT::Object_pool::NULL_ID;
    for (unsigned f = 0; f < FANS; ++f) {
        const bool enabled = parameters->app.fans[f].enabled.get();
        show_container(fans[f].row, enabled);
        point(fans[f].adc_pointer, enabled ? fans[f].adc_id : none);
    }
    bool liquid_pressure = false;
    for (unsigned r = 0; r < TANKS; ++r) {
        Tank& t = tanks[r];
        auto& tank = parameters->app.channels[r];
        const bool enabled = tank.enabled.get();
        const unsigned drive = tank.granular_controller_type.get();
        point(t.position_pointer, enabled ? t.position_id : none);
        point(t.current_pointer, drive == 0 ? t.current_id : none);
        show_container(t.actuator_row, enabled && drive == 1);
        show_container(t.electric_row, enabled && drive == 0);
        show_container(t.prop_valve_row, enabled && drive == 3);
        show_container(t.row, enabled);
        show_container(t.row_2, enabled);
        liquid_pressure = liquid_pressure || (enabled && tank.liquid_pressure_sense.get() && tank.mode.get() != 0);
    }
    shown_keys = key_masks[liquid_pressure ? 1 : 0];
    set_soft_key_mask(shown_keys);
    show_diagnostics_flag(is_active());
    refresh();
    return ok;
}

bool ActuatorDiagnostics::deactivate()
{
    const bool ok = Data_screen::deactivate();
    show_diagnostics_flag(is_active());
    return ok;
}

bool ActuatorDiagnostics::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev))
        return true;
    if (keys.find(a) == KEY_RESET) {
        cds_set(ds_head(), &ds().operation.reset_diag_data, true);
        return true;
    }
    keys.switch_for(get_man(), a);
    return true;
}
