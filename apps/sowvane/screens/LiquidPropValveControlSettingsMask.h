// The control settings of a liquid tank's proportional valve.
#pragma once

#include "apps/sowvane/screens/Tank_drive_mask.h"

class LiquidPropValveControlSettingsMask
    : public Tank_drive_mask<Screen_object_ids::Group_liquid_prop_valve_control_settings_mask, 5, 0, 7> {
public:
    using Ids = Screen_object_ids::Group_liquid_prop_valve_control_settings_mask;
    LiquidPropValveControlSettingsMask(const char* name, Screen_man* man);

protected:
    bool store(Stat* s) override;
};
