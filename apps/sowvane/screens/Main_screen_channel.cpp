// One tank column of the run screen.
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/screens/Main_screen.h"
#include "apps/sowvane/screens/Mask_helpers.h"
#include "vtui/screen/Screen_man.h"


namespace {
constexpr int INTERVAL = 1000;
constexpr double RATE_MAX = 99999;
constexpr double REMAINING_MIN = -9999;
} // namespace

Main_screen::Channel::~Channel()
{
    if (!screen)
        return;
    waiter_descriptor* w = screen->get_man()->get_waiter();
    if (cds_registered)
        cds_unlisten(cds_listener, w);
    if (nv_registered)
        nv_listener.autounreg(w);
}

void Main_screen::Channel::init(Main_screen* s, Stat_collector* c, VT::Object_pool* p, unsigned char t,
                                Screen_object_ids* table)
{
    screen = s;
    col = c;
    pool = p;
    tank = t;
    ids = table;
    const Screen_object_ids::Record& r = tank_record(*ids, t);
    auto container = [&](uint32_t id) { return find_pool_object<VT::Container_obj>(p, id); };
    preset_1_marker = container(r.preset_1_marker);
    preset_2_marker = container(r.preset_2_marker);
    column = container(r.column);
    alarm_marker = container(r.alarm_marker);
    pressure_group = container(r.pressure_group);
    mode_2_group = container(r.mode_2_group);
    other_mode_group = container(r.other_mode_group);

    active_states[0] = object_id16(ids->common.indicator_off);
    active_states[1] = object_id16(ids->common.indicator_on);
    selected_states[0] = object_id16(ids->common.selected_off);
    selected_states[1] = object_id16(ids->common.selected_on);
    active_indicator.init(c);
    active_client.init(find_pool_object<VT::Rectangle_obj>(p, r.active_rect), active_states, 2);
    active_indicator.add_client(&active_client);
    selected_indicator.init(c);
    selected_client.init(find_pool_object<VT::Rectangle_obj>(p, r.selected_rect), selected_states, 2);
    selected_indicator.add_client(&selected_client);

    name_stat.init(c, find_pool_object<VT::Output_string_obj>(p, r.name), p, INTERVAL);
    bind_mode_stats(0);
    pressure.init(c, find_pool_object<VT::Output_number_obj>(p, r.pressure), INTERVAL,
                  Stat_num_format(Units_man::UNITS_PRESSURE, 0.1, 1), Stat_num_format(Units_man::UNITS_PRESSURE, 0.01, 2),
                  nullptr, Stat_num::RAW_MAX, 0, p, nullptr);
    pressure.set_range(0, RATE_MAX);
}

// The rate and volume stats in the formats of a tank mode (same objects,
// unit texts and ranges).
void Main_screen::Channel::bind_mode_stats(int m)
{
    const Screen_object_ids::Record& r = tank_record(*ids, tank);
    Format_pair rates = tank_rate_formats(m);
    Format_pair volumes = tank_volume_formats(m);
    rebind(rate, col, find_pool_object<VT::Input_number_obj>(pool, r.rate_input), INTERVAL, rates.metric,
           rates.imperial, find_pool_object<VT::Number_variable_obj>(pool, r.rate_variable), Stat_num::RAW_MAX, 0u,
           pool, find_pool_object<VT::Output_string_obj>(pool, ids->common.rate_units[tank]));
    rate.set_editable(true);
    rate.set_range(0, RATE_MAX);
    rebind(actual_rate, col, find_pool_object<VT::Output_number_obj>(pool, r.actual_rate), INTERVAL, rates.metric,
           rates.imperial, static_cast<VT::Number_variable_obj*>(nullptr), Stat_num::RAW_MAX, 0u, pool,
           static_cast<VT::Output_string_obj*>(nullptr));
    rebind(remaining_volume, col, find_pool_object<VT::Output_number_obj>(pool, r.remaining), INTERVAL,
           volumes.metric, volumes.imperial, static_cast<VT::Number_variable_obj*>(nullptr), Stat_num::RAW_MAX, 0u,
           pool, find_pool_object<VT::Output_string_obj>(pool, ids->common.volume_units[tank]));
    remaining_volume.set_range(REMAINING_MIN, RATE_MAX);
}

void Main_screen::Channel::start()
{
    for (auto* c : {preset_1_marker, preset_2_marker, column, alarm_marker, pressure_group, mode_2_group,
                    other_mode_group})
        set_container_hidden(c, true);
    waiter_descriptor* w = screen->get_waiter();
    cds_registered = cds_listen(cds_listener, &ds().channels, int(sizeof ds().channels), w) == 0;
    update_from_cds();
    nv_registered = nv_listen(nv_listener, &ps().app.channels[tank], w) == 0;
    update_from_nv();
    screen->send_val_updates(false);
}

