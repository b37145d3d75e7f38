#include "apps/sowvane/screens/Diagnostics2.h"

using Ids = Diagnostics2::Ids;
using Row = Key_row<Ids>;

void show_diagnostics_flag(bool shown)
{
    cds_set(ds_head(), &ds().diagnostics.showing_diagnostics, shown);
}

const Row Diagnostics2::key_rows[3] = {
    {&Ids::key_main, Row::KEY, "main"},
    {&Ids::key_system_info, Row::KEY, "system_info_mask"},
    {&Ids::key_actuator_diagnostics, Row::KEY, "actuator_diagnostics"},
};

Diagnostics2::Diagnostics2(const char* name, Screen_man* man) : Data_screen(name, man) {}

Diagnostics2::~Diagnostics2()
{
    if (get_waiter() != nullptr && listener.get_head() != nullptr)
        cds_unlisten(listener, get_waiter());
}

bool Diagnostics2::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().diagnostics2;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    const Stat_num_format format(Units_man::UNITS_NONE, 0.1, 0);
    for (unsigned i = 0; i < TANKS; ++i) {
        pressures[i].init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.pressure[i]), SETTING_UPDATE_MS,
                          format, format, nullptr, Stat_num::RAW_MAX, 0, p, nullptr);
        rows[i] = find_pool_object<VT::Container_obj>(p, ids.pressure_row[i]);
    }
    return true;
}

void Diagnostics2::refresh()
{
    for (unsigned i = 0; i < TANKS; ++i)
        pressures[i].set_val(cds_get_word(ds_head(), &ds().diagnostics.liquid_pressure_sensor[i].adc_val));
    send_val_updates(false);
}

void Diagnostics2::post_snapshot_init()
{
    if (listener.get_head() == nullptr)
        cds_listen(listener, &ds().diagnostics, int(sizeof(ds_diagnostics)), get_waiter());
    refresh();
}

void Diagnostics2::handle_virt_listener_event(Listener* l)
{
    if (l == &listener)
        refresh();
}

bool Diagnostics2::activate()
{
    const bool ok = Data_screen::activate();
    if (parameters != nullptr)
        for (unsigned i = 0; i < TANKS; ++i) {
            auto& tank = parameters->app.channels[i];
            show_container(rows[i], tank.enabled.get() && tank.liquid_pressure_sense.get() && tank.mode.get() != 0);
        }
    show_diagnostics_flag(is_active());
    refresh();
    return ok;
}

bool Diagnostics2::deactivate()
{
    const bool ok = Data_screen::deactivate();
    show_diagnostics_flag(is_active());
    return ok;
}

bool Diagnostics2::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (is_release(ev))
        keys.switch_for(get_man(), a);
    return true;
}
