#include "apps/sowvane/screens/TankSettingsMask.h"

#include "apps/sowvane/screens/AdvancedSettingsMask.h"

using Ids = TankSettingsMask::Ids;
using Row = Key_row<Ids>;

namespace {
constexpr int CAPACITY_UPDATE_MS = 200;

void reset_task_controller()
{
    const bool reset = true;
    cds_set_bool(ds_head(), &ds().system.reset_tc, &reset);
}
} // namespace

const Row TankSettingsMask::key_rows[3] = {
    SEEDER_SETTINGS_KEYS(Ids),
};

TankSettingsMask::TankSettingsMask(const char* name, Screen_man* man) : Data_screen(name, man) {}

TankSettingsMask::~TankSettingsMask()
{
    for (Tank& t : tanks) {
        if (t.listener != nullptr && get_waiter() != nullptr)
            t.listener->autounreg(get_waiter());
        delete t.listener;
        t.listener = nullptr;
    }
}

void TankSettingsMask::set_capacity_units(int i, int type)
{
    const int units = type == LIQUID || type == NH3 ? Units_man::UNITS_VOLUME : Units_man::UNITS_VOLUME_DRY;
    const Stat_num_format format(units, 0.1, 1);
    Tank& t = tanks[i];
    const double shown = t.capacity.get_stat_val();
    const Ids& ids = mask_ids().tank_settings_mask;
    rebind(t.capacity, &stats, find_pool_object<VT::Input_number_obj>(pool, ids.capacity_input[i]),
           CAPACITY_UPDATE_MS, format, format, static_cast<VT::Number_variable_obj*>(nullptr), Stat_num::RAW_MAX,
           0u, pool, find_pool_object<VT::Output_string_obj>(pool, ids.capacity_units[i]));
    t.capacity.set_range(0.0, MAX_CAPACITY);
    t.capacity.set_editable(true);
    if (get_man() != nullptr && get_man()->get_units() != nullptr)
        t.capacity.set_units(*get_man()->get_units());
    t.capacity.set_val(shown);
}

bool TankSettingsMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().tank_settings_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    enabled_list.init(&stats, find_pool_object<VT::Input_list_obj>(p, ids.enabled_tanks_list), nullptr, p, false);
    enabled_list.set_item(1);
    for (int i = 0; i < TANKS; ++i) {
        Tank& t = tanks[i];
        t.setup.init(this, VT::Object_pool::NULL_ID, (unsigned short)ids.setup_button[i]);
        t.row = find_pool_object<VT::Container_obj>(p, ids.tank_row[i]);
        set_capacity_units(i, GRANULAR);
        t.type.init(&stats, find_pool_object<VT::Input_list_obj>(p, ids.tank_type_list[i]), nullptr, p, false);
        t.granular_drive.init(&stats, find_pool_object<VT::Input_list_obj>(p, ids.granular_drive_list[i]), nullptr,
                              p, false);
        t.liquid_drive.init(&stats, find_pool_object<VT::Input_list_obj>(p, ids.liquid_drive_list[i]), nullptr, p,
                            false);
        for (Stat_list* l : {&t.type, &t.granular_drive, &t.liquid_drive})
            l->set_editable(true);
        t.granular_row = find_pool_object<VT::Container_obj>(p, ids.granular_drive_row[i]);
        t.liquid_row = find_pool_object<VT::Container_obj>(p, ids.liquid_drive_row[i]);
    }
    return true;
}

void TankSettingsMask::refresh(int i)
{
    if (parameters == nullptr || i < 0 || i >= TANKS)
        return;
    Tank& t = tanks[i];
    const auto& channel = parameters->app.channels[unsigned(i)];
    show_container(t.row, channel.enabled.get());
    const unsigned mode = channel.mode.get();
    if (int(mode) != t.capacity_type) {
        t.capacity_type = int(mode);
        set_capacity_units(i, int(mode));
    }
    double capacity = channel.capacity.get();
    capacity = capacity < 0.0 ? 0.0 : capacity > MAX_CAPACITY ? MAX_CAPACITY : capacity;
    t.capacity.set_val(capacity);
    const unsigned type = mode < TANK_TYPES ? mode : unsigned(GRANULAR);
    t.type.set_item((unsigned short)type);
    show_container(t.granular_row, type == GRANULAR);
    show_container(t.liquid_row, type != GRANULAR);
    if (type != GRANULAR) {
        t.liquid_drive.set_item(channel.liquid_controller_type.get());
    } else {
        const unsigned drive = channel.granular_controller_type.get();
        t.granular_drive.set_item((unsigned short)(drive == PROP_VALVE ? unsigned(PROP_VALVE_ITEM) : drive));
    }
}