void Main_screen::Channel::update_from_cds()
{
    ds_channel c;
    cds_get_channel(&c, ds_head(), &ds().channels.channels[tank]);
    active_indicator.set_state(c.active ? 1 : 0);
    selected_indicator.set_state(c.selected ? 1 : 0);
    const auto& settings = ps().app.channels[tank];
    bool preset_1 = c.product_assigned && c.requested_rate == double(settings.preset_rate_1.get());
    bool preset_2 = c.product_assigned && !preset_1 && c.requested_rate == double(settings.preset_rate_2.get());
    set_container_hidden(preset_1_marker, !preset_1);
    set_container_hidden(preset_2_marker, !preset_2);
    rate.set_val(c.requested_rate);
    actual_rate.set_val(c.actual_rate);
    pressure.set_val(c.liquid_pressure);
    remaining_volume.set_val(c.remaining_volume);
    update_liquid_group();
}

void Main_screen::Channel::update_liquid_group()
{
    const auto& settings = ps().app.channels[tank];
    int m = settings.mode.get();
    if (settings.enabled.get() && settings.liquid_controller_type.get() == 0 && (m == 1 || m == 2)) {
        bool mode_2 = cds_get(ds_head(), &ds().channels.channels[tank].rate_control_mode) == 2;
        set_container_hidden(mode_2_group, !mode_2);
        set_container_hidden(other_mode_group, mode_2);
    } else {
        set_container_hidden(mode_2_group, true);
        set_container_hidden(other_mode_group, true);
    }
}

void Main_screen::Channel::update_from_nv()
{
    auto& settings = ps().app.channels[tank];
    char name[SETTING_NAME_BUFFER];
    name_stat = setting_name(settings.name, name);
    bool enabled = settings.enabled.get();
    set_container_hidden(column, !enabled);
    set_container_hidden(pressure_group, !(enabled && settings.liquid_pressure_sense.get() && settings.mode.get() != 0));
    update_liquid_group();

    int enabled_tanks = 0;
    for (int t = 0; t < TANKS; ++t)
        enabled_tanks += ps().app.channels[t].enabled.get() ? 1 : 0;
    Stat_list& select = screen->get_select_list();
    Stat_list& view = screen->get_view_tank_list();
    auto set_entry = [](Stat_list& l, unsigned item, unsigned short object) {
        if (l.get_list())
            l.get_list()->set_child_objects_val(item, object, true);
    };
    if (enabled_tanks < 2) {
        set_entry(select, ALL_TANKS_ITEM, NULL_ID);
        if (select.get_item() == ALL_TANKS_ITEM)
            screen->select_tank_item(0);
    } else {
        set_entry(select, ALL_TANKS_ITEM, screen->tank_entry(ALL_TANKS_ITEM));
    }
    if (!enabled) {
        set_entry(select, tank, NULL_ID);
        set_entry(view, tank, NULL_ID);
        if (select.get_item() == tank)
            screen->select_tank_item(0);
    } else {
        set_entry(select, tank, screen->tank_entry(tank));
        set_entry(view, tank, screen->tank_entry(tank));
    }
    update_units();
}

void Main_screen::Channel::update_units()
{
    int m = ps().app.channels[tank].mode.get();
    if (m == mode)
        return;
    mode = m;
    bind_mode_stats(m);
    if (Units_man* u = screen->get_man()->get_units()) {
        rate.set_units(*u);
        actual_rate.set_units(*u);
        remaining_volume.set_units(*u);
    }
    ds_channel c;
    cds_get_channel(&c, ds_head(), &ds().channels.channels[tank]);
    rate.set_val(c.requested_rate);
    actual_rate.set_val(c.actual_rate);
    remaining_volume.set_val(c.remaining_volume);
}

bool Main_screen::Channel::handle_stat_update(Stat* s)
{
    if (s != &rate)
        return false;
    cds_set(ds_head(), &ds().channels.channels[tank].requested_rate, rate.get_stat_val());
    return true;
}

void Main_screen::Channel::set_alarm_indicator(bool shown)
{
    set_container_hidden(alarm_marker, !shown);
}

void Main_screen::Channel::handle_virt_listener_event(CDS::Virt_listener<Channel>* l)
{
    if (l == &cds_listener)
        update_from_cds();
    screen->send_val_updates(false);
}

void Main_screen::Channel::handle_virt_listener_event(NV_store::Virt_listener<Channel>* l)
{
    if (l == &nv_listener)
        update_from_nv();
    screen->send_val_updates(false);
}
