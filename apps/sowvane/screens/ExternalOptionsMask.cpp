#include "apps/sowvane/screens/ExternalOptionsMask.h"

#include "apps/sowvane/screens/AdvancedSettingsMask.h"

using Ids = ExternalOptionsMask::Ids;
using Row = Key_row<Ids>;

namespace {
uint32_t Ids::*const list_fields[ExternalOptionsMask::LISTS] = {
    &Ids::cabin_switch_box_list, &Ids::ext_master_switch_list, &Ids::cal_switch_box_list,
    &Ids::cal_drive_list,        &Ids::master_clutch_list,     &Ids::actuator_cal_style_list,
};
} // namespace

const Row ExternalOptionsMask::key_rows[3] = {
    SEEDER_SETTINGS_KEYS(Ids),
};

ExternalOptionsMask::ExternalOptionsMask(const char* name, Screen_man* man) : Data_screen(name, man) {}

ExternalOptionsMask::~ExternalOptionsMask()
{
    drop_listeners(listeners, get_waiter());
}

bool ExternalOptionsMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().external_options_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    for (int l = 0; l < LISTS; ++l)
        lists[l].init(&stats, find_pool_object<VT::Input_list_obj>(p, ids.*list_fields[l]), nullptr, p, false);
    master_list = find_pool_object<VT::Input_list_obj>(p, ids.ext_master_switch_list);
    drive_list = find_pool_object<VT::Input_list_obj>(p, ids.cal_drive_list);
    for (int i = 0; i < 4; ++i)
        master_items[i] = (unsigned short)ids.ext_master_switch_item[i];
    for (int i = 0; i < 5; ++i)
        drive_items[i] = (unsigned short)ids.cal_drive_item[i];
    rows[0] = find_pool_object<VT::Container_obj>(p, ids.cal_drive_row);
    rows[1] = find_pool_object<VT::Container_obj>(p, ids.master_clutch_row);
    rows[2] = find_pool_object<VT::Container_obj>(p, ids.actuator_cal_style_row);
    return true;
}

void ExternalOptionsMask::offer_item(VT::Input_list_obj* list, unsigned item, unsigned short object, bool offered)
{
    if (list == nullptr || int(item) >= list->num_items())
        return;
    const unsigned short want = offered ? object : VT::Object_pool::NULL_ID;
    if (list->get_child_objects_val(item) != want)
        list->set_child_objects_val(item, want, true);
}

void ExternalOptionsMask::apply_switch_box_rule()
{
    if (parameters == nullptr || !cds_get_byte(ds_head(), &ds().system.vt_uploaded))
        return;
    auto& app = parameters->app;
    const bool cabin_box = app.swbox_external_swbox_type.get() != 0;
    offer_item(master_list, MASTER_SWITCHBOX, master_items[MASTER_SWITCHBOX], cabin_box);
    if (!cabin_box && app.swbox_remote_master_mode.get() == MASTER_SWITCHBOX) {
        lists[EXT_MASTER_SWITCH].set_item(0);
        app.swbox_remote_master_mode.set(0);
    }
}

bool ExternalOptionsMask::actuator_rows_shown() const
{
    if (parameters == nullptr)
        return false;
    for (unsigned i = 0; i < TANKS; ++i) {
        auto& tank = parameters->app.channels[i];
        if (tank.enabled.get() && tank.mode.get() == 0 && tank.granular_controller_type.get() == 1)
            return true;
    }
    return false;
}

void ExternalOptionsMask::show_actuator_rows()
{
    const bool shown = actuator_rows_shown();
    for (VT::Container_obj* row : rows)
        show_container(row, shown);
}

void ExternalOptionsMask::refresh()
{
    if (parameters == nullptr)
        return;
    apply_switch_box_rule();
    auto& app = parameters->app;
    lists[EXT_MASTER_SWITCH].set_item(app.swbox_remote_master_mode.get());
    lists[CAL_SWITCH_BOX].set_item(app.swbox_cal_swbox_type.get());
    lists[CABIN_SWITCH_BOX].set_item(app.swbox_external_swbox_type.get() != 0 ? 1 : 0);
    const int drive = app.calibration_drive_channel.get();
    if (drive >= -1 && drive < TANKS)
        lists[CAL_DRIVE].set_item((unsigned short)(drive + 1));
    lists[MASTER_CLUTCH].set_item(app.using_master_clutch.get() ? 1 : 0);
    lists[ACT_CAL_STYLE].set_item(app.channels[0].act_cal_mode.get());
    for (unsigned k = 1; k <= TANKS; ++k)
        offer_item(drive_list, k, drive_items[k], calibration_drive_tank_qualifies(int(k) - 1));
}

void ExternalOptionsMask::post_snapshot_init()
{
    if (parameters == nullptr)
        return;
    for (unsigned i = 0; i < TANKS; ++i) {
        if (listeners[i] == nullptr) {
            listeners[i] = new Listener(this);
            nv_listen(*listeners[i], &parameters->app.channels[i], get_waiter());
        }
    }
    refresh();
}

bool ExternalOptionsMask::activate()
{
    const bool ok = Data_screen::activate();
    show_actuator_rows();
    refresh();
    return ok;
}

void ExternalOptionsMask::handle_virt_listener_event(Listener*)
{
    show_actuator_rows();
    send_val_updates(false);
}

bool ExternalOptionsMask::handle_stat_update(Stat* s)
{
    if (parameters == nullptr)
        return false;
    auto& app = parameters->app;
    if (s == &lists[EXT_MASTER_SWITCH]) {
        app.swbox_remote_master_mode.set((unsigned char)lists[EXT_MASTER_SWITCH].get_item());
    } else if (s == &lists[CAL_SWITCH_BOX]) {
        app.swbox_cal_swbox_type.set((unsigned char)lists[CAL_SWITCH_BOX].get_item());
    } else if (s == &lists[CABIN_SWITCH_BOX]) {
        app.swbox_external_swbox_type.set(lists[CABIN_SWITCH_BOX].get_item() != 0 ? 1 : 0);
        apply_switch_box_rule();
    } else if (s == &lists[CAL_DRIVE]) {
        const int tank = int(lists[CAL_DRIVE].get_item()) - 1;
        if (tank < 0 || index_in_range("calibration drive tank", tank, TANKS))
            app.calibration_drive_channel.set((signed char)tank);
    } else if (s == &lists[MASTER_CLUTCH]) {
        app.using_master_clutch.set(lists[MASTER_CLUTCH].get_item() != 0);
    } else if (s == &lists[ACT_CAL_STYLE]) {
        for (unsigned i = 0; i < TANKS; ++i)
            app.channels[i].act_cal_mode.set((unsigned char)lists[ACT_CAL_STYLE].get_item());
    }
    return false;
}

bool ExternalOptionsMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (is_release(ev))
        keys.switch_for(get_man(), a);
    return true;
}