void TankSettingsMask::set_enabled_tanks(unsigned count, bool signal)
{
    for (unsigned j = 0; j < TANKS; ++j)
        parameters->app.channels[j].enabled.set(j < count);
    parameters->app.num_channels.set(TANKS);
    if (signal)
        reset_task_controller();
}

void TankSettingsMask::post_snapshot_init()
{
    if (parameters == nullptr)
        return;
    unsigned enabled = 0;
    for (int i = 0; i < TANKS; ++i) {
        if (tanks[i].listener == nullptr) {
            tanks[i].listener = new Listener(this);
            nv_listen(*tanks[i].listener, &parameters->app.channels[unsigned(i)], get_waiter());
        }
        enabled += parameters->app.channels[unsigned(i)].enabled.get() ? 1 : 0;
    }
    std::printf("TankSettingsMask::ENABLED TANKS: %u\n", enabled);
    enabled_list.set_item((unsigned short)(enabled > 0 ? enabled - 1 : 0));
    set_enabled_tanks(enabled > 0 ? enabled : 1, false);
}

bool TankSettingsMask::activate()
{
    const bool ok = Data_screen::activate();
    for (Tank& t : tanks)
        for (VT::Container_obj* c : {t.row, t.granular_row, t.liquid_row})
            show_container(c, false);
    for (int i = 0; i < TANKS; ++i)
        refresh(i);
    return ok;
}

bool TankSettingsMask::deactivate()
{
    const bool ok = Data_screen::deactivate();
    check_calibration_drive_channel();
    return ok;
}

void TankSettingsMask::handle_virt_listener_event(Listener* l)
{
    for (int i = 0; i < TANKS; ++i)
        if (tanks[i].listener == l)
            refresh(i);
    send_val_updates(false);
}

bool TankSettingsMask::handle_stat_update(Stat* s)
{
    if (parameters == nullptr)
        return false;
    if (s == &enabled_list) {
        set_enabled_tanks(enabled_list.get_item() + 1u, true);
        return false;
    }
    for (unsigned i = 0; i < TANKS; ++i) {
        Tank& t = tanks[i];
        auto& channel = parameters->app.channels[i];
        if (s == &t.capacity) {
            channel.capacity.set(float(t.capacity.get_stat_val()));
        } else if (s == &t.type) {
            const unsigned v = t.type.get_item();
            if (v == channel.mode.get())
                return false;
            channel.mode.set((unsigned char)v);
            show_container(t.granular_row, v == GRANULAR);
            show_container(t.liquid_row, v != GRANULAR);
            std::printf("Tank Type:%u\n", v);
            const int kind = v == LIQUID ? 1 : 0;
            cds_set_int(ds_head(), &ds().interface.channels[i].content_kind, &kind);
            reset_task_controller();
        } else if (s == &t.granular_drive) {
            const int manual = 1;
            cds_set_int(ds_head(), &ds().channels.channels[i].rate_control_mode, &manual);
            const unsigned v = t.granular_drive.get_item();
            const unsigned drive = v == PROP_VALVE_ITEM ? unsigned(PROP_VALVE) : v;
            channel.granular_controller_type.set((unsigned char)drive);
            std::printf("Drive:%u\n", drive);
        } else if (s == &t.liquid_drive) {
            const unsigned v = t.liquid_drive.get_item();
            channel.liquid_controller_type.set((unsigned char)v);
            std::printf("Drive2:%u\n", v);
            const int manual = 1;
            cds_set_int(ds_head(), &ds().channels.channels[i].rate_control_mode, &manual);
        } else {
            continue;
        }
        return false;
    }
    return false;
}

bool TankSettingsMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev) || keys.switch_for(get_man(), a) || parameters == nullptr)
        return true;
    for (unsigned i = 0; i < TANKS; ++i) {
        if (&a != &tanks[i].setup)
            continue;
        cds_set_uint(ds_head(), &ds().internal.current_channel_index, &i);
        const auto& channel = parameters->app.channels[i];
        const char* target = "actuator_drive_settings_mask";
        if (channel.mode.get() != GRANULAR)
            target = "liquid_prop_valve_settings_mask";
        else if (channel.granular_controller_type.get() == ELECTRIC)
            target = "electric_drive_settings_mask";
        else if (channel.granular_controller_type.get() == PROP_VALVE)
            target = "prop_valve_drive_settings_mask";
        get_man()->switch_to_screen(target);
        break;
    }
    return true;
}
