#include "apps/sowvane/screens/TankFillMask.h"

#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/screens/Mask_helpers.h"
#include "apps/sowvane/screens/Setting_ranges.h"
#include "util/Debug_print.h"
#include "vtui/screen/Screen_man.h"

#include <algorithm>
#include <cstdio>

namespace {
constexpr int INTERVAL = 1000;
constexpr int PRODUCTS = 16;
constexpr double STEP_MAX = 5000;
constexpr size_t MESSAGE_BUFFER = 64;

// Granular and NH3 tanks are filled by mass.
bool filled_by_mass(int mode)
{
    return mode == 0 || mode == 2;
}
} // namespace

TankFillMask::TankFillMask(const char* name, Screen_man* man) : Data_screen(name, man) {}

TankFillMask::~TankFillMask()
{
    waiter_descriptor* w = man ? man->get_waiter() : nullptr;
    for (int t = 0; t < TANKS; ++t) {
        if (settings_listener[t]) {
            settings_listener[t]->autounreg(w);
            delete settings_listener[t];
        }
        if (store_listener[t]) {
            cds_unlisten(*store_listener[t], w);
            delete store_listener[t];
        }
    }
}

bool TankFillMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    Screen_object_ids* ids = mask_object_ids();
    if (!ids)
        return false;
    const auto& m = ids->tank_fill_mask;
    if (!Data_screen::init(p, find_pool_object<VT::Data_mask_obj>(p, m.data_mask), params, nullptr, 0))
        return false;
    key_fill.init(this, object_id16(m.key_fill), NULL_ID);
    key_inc.init(this, object_id16(m.key_inc), NULL_ID);
    key_dec.init(this, object_id16(m.key_dec), NULL_ID);
    key_settings.init(this, object_id16(m.key_settings), NULL_ID);
    key_main.init(this, object_id16(m.key_main), NULL_ID);
    for (int t = 0; t < TANKS; ++t)
        tank_entries[t] = object_id16(ids->common.tank_entry[t]);
    all_tanks_entry = object_id16(ids->common.all_tanks_entry);
    tank_list.init(&stats, find_pool_object<VT::Input_list_obj>(p, m.tank_list), nullptr, p, false);
    message_field = find_pool_object<VT::Output_string_obj>(p, m.message);
    multi_tank_group = find_pool_object<VT::Container_obj>(p, m.multi_tank_group);
    single_tank_group = find_pool_object<VT::Container_obj>(p, m.single_tank_group);
    for (int t = 0; t < TANKS; ++t) {
        tank_row[t] = find_pool_object<VT::Container_obj>(p, m.tank_row[t]);
        bind_tank_stats(0, t);
    }
    return true;
}

void TankFillMask::bind_tank_stats(int mode, int t)
{
    if (!index_in_range("TankFill: tank", t, TANKS))
        return;
    Screen_object_ids* ids = mask_object_ids();
    const auto& m = ids->tank_fill_mask;
    Format_pair f = tank_volume_formats(mode);
    rebind(remaining_input[t], &stats, find_pool_object<VT::Input_number_obj>(pool, m.remaining_input[t]), INTERVAL,
           f.metric, f.imperial, static_cast<VT::Number_variable_obj*>(nullptr), Stat_num::RAW_MAX, 0u, pool,
           find_pool_object<VT::Output_string_obj>(pool, ids->common.volume_units[t]));
    remaining_input[t].set_editable(true);
    remaining_input[t].set_range(setting_ranges::tank_remaining.min, setting_ranges::tank_remaining.max);
    rebind(step_input[t], &stats, find_pool_object<VT::Input_number_obj>(pool, m.step_input[t]), INTERVAL, f.metric,
           f.imperial, static_cast<VT::Number_variable_obj*>(nullptr), Stat_num::RAW_MAX, 0u, pool,
           static_cast<VT::Output_string_obj*>(nullptr));
    step_input[t].set_editable(true);
    step_input[t].set_range(0, STEP_MAX);
}

