// A liquid or NH3 tank's own settings (nozzles, pressure sensing) and the
// way to the control settings of its liquid controller.
#pragma once

#include "apps/sowvane/screens/Tank_drive_mask.h"

class LiquidPropValveSettingsMask
    : public Tank_drive_mask<Screen_object_ids::Group_liquid_prop_valve_settings_mask, 5, 1, 1> {
public:
    using Ids = Screen_object_ids::Group_liquid_prop_valve_settings_mask;
    LiquidPropValveSettingsMask(const char* name, Screen_man* man);
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
};
