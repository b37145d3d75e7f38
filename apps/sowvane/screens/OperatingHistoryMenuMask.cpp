#include "apps/sowvane/screens/OperatingHistoryMenuMask.h"

using Ids = OperatingHistoryMenuMask::Ids;
using Row = Key_row<Ids>;

const Row OperatingHistoryMenuMask::key_rows[6] = {
    {&Ids::totals_button, Row::BUTTON, "totals_history_mask"},
    {&Ids::shafts_button, Row::BUTTON, "shafts_history_mask"},
    {&Ids::fans_button, Row::BUTTON, "fans_history_mask"},
    {&Ids::key_seeder_settings_menu, Row::KEY, "seeder_settings_menu"},
    {&Ids::key_settings_menu, Row::KEY, "settings_menu"},
    {&Ids::key_main, Row::KEY, "main"},
};

OperatingHistoryMenuMask::OperatingHistoryMenuMask(const char* name, Screen_man* man)
    : Menu_mask(name, man, &Screen_object_ids::operating_history_menu_mask, key_rows)
{
}
