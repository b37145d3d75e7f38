#include "apps/sowvane/screens/Main_screen.h"

#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/screens/Mask_helpers.h"
#include "apps/sowvane/screens/Seeder_alarm_screen.h"
#include "util/Debug_print.h"
#include "vtui/screen/Screen_man.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int INTERVAL = 1000;
constexpr int SUB_AREAS = 10;
constexpr int STORE_TANKS = 10;
constexpr int PRODUCTS = 16;
constexpr double HECTARE_M2 = 10000.0;
// Volumes above this show without decimals.
// The volumes are floats: compared as floats, 999.9 itself keeps its decimal.
constexpr float VOLUME_DECIMALS_LIMIT = 999.9f;

using Ids = Screen_object_ids::Group_main;

// The soft keys of the run screen and their table fields.
struct Key_row {
    Window::Activator Main_screen::*key;
    uint32_t Ids::*id;
};

} // namespace

Main_screen::Main_screen(const char* name, Screen_man* man) : Data_screen(name, man)
{
    alarm_cycle.set_period(ALARM_CYCLE_MS);
    held_repeat.set_period(HELD_REPEAT_MS);
    blink.set_period(BLINK_MS);
}

Main_screen::~Main_screen()
{
    if (listeners_registered) {
        waiter_descriptor* w = get_man()->get_waiter();
        for (auto* l : {&channels_listener, &areas_listener, &vehicle_listener, &fans_listener, &operation_listener,
                        &volumes_listener, &alarms_listener})
            cds_unlisten(*l, w);
        swbox_listener.autounreg(w);
        for (auto* l : fan_settings)
            if (l)
                l->autounreg(w);
        for (auto* l : channel_settings)
            if (l)
                l->autounreg(w);
    }
    for (auto* l : fan_settings)
        delete l;
    for (auto* l : channel_settings)
        delete l;
    if (man) {
        remove_timeout(alarm_cycle);
        remove_timeout(held_repeat);
        remove_timeout(blink);
    }
    delete alarm_manager;
}

void Main_screen::bind_key(Activator& a, uint32_t id)
{
    a.init(this, id < NULL_ID ? uint16_t(id) : NULL_ID, NULL_ID);
}