void TankFillMask::post_snapshot_init()
{
    if (!is_ok())
        return;
    waiter_descriptor* w = get_waiter();
    for (int t = 0; t < TANKS; ++t) {
        settings_listener[t] = new NV_store::Virt_listener<TankFillMask>(this);
        nv_listen(*settings_listener[t], &ps().app.channels[t], w);
        store_listener[t] = new CDS::Virt_listener<TankFillMask>(this);
        cds_listen(*store_listener[t], &ds().channels.channels[t], int(sizeof(ds_channel)), w);
    }
}

int TankFillMask::count_enabled() const
{
    int n = 0;
    for (int t = 0; t < TANKS; ++t)
        n += ps().app.channels[t].enabled.get() ? 1 : 0;
    return n;
}

void TankFillMask::show_groups(int enabled_tanks)
{
    bool multi = enabled_tanks > 1;
    set_container_hidden(multi_tank_group, !multi);
    set_container_hidden(single_tank_group, multi);
}

bool TankFillMask::activate()
{
    bool ok = Data_screen::activate();
    show_message("");
    for (int t = 0; t < TANKS; ++t) {
        set_container_hidden(tank_row[t], true);
        update_tank(t);
        update_remaining(t);
    }
    show_groups(count_enabled());
    // What the refresh changed goes out with the mask, not with a later event.
    send_val_updates(false);
    return ok;
}

void TankFillMask::update_units(int t)
{
    int mode = ps().app.channels[t].mode.get();
    if (mode == tank_mode[t])
        return;
    tank_mode[t] = mode;
    bind_tank_stats(mode, t);
    if (Units_man* u = get_man()->get_units()) {
        remaining_input[t].set_units(*u);
        step_input[t].set_units(*u);
    }
    remaining_input[t].set_val(cds_get_double(ds_head(), &ds().channels.channels[t].remaining_volume));
    step_input[t].set_val(ps().app.channels[t].tank_fill_inc_dec.get());
}

void TankFillMask::update_remaining(int t)
{
    remaining_input[t].set_val(cds_get_double(ds_head(), &ds().channels.channels[t].remaining_volume));
}

void TankFillMask::choose_item(unsigned short item)
{
    tank_list.set_item(item);
    handle_stat_update(&tank_list);
}

void TankFillMask::update_tank(int t)
{
    auto& settings = ps().app.channels[t];
    bool enabled = settings.enabled.get();
    set_container_hidden(tank_row[t], !enabled);
    if (VT::Input_list_obj* list = tank_list.get_list()) {
        list->set_child_objects_val(unsigned(t), enabled ? tank_entries[t] : NULL_ID, true);
        if (!enabled && tank_list.get_item() == t)
            choose_item(0);
    }
    for (int p = 0; p < PRODUCTS; ++p) {
        if (ps().app.products[p].tank.get() == t) {
            step_input[t].set_val(settings.tank_fill_inc_dec.get());
            break;
        }
    }
    update_units(t);
    // Without a full load known the operator may still type what the tank
    // holds, in the input's own range.
    double load = full_load(t);
    const Setting_range& own = setting_ranges::tank_remaining;
    remaining_input[t].set_range(own.min, load > 0 ? load : own.max);
}

double TankFillMask::full_load(int t)
{
    auto& settings = ps().app.channels[t];
    double load = settings.capacity.get();
    if (!filled_by_mass(settings.mode.get()))
        return load;
    const ds_channel& c = ds().channels.channels[t];
    if (!cds_get_byte(ds_head(), &c.product_assigned))
        return load;
    int product = cds_get(ds_head(), &c.product_number);
    if (!index_in_range("TankFill: product", product, PRODUCTS))
        return -1;
    return load * ps().app.products[product].density.get();
}

