// The control settings of a granular tank's proportional valve.
#pragma once

#include "apps/sowvane/screens/Tank_drive_mask.h"

class PropValveControlSettingsMask
    : public Tank_drive_mask<Screen_object_ids::Group_prop_valve_control_settings_mask, 5, 0, 7> {
public:
    using Ids = Screen_object_ids::Group_prop_valve_control_settings_mask;
    PropValveControlSettingsMask(const char* name, Screen_man* man);
};