bool Main_screen::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    Screen_object_ids* ids = mask_object_ids();
    if (!ids)
        return false;
    const Ids& m = ids->main;
    if (!Data_screen::init(p, find_pool_object<VT::Data_mask_obj>(p, m.data_mask), params, nullptr, 0))
        return false;

    manual_speed_group = find_pool_object<VT::Container_obj>(p, m.manual_speed_group);
    for (int t = 0; t < TANKS; ++t)
        tank_entries[t] = object_id16(ids->common.tank_entry[t]);
    all_tanks_entry = object_id16(ids->common.all_tanks_entry);
    select_list.init(&stats, find_pool_object<VT::Input_list_obj>(p, m.select_list), nullptr, p, false);
    sub_area_list.init(&stats, find_pool_object<VT::Input_list_obj>(p, m.sub_area_list), nullptr, p, false);
    view_tank_list.init(&stats, find_pool_object<VT::Input_list_obj>(p, m.view_tank_list), nullptr, p, false);

    auto out = [&](uint32_t id) { return find_pool_object<VT::Output_number_obj>(p, id); };
    auto text = [&](uint32_t id) { return find_pool_object<VT::Output_string_obj>(p, id); };
    ground_speed.init(&stats, out(m.speed), INTERVAL, Stat_num_format(Units_man::UNITS_SPEED, 1.0 / 36.0, 1),
                      Stat_num_format(Units_man::UNITS_SPEED, 0.044704, 1), nullptr, Stat_num::RAW_MAX, 0, p,
                      text(m.speed_units));
    area_rate.init(&stats, out(m.area_rate), INTERVAL, Stat_num_format(Units_man::UNITS_AREA_PER_TIME, 0.1, 1),
                   Stat_num_format(Units_man::UNITS_AREA_PER_TIME, 0.040468564224, 1), nullptr, Stat_num::RAW_MAX,
                   0, p, text(m.area_rate_units));
    for (int f = 0; f < FANS; ++f) {
        fan_group[f] = find_pool_object<VT::Container_obj>(p, m.fan_group[f]);
        fan_pressure_group[f] = find_pool_object<VT::Container_obj>(p, m.fan_pressure_group[f]);
        fan_speed[f].init(&stats, out(m.fan_speed[f]), INTERVAL, Stat_num_format(Units_man::UNITS_NONE, 1.0, 0),
                          Stat_num_format(Units_man::UNITS_NONE, 1.0, 0), nullptr, Stat_num::RAW_MAX, 0, p, nullptr);
        fan_pressure[f].init(&stats, out(m.fan_pressure[f]), INTERVAL,
                             Stat_num_format(Units_man::UNITS_PRESSURE, 0.1, 1),
                             Stat_num_format(Units_man::UNITS_PRESSURE, 0.01, 2), nullptr, Stat_num::RAW_MAX, 0, p,
                             text(m.pressure_units));
    }
    single_fan_group = find_pool_object<VT::Container_obj>(p, m.single_fan_group);
    single_fan_pressure_group = find_pool_object<VT::Container_obj>(p, m.single_fan_pressure_group);
    total_area.init(&stats, out(m.total_area), INTERVAL, Stat_num_format(Units_man::UNITS_AREA_LG, 1000.0, 1),
                    Stat_num_format(Units_man::UNITS_AREA_LG, 404.68564224, 1), nullptr, Stat_num::RAW_MAX, 0, p,
                    text(m.area_units));
    sub_area.init(&stats, out(m.sub_area), INTERVAL, Stat_num_format(Units_man::UNITS_AREA_LG, 1000.0, 1),
                  Stat_num_format(Units_man::UNITS_AREA_LG, 404.68564224, 1), nullptr, Stat_num::RAW_MAX, 0, p,
                  nullptr);
    viewed_volume_obj = out(m.viewed_volume);
    Format_pair volume = tank_volume_formats(0);
    viewed_volume.init(&stats, viewed_volume_obj, INTERVAL, volume.metric, volume.imperial, nullptr,
                       Stat_num::RAW_MAX, 0, p, nullptr);
    volume_units_pointer = find_pool_object<VT::Object_pointer_obj>(p, m.volume_units_pointer);
    for (int t = 0; t < TANKS; ++t)
        volume_units[t] = text(ids->common.volume_units[t]);

    for (int t = 0; t < TANKS; ++t)
        channels[t].init(this, &stats, p, uint8_t(t), ids);

    page_a = find_pool_object<VT::Container_obj>(p, m.page_a);
    page_b = find_pool_object<VT::Container_obj>(p, m.page_b);
    set_container_hidden(page_a, false);
    set_container_hidden(page_b, true);
    soft_keys_page_a = object_id16(m.soft_keys_page_a);
    soft_keys_page_b = object_id16(m.soft_keys_page_b);

    static const Key_row keys[] = {
        {&Main_screen::key_settings, &Ids::key_settings},
        {&Main_screen::key_to_page_b, &Ids::key_to_page_b},
        {&Main_screen::key_to_page_a, &Ids::key_to_page_a},
        {&Main_screen::key_master, &Ids::key_master},
        {&Main_screen::key_preset, &Ids::key_preset},
        {&Main_screen::key_inc, &Ids::key_inc},
        {&Main_screen::key_dec, &Ids::key_dec},
        {&Main_screen::key_master_switch, &Ids::key_master_switch},
        {&Main_screen::key_actuator_diagnostics, &Ids::key_actuator_diagnostics},
        {&Main_screen::key_manual_speed, &Ids::key_manual_speed},
        {&Main_screen::key_reset_area, &Ids::key_reset_area},
        {&Main_screen::key_reset_sub_area, &Ids::key_reset_sub_area},
    };
    for (const Key_row& k : keys)
        bind_key(this->*k.key, m.*k.id);
    master_key_pointer = find_pool_object<VT::Object_pointer_obj>(p, m.master_key_pointer);
    master_key_id = object_id16(m.key_master);
    for (int t = 0; t < TANKS; ++t) {
        const Screen_object_ids::Record& r = tank_record(*ids, t);
        auto button = [&](Activator& a, uint32_t id) { a.init(this, NULL_ID, object_id16(id)); };
        button(fill_button[t], r.fill_button);
        button(mode_1_button[t], r.mode_1_button);
        button(mode_2_button[t], r.mode_2_button);
        button(select_button[t], r.select_button);
    }

    indicator_states[0] = object_id16(ids->common.indicator_off);
    indicator_states[1] = object_id16(ids->common.indicator_on);
    master_switch.init(&stats);
    master_switch_client.init(find_pool_object<VT::Rectangle_obj>(p, m.master_switch_rect), indicator_states, 2);
    master_switch.add_client(&master_switch_client);
    manual_speed.init(&stats);
    manual_speed_client.init(find_pool_object<VT::Rectangle_obj>(p, m.manual_speed_rect), indicator_states, 2);
    manual_speed.add_client(&manual_speed_client);
    return true;
}

