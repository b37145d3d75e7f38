// The menu of the alarm settings masks, with the switch that keeps alarm
// screens off the VT and its indicator.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"
#include "vtui/stat/Stat_indicator.h"

class AlarmSettingsMenu : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_alarm_settings_menu;

    AlarmSettingsMenu(const char* name, Screen_man* man);
    ~AlarmSettingsMenu() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    bool activate() override;
    bool handle_stat_update(Stat*) override { return false; }
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}

private:
    void show_inhibit(bool inhibited);

    enum { KEY_INHIBIT = 2 };
    static const Key_row<Ids> key_rows[11];
    Key_rows<Ids, 11> keys{key_rows};
    Stat_indicator inhibit;
    Stat_indicator_gen_client<VT::Rectangle_obj> inhibit_rect;
    unsigned short fills[2] = {VT::Object_pool::NULL_ID, VT::Object_pool::NULL_ID};
};
