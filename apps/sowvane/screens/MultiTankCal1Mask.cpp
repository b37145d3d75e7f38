#include "apps/sowvane/screens/MultiTankCal1Mask.h"

using Ids = MultiTankCal1Mask::Ids;
using Row = Key_row<Ids>;
using namespace multi_tank_cal;

namespace {
constexpr double PER_ACRE = 0.11208511561944565;

template <class T>
void store(T* field, T value)
{
    cds_set(ds_head(), field, value);
}
} // namespace

const Row MultiTankCal1Mask::key_rows[KEYS] = {
    {&Ids::key_product_settings_menu, Row::KEY, nullptr}, {&Ids::key_main, Row::KEY, nullptr},
    {&Ids::key_next, Row::KEY, nullptr},                  {&Ids::key_reset, Row::KEY, nullptr},
    {&Ids::key_master, Row::KEY, nullptr},                {&Ids::key_style, Row::KEY, nullptr},
};

MultiTankCal1Mask::MultiTankCal1Mask(const char* name, Screen_man* man) : Data_screen(name, man)
{
    timeout.set_period(PERIOD_MS);
}

MultiTankCal1Mask::~MultiTankCal1Mask()
{
    if (get_waiter() != nullptr && operation_listener.get_head() != nullptr)
        cds_unlisten(operation_listener, get_waiter());
    for (Listener& l : active_listeners)
        if (get_waiter() != nullptr && l.get_head() != nullptr)
            cds_unlisten(l, get_waiter());
}

bool MultiTankCal1Mask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().multi_tank_cal_1_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    for (int k = 0; k < KEYS; ++k)
        key_slots[k] = find_pool_object<VT::Object_pointer_obj>(p, ids.key_slot[k]);
    const Stat_num_format tenths(Units_man::UNITS_NONE, 0.1, 1);
    for (unsigned i = 0; i < TANKS; ++i) {
        Tank& t = tanks[i];
        t.name.init(&stats, find_pool_object<VT::Output_string_obj>(p, ids.tank_name[i]), p, 200);
        t.name = "";
        t.revs.init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.revs_output[i]), 1000, tenths, tenths,
                    nullptr, Stat_num::RAW_MAX, 0, p, nullptr);
        t.load.init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.motor_load_output[i]), 1000, tenths,
                    tenths, nullptr, Stat_num::RAW_MAX, 0, p, nullptr);
        t.row = find_pool_object<VT::Container_obj>(p, ids.tank_row[i]);
        t.revs_row = find_pool_object<VT::Container_obj>(p, ids.revs_row[i]);
        t.alt_row = find_pool_object<VT::Container_obj>(p, ids.alt_row[i]);
        t.off_marker = find_pool_object<VT::Container_obj>(p, ids.off_marker[i]);
        t.on_marker = find_pool_object<VT::Container_obj>(p, ids.on_marker[i]);
        show_container(t.revs_row, false);
        show_container(t.alt_row, false);
        show_container(t.off_marker, true);
        show_container(t.on_marker, true);
        t.on.init(this, VT::Object_pool::NULL_ID, (unsigned short)ids.on_button[i]);
        t.off.init(this, VT::Object_pool::NULL_ID, (unsigned short)ids.off_button[i]);
        t.rate.init(&stats, find_pool_object<VT::Input_number_obj>(p, ids.rate_input[i]), 100,
                    {Units_man::UNITS_MASS_PER_AREA, 0.1, 1}, {Units_man::UNITS_MASS_PER_AREA, PER_ACRE, 1}, nullptr,
                    Stat_num::RAW_MAX, 0, p, find_pool_object<VT::Output_string_obj>(p, ids.rate_units[i]));
        t.preset.init(&stats, find_pool_object<VT::Input_number_obj>(p, ids.preset_input[i]),
                      find_pool_object<VT::Output_number_obj>(p, ids.preset_output[i]),
                      find_pool_object<VT::Object_pointer_obj>(p, ids.preset_pointer[i]),
                      find_pool_object<VT::Number_variable_obj>(p, ids.preset_variable[i]), 100, tenths, tenths, 100,
                      1, p, nullptr);
        for (Stat_num* s : {&t.rate, &t.preset})
            s->set_editable(true);
        t.rate.set_range(0.0, 99999.0);
        t.preset.set_range(1.0, 100.0);
        for (Stat_num* s : {&t.rate, &t.preset})
            s->set_editable(false);
        t.estimate.init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.estimated_weight[i]), 200,
                        {Units_man::UNITS_MASS, 0.1, 1}, {Units_man::UNITS_MASS, 0.0045359237, 2}, nullptr,
                        Stat_num::RAW_MAX, 0, p, find_pool_object<VT::Output_string_obj>(p, ids.estimated_weight_units[i]));
    }
    master_states[0] = (unsigned short)ids.master_off_state;
    master_states[1] = (unsigned short)ids.master_on_state;
    master.init(&stats);
    master_rect.init(find_pool_object<VT::Rectangle_obj>(p, ids.master_indicator), master_states, 2);
    master.add_client(&master_rect);
    return true;
}

