#include "apps/sowvane/screens/BlockedHeadSettingsMask.h"

using Ids = BlockedHeadSettingsMask::Ids;
using Row = Key_row<Ids>;
using M = BlockedHeadSettingsMask;

namespace {
uint32_t Ids::*const list_fields[M::LISTS] = {&Ids::monitoring_list, &Ids::sensor_type_list, &Ids::head_systems_list,
                                             &Ids::enabled_heads_list};
} // namespace

const Row BlockedHeadSettingsMask::key_rows[3] = {SEEDER_SETTINGS_KEYS(Ids)};

BlockedHeadSettingsMask::BlockedHeadSettingsMask(const char* name, Screen_man* man) : Data_screen(name, man) {}

BlockedHeadSettingsMask::~BlockedHeadSettingsMask() = default;

bool BlockedHeadSettingsMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().blocked_head_settings_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    for (int l = 0; l < LISTS; ++l)
        lists[l].init(&stats, find_pool_object<VT::Input_list_obj>(p, ids.*list_fields[l]), nullptr, p, false);
    const Stat_num_format whole(Units_man::UNITS_NONE, 1.0, 0);
    const uint32_t inputs[NUMBERS] = {ids.num_sensors_input, ids.first_fert_sensor_input};
    for (int n = 0; n < NUMBERS; ++n) {
        numbers[n].init(&stats, find_pool_object<VT::Input_number_obj>(p, inputs[n]), SETTING_UPDATE_MS, whole, whole,
                        nullptr, Stat_num::RAW_MAX, 0, p, nullptr);
        numbers[n].set_editable(true);
    }
    numbers[NUM_SENSORS].set_range(0.0, MAX_SENSORS);
    // The first fertiliser sensor counts from 1; 0 names no sensor.
    numbers[FIRST_FERT].set_range(1.0, MAX_SENSORS);
    enabled_heads_row = find_pool_object<VT::Container_obj>(p, ids.enabled_heads_row);
    first_fert_row = find_pool_object<VT::Container_obj>(p, ids.first_fert_sensor_row);
    return true;
}

void BlockedHeadSettingsMask::show_double_shoot_rows(bool shown)
{
    show_container(enabled_heads_row, shown);
    show_container(first_fert_row, shown);
}

void BlockedHeadSettingsMask::update_blocked_head_settings()
{
    if (parameters == nullptr)
        return;
    auto& m = parameters->app.monitor_ecus;
    lists[MONITORING].set_item(m.monitoring_config.get() != 0 ? 1 : 0);
    lists[SENSOR_TYPE].set_item(m.blockage_sensor_type.get() != 0 ? 1 : 0);
    lists[HEAD_SYSTEMS].set_item(m.double_shooting.get() ? 1 : 0);
    lists[ENABLED_HEADS].set_item(m.head_systems_enabled.get());
    numbers[NUM_SENSORS].set_val(m.num_sensors.get());
    numbers[FIRST_FERT].set_val(m.first_fert_sensor.get() + 1.0);
    show_double_shoot_rows(m.double_shooting.get());
}

void BlockedHeadSettingsMask::post_snapshot_init()
{
    update_blocked_head_settings();
}

bool BlockedHeadSettingsMask::activate()
{
    show_double_shoot_rows(false);
    const bool ok = Data_screen::activate();
    update_blocked_head_settings();
    return ok;
}

void BlockedHeadSettingsMask::update_sensor_maps()
{
    auto& m = parameters->app.monitor_ecus;
    const unsigned n = m.num_sensors.get();
    const unsigned f = m.first_fert_sensor.get();
    const bool d = m.double_shooting.get();
    const unsigned h = m.head_systems_enabled.get();
    unsigned lo = 0, hi = n;
    if (d && h == 1)
        hi = f;
    else if (d && h == 2)
        lo = f;
    else if (d && h >= 3)
        hi = 0;
    unsigned char masks[INPUTS / 8] = {};
    for (unsigned s = 0; s < INPUTS; ++s) {
        if (lo <= s && s < hi)
            masks[s / 8] |= (unsigned char)(1u << (s % 8));
        m.monitor_inputs_sections[s].boom_section.set(d && s >= f ? 1 : 0);
    }
    for (unsigned k = 0; k < INPUTS / 8; ++k)
        m.monitor_inputs[k].mask.set(masks[k]);
}

bool BlockedHeadSettingsMask::handle_stat_update(Stat* s)
{
    if (parameters == nullptr)
        return false;
    auto& m = parameters->app.monitor_ecus;
    if (s == &lists[MONITORING]) {
        m.monitoring_config.set(lists[MONITORING].get_item() != 0 ? 1 : 0);
        m.monitor_ecus[0].enabled.set(m.monitoring_config.get() != 0);
    } else if (s == &lists[SENSOR_TYPE]) {
        m.blockage_sensor_type.set(lists[SENSOR_TYPE].get_item() != 0 ? 1 : 0);
    } else if (s == &numbers[NUM_SENSORS]) {
        m.num_sensors.set(setting_value<unsigned char>(numbers[NUM_SENSORS].get_stat_val()));
    } else if (s == &lists[HEAD_SYSTEMS]) {
        const bool d = lists[HEAD_SYSTEMS].get_item() != 0;
        m.double_shooting.set(d);
        if (!d)
            m.head_systems_enabled.set(1);
        show_double_shoot_rows(d);
    } else if (s == &lists[ENABLED_HEADS]) {
        m.head_systems_enabled.set((unsigned char)lists[ENABLED_HEADS].get_item());
    } else if (s == &numbers[FIRST_FERT]) {
        const double shown = numbers[FIRST_FERT].get_stat_val();
        if (shown >= 1.0)
            m.first_fert_sensor.set(setting_value<unsigned char>(shown - 1.0));
    }
    update_sensor_maps();
    return false;
}

bool BlockedHeadSettingsMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (is_release(ev))
        keys.switch_for(get_man(), a);
    return true;
}