void Main_screen::post_snapshot_init()
{
    if (!is_ok())
        return;
    for (int f = 0; f < FANS; ++f) {
        set_container_hidden(fan_group[f], true);
        set_container_hidden(fan_pressure_group[f], true);
    }
    set_container_hidden(single_fan_group, true);
    set_container_hidden(single_fan_pressure_group, true);

    // Which product each tank carries: a later product wins a tank.
    for (int t = 0; t < TANKS; ++t) {
        cds_set(ds_head(), &ds().channels.channels[t].product_assigned, false);
        cds_set(ds_head(), &ds().channels.channels[t].product_number, 0);
    }
    for (int p = 0; p < PRODUCTS; ++p) {
        int tank = ps().app.products[p].tank.get();
        if (tank < TANKS) {
            cds_set(ds_head(), &ds().channels.channels[tank].product_assigned, true);
            cds_set(ds_head(), &ds().channels.channels[tank].product_number, p);
        }
    }
    handle_stat_update(&select_list);

    waiter_descriptor* w = get_waiter();
    for (int f = 0; f < FANS; ++f) {
        fan_settings[f] = new NV_store::Virt_listener<Main_screen>(this);
        nv_listen(*fan_settings[f], &ps().app.fans[f], w);
        update_fan_display(f);
    }
    for (int t = 0; t < TANKS; ++t) {
        channel_settings[t] = new NV_store::Virt_listener<Main_screen>(this);
        nv_listen(*channel_settings[t], &ps().app.channels[t], w);
    }
    data_store_body& d = ds();
    cds_listen(channels_listener, &d.channels, int(sizeof d.channels), w);
    cds_listen(areas_listener, &d.areas, int(sizeof d.areas), w);
    cds_listen(vehicle_listener, &d.vehicle, int(sizeof d.vehicle), w);
    cds_listen(fans_listener, &d.fans, int(sizeof d.fans), w);
    cds_listen(operation_listener, &d.operation, int(sizeof d.operation), w);
    cds_listen(volumes_listener, &d.volumes, int(sizeof d.volumes), w);
    cds_listen(alarms_listener, &d.alarms, int(sizeof d.alarms), w);
    nv_listen(swbox_listener, &ps().app.swbox_external_swbox_type, w);
    listeners_registered = true;

    refresh_master_key();
    for (auto* l : {&channels_listener, &areas_listener, &vehicle_listener, &fans_listener, &operation_listener,
                    &volumes_listener, &alarms_listener})
        handle_virt_listener_event(l);
    for (Channel& c : channels)
        c.start();
}

bool Main_screen::takes_command(int t)
{
    const ds_channel& c = ds().channels.channels[t];
    return cds_get_byte(ds_head(), &c.selected) && cds_get_byte(ds_head(), &c.product_assigned) &&
           ps().app.channels[t].enabled.get();
}

void Main_screen::select_tank_item(unsigned short item)
{
    select_list.set_item(item);
    handle_stat_update(&select_list);
}