void MultiTankCal1Mask::apply_style(unsigned i)
{
    Tank& t = tanks[i];
    if (!style && parameters->app.channels[i].granular_controller_type.get() == 1) {
        show_container(t.revs_row, false);
    } else {
        show_container(t.revs_row, true);
        show_container(t.alt_row, false);
    }
}

void MultiTankCal1Mask::update_tank(unsigned i)
{
    Tank& t = tanks[i];
    show_container(t.row, is_cal_tank(*parameters, i));
    show_tank_name(*parameters, i, t.name);
    t.rate.set_val(cds_get_double(ds_head(), &ds().channels.channels[i].requested_rate));
    send_val_updates(false);
}

void MultiTankCal1Mask::show_markers(unsigned i, bool active)
{
    show_container(tanks[i].off_marker, !active);
    show_container(tanks[i].on_marker, active);
}

void MultiTankCal1Mask::update_keys_and_markers()
{
    const Ids& ids = mask_ids().multi_tank_cal_1_mask;
    uint32_t Ids::*const key_fields[KEY_STYLE] = {&Ids::key_product_settings_menu, &Ids::key_main, &Ids::key_next,
                                                 &Ids::key_reset, &Ids::key_master};
    for (int k = 0; k < KEY_STYLE; ++k)
        show_key(key_slots[k], ids.*key_fields[k]);
    bool actuator = false;
    for (unsigned i = 0; i < TANKS; ++i) {
        show_markers(i, cds_get_byte(ds_head(), &ds().channels.channels[i].active) != 0);
        tanks[i].estimate.set_val(0.0);
        tanks[i].revs.set_val(0.0);
        tanks[i].load.set_val(0.0);
        tanks[i].estimated = tanks[i].counted_revs = 0.0;
        actuator = actuator ||
                   (is_cal_tank(*parameters, i) && parameters->app.channels[i].granular_controller_type.get() == 1);
    }
    show_key(key_slots[KEY_STYLE], actuator ? ids.key_style : VT::Object_pool::NULL_ID);
}

void MultiTankCal1Mask::count_revolutions()
{
    for (unsigned i = 0; i < TANKS; ++i) {
        const float ratio = store_float(&ds().channels.channels[i].encoder_ratio);
        const double pulses = cds_get_word(ds_head(), &ds().diagnostics.shaft[i].pulse_count);
        Tank& t = tanks[i];
        t.counted_revs = ratio != 0.0f ? pulses / double(ratio) : 0.0;
        t.estimated = double(parameters->app.channels[i].cal_setting.get()) * t.counted_revs;
        t.revs.set_val(t.counted_revs);
        t.estimate.set_val(t.estimated);
        t.load.set_val(store_float(&ds().channels.channels[i].motor_load));
    }
}

void MultiTankCal1Mask::post_snapshot_init()
{
    if (parameters == nullptr)
        return;
    if (operation_listener.get_head() == nullptr)
        cds_listen(operation_listener, &ds().operation, int(sizeof(ds_operation)), get_waiter());
    for (unsigned i = 0; i < TANKS; ++i) {
        if (active_listeners[i].get_head() == nullptr)
            cds_listen(active_listeners[i], &ds().channels.channels[i].active, int(sizeof(bool)), get_waiter());
        show_container(tanks[i].off_marker, false);
        show_container(tanks[i].on_marker, false);
        update_tank(i);
    }
    update_keys_and_markers();
    handle_virt_listener_event(&operation_listener);
}

