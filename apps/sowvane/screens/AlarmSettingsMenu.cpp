#include "apps/sowvane/screens/AlarmSettingsMenu.h"

using Ids = AlarmSettingsMenu::Ids;
using Row = Key_row<Ids>;

const Row AlarmSettingsMenu::key_rows[11] = {
    {&Ids::key_settings_menu, Row::KEY, "settings_menu"},
    {&Ids::key_main, Row::KEY, "main"},
    {&Ids::key_inhibit_alarms, Row::KEY, nullptr},
    {&Ids::fan_alarms_button, Row::BUTTON, "fan_alarms_mask"},
    {&Ids::shaft_alarms_button, Row::BUTTON, "shaft_alarms_mask"},
    {&Ids::tank_alarms_button, Row::BUTTON, "tank_alarms_mask"},
    {&Ids::other_alarms_button, Row::BUTTON, "other_alarms_mask"},
    {&Ids::tank_motor_alarms_button, Row::BUTTON, "tank_motor_alarms_mask"},
    {&Ids::tank_gear_alarms_button, Row::BUTTON, "tank_gear_alarms_mask"},
    {&Ids::tank_pressure_alarms_button, Row::BUTTON, "tank_pressure_alarms_mask"},
    {&Ids::no_flow_alarms_button, Row::BUTTON, "no_flow_alarms_mask"},
};

AlarmSettingsMenu::AlarmSettingsMenu(const char* name, Screen_man* man) : Data_screen(name, man) {}

AlarmSettingsMenu::~AlarmSettingsMenu() = default;

bool AlarmSettingsMenu::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().alarm_settings_menu;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    fills[0] = (unsigned short)mask_ids().common.indicator_off;
    fills[1] = (unsigned short)mask_ids().common.indicator_on;
    inhibit.init(&stats);
    inhibit_rect.init(find_pool_object<VT::Rectangle_obj>(p, ids.inhibit_indicator), fills, 2);
    inhibit.add_client(&inhibit_rect);
    return true;
}

void AlarmSettingsMenu::show_inhibit(bool inhibited)
{
    inhibit.set_state(inhibited ? 1 : 0);
}

bool AlarmSettingsMenu::activate()
{
    const bool ok = Data_screen::activate();
    show_inhibit(cds_get_byte(ds_head(), &ds().internal.inhibit_vt_alarms) != 0);
    return ok;
}

bool AlarmSettingsMenu::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev))
        return true;
    if (keys.find(a) == KEY_INHIBIT) {
        cds_toggle_bool(&ds().internal.inhibit_vt_alarms);
        show_inhibit(cds_get_byte(ds_head(), &ds().internal.inhibit_vt_alarms) != 0);
        return true;
    }
    keys.switch_for(get_man(), a);
    return true;
}