bool Main_screen::handle_stat_update(Stat* s)
{
    for (Channel& c : channels)
        if (c.handle_stat_update(s))
            return true;
    if (s == &select_list) {
        unsigned item = select_list.get_item();
        for (int t = 0; t < TANKS; ++t)
            cds_set(ds_head(), &ds().channels.channels[t].selected, item == unsigned(t) || item == ALL_TANKS_ITEM);
    } else if (s == &sub_area_list) {
        unsigned item = sub_area_list.get_item();
        std::printf("SUB AREA: %u\n", item);
        ps().app.areas.sub_area_number.set(static_cast<unsigned char>(item));
        cds_set(ds_head(), &ds().areas.sub_area_number, item);
        update_area_display();
    } else if (s == &view_tank_list) {
        std::printf("VIEW TANK: %d\n", int(view_tank_list.get_item()));
        update_area_display();
        update_volume_units();
    }
    send_val_updates(false);
    return false;
}

void Main_screen::write_rate(int t, double rate)
{
    cds_set(ds_head(), &ds().channels.channels[t].requested_rate, rate);
}

void Main_screen::step_rates(bool up)
{
    (up ? inc_held : dec_held) = false;
    for (int t = 0; t < TANKS; ++t) {
        if (!takes_command(t))
            continue;
        const ds_channel& c = ds().channels.channels[t];
        if (cds_get(ds_head(), &c.rate_control_mode) == 2)
            continue;
        double step = ps().app.channels[t].rate_increment.get();
        double rate = cds_get_double(ds_head(), &c.requested_rate) + (up ? step : -step);
        // The requested rate never goes below its field's minimum.
        write_rate(t, std::max(rate, 0.0));
    }
}

bool Main_screen::pressed(Activator& a)
{
    if (&a != &key_inc && &a != &key_dec)
        return true;
    bool up = &a == &key_inc;
    for (int t = 0; t < TANKS; ++t) {
        if (!takes_command(t) || select_list.get_item() == ALL_TANKS_ITEM ||
            cds_get(ds_head(), &ds().channels.channels[t].rate_control_mode) != 2)
            continue;
        (up ? inc_held : dec_held) = true;
        Debug_print::dprint(up ? "button pressed - manual inc\n" : "button pressed - manual dec\n");
    }
    return true;
}

void Main_screen::show_page(bool to_b)
{
    Debug_print::dprint("Toggle 1\n");
    set_container_hidden(page_a, to_b);
    set_container_hidden(page_b, !to_b);
    if (data_mask)
        data_mask->set_soft_key_mask(to_b ? soft_keys_page_b : soft_keys_page_a);
}

bool Main_screen::released(Activator& a)
{
    CDS::Head* h = ds_head();
    data_store_body& d = ds();
    if (&a == &key_settings) {
        get_man()->switch_to_screen("settings_menu");
    } else if (&a == &key_to_page_b) {
        show_page(true);
        update_area_display();
    } else if (&a == &key_to_page_a) {
        show_page(false);
    } else if (&a == &key_master) {
        int selected = 0;
        bool all_off = true;
        for (int t = 0; t < TANKS; ++t) {
            if (!cds_get_byte(h, &d.channels.channels[t].selected))
                continue;
            ++selected;
            if (cds_get_byte(h, &d.channels.channels[t].active))
                all_off = false;
        }
        for (int t = 0; t < TANKS; ++t) {
            if (!takes_command(t))
                continue;
            bool on = !cds_get_byte(h, &d.channels.channels[t].active);
            if (selected > 1 && !all_off)
                on = false;
            cds_set(h, &d.channels.channels[t].active, on);
        }
    } else if (&a == &key_preset) {
        for (int t = 0; t < TANKS; ++t) {
            if (!takes_command(t))
                continue;
            double p1 = ps().app.channels[t].preset_rate_1.get();
            double p2 = ps().app.channels[t].preset_rate_2.get();
            write_rate(t, cds_get_double(h, &d.channels.channels[t].requested_rate) == p1 ? p2 : p1);
        }
    } else if (&a == &key_inc || &a == &key_dec) {
        step_rates(&a == &key_inc);
    } else if (&a == &key_master_switch) {
        if (ps().app.swbox_remote_master_mode.get() == 0)
            cds_toggle_bool(&d.operation.master_switch_active);
    } else if (&a == &key_reset_area) {
        std::printf("Reset AREA\n");
        cds_set(h, &d.areas.area.total, 0.0f);
        cds_set(h, &d.volumes.volume.total, 0.0f);
        ps().app.areas.area[0].total.set(0.0f);
    } else if (&a == &key_reset_sub_area) {
        int t = view_tank_list.get_item();
        int s = sub_area_list.get_item();
        std::printf("Reset SUB AREA, tank=%d, sub_area=%d\n", t, s);
        if (t < TANKS && s < SUB_AREAS) {
            cds_set(h, &d.areas.sub_areas[t][s], 0.0f);
            cds_set(h, &d.volumes.sub_volumes[t][s], 0.0f);
            ps().app.areas.channel[t].sub_area[s].total.set(0.0f);
        }
    } else if (&a == &key_manual_speed) {
        cds_toggle_bool(&d.operation.use_manual_speed);
    } else if (&a == &key_actuator_diagnostics) {
        get_man()->switch_to_screen("actuator_diagnostics");
    } else {
        for (int t = 0; t < TANKS; ++t) {
            bool mine = &a == &fill_button[t] || &a == &mode_1_button[t] || &a == &mode_2_button[t] ||
                        &a == &select_button[t];
            if (!mine)
                continue;
            if (!cds_get_byte(h, &d.channels.channels[t].product_assigned))
                break;
            if (&a == &fill_button[t])
                get_man()->switch_to_screen("tank_fill_mask");
            else if (&a == &select_button[t])
                select_tank_item(uint16_t(t));
            else
                cds_set(h, &d.channels.channels[t].rate_control_mode, &a == &mode_1_button[t] ? 1 : 2);
            break;
        }
    }
    return true;
}

