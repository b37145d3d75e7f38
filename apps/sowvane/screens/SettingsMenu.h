// The root of the settings area: buttons to the seeder, product, alarm,
// area-test and advanced pages.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

class SettingsMenu : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_settings_menu;

    SettingsMenu(const char* name, Screen_man* man);
    ~SettingsMenu() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    bool handle_stat_update(Stat*) override { return false; }
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}

private:
    static const Key_row<Ids> key_rows[6];
    Key_rows<Ids, 6> keys{key_rows};
};
