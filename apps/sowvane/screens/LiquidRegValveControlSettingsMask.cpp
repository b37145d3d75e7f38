#include "apps/sowvane/screens/LiquidRegValveControlSettingsMask.h"

using Ids = LiquidRegValveControlSettingsMask::Ids;
using M = LiquidRegValveControlSettingsMask;

namespace {
const Key_row<Ids> keys[5] = {
    TANK_DRIVE_KEYS(Ids),
    {&Ids::liquid_settings_button, Key_row<Ids>::BUTTON, "liquid_prop_valve_settings_mask"},
};
// The controller mode is handled by the mask itself (a stored mode above 3
// shows as mode 0 and is never written from an unknown item).
const Setting_ref controller_mode = {
    [](NV_kelsu::parameters_t& ps, unsigned i) -> double {
        const unsigned m = ps.app.channels[i].rvalve_liquid_mode.get();
        return m < M::MODES ? m : 0;
    },
    [](NV_kelsu::parameters_t& ps, unsigned i, double v) -> bool {
        return v < M::MODES && ps.app.channels[i].rvalve_liquid_mode.set((unsigned char)v);
    },
};
const List_row<Ids> lists[5] = {
    {&Ids::reverse_valve, SETTING_REF(app.channels[i].rvalve_liquid_reverse_valve_direction)},
    {&Ids::close_valve_when_off, SETTING_REF(app.channels[i].rvalve_liquid_close_valve_if_tank_off)},
    {&Ids::relay_on_when_off, SETTING_REF(app.channels[i].rvalve_liquid_relay_on_when_tank_off)},
    {&Ids::sensitivity, SETTING_REF(app.channels[i].rvalve_liquid_sensitivity)},
    {&Ids::controller_mode, controller_mode},
};
const M::Rows rows = {&Screen_object_ids::liquid_reg_valve_control_settings_mask, keys, nullptr, lists,
                      "LiquidRegValveControlSettingsMask::handle_stat_update ()\n"};

uint32_t (Ids::*const timing_lists[M::TIMINGS])[M::MODES] = {&Ids::pwm_setting, &Ids::max_on_time,
                                                              &Ids::min_on_time, &Ids::gain_setting};
uint32_t (Ids::*const timing_row_fields[M::TIMINGS])[M::MODES] = {&Ids::pwm_setting_row, &Ids::max_on_time_row,
                                                                   &Ids::min_on_time_row, &Ids::gain_setting_row};


} // namespace

LiquidRegValveControlSettingsMask::LiquidRegValveControlSettingsMask(const char* name, Screen_man* man)
    : Tank_drive_mask(name, man, rows)
{
}

bool LiquidRegValveControlSettingsMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    if (!Tank_drive_mask::init(p, params))
        return false;
    const Ids& ids = mask_ids().liquid_reg_valve_control_settings_mask;
    for (unsigned m = 0; m < MODES; ++m) {
        for (int t = 0; t < TIMINGS; ++t) {
            timings[m][t].init(&stats, find_pool_object<VT::Input_list_obj>(p, (ids.*timing_lists[t])[m]), nullptr, p,
                               false);
            timing_rows[m][t] = find_pool_object<VT::Container_obj>(p, (ids.*timing_row_fields[t])[m]);
        }
    }
    return true;
}

bool LiquidRegValveControlSettingsMask::mode_rows_shown(unsigned mode) const
{
    return mode < MODES && timing_rows[mode][0] != nullptr && !timing_rows[mode][0]->get_hidden();
}

void LiquidRegValveControlSettingsMask::refresh()
{
    Tank_drive_mask::refresh();
    if (parameters == nullptr || !has_tank())
        return;
    const unsigned shown = list(CONTROLLER_MODE).get_item();
    auto& tank = parameters->app.channels[tank_];
    for (unsigned m = 0; m < MODES; ++m) {
        auto& c = tank.rvalve_liquid_controller[m];
        const unsigned values[TIMINGS] = {c.speed.get(), c.max_on_time.get(), c.min_on_time.get(), c.gain.get()};
        for (int t = 0; t < TIMINGS; ++t) {
            show_container(timing_rows[m][t], m == shown);
            if (values[t] < timings[m][t].get_item_count())
                timings[m][t].set_item((unsigned short)values[t]);
        }
    }
}

bool LiquidRegValveControlSettingsMask::store(Stat* s)
{
    std::printf("tank index=%d\n", int(tank_));
    if (s == &list(CONTROLLER_MODE)) {
        if (list(CONTROLLER_MODE).get_item() < MODES) {
            lists_.store(s, *parameters, tank_);
            refresh();
        }
        return true;
    }
    const unsigned m = list(CONTROLLER_MODE).get_item();
    if (m >= MODES)
        return false;
    auto& c = parameters->app.channels[tank_].rvalve_liquid_controller[m];
    for (int t = 0; t < TIMINGS; ++t) {
        if (s != &timings[m][t])
            continue;
        const unsigned char item = (unsigned char)timings[m][t].get_item();
        if (t == PWM)
            c.speed.set(item);
        else if (t == MAX_ON)
            c.max_on_time.set(item);
        else if (t == MIN_ON)
            c.min_on_time.set(item);
        else
            c.gain.set(item);
        return true;
    }
    return false;
}
