#include "apps/sowvane/screens/SeederSettingsMenu.h"

using Ids = SeederSettingsMenu::Ids;
using Row = Key_row<Ids>;

const Row SeederSettingsMenu::key_rows[11] = {
    {&Ids::key_settings_menu, Row::KEY, "settings_menu"},
    {&Ids::key_main, Row::KEY, "main"},
    {&Ids::tanks_button, Row::BUTTON, "tank_settings_mask"},
    {&Ids::tank_preload_button, Row::BUTTON, "tank_preload_settings_mask"},
    {&Ids::external_options_button, Row::BUTTON, "external_options_mask"},
    {&Ids::wheel_calibration_button, Row::BUTTON, "wheel_calibration_settings_mask"},
    {&Ids::fans_button, Row::BUTTON, "fan_settings_mask"},
    {&Ids::width_and_speed_button, Row::BUTTON, "width_and_speed_settings_mask"},
    {&Ids::operating_history_button, Row::BUTTON, "operating_history_menu_mask"},
    {&Ids::seeder_brand_button, Row::BUTTON, "seeder_brand_mask"},
    {&Ids::blocked_head_button, Row::BUTTON, "blocked_head_settings_mask"},
};

SeederSettingsMenu::SeederSettingsMenu(const char* name, Screen_man* man) : Data_screen(name, man) {}

SeederSettingsMenu::~SeederSettingsMenu()
{
    drop_listeners(listeners, get_waiter());
}

bool SeederSettingsMenu::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().seeder_settings_menu;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    preload_button_id = (unsigned short)ids.tank_preload_button;
    preload_pointer = find_pool_object<VT::Object_pointer_obj>(p, ids.tank_preload_pointer);
    if (preload_pointer != nullptr)
        preload_pointer->set_value(preload_button_id);
    return true;
}

void SeederSettingsMenu::post_snapshot_init()
{
    if (parameters == nullptr)
        return;
    for (unsigned i = 0; i < TANKS; ++i) {
        if (listeners[i] == nullptr) {
            listeners[i] = new Listener(this);
            nv_listen(*listeners[i], &parameters->app.channels[i], get_waiter());
        }
    }
}

bool SeederSettingsMenu::tank_offers_preload(unsigned i) const
{
    if (parameters == nullptr || i >= TANKS)
        return false;
    const auto& tank = parameters->app.channels[i];
    return tank.enabled.get() && tank.mode.get() == 0 && tank.granular_controller_type.get() != 1;
}

bool SeederSettingsMenu::preload_shown() const
{
    return preload_pointer != nullptr && preload_pointer->get_value() == preload_button_id &&
           preload_button_id != VT::Object_pool::NULL_ID;
}

void SeederSettingsMenu::refresh_preload_button()
{
    if (preload_pointer == nullptr)
        return;
    unsigned short shown = VT::Object_pool::NULL_ID;
    for (unsigned i = 0; i < TANKS; ++i) {
        if (tank_offers_preload(i)) {
            shown = preload_button_id;
            break;
        }
    }
    if (preload_pointer->get_value() != shown)
        preload_pointer->set_value(shown);
}

bool SeederSettingsMenu::activate()
{
    refresh_preload_button();
    return Data_screen::activate();
}

void SeederSettingsMenu::handle_virt_listener_event(Listener*)
{
    if (cds_get_byte(ds_head(), &ds().system.vt_uploaded))
        refresh_preload_button();
    send_val_updates(false);
}

bool SeederSettingsMenu::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (is_release(ev))
        keys.switch_for(get_man(), a);
    return true;
}
