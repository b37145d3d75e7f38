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

SettingsMenu::SettingsMenu(const char* name, Screen_man* man)
    : Menu_mask(name, man, &Screen_object_ids::settings_menu, key_rows)
{
}