bool TankFillMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (ev.event != List_interface::Event::RELEASED)
        return true;
    if (&a == &key_main) {
        get_man()->switch_to_screen("main");
        return true;
    }
    if (&a == &key_settings) {
        get_man()->switch_to_screen("settings_menu");
        return true;
    }
    int item = tank_list.get_item();
    const char* what = &a == &key_fill ? "FILL" : &a == &key_inc ? "INC" : &a == &key_dec ? "DEC" : nullptr;
    if (!what)
        return true;
    Debug_print::dprint("TankFill: %s, tank=%d\n", what, item);
    char message[MESSAGE_BUFFER] = "";
    for (int t = 0; t < TANKS; ++t) {
        double* remaining = &ds().channels.channels[t].remaining_volume;
        if ((item != t && item != ALL_TANKS_ITEM) ||
            !cds_get_byte(ds_head(), &ds().channels.channels[t].product_assigned))
            continue;
        double now = cds_get_double(ds_head(), remaining);
        if (&a == &key_dec) {
            cds_set(ds_head(), remaining, std::max(now - step_input[t].get_stat_val(), 0.0));
            continue;
        }
        double load = full_load(t);
        if (load < 0)
            continue;
        if (load == 0) {
            // Nothing to fill to: what the tank holds stays, and the page
            // names the first tank that lacks a setting.
            if (!message[0])
                describe_missing_full_load(t, message, sizeof message);
            continue;
        }
        cds_set(ds_head(), remaining, &a == &key_fill ? load : std::min(now + step_input[t].get_stat_val(), load));
    }
    show_message(message);
    return true;
}

void TankFillMask::describe_missing_full_load(int t, char* out, size_t size)
{
    if (ps().app.channels[t].capacity.get() <= 0)
        std::snprintf(out, size, "Set the capacity of tank %d first", t + 1);
    else
        std::snprintf(out, size, "Set the density of tank %d's product first", t + 1);
}

void TankFillMask::show_message(const char* text)
{
    if (!message_field || shown_message == text)
        return;
    shown_message = text;
    pool->set_string(message_field, 0, text, pool->is_running(), 1);
}

bool TankFillMask::handle_stat_update(Stat* s)
{
    if (s == &tank_list) {
        std::printf("TankFillMask: tank=%d\n", int(tank_list.get_item()));
        return false;
    }
    for (int t = 0; t < TANKS; ++t) {
        if (s == &remaining_input[t]) {
            double v = remaining_input[t].get_stat_val();
            cds_set(ds_head(), &ds().channels.channels[t].remaining_volume, v);
            ps().app.channels[t].remaining.set(float(v));
        } else if (s == &step_input[t]) {
            char name[SETTING_NAME_BUFFER];
            double v = step_input[t].get_stat_val();
            std::printf("UPDATE INC/DEC, v=%lf, cn='%s'\n", v, setting_name(ps().app.channels[t].name, name));
            ps().app.channels[t].tank_fill_inc_dec.set(float(v));
        }
    }
    return false;
}

void TankFillMask::handle_virt_listener_event(NV_store::Virt_listener<TankFillMask>* l)
{
    for (int t = 0; t < TANKS; ++t) {
        if (l != settings_listener[t])
            continue;
        update_tank(t);
        int enabled = count_enabled();
        if (VT::Input_list_obj* list = tank_list.get_list())
            list->set_child_objects_val(ALL_TANKS_ITEM, enabled > 1 ? all_tanks_entry : NULL_ID, true);
        show_groups(enabled);
        if (enabled <= 1 && tank_list.get_item() == ALL_TANKS_ITEM)
            choose_item(0);
    }
    send_val_updates(false);
}

void TankFillMask::handle_virt_listener_event(CDS::Virt_listener<TankFillMask>* l)
{
    for (int t = 0; t < TANKS; ++t)
        if (l == store_listener[t])
            update_remaining(t);
    send_val_updates(false);
}