bool Main_screen::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (ev.event == List_interface::Event::PRESSED)
        return pressed(a);
    if (ev.event == List_interface::Event::RELEASED)
        return released(a);
    return true;
}

bool Main_screen::send_timeout(Timeout& t)
{
    if (&t == &alarm_cycle) {
        if (cds_get_byte(ds_head(), &ds().system.vt_uploaded))
            cycle_alarms();
    } else if (&t == &blink) {
        blink_phase = !blink_phase;
        bool master = cds_get_byte(ds_head(), &ds().operation.master_switch_active);
        for (int i = 0; i < TANKS; ++i) {
            bool triggered = cds_get_byte(ds_head(), &ds().alarms.tank_incorrect_rate[i].triggered);
            channels[i].set_alarm_indicator(triggered && blink_phase && master);
        }
    } else if (&t == &held_repeat) {
        // Only a single tank ramps; the all-tanks item names none.
        unsigned tank = select_list.get_item();
        if (tank < TANKS) {
            bool yes = true;
            if (inc_held) {
                cds_set_bool(ds_head(), &ds().channels.channels[tank].rate_inc_manual, &yes);
                Debug_print::dprint("button held - tank%u manual inc\n", tank);
            } else if (dec_held) {
                cds_set_bool(ds_head(), &ds().channels.channels[tank].rate_dec_manual, &yes);
                Debug_print::dprint("button held - tank%u manual dec\n", tank);
            }
        }
    }
    return true;
}

bool Main_screen::activate()
{
    bool ok = Data_screen::activate();
    submit_timeout(blink);
    inc_held = dec_held = false;
    submit_timeout(held_repeat);
    if (first_activation) {
        alarm_manager = new TAlarmManager();
        submit_timeout(alarm_cycle);
        first_activation = false;
    }
    update_area_display();
    send_val_updates(false);
    return ok;
}

bool Main_screen::deactivate()
{
    bool ok = Data_screen::deactivate();
    remove_timeout(blink);
    remove_timeout(held_repeat);
    return ok;
}

void Main_screen::update_area_display()
{
    CDS::Head* h = ds_head();
    data_store_body& d = ds();
    unsigned t = view_tank_list.get_item();
    unsigned s = sub_area_list.get_item();
    total_area.set_val(cds_get(h, &d.areas.area.total) * HECTARE_M2);
    sub_area.set_val(t < TANKS && s < SUB_AREAS ? cds_get(h, &d.areas.sub_areas[t][s]) * HECTARE_M2 : 0.0);
    float v = t < STORE_TANKS && s < SUB_AREAS ? cds_get(h, &d.volumes.sub_volumes[t][s]) : 0.0f;
    if (viewed_volume_obj) {
        unsigned decimals = viewed_volume_obj->get_no_decimals();
        if (v > VOLUME_DECIMALS_LIMIT && decimals == 1)
            viewed_volume_obj->set_no_decimals(0);
        else if (v <= VOLUME_DECIMALS_LIMIT && decimals == 0)
            viewed_volume_obj->set_no_decimals(1);
    }
    viewed_volume.set_val(v);
}

