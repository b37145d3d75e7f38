#include "apps/sowvane/screens/FansHistoryMask.h"

FansHistoryMask::FansHistoryMask(const char* name, Screen_man* man)
    : History_page(name, man, &Screen_object_ids::fans_history_mask)
{
}

FansHistoryMask::~FansHistoryMask()
{
    drop_listeners(fan_listeners, get_waiter());
}

bool FansHistoryMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    if (!bind(p, params))
        return false;
    const auto& ids = ids_of();
    for (unsigned f = 0; f < FANS; ++f)
        items[f] = (unsigned short)mask_ids().common.tank_entry[f];
    list_obj = find_pool_object<VT::Input_list_obj>(p, ids.fan_list);
    list.init(&stats, list_obj, nullptr, p, false);
    list.set_item(0);
    const Stat_num_format tenths(Units_man::UNITS_NONE, 0.1, 1), hundredths(Units_man::UNITS_NONE, 0.01, 1);
    const Stat_num_format kpa(Units_man::UNITS_PRESSURE, 0.1, 1), psi(Units_man::UNITS_PRESSURE, 0.01, 1);
    bind_output(values[MAX_SPEED], &stats, p, ids.max_speed, tenths, tenths);
    bind_output(values[MAX_PRESSURE], &stats, p, ids.max_pressure, kpa, psi);
    bind_output(values[AVG_SPEED], &stats, p, ids.avg_speed, tenths, hundredths);
    bind_output(values[AVG_PRESSURE], &stats, p, ids.avg_pressure, kpa, psi);
    return true;
}

void FansHistoryMask::show_fan(unsigned f)
{
    ds_history& h = ds().history;
    const bool known = f < FANS;
    values[MAX_SPEED].set_val(known ? history_value(&h.fan_max_speed[f]) : 0.0);
    values[MAX_PRESSURE].set_val(known ? history_value(&h.fan_max_pressure[f]) : 0.0);
    values[AVG_SPEED].set_val(known ? history_value(&h.fan_avg_speed[f]) : 0.0);
    values[AVG_PRESSURE].set_val(known ? history_value(&h.fan_avg_pressure[f]) : 0.0);
    send_val_updates(false);
}

void FansHistoryMask::refresh()
{
    show_fan(list.get_item());
}

bool FansHistoryMask::handle_stat_update(Stat* s)
{
    if (s == &list)
        show_fan(list.get_item());
    return false;
}

void FansHistoryMask::post_snapshot_init()
{
    if (parameters == nullptr)
        return;
    for (unsigned f = 0; f < FANS; ++f) {
        if (fan_listeners[f] == nullptr) {
            fan_listeners[f] = new Fan_listener(this);
            nv_listen(*fan_listeners[f], &parameters->app.fans[f], get_waiter());
        }
    }
    listen();
    handle_stat_update(&list);
}

void FansHistoryMask::handle_virt_listener_event(Fan_listener* l)
{
    if (parameters == nullptr)
        return;
    for (unsigned q = 0; q < FANS; ++q) {
        if (l != fan_listeners[q])
            continue;
        const bool enabled = parameters->app.fans[q].enabled.get();
        const unsigned short shown = enabled ? items[q] : VT::Object_pool::NULL_ID;
        if (list_obj != nullptr && int(q) < list_obj->num_items() && list_obj->get_child_objects_val(q) != shown)
            list_obj->set_child_objects_val(q, shown, true);
        if (q == list.get_item() && enabled)
            return;
        list.set_item(0);
        show_fan(0);
    }
}
