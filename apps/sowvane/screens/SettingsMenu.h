// The root of the settings area: buttons to the seeder, product, alarm,
// area-test and advanced pages.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

class SettingsMenu : public Menu_mask<Screen_object_ids::Group_settings_menu, 6> {
public:
    using Ids = Screen_object_ids::Group_settings_menu;
    SettingsMenu(const char* name, Screen_man* man);

private:
    static const Key_row<Ids> key_rows[6];
};