void Main_screen::update_volume_units()
{
    unsigned t = view_tank_list.get_item();
    if (t >= TANKS)
        return;
    int mode = ps().app.channels[t].mode.get();
    if (mode == viewed_mode)
        return;
    viewed_mode = mode;
    double kept = viewed_volume.get_stat_val();
    Format_pair f = tank_volume_formats(mode);
    rebind(viewed_volume, &stats, viewed_volume_obj, INTERVAL, f.metric, f.imperial,
           static_cast<VT::Number_variable_obj*>(nullptr), Stat_num::RAW_MAX, 0u, pool,
           static_cast<VT::Output_string_obj*>(nullptr));
    if (Units_man* u = get_man()->get_units())
        viewed_volume.set_units(*u);
    if (volume_units_pointer)
        volume_units_pointer->set_value(volume_units[t] ? volume_units[t]->get_id() : NULL_ID);
    viewed_volume.set_val(kept);
}

void Main_screen::update_fan_display(int f)
{
    auto& fans = ps().app.fans;
    bool single = fans[0].enabled.get() && !fans[1].enabled.get();
    set_container_hidden(single_fan_group, !single);
    set_container_hidden(single_fan_pressure_group, !(single && fans[0].sense_pressure.get()));
    set_container_hidden(fan_group[0], single);
    set_container_hidden(fan_pressure_group[0], !(!single && fans[0].sense_pressure.get()));
    if (f == 1)
        set_container_hidden(fan_pressure_group[1], !(!single && fans[1].sense_pressure.get()));
}

void Main_screen::refresh_master_key()
{
    if (master_key_pointer)
        master_key_pointer->set_value(ps().app.swbox_external_swbox_type.get() ? NULL_ID : master_key_id);
}

void Main_screen::refresh_operation()
{
    CDS::Head* h = ds_head();
    bool manual = cds_get_byte(h, &ds().operation.use_manual_speed);
    master_switch.set_state(cds_get_byte(h, &ds().operation.master_switch_active) ? 1 : 0);
    manual_speed.set_state(manual ? 1 : 0);
    set_container_hidden(manual_speed_group, !manual);
}

void Main_screen::handle_virt_listener_event(CDS::Virt_listener<Main_screen>* l)
{
    CDS::Head* h = ds_head();
    data_store_body& d = ds();
    if (l == &areas_listener) {
        area_rate.set_val(cds_get(h, &d.areas.area_rate));
        unsigned n = cds_get(h, &d.areas.sub_area_number);
        sub_area_list.set_item(uint16_t(n > 8 ? 9 : n));
        update_area_display();
    } else if (l == &vehicle_listener) {
        ground_speed.set_val(cds_get(h, &d.vehicle.speed));
    } else if (l == &fans_listener) {
        for (int f = 0; f < FANS; ++f) {
            fan_speed[f].set_val(cds_get(h, &d.fans[f].rpm));
            fan_pressure[f].set_val(cds_get(h, &d.fans[f].pressure));
        }
    } else if (l == &operation_listener) {
        refresh_operation();
    } else if (l == &volumes_listener) {
        update_area_display();
    } else if (l == &alarms_listener) {
        start_alarm_cycle();
    }
    send_val_updates(false);
}

void Main_screen::handle_virt_listener_event(NV_store::Virt_listener<Main_screen>* l)
{
    if (l == &swbox_listener) {
        refresh_master_key();
        update_volume_units();
    }
    for (int t = 0; t < TANKS; ++t)
        if (l == channel_settings[t])
            update_volume_units();
    for (int f = 0; f < FANS; ++f)
        if (l == fan_settings[f])
            update_fan_display(f);
    send_val_updates(false);
}
