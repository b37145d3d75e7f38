// The proportional-valve drive of a granular tank: tank clutch, shaft
// sensor, ratios and shaft speed limits; a button to its control settings.
#pragma once

#include "apps/sowvane/screens/Tank_drive_mask.h"

class PropValveDriveSettingsMask
    : public Tank_drive_mask<Screen_object_ids::Group_prop_valve_drive_settings_mask, 5, 5, 2> {
public:
    using Ids = Screen_object_ids::Group_prop_valve_drive_settings_mask;
    // The tank clutch is bit 5 of the valve mode byte.
    static constexpr unsigned CLUTCH_BIT = 0x20;
    PropValveDriveSettingsMask(const char* name, Screen_man* man);
};
