#include "apps/sowvane/screens/FanSettingsMask.h"

using Ids = FanSettingsMask::Ids;
using Row = Key_row<Ids>;

const Row FanSettingsMask::key_rows[3] = {
    SEEDER_SETTINGS_KEYS(Ids),
};

FanSettingsMask::FanSettingsMask(const char* name, Screen_man* man) : Data_screen(name, man) {}

FanSettingsMask::~FanSettingsMask()
{
    for (Fan& f : fans) {
        if (f.listener != nullptr && get_waiter() != nullptr)
            f.listener->autounreg(get_waiter());
        delete f.listener;
        f.listener = nullptr;
    }
}

bool FanSettingsMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().fan_settings_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    enabled_list.init(&stats, find_pool_object<VT::Input_list_obj>(p, ids.enabled_fans_list), nullptr, p, false);
    enabled_list.set_item(1);
    pump_list.init(&stats, find_pool_object<VT::Input_list_obj>(p, ids.pump_list), nullptr, p, false);
    case_drain_list.init(&stats, find_pool_object<VT::Input_list_obj>(p, ids.case_drain_list), nullptr, p, false);
    pump_list.set_editable(true);
    case_drain_list.set_editable(true);
    pump_row = find_pool_object<VT::Container_obj>(p, ids.pump_row);
    case_drain_row = find_pool_object<VT::Container_obj>(p, ids.case_drain_row);
    const Stat_num_format count(Units_man::UNITS_NONE, 1.0, 0);
    for (int i = 0; i < FANS; ++i) {
        Fan& f = fans[i];
        f.pressure_row = find_pool_object<VT::Container_obj>(p, ids.pressure_row[i]);
        f.magnets_row = find_pool_object<VT::Container_obj>(p, ids.magnets_row[i]);
        f.magnets.init(&stats, find_pool_object<VT::Input_number_obj>(p, ids.magnets_input[i]), SETTING_UPDATE_MS,
                       count, count, nullptr, Stat_num::RAW_MAX, 0, p, nullptr);
        f.magnets.set_range(0.0, MAX_MAGNETS);
        f.magnets.set_editable(true);
        f.sense.init(&stats, find_pool_object<VT::Input_list_obj>(p, ids.pressure_sense_list[i]), nullptr, p, false);
        f.gain.init(&stats, find_pool_object<VT::Input_list_obj>(p, ids.pressure_gain_list[i]), nullptr, p, false);
    }
    return true;
}

void FanSettingsMask::refresh(int i)
{
    if (parameters == nullptr || i < 0 || i >= FANS)
        return;
    Fan& f = fans[i];
    auto& fan = parameters->app.fans[unsigned(i)];
    const unsigned gain = fan.pressure_gain.get();
    f.gain.set_item((unsigned short)(gain <= 1 ? 0 : 1));
    f.sense.set_item(fan.sense_pressure.get() ? 1 : 0);
    const double magnets = fan.encoder.get();
    f.magnets.set_val(magnets > MAX_MAGNETS ? MAX_MAGNETS : magnets);
    const bool enabled = fan.enabled.get();
    show_container(f.pressure_row, enabled);
    show_container(f.magnets_row, enabled);
    if (i == 1) {
        show_container(pump_row, enabled);
        pump_list.set_item(fan.use_fan_as_pump.get() ? 1 : 0);
    }
    show_container(case_drain_row, true);
    case_drain_list.set_item(parameters->app.using_case_drain_alarm.get() ? 1 : 0);
}

void FanSettingsMask::apply_fan_count(unsigned count, bool all)
{
    for (unsigned j = 0; j < FANS; ++j) {
        auto& fan = parameters->app.fans[j];
        const bool on = j < count;
        fan.enabled.set(on);
        fan.sense_rpm.set(on);
        if (all || !on) {
            fan.sense_pressure.set(on);
            fan.pressure_sensor_type.set(1);
        }
    }
}

void FanSettingsMask::post_snapshot_init()
{
    if (parameters == nullptr)
        return;
    unsigned enabled = 0;
    for (int i = 0; i < FANS; ++i) {
        if (fans[i].listener == nullptr) {
            fans[i].listener = new Listener(this);
            nv_listen(*fans[i].listener, &parameters->app.fans[unsigned(i)], get_waiter());
        }
        enabled += parameters->app.fans[unsigned(i)].enabled.get() ? 1 : 0;
    }
    const unsigned item = enabled > 0 ? enabled - 1 : 0;
    enabled_list.set_item((unsigned short)item);
    std::printf("FanSettingsMask::ENABLED FANS: %u\n", item);
    apply_fan_count(item + 1, false);
}

bool FanSettingsMask::activate()
{
    show_container(pump_row, false);
    show_container(case_drain_row, false);
    for (Fan& f : fans) {
        show_container(f.pressure_row, false);
        show_container(f.magnets_row, false);
    }
    for (int i = 0; i < FANS; ++i)
        refresh(i);
    return Data_screen::activate();
}

void FanSettingsMask::handle_virt_listener_event(Listener* l)
{
    for (int i = 0; i < FANS; ++i)
        if (fans[i].listener == l)
            refresh(i);
    send_val_updates(false);
}

bool FanSettingsMask::handle_stat_update(Stat* s)
{
    if (parameters == nullptr)
        return false;
    auto& app = parameters->app;
    if (s == &enabled_list) {
        apply_fan_count(enabled_list.get_item() + 1u, true);
    } else if (s == &pump_list) {
        app.fans[1].use_fan_as_pump.set(pump_list.get_item() != 0);
    } else if (s == &case_drain_list) {
        app.using_case_drain_alarm.set(case_drain_list.get_item() != 0);
    }
    for (unsigned i = 0; i < FANS; ++i) {
        Fan& f = fans[i];
        auto& fan = app.fans[i];
        if (s == &f.gain) {
            fan.pressure_gain.set((unsigned char)(f.gain.get_item() + 1));
        } else if (s == &f.sense) {
            const bool sensing = f.sense.get_item() != 0;
            fan.sense_pressure.set(sensing);
            fan.pressure_sensor_type.set(sensing ? 1 : 0);
        } else if (s == &f.magnets) {
            fan.encoder.set(setting_value<unsigned char>(f.magnets.get_stat_val()));
        }
    }
    return false;
}

bool FanSettingsMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (is_release(ev))
        keys.switch_for(get_man(), a);
    return true;
}
