#include "apps/sowvane/screens/SettingsMenu.h"

using Row = Key_row<SettingsMenu::Ids>;
using Ids = SettingsMenu::Ids;

const Row SettingsMenu::key_rows[6] = {
    {&Ids::key_main, Row::KEY, "main"},
    {&Ids::seeder_button, Row::BUTTON, "seeder_settings_menu"},
    {&Ids::products_button, Row::BUTTON, "product_settings_menu"},
    {&Ids::alarms_button, Row::BUTTON, "alarm_settings_menu"},
    {&Ids::area_test_button, Row::BUTTON, "area_test_mask"},
    {&Ids::advanced_settings_button, Row::BUTTON, "advanced_settings_mask"},
};

SettingsMenu::SettingsMenu(const char* name, Screen_man* man) : Data_screen(name, man) {}

SettingsMenu::~SettingsMenu() = default;

bool SettingsMenu::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().settings_menu;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    return true;
}

bool SettingsMenu::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (is_release(ev))
        keys.switch_for(get_man(), a);
    return true;
}