bool MultiTankCal1Mask::activate()
{
    const bool ok = Data_screen::activate();
    if (parameters == nullptr)
        return ok;
    const bool resume = !left_by_key;
    left_by_key = false;
    update_keys_and_markers();
    submit_timeout(timeout, PERIOD_MS);
    auto& app = parameters->app;
    const bool clutch = app.using_master_clutch.get();
    for (unsigned i = 0; i < TANKS; ++i) {
        Tank& t = tanks[i];
        show_container(t.row, false);
        if (!resume)
            store(&ds().diagnostics.shaft[i].pulse_count, 0u);
        t.rate.set_editable(true);
        t.preset.set_editable(true);
        apply_style(i);
        if (is_cal_tank(*parameters, i))
            store(&ds().operation.tank[i].calibrating_tank, true);
        if (clutch && app.channels[i].act_cal_mode.get() == 0 &&
            app.channels[i].granular_controller_type.get() == 1)
            held_master_clutch.hold(app.using_master_clutch, false);
        update_tank(i);
    }
    if (resume)
        count_revolutions();
    store(&ds().operation.calibration_state, 1);
    return ok;
}

void MultiTankCal1Mask::end_run()
{
    for (unsigned i = 0; i < TANKS; ++i)
        if (is_cal_tank(*parameters, i))
            store(&ds().operation.tank[i].calibrating_tank, false);
    store(&ds().operation.calibration_state, 0);
    held_master_clutch.release();
}

bool MultiTankCal1Mask::deactivate()
{
    const bool ok = Data_screen::deactivate();
    remove_timeout(timeout);
    if (parameters != nullptr)
        end_run();
    return ok;
}

bool MultiTankCal1Mask::send_timeout(Timeout& t)
{
    if (&t == &timeout && parameters != nullptr) {
        count_revolutions();
        send_val_updates(false);
    }
    return true;
}

void MultiTankCal1Mask::handle_virt_listener_event(Listener* l)
{
    if (l == &operation_listener)
        master.set_state(cds_get_byte(ds_head(), &ds().operation.master_switch_active) ? 1 : 0);
    for (unsigned i = 0; i < TANKS; ++i)
        if (l == &active_listeners[i])
            show_markers(i, cds_get_byte(ds_head(), &ds().channels.channels[i].active) != 0);
    send_val_updates(false);
}

bool MultiTankCal1Mask::handle_stat_update(Stat* s)
{
    if (parameters == nullptr)
        return false;
    for (unsigned i = 0; i < TANKS; ++i) {
        if (s == &tanks[i].rate) {
            store(&ds().channels.channels[i].requested_rate, tanks[i].rate.get_stat_val());
            return true;
        }
        if (s == &tanks[i].preset) {
            parameters->app.cal_to_preset_value.set(setting_value<unsigned char>(tanks[i].preset.get_stat_val()));
            return true;
        }
    }
    return false;
}

bool MultiTankCal1Mask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev) || parameters == nullptr)
        return true;
    auto& app = parameters->app;
    switch (keys.find(a)) {
    case KEY_PRODUCT_MENU:
        left_by_key = true;
        get_man()->switch_to_screen("product_settings_menu");
        break;
    case KEY_MAIN:
        left_by_key = true;
        get_man()->switch_to_screen("main");
        break;
    case KEY_NEXT:
        // What was counted, not the rounded figures shown.
        for (unsigned i = 0; i < TANKS; ++i) {
            auto& channel = ds().channels.channels[i];
            store(&channel.cal_est_weight, float(tanks[i].estimated));
            store(&channel.cal_act_revs, float(tanks[i].counted_revs));
            store(&channel.cal_act_weight, -1.0f);
        }
        left_by_key = true;
        get_man()->switch_to_screen("multi_tank_cal_2_mask");
        break;
    case KEY_RESET:
        for (unsigned i = 0; i < TANKS; ++i) {
            store(&ds().diagnostics.shaft[i].pulse_count, 0u);
            tanks[i].estimate.set_val(0.0);
            tanks[i].revs.set_val(0.0);
            tanks[i].estimated = tanks[i].counted_revs = 0.0;
        }
        break;
    case KEY_MASTER:
        if (app.swbox_remote_master_mode.get() == 0)
            cds_toggle_bool(&ds().operation.master_switch_active);
        break;
    case KEY_STYLE:
        style = !style;
        for (unsigned i = 0; i < TANKS; ++i)
            apply_style(i);
        break;
    default:
        break;
    }
    if (app.swbox_cal_swbox_type.get() == 2)
        return true;
    for (unsigned i = 0; i < TANKS; ++i) {
        const bool on = &a == &tanks[i].on;
        if (!on && &a != &tanks[i].off)
            continue;
        store(&ds().channels.channels[i].active, on);
        show_markers(i, on);
    }
    return true;
}
